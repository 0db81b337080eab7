#pragma once
#include "net/NetPeer.h"

namespace KavirelDLL {

class CNetworkClient;

enum : int {
    EVT_NETCLIENT_ONCONNECTED = 3,
    EVT_NETCLIENT_ONCOMMAND = 4,
    EVT_NETCLIENT_ONCONNECTIONCLOSED = 5,
};

// NETCLIENT: connects to a game's server and plays with it.
class CMC_NetClient : public CMC_NetPeer {
public:
    CMC_NetClient(CWindow* window, CMC_ObjectsContainer* application);
    ~CMC_NetClient() override;

    CXString** getBehavioursList() override;
    CNetworkClient* getClientIfc() { return m_client; }
    CNetworkPeer* getPeer() override;
    bool isConnected() const;

    void sendCmd(const CXString& target, const CXString& command, CXArray* params) override;
    void sendVar(const CXString& target, CMC_Variable* value) override;
    void sendText(const CXString& target, const CXString& text) override;
    void sendBehaviour(const CXString& target, CMC_Behaviour* behaviour) override;

    void onConnected(CXString address) override;
    void onConnectionClosed() override;

protected:
    CNetworkClient* m_client;

private:
    void sendMessage(CNetMessage* message);
};

class CMC_NetClient_Runner : public CMC_NetPeer_Runner {
public:
    enum : int { MTH_CONNECT = 1, MTH_DISCONNECT = 2, MTH_ISCONNECTED = 3 };
    CMC_NetClient_Runner() : CMC_NetPeer_Runner(TYPE_NETCLIENT) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
