#include "core/Config.h"

namespace KavirelDLL {

int CConfig::GetInt(CXString section, CXString key) { return m_ini.getInt(section, key, 0); }

CXString CConfig::GetString(CXString section, CXString key) {
    CXString value;
    m_ini.getString(section, key, value);
    return value;
}

bool CConfig::PutInt(CXString section, CXString key, int value) {
    return m_ini.putString(section, key, CXString::toString(value));
}

bool CConfig::PutString(CXString section, CXString key, CXString value) {
    return m_ini.putString(section, key, value);
}

} // namespace KavirelDLL
