#include "core/IniFile.h"

#include <cstdint>

#include "core/Log.h"
#include "platform/Files.h"

namespace KavirelDLL {

namespace {

// Ini files are configuration, not data: anything larger is damaged or not an ini file.
constexpr uint64_t kMaxFileBytes = 64u << 20;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string trimmed(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin])) ++begin;
    while (end > begin && isBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (CXString::toLowerChar(static_cast<unsigned char>(a[i])) !=
            CXString::toLowerChar(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The name of a section header line, or false when the line is none.
bool headerName(const std::string& line, std::string& name) {
    std::string t = trimmed(line);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.rfind(']');
    if (close == std::string::npos) return false;
    name = trimmed(t.substr(1, close - 1));
    return true;
}

bool isComment(const std::string& t) { return !t.empty() && t[0] == ';'; }

// The key of a line and, when it has one, where its value starts; false for blank and comment lines.
bool keyOf(const std::string& line, std::string& key, size_t* valueStart) {
    std::string t = trimmed(line);
    if (t.empty() || isComment(t)) return false;
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
        key = t;
        if (valueStart) *valueStart = line.size();
    } else {
        key = trimmed(line.substr(0, eq));
        if (valueStart) *valueStart = eq + 1;
    }
    return true;
}

int findSection(const std::vector<std::string>& lines, const std::string& section) {
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i)
        if (headerName(lines[i], name) && sameName(name, section)) return static_cast<int>(i);
    return -1;
}

// One past the section's last line.
size_t sectionEnd(const std::vector<std::string>& lines, size_t header) {
    std::string name;
    size_t i = header + 1;
    while (i < lines.size() && !headerName(lines[i], name)) ++i;
    return i;
}

int findKey(const std::vector<std::string>& lines, size_t header, const std::string& key) {
    size_t end = sectionEnd(lines, header);
    std::string name;
    for (size_t i = header + 1; i < end; ++i)
        if (keyOf(lines[i], name, nullptr) && sameName(name, key)) return static_cast<int>(i);
    return -1;
}

std::string valueOf(const std::string& line) {
    size_t start = 0;
    std::string key;
    keyOf(line, key, &start);
    std::string value = trimmed(line.substr(start));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

bool hasLineBreak(const CXString& s) { return s.Find('\n') >= 0 || s.Find('\r') >= 0; }

} // namespace

CIniFile::ELoad CIniFile::load(SContent& content) const {
    content = SContent();
    if (!m_fileName.IsString()) return ELoad::missing;
    std::vector<uint8_t> data;
    EPlatformError error = CPlatformFiles::readWholeFile(m_fileName.GetBuffer(), data, kMaxFileBytes);
    if (error == EPlatformError::notFound) return ELoad::missing;
    if (error != EPlatformError::none) {
        logMessage("ini file %s cannot be read: %s", m_fileName.GetBuffer(), platformErrorText(error));
        return ELoad::failed;
    }
    size_t pos = 0;
    if (data.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        content.bom = true;
        pos = 3;
    }
    bool sawLineEnd = false;
    while (pos < data.size()) {
        size_t end = pos;
        while (end < data.size() && data[end] != '\n') ++end;
        std::string line(reinterpret_cast<const char*>(data.data()) + pos, end - pos);
        bool hasCr = !line.empty() && line.back() == '\r';
        if (end < data.size() && !sawLineEnd) {
            content.crlf = hasCr;
            sawLineEnd = true;
        }
        if (hasCr) line.pop_back();
        content.lines.push_back(std::move(line));
        pos = end + 1;
    }
    return ELoad::ok;
}

bool CIniFile::save(const SContent& content) const {
    std::string text;
    if (content.bom) text = "\xEF\xBB\xBF";
    const char* eol = content.crlf ? "\r\n" : "\n";
    for (const std::string& line : content.lines) {
        text += line;
        text += eol;
    }
    std::string name = m_fileName.GetBuffer();
    std::string temp = name + ".tmp";
    CPlatformFile file;
    EPlatformError error = file.open(temp, EOpenMode::write);
    if (error == EPlatformError::none) {
        if (file.write(text.data(), text.size()) != text.size() || !file.flush())
            error = EPlatformError::ioError;
        EPlatformError closed = file.close();
        if (error == EPlatformError::none) error = closed;
        if (error == EPlatformError::none) error = CPlatformFiles::renameEntry(temp, name, true);
        if (error != EPlatformError::none) CPlatformFiles::removeFile(temp);
    }
    if (error != EPlatformError::none) {
        logMessage("ini file %s cannot be written: %s", name.c_str(), platformErrorText(error));
        return false;
    }
    return true;
}

bool CIniFile::getString(const CXString& section, const CXString& key, CXString& value) const {
    value = "";
    SContent content;
    if (load(content) != ELoad::ok) return false;
    int header = findSection(content.lines, trimmed(section.GetBuffer()));
    if (header < 0) return false;
    int line = findKey(content.lines, static_cast<size_t>(header), trimmed(key.GetBuffer()));
    if (line < 0) return false;
    value = valueOf(content.lines[static_cast<size_t>(line)]).c_str();
    return true;
}

int CIniFile::getInt(const CXString& section, const CXString& key, int fallback) const {
    CXString value;
    if (!getString(section, key, value) || !value.IsString()) return fallback;
    return value.toNumber();
}

bool CIniFile::putString(const CXString& section, const CXString& key, const CXString& value) {
    std::string sectionName = trimmed(section.GetBuffer());
    std::string keyName = trimmed(key.GetBuffer());
    if (!m_fileName.IsString()) {
        logMessage("ini write of [%s] %s without a file", sectionName.c_str(), keyName.c_str());
        return false;
    }
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) || keyName.empty() ||
        keyName.find('=') != std::string::npos || keyName[0] == '[' || keyName[0] == ';') {
        logMessage("ini write of [%s] %s refused: a name or the value cannot be stored in %s",
                   sectionName.c_str(), keyName.c_str(), m_fileName.GetBuffer());
        return false;
    }
    SContent content;
    // A file that exists but cannot be read is never replaced by one holding only this value.
    if (load(content) == ELoad::failed) return false;
    std::string entry = keyName + "=" + value.GetBuffer();
    int header = findSection(content.lines, sectionName);
    if (header < 0) {
        content.lines.push_back("[" + sectionName + "]");
        content.lines.push_back(entry);
        return save(content);
    }
    int line = findKey(content.lines, static_cast<size_t>(header), keyName);
    if (line >= 0) {
        // The key keeps the spelling the file gave it.
        std::string existing;
        keyOf(content.lines[static_cast<size_t>(line)], existing, nullptr);
        content.lines[static_cast<size_t>(line)] = existing + "=" + value.GetBuffer();
        return save(content);
    }
    // After the section's last line that is not blank, so the blank lines between sections stay.
    size_t at = sectionEnd(content.lines, static_cast<size_t>(header));
    while (at > static_cast<size_t>(header) + 1 && trimmed(content.lines[at - 1]).empty()) --at;
    content.lines.insert(content.lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    return save(content);
}

} // namespace KavirelDLL
