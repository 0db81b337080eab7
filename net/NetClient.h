#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

class CWindow;
class CMC_Variable;

// The NETCLIENT object. It loads; connecting comes with the networking subsystem, and until then it is
// never connected and sending a value sets ERR_NOT_BUILT.
class CMC_NetClient : public CMC_PendingObject {
public:
    CMC_NetClient(CWindow* window, CMC_ObjectsContainer* application);

    bool isConnected() const { return m_connected; }
    // Sends the value to the server.
    virtual void sendVar(const CXString& target, CMC_Variable* value);

protected:
    bool m_connected = false;
};

KAVIREL_PENDING_RUNNER(CMC_NetClient_Runner, "NETCLIENT");

} // namespace KavirelDLL
