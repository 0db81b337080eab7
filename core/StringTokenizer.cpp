#include "core/StringTokenizer.h"

#include <cstring>

namespace KavirelDLL {

CStringTokenizer::CStringTokenizer(const CXString& text, const CXString& separators)
    : m_text(text), m_separators(separators), m_position(0) {
    readToken();
}

CStringTokenizer::~CStringTokenizer() = default;

bool CStringTokenizer::hasMoreTokens() { return m_token.IsString(); }

CXString CStringTokenizer::nextToken() {
    CXString token = m_token;
    readToken();
    return token;
}

void CStringTokenizer::readToken() {
    const char* text = m_text.GetBuffer();
    const char* separators = m_separators.GetBuffer();
    size_t separatorCount = static_cast<size_t>(m_separators.GetLength());
    int length = m_text.GetLength();
    int begin = -1;
    int pos = m_position;
    for (; pos < length; ++pos) {
        bool separator = std::memchr(separators, text[pos], separatorCount) != nullptr;
        if (separator) {
            if (begin >= 0) break;
        } else if (begin < 0) {
            begin = pos;
        }
    }
    m_position = pos;
    m_token = "";
    if (begin >= 0) m_text.mid(begin, pos, &m_token);
}

} // namespace KavirelDLL
