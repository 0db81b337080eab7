#pragma once
#include "net/NetPeer.h"

namespace KavirelDLL {

class CNetworkServer;

enum : int {
    EVT_NETSERVER_ONNEWPLAYER = 3,
    EVT_NETSERVER_ONDESTROYPLAYER = 4,
    EVT_NETSERVER_ONCOMMAND = 5,
    EVT_NETSERVER_ONTEXT = 6,
};

// NETSERVER: lets players connect and plays with them.
class CMC_NetServer : public CMC_NetPeer {
public:
    CMC_NetServer(CWindow* window, CMC_ObjectsContainer* application);
    ~CMC_NetServer() override;

    CXString** getBehavioursList() override;
    CNetworkServer* getServerIfc() { return m_server; }
    CNetworkPeer* getPeer() override;
    const CXString& getLoggedPlayerName() const { return m_loggedPlayer; }

    void sendCmd(const CXString& target, const CXString& command, CXArray* params) override;
    void sendVar(const CXString& target, CMC_Variable* value) override;
    void sendText(const CXString& target, const CXString& text) override;
    void sendBehaviour(const CXString& target, CMC_Behaviour* behaviour) override;

    void onNewPlayer(CNetPlayerInfo* player) override;
    void onDestroyPlayer(CNetPlayerInfo* player) override;

protected:
    CWindow* m_window;
    CNetworkServer* m_server;
    CXString m_loggedPlayer;

private:
    // The message made for each target player's connection and sent: to all when the target is empty.
    template <class Make>
    void sendTo(const CXString& target, Make make);
};

class CMC_NetServer_Runner : public CMC_NetPeer_Runner {
public:
    enum : int {
        MTH_START = 1,
        MTH_STOP = 2,
        MTH_ISSTARTED = 3,
        MTH_GETLOGGEDPLAYERNAME = 4,
        MTH_GETPLAYERSNO = 5,
        MTH_GETPLAYERNAME = 6,
    };
    CMC_NetServer_Runner() : CMC_NetPeer_Runner(TYPE_NETSERVER) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
