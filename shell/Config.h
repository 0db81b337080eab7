#pragma once
#include "core/IniFile.h"
#include "core/XObject.h"
#include "script/Services.h"

namespace KavirelDLL {

// One ini file: the main program's settings, the per-user configuration and the scripts' saved values.
class CConfig : public CXObject, public CMC_Settings {
public:
    CConfig() = default;
    explicit CConfig(CXString fileName) : m_ini(fileName) {}

    // 0 when the key is missing.
    int GetInt(CXString section, CXString key) override;
    // Empty when the key is missing; never cut short.
    CXString GetString(CXString section, CXString key) override;
    // False (and a log line) when the value could not be stored.
    bool PutInt(CXString section, CXString key, int value) override;
    bool PutString(CXString section, CXString key, CXString value) override;

    CXString getConfigFileName() override { return m_ini.getFileName(); }

private:
    CIniFile m_ini;
};

} // namespace KavirelDLL
