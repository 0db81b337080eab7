#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "core/XString.h"
#include "platform/Files.h"

namespace KavirelDLL {

// A profile file of sections and "key=value" lines, read and written with the rules games rely on from
// Windows ini files: section and key names match without regard to case (code page 1250) and to the
// blanks around them, values come back trimmed and without one pair of surrounding quotes, the first
// of duplicate sections or keys wins, CRLF and LF files both read, values have no length limit, and
// lines starting with ';' are comments. A write creates the file and the section when missing, keeps
// every other line as it was, and replaces the file only once the new one is completely written.
//
// The file is kept parsed in memory and read again only once it changed on disk, so another copy of the
// game writing the same file is seen. A write locks the file (CPlatformFileLock) for its read-change-write,
// so copies writing at once keep each other's values. One object serves one thread.
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
    struct SSection {
        bool hasHeader = false; // false for the lines before the first header
        std::string header;     // the header line as the file has it
        std::vector<std::string> lines;
        bool indexed = false;                         // keys is built when the section is first asked
        std::unordered_map<std::string, size_t> keys; // folded key -> the first of its lines
    };
    struct SContent {
        std::vector<SSection> sections = std::vector<SSection>(1);
        std::unordered_map<std::string, size_t> byName; // folded name -> the first section of that name
        bool crlf = true;
        bool bom = false;
    };
    enum class ELoad { ok, missing, failed };
    ELoad refresh() const;
    // The key's line in the first section of that name, in the kept copy; null when missing.
    std::string* findLine(const std::string& section, const std::string& key) const;
    bool store();

    CXString m_fileName;
    mutable SContent m_content;
    mutable ELoad m_state = ELoad::failed; // failed: nothing kept, read at the next use
    mutable CPlatformKeptFile m_file;
};

} // namespace KavirelDLL
