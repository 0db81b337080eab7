#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// Splits a text at any of a set of separator characters. Runs of separators are skipped, so no
// token is ever empty; with keepEmpty every separator ends a token, so a text with n separators gives n + 1
// tokens, empty ones in their places (fields of a stored row).
class CStringTokenizer : public CXObject {
public:
    CStringTokenizer(const CXString& text, const CXString& separators, bool keepEmpty = false);
    ~CStringTokenizer() override;
    CStringTokenizer(const CStringTokenizer&) = default;
    CStringTokenizer& operator=(const CStringTokenizer&) = default;

    virtual bool hasMoreTokens();
    // The look-ahead token (empty when none is left); the next one is read behind it.
    virtual CXString nextToken();

private:
    void readToken();

    CXString m_text;
    CXString m_separators;
    CXString m_token;
    int32_t m_position;
    bool m_keepEmpty;
    bool m_more = false;
};

} // namespace KavirelDLL
