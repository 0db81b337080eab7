#include "core/StringTokenizer.h"

#include <cstring>

namespace KavirelDLL {

CStringTokenizer::CStringTokenizer(const CXString& text, const CXString& separators, bool keepEmpty)
    : m_text(text), m_separators(separators), m_position(0), m_keepEmpty(keepEmpty) {
    readToken();
}

CStringTokenizer::~CStringTokenizer() = default;

bool CStringTokenizer::hasMoreTokens() { return m_more; }

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
    m_token = "";
    if (m_keepEmpty) {
        m_more = m_position <= length;
        if (!m_more) return;
        int end = m_position;
        while (end < length && !std::memchr(separators, text[end], separatorCount)) ++end;
        if (end > m_position) m_text.mid(m_position, end, &m_token);
        m_position = end + 1;
        return;
    }
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
    if (begin >= 0) m_text.mid(begin, pos, &m_token);
    m_more = m_token.IsString();
}

} // namespace KavirelDLL
