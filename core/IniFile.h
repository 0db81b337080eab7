#pragma once
#include <string>
#include <vector>

#include "core/XString.h"

namespace KavirelDLL {

// A profile file of sections and "key=value" lines, read and written with the rules games rely on from
// Windows ini files: section and key names match without regard to case (code page 1250) and to the
// blanks around them, values come back trimmed and without one pair of surrounding quotes, the first
// of duplicate sections or keys wins, CRLF and LF files both read, values have no length limit, and
// lines starting with ';' are comments. A write creates the file and the section when missing, keeps
// every other line as it was, and replaces the file only once the new one is completely written.
class CIniFile {
public:
    CIniFile() = default;
    explicit CIniFile(const CXString& fileName) : m_fileName(fileName) {}

    const CXString& getFileName() const { return m_fileName; }

    // False when the file, the section or the key is missing; value is then empty.
    bool getString(const CXString& section, const CXString& key, CXString& value) const;
    // The leading decimal number of the value; fallback when the key is missing or empty.
    int getInt(const CXString& section, const CXString& key, int fallback) const;
    // False (with a log line) when the file cannot be read or written, or when a name or the value
    // could not be read back as written: a line break anywhere, an empty key, or a key holding '='
    // or starting with '[' or ';'.
    bool putString(const CXString& section, const CXString& key, const CXString& value);

private:
    struct SContent {
        std::vector<std::string> lines;
        bool crlf = true;
        bool bom = false;
    };
    enum class ELoad { ok, missing, failed };
    ELoad load(SContent& content) const;
    bool save(const SContent& content) const;

    CXString m_fileName;
};

} // namespace KavirelDLL
