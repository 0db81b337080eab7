#include "core/ElementsLoader.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Log.h"
#include "core/TextCoder.h"

namespace KavirelDLL {

namespace {

void trimBlanks(std::string& text) {
    size_t end = text.find_last_not_of(' ');
    if (end == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(end + 1);
    text.erase(0, text.find_first_not_of(' '));
}

std::string_view trimBlanks(std::string_view text) {
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    size_t end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

void eraseAll(std::string& text, char c) {
    size_t kept = 0;
    for (char x : text)
        if (x != c) text[kept++] = x;
    text.resize(kept);
}

CXString toXString(std::string_view text) { return CXString(std::string(text).c_str()); }

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// The parse of one text: the result list and, beside it, the first element of every name, so that a
// statement finds its element without walking the list.
class CParse {
public:
    CParse() : m_result(new CMElements(true)) {}

    CMElements* take() { return m_result; }

    void statementLine(const std::string& line);

private:
    CMElement* find(std::string_view name) const {
        auto it = m_first.find(name);
        return it == m_first.end() ? nullptr : it->second;
    }

    CMElement* append(std::string_view name) {
        CMElement* element = new CMElement(toXString(name));
        m_result->add(element);
        m_first.try_emplace(std::string(name), element);
        return element;
    }

    void templateLine(const std::string& line);

    CMElements* m_result;
    std::unordered_map<std::string, CMElement*, NameHash, std::equal_to<>> m_first;
    std::vector<std::string_view> m_tokens;
};

// DEF:name(KEY=value|...). A line without its parentheses, or without a name, is skipped, and so
// is a piece without '='; the parse goes on as it does after any other malformed line.
void CParse::templateLine(const std::string& line) {
    size_t open = line.find('(');
    size_t close = line.rfind(')');
    if (open == std::string::npos || open <= 4 || close == std::string::npos || close < open) return;
    CMElement* element = new CMElement(toXString(std::string_view(line).substr(4, open - 4)));
    std::string_view parameters = std::string_view(line).substr(open + 1, close - open - 1);
    while (!parameters.empty()) {
        size_t bar = parameters.find('|');
        std::string_view piece = parameters.substr(0, bar);
        parameters = bar == std::string_view::npos ? std::string_view() : parameters.substr(bar + 1);
        size_t equals = piece.find('=');
        if (piece.empty() || equals == std::string_view::npos) continue;
        element->addProperty(toXString(trimBlanks(piece.substr(0, equals))),
                             toXString(trimBlanks(piece.substr(equals + 1))));
    }
    m_result->add(element);
    m_first.try_emplace(std::string(element->name().GetBuffer()), element);
}

void CParse::statementLine(const std::string& line) {
    m_tokens.clear();
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != ':' && line[i] != '=' && line[i] != '\n') continue;
        if (i > start) m_tokens.emplace_back(line.data() + start, i - start);
        start = i + 1;
    }
    const size_t n = m_tokens.size();
    size_t i = 0;
    while (i < n) {
        std::string_view t = m_tokens[i++];
        if (t == "DEF") {
            templateLine(line);
            return;
        }
        if (t == "OBJECT") {
            if (i >= n || find(m_tokens[i])) return;
            append(m_tokens[i++]);
            continue;
        }
        if (t == "IMPORT") {
            if (i >= n) return;
            std::string_view name = m_tokens[i++];
            if (!find(name)) append(name)->addProperty("TYPE", "SEQUENCE");
            continue;
        }
        CMElement* element = find(t);
        if (!element || i >= n) return;
        std::string_view key = m_tokens[i++];
        if (key == "ADD" || key == "APPLY") {
            if (i >= n) return;
            CMElement* other = find(m_tokens[i++]);
            if (!other) return;
            if (key == "ADD")
                other->addChild(element);
            else
                element->addChild(other);
            continue;
        }
        if (i >= n) {
            element->addProperty(toXString(key));
            return;
        }
        std::string value(m_tokens[i++]);
        for (; i < n; ++i) {
            value.push_back(' ');
            value.append(m_tokens[i]);
        }
        element->addProperty(toXString(key), CXString(value.c_str()));
    }
}

// The logical line: physical lines joined while they hold a '/', with the rules of the grammar on
// where blanks are trimmed.
void logicalLine(CTextCoder* coder, std::string& result, std::string& physical,
                 void (CTextCoder::*next)(std::string&)) {
    result.clear();
    bool joined;
    do {
        (coder->*next)(physical);
        eraseAll(physical, '\t');
        joined = physical.find('/') != std::string::npos;
        if (physical.size() > 2)
            result.append(physical, 0, physical.size() - 1);
        else
            result += physical;
        trimBlanks(result);
    } while (joined && !coder->_eof());
    eraseAll(result, '/');
}

} // namespace

CXString CMElementsLoader::getLine(CTextCoder* coder) {
    if (!coder) return CXString();
    std::string result;
    std::string physical;
    logicalLine(coder, result, physical, &CTextCoder::nextLine);
    return CXString(result.c_str());
}

CMElements* CMElementsLoader::load(CTextCoder* coder) {
    if (!coder) return nullptr;
    CParse parse;
    std::string line;
    std::string physical;
    while (!coder->_eof()) {
        logicalLine(coder, line, physical, &CTextCoder::nextLine);
        if (line.empty()) continue;
        // Whatever follows the end mark is never interpreted.
        if (line[0] == '!') break;
        if (line[0] == '#') continue;
        parse.statementLine(line);
    }
    return parse.take();
}

CMElements* CMElementsLoader::load(CWindow* window, CTextFileReader* reader) {
    if (!reader) return nullptr;
    CTextCoder coder(window, reader, false);
    if (coder.LastError() != ERR_NONE) return nullptr;
    return load(&coder);
}

bool CMElementsLoader::save(CXString fileName, CMElements*) {
    logMessage("definition files cannot be written: %s was not saved", fileName.GetBuffer());
    return false;
}

} // namespace KavirelDLL
