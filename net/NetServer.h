#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

class CWindow;
class CNetworkServer;
class CMC_Variable;

// The NETSERVER object. It loads; serving players comes with the networking subsystem, and until then
// its server never starts and sending a value sets ERR_NOT_BUILT.
class CMC_NetServer : public CMC_PendingObject {
public:
    CMC_NetServer(CWindow* window, CMC_ObjectsContainer* application);
    ~CMC_NetServer() override;

    CNetworkServer* getServerIfc() { return m_server; }
    // Sends the value to the named player, or to every player when the name is empty.
    virtual void sendVar(const CXString& target, CMC_Variable* value);

protected:
    CNetworkServer* m_server;
};

KAVIREL_PENDING_RUNNER(CMC_NetServer_Runner, "NETSERVER");

} // namespace KavirelDLL
