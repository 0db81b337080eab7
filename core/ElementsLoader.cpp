#include "core/ElementsLoader.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/CommandLine6.h"
#include "core/Log.h"
#include "core/TextCoder.h"
#include "core/WindowLink.h"

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
    size_t first = text.find(c);
    if (first == std::string::npos) return;
    size_t kept = first;
    for (char x : std::string_view(text).substr(first))
        if (x != c) text[kept++] = x;
    text.resize(kept);
}

CXString toXString(std::string_view text) { return CXString(std::string(text).c_str()); }

// The parse of one text: the result list and, beside it, the first element of every name, so that a
// statement finds its element without walking the list. The keys view the elements' own names.
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

    void append(CMElement* element) {
        m_result->add(element);
        const CXString& name = element->name();
        m_first.try_emplace(std::string_view(name.GetBuffer(), static_cast<size_t>(name.GetLength())),
                            element);
    }

    void addProperty(CMElement* element, const CXString& name, const CXString& value) {
        element->getProperties()->add(new CMProperty(name, value));
        m_propertyNames[element].emplace(name.GetBuffer(), static_cast<size_t>(name.GetLength()));
    }

    bool hasProperty(CMElement* element, const char* name) const {
        auto it = m_propertyNames.find(element);
        return it != m_propertyNames.end() && it->second.count(name) != 0;
    }

    void templateLine(const std::string& line);

    CMElements* m_result;
    std::unordered_map<std::string_view, CMElement*> m_first;
    // The property names of every element of the parse: a bare key asks here rather than walking the
    // element's properties, which made a long run of bare keys quadratic.
    std::unordered_map<const CMElement*, std::unordered_set<std::string>> m_propertyNames;
    // The tokens of the current line, each ended by a terminator, and where each starts.
    std::string m_text;
    std::vector<size_t> m_starts;
    std::string m_value;
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
        addProperty(element, toXString(trimBlanks(piece.substr(0, equals))),
                    toXString(trimBlanks(piece.substr(equals + 1))));
    }
    append(element);
}

void CParse::statementLine(const std::string& line) {
    m_text.clear();
    m_starts.clear();
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != ':' && line[i] != '=' && line[i] != '\n') continue;
        if (i > start) {
            m_starts.push_back(m_text.size());
            m_text.append(line, start, i - start);
            m_text.push_back('\0');
        }
        start = i + 1;
    }
    const size_t n = m_starts.size();
    auto token = [this](size_t k) { return m_text.c_str() + m_starts[k]; };
    auto is = [&token](size_t k, const char* word) { return std::strcmp(token(k), word) == 0; };
    size_t i = 0;
    while (i < n) {
        size_t t = i++;
        if (is(t, "DEF")) {
            templateLine(line);
            return;
        }
        if (is(t, "OBJECT")) {
            if (i >= n || find(token(i))) return;
            append(new CMElement(token(i++)));
            continue;
        }
        if (is(t, "IMPORT")) {
            if (i >= n) return;
            const char* name = token(i++);
            if (find(name)) continue;
            CMElement* element = new CMElement(name);
            addProperty(element, "TYPE", "SEQUENCE");
            append(element);
            continue;
        }
        CMElement* element = find(token(t));
        if (!element || i >= n) return;
        size_t key = i++;
        if (is(key, "ADD") || is(key, "APPLY")) {
            if (i >= n) return;
            CMElement* other = find(token(i++));
            if (!other) return;
            if (is(key, "ADD"))
                other->addChild(element);
            else
                element->addChild(other);
            continue;
        }
        if (i >= n) {
            if (!hasProperty(element, token(key))) addProperty(element, token(key), "");
            return;
        }
        if (i + 1 == n) {
            addProperty(element, token(key), token(i));
            return;
        }
        m_value = token(i++);
        for (; i < n; ++i) {
            m_value.push_back(' ');
            m_value.append(token(i));
        }
        addProperty(element, token(key), m_value.c_str());
        return;
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

CMElements* CMElementsLoader::load(CWindow* window, CXString fileName) {
    CTextCoder coder(window, fileName, false);
    // Copies for the game's authors, asked for on the command line; the parse reads the file as it was.
    if (CCommandLine6* commandLine =
            window && CWindowLink::commandLine ? CWindowLink::commandLine(window) : nullptr) {
        if (commandLine->isToCode()) CTextCoder::code(window, fileName, fileName + ".coded", 6);
        if (commandLine->isToDecode()) CTextCoder::decode(window, fileName, fileName + ".decoded");
    }
    if (coder.LastError() != ERR_NONE) return nullptr;
    return load(&coder);
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
