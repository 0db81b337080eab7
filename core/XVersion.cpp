#include "core/XVersion.h"

#include "core/StringTokenizer.h"

namespace KavirelDLL {

namespace {
constinit CXVersion g_engineVersion(CXVersion::TYPE_KAVIREL, 1, 0, 9);
} // namespace

CXVersion* CXVersion::current_version = &g_engineVersion;

CXVersion::CXVersion(CXString text) {
    if (!text.IsString()) return;
    CStringTokenizer tokens(text, ".");
    unsigned char first = static_cast<unsigned char>(text.GetAt(0));
    if (first >= 0x41 && first <= 0x7F) {
        CXString prefix = tokens.nextToken();
        if (prefix == "K")
            m_type = TYPE_KAVIREL;
        else if (prefix == "KW")
            m_type = TYPE_WEB;
        else if (prefix == "KM")
            m_type = TYPE_MC;
        else
            m_type = TYPE_OTHER;
    }
    if (tokens.hasMoreTokens()) m_major = tokens.nextToken().toNumber();
    if (tokens.hasMoreTokens()) m_minor = tokens.nextToken().toNumber();
    if (tokens.hasMoreTokens()) m_build = tokens.nextToken().toNumber();
}

CXString CXVersion::toString() const {
    static const char* const names[] = {"", "X", "Kavirel", "Kavirel WEB", "Kavirel MC"};
    CXString text = m_type >= 0 && m_type <= TYPE_MC ? names[m_type] : "";
    text += ".";
    text += static_cast<int>(m_major);
    text += ".";
    text += static_cast<int>(m_minor);
    text += ".";
    text += static_cast<int>(m_build);
    return text;
}

bool CXVersion::verify(const CXVersion* required) const {
    if (!required || required->m_type == TYPE_NONE) return true;
    if (m_type != TYPE_OTHER && m_type != required->m_type) return false;
    if (required->m_major > m_major) return false;
    if (required->m_major == m_major && required->m_minor > m_minor) return false;
    return true;
}

} // namespace KavirelDLL
