#pragma once
#include "net/NetListener.h"
#include "objects/MediaObject.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CWindow;
class CXArray;
class CXSocket;
class CMC_Variable;
class CMC_Behaviour;
class CNetworkPeer;

// What NETSERVER and NETCLIENT share: received commands, values, behaviours and texts become script effects
// and events (in the peer's tick, once a frame on the main thread), and the send methods.
class CMC_NetPeer : public CMC_Object, public CNetListener {
public:
    // The port START listens on and CONNECT connects to.
    static constexpr int GAME_PORT = 4661;

    CMC_NetPeer(CMC_ObjectsContainer* application, const CXString& name, int type);
    ~CMC_NetPeer() override;

    virtual void sendCmd(const CXString& target, const CXString& command, CXArray* params) = 0;
    virtual void sendVar(const CXString& target, CMC_Variable* value) = 0;
    virtual void sendText(const CXString& target, const CXString& text) = 0;
    virtual void sendBehaviour(const CXString& target, CMC_Behaviour* behaviour) = 0;

    void onMessage(CNetMessage* message) override;
    const CXString& getLatestText() const { return m_latestText; }
    virtual CNetworkPeer* getPeer() = 0;

    // The frame's step: every live NETSERVER's and NETCLIENT's peer ticks once.
    static void tickAll();
    // Tests move the game's port off 4661 (0: any free port for START).
    static void setGamePort(int port);
    static int getGamePort();

protected:
    // The running scene messages act in.
    CMC_ObjectsContainer* container();

    CXSocket* m_connection = nullptr;
    CMC_ObjectsContainer* m_application;
    CXString m_latestText;
};

enum : int {
    MTH_NET_SENDCMD = 257,
    MTH_NET_SENDVARIABLE = 258,
    MTH_NET_SENDTEXT = 259,
    MTH_NET_SENDBEHAVIOUR = 260,
    MTH_NET_GETLATESTTEXT = 261,
};

// The shared methods; the types' runners add their own.
class CMC_NetPeer_Runner : public CMC_MediaRunner {
public:
    explicit CMC_NetPeer_Runner(int type) : CMC_MediaRunner(type) {}
    void prepareMthHashSet() override;
    using CMC_MediaRunner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
