#pragma once
#include "core/XString.h"

namespace KavirelDLL {

// The program's settings file: the scripts' saved values and play statistics (CConfig).
class CMC_Settings {
public:
    virtual ~CMC_Settings() = default;
    // 0 when the key is missing.
    virtual int GetInt(CXString section, CXString key) = 0;
    // Empty when the key is missing.
    virtual CXString GetString(CXString section, CXString key) = 0;
    // False (and a log line) when the value could not be stored.
    virtual bool PutInt(CXString section, CXString key, int value) = 0;
    virtual bool PutString(CXString section, CXString key, CXString value) = 0;
    virtual CXString getConfigFileName() = 0;
};

} // namespace KavirelDLL
