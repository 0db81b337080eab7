#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// The server side of network play. Only its started flag exists so far (changed values are sent only
// through a started server); the server comes with the networking subsystem.
class CNetworkServer : public CXObject {
public:
    bool isStarted() const { return m_started; }

protected:
    bool m_started = false;
};

} // namespace KavirelDLL
