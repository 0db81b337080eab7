#include "core/IniFile.h"

#include <cstdint>

#include "core/Log.h"

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

bool isBlankLine(const std::string& s) {
    for (char c : s)
        if (!isBlank(c)) return false;
    return true;
}

// Names compare as their folded forms do: same length, the same letters without regard to case.
std::string folded(const std::string& name) {
    std::string out(name);
    for (char& c : out) c = static_cast<char>(CXString::toLowerChar(static_cast<unsigned char>(c)));
    return out;
}

// The name of a section header line, or false when the line is none.
bool headerName(const std::string& line, std::string& name) {
    size_t first = 0;
    while (first < line.size() && isBlank(line[first])) ++first;
    if (first == line.size() || line[first] != '[') return false;
    size_t close = line.rfind(']');
    if (close == std::string::npos) return false;
    name = trimmed(line.substr(first + 1, close - first - 1));
    return true;
}

// The key of a line and, when it has one, where its value starts; false for blank and comment lines.
bool keyOf(const std::string& line, std::string& key, size_t* valueStart) {
    std::string t = trimmed(line);
    if (t.empty() || t[0] == ';') return false;
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

CIniFile::ELoad CIniFile::refresh() const {
    if (!m_fileName.IsString()) return ELoad::missing;
    const char* name = m_fileName.GetBuffer();
    if (m_state != ELoad::failed && m_file.unchanged(name)) return m_state;
    m_content = SContent();
    std::vector<uint8_t> data;
    EPlatformError error = m_file.read(name, data, kMaxFileBytes);
    if (error == EPlatformError::notFound) return m_state = ELoad::missing;
    if (error != EPlatformError::none) {
        m_file.forget();
        logMessage("ini file %s cannot be read: %s", name, platformErrorText(error));
        return m_state = ELoad::failed;
    }
    size_t pos = 0;
    if (data.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        m_content.bom = true;
        pos = 3;
    }
    // Room for every header line at once: an ini of 10^5 sections is read without growing the tables.
    size_t headers = 0;
    for (size_t at = pos; at < data.size(); ++at) {
        if (at != pos && data[at - 1] != '\n') continue;
        while (at < data.size() && isBlank(static_cast<char>(data[at]))) ++at;
        if (at < data.size() && data[at] == '[') ++headers;
    }
    m_content.sections.reserve(headers + 1);
    m_content.byName.reserve(headers);
    bool sawLineEnd = false;
    std::string sectionName;
    while (pos < data.size()) {
        size_t end = pos;
        while (end < data.size() && data[end] != '\n') ++end;
        std::string line(reinterpret_cast<const char*>(data.data()) + pos, end - pos);
        bool hasCr = !line.empty() && line.back() == '\r';
        if (end < data.size() && !sawLineEnd) {
            m_content.crlf = hasCr;
            sawLineEnd = true;
        }
        if (hasCr) line.pop_back();
        if (headerName(line, sectionName)) {
            m_content.byName.emplace(folded(sectionName), m_content.sections.size());
            SSection& section = m_content.sections.emplace_back();
            section.hasHeader = true;
            section.header = std::move(line);
        } else {
            m_content.sections.back().lines.push_back(std::move(line));
        }
        pos = end + 1;
    }
    return m_state = ELoad::ok;
}

std::string* CIniFile::findLine(const std::string& section, const std::string& key) const {
    auto found = m_content.byName.find(folded(section));
    if (found == m_content.byName.end()) return nullptr;
    SSection& s = m_content.sections[found->second];
    if (!s.indexed) {
        std::string name;
        for (size_t i = 0; i < s.lines.size(); ++i)
            if (keyOf(s.lines[i], name, nullptr)) s.keys.emplace(folded(name), i);
        s.indexed = true;
    }
    auto line = s.keys.find(folded(key));
    return line == s.keys.end() ? nullptr : &s.lines[line->second];
}

bool CIniFile::store() {
    const char* eol = m_content.crlf ? "\r\n" : "\n";
    size_t eolSize = m_content.crlf ? 2 : 1;
    size_t size = m_content.bom ? 3 : 0;
    for (const SSection& section : m_content.sections) {
        if (section.hasHeader) size += section.header.size() + eolSize;
        for (const std::string& line : section.lines) size += line.size() + eolSize;
    }
    std::string text;
    text.reserve(size);
    if (m_content.bom) text = "\xEF\xBB\xBF";
    for (const SSection& section : m_content.sections) {
        if (section.hasHeader) text.append(section.header).append(eol);
        for (const std::string& line : section.lines) text.append(line).append(eol);
    }
    EPlatformError error = m_file.replace(m_fileName.GetBuffer(), text.data(), text.size());
    if (error != EPlatformError::none) {
        // What is in memory was never stored: read the file again at the next use.
        m_file.forget();
        m_state = ELoad::failed;
        logMessage("ini file %s cannot be written: %s", m_fileName.GetBuffer(), platformErrorText(error));
        return false;
    }
    m_state = ELoad::ok;
    return true;
}

bool CIniFile::getString(const CXString& section, const CXString& key, CXString& value) const {
    value = "";
    if (refresh() != ELoad::ok) return false;
    const std::string* line = findLine(trimmed(section.GetBuffer()), trimmed(key.GetBuffer()));
    if (!line) return false;
    value = valueOf(*line).c_str();
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
    // Another copy of the game may write the same file: its values are read and kept under the lock.
    CPlatformFileLock lock;
    EPlatformError error = lock.lock(m_fileName.GetBuffer());
    if (error != EPlatformError::none) {
        logMessage("ini file %s cannot be written: %s", m_fileName.GetBuffer(), platformErrorText(error));
        return false;
    }
    // A file that exists but cannot be read is never replaced by one holding only this value.
    if (refresh() == ELoad::failed) return false;
    std::string entry = keyName + "=" + value.GetBuffer();
    std::string* line = findLine(sectionName, keyName);
    if (line) {
        // The key keeps the spelling the file gave it.
        std::string existing;
        keyOf(*line, existing, nullptr);
        *line = existing + "=" + value.GetBuffer();
        return store();
    }
    auto found = m_content.byName.find(folded(sectionName));
    if (found == m_content.byName.end()) {
        m_content.byName.emplace(folded(sectionName), m_content.sections.size());
        SSection& added = m_content.sections.emplace_back();
        added.hasHeader = true;
        added.header = "[" + sectionName + "]";
        added.lines.push_back(entry);
        added.indexed = true;
        added.keys.emplace(folded(keyName), 0);
        return store();
    }
    // After the section's last line that is not blank, so the blank lines between sections stay.
    SSection& s = m_content.sections[found->second];
    size_t at = s.lines.size();
    while (at > 0 && isBlankLine(s.lines[at - 1])) --at;
    for (auto& [name, index] : s.keys)
        if (index >= at) ++index;
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    s.keys.emplace(folded(keyName), at);
    return store();
}

} // namespace KavirelDLL
