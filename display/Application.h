#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CConfig;

// The application shell. Only the configuration it owns is reachable so far (scripts keep saved values
// in it); the shell itself is completed with the display subsystem.
class CApplication : public CXObject {
public:
    // Null when no ini file was named.
    CConfig* GetConfigInterface() { return m_config; }

protected:
    CConfig* m_config = nullptr;
};

} // namespace KavirelDLL
