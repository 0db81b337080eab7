#include "net/NetPeer.h"

#include <algorithm>
#include <vector>

#include "core/Containers.h"
#include "core/Log.h"
#include "net/NetClient.h"
#include "net/NetMessage.h"
#include "net/NetServer.h"
#include "net/NetworkPeer.h"
#include "net/XSocket.h"
#include "script/Behaviour.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/Variable.h"

namespace KavirelDLL {

namespace {

// The live objects, in the order made; main thread only.
std::vector<CMC_NetPeer*> s_live;
int s_gamePort = CMC_NetPeer::GAME_PORT;

const char* text(const CXString& s) { return s.GetBuffer() ? s.GetBuffer() : ""; }

bool isValueType(int type) { return type >= TYPE_INTEGER && type <= TYPE_DOUBLE; }

} // namespace

// ---------------------------------------------------------------------------------------------- shared part

CMC_NetPeer::CMC_NetPeer(CMC_ObjectsContainer* application, const CXString& name, int type)
    : CMC_Object(name, type), m_application(application) {
    if (application) setScene(application);
    s_live.push_back(this);
}

CMC_NetPeer::~CMC_NetPeer() { std::erase(s_live, this); }

void CMC_NetPeer::tickAll() {
    std::vector<CMC_ObjectHandle> objects;
    for (CMC_NetPeer* object : s_live) objects.emplace_back(object);
    for (CMC_ObjectHandle& handle : objects)
        if (auto* object = static_cast<CMC_NetPeer*>(handle.current()))
            if (CNetworkPeer* peer = object->getPeer()) peer->tick();
}

void CMC_NetPeer::setGamePort(int port) { s_gamePort = port; }
int CMC_NetPeer::getGamePort() { return s_gamePort; }

CMC_ObjectsContainer* CMC_NetPeer::container() {
    if (auto* scene = dynamic_cast<CMC_Scene*>(m_application)) {
        CMC_Scene* running = scene;
        for (int depth = 0; depth < 64 && running->getCurrentScene() && running->getCurrentScene() != running;
             ++depth)
            running = running->getCurrentScene();
        if (running->getType() == TYPE_SCENE) return running;
    }
    if (CMC_ObjectsContainer* own = getScene()) return own;
    return m_application;
}

void CMC_NetPeer::onMessage(CNetMessage* message) {
    if (!message) return;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_ObjectsContainer* where = container();
    switch (message->getType()) {
    case CNetMessage::CMD: {
        auto* command = static_cast<CNetCmdMessage*>(message);
        onSignal("ONCOMMAND^" + command->getCommand(), command->getParams());
        return;
    }
    case CNetMessage::VARIABLE: {
        auto* variable = static_cast<CNetVariableMessage*>(message);
        CMC_Object* target = where ? where->getObject(variable->getVariableName()) : nullptr;
        if (!target || !isValueType(target->getType())) {
            logMessage("network: a value for \"%s\", which is no variable here, is ignored",
                       text(variable->getVariableName()));
            return;
        }
        CMC_Variable* value = variable->getVariable();
        if (!value) {
            logMessage("network: a value for \"%s\" of an unknown type is ignored",
                       text(variable->getVariableName()));
            return;
        }
        static_cast<CMC_Variable*>(target)->onNetChange(value);
        CMC_Object::flush(value);
        return;
    }
    case CNetMessage::BEHAVIOUR: {
        if (!where) return;
        auto* code = static_cast<CNetBehaviourMessage*>(message);
        auto* behaviour = new CMC_Behaviour(where, CXString("temp"), code->getCode());
        std::shared_ptr<CMC_ObjectAnchor> ran = behaviour->anchor();
        behaviour->init();
        behaviour->run(this, nullptr, false);
        if (ran->object) delete behaviour;
        return;
    }
    case CNetMessage::TEXT: {
        auto* textMessage = static_cast<CNetTextMessage*>(message);
        m_latestText = CXString("Received text message: '") + textMessage->getText() + "' from " +
                       message->getSenderName() + ".\n";
        onSignal("ONTEXT");
        return;
    }
    default:
        return;
    }
}

// -------------------------------------------------------------------------------------------------- server

CMC_NetServer::CMC_NetServer(CWindow* window, CMC_ObjectsContainer* application)
    : CMC_NetPeer(application, CXString("NETSERVER"), TYPE_NETSERVER), m_window(window),
      m_server(new CNetworkServer(window, 0)) {
    m_server->addNotifier(this);
}

CMC_NetServer::~CMC_NetServer() {
    releaseAnchor();
    m_server->removeNotifier(this);
    m_server->stop(true);
    m_server->destroy();
}

CXString** CMC_NetServer::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONNEWPLAYER", "ONDESTROYPLAYER", "ONCOMMAND", "ONTEXT"});
}

CNetworkPeer* CMC_NetServer::getPeer() { return m_server; }

template <class Make>
void CMC_NetServer::sendTo(const CXString& target, Make make) {
    if (target.GetLength() > 0) {
        if (CNetPlayerInfo* player = m_server->find(target)) m_server->send(player, make(player->getHandle()));
        return;
    }
    for (int i = 0; i < m_server->getPlayersNo(); ++i) {
        CNetPlayerInfo* player = m_server->getPlayer(i);
        m_server->send(player, make(player->getHandle()));
    }
}

void CMC_NetServer::sendCmd(const CXString& target, const CXString& command, CXArray* params) {
    sendTo(target, [&](CXSocket* socket) { return new CNetCmdMessage(socket, command, params); });
}

void CMC_NetServer::sendVar(const CXString& target, CMC_Variable* value) {
    if (!value) return;
    sendTo(target, [&](CXSocket* socket) { return new CNetVariableMessage(socket, value); });
}

void CMC_NetServer::sendText(const CXString& target, const CXString& textToSend) {
    sendTo(target, [&](CXSocket* socket) { return new CNetTextMessage(socket, textToSend); });
}

void CMC_NetServer::sendBehaviour(const CXString& target, CMC_Behaviour* behaviour) {
    if (!behaviour) return;
    sendTo(target, [&](CXSocket* socket) { return new CNetBehaviourMessage(socket, behaviour); });
}

void CMC_NetServer::onNewPlayer(CNetPlayerInfo* player) {
    m_loggedPlayer = player->getName();
    onSignal("ONNEWPLAYER");
}

void CMC_NetServer::onDestroyPlayer(CNetPlayerInfo*) { onSignal("ONDESTROYPLAYER"); }

// -------------------------------------------------------------------------------------------------- client

CMC_NetClient::CMC_NetClient(CWindow* window, CMC_ObjectsContainer* application)
    : CMC_NetPeer(application, CXString("NETCLIENT"), TYPE_NETCLIENT), m_client(new CNetworkClient(window, true, 0)) {
    m_client->addNotifier(this);
}

CMC_NetClient::~CMC_NetClient() {
    releaseAnchor();
    m_client->removeNotifier(this);
    m_client->disconnect(true);
    m_client->destroy();
}

CXString** CMC_NetClient::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCONNECTED", "ONCOMMAND", "ONCONNECTIONCLOSED"});
}

CNetworkPeer* CMC_NetClient::getPeer() { return m_client; }

bool CMC_NetClient::isConnected() const { return m_client->isConnected(); }

void CMC_NetClient::sendMessage(CNetMessage* message) {
    CXSocket* socket = m_client->isConnected() ? m_client->getSocket() : nullptr;
    if (!socket) {
        delete message;
        return;
    }
    message->setHandle(socket);
    socket->send(message);
}

void CMC_NetClient::sendCmd(const CXString&, const CXString& command, CXArray* params) {
    if (isConnected()) sendMessage(new CNetCmdMessage(m_client->getSocket(), command, params));
}

void CMC_NetClient::sendVar(const CXString&, CMC_Variable* value) {
    if (isConnected() && value) sendMessage(new CNetVariableMessage(m_client->getSocket(), value));
}

void CMC_NetClient::sendText(const CXString&, const CXString& textToSend) {
    if (isConnected()) sendMessage(new CNetTextMessage(m_client->getSocket(), textToSend));
}

void CMC_NetClient::sendBehaviour(const CXString&, CMC_Behaviour* behaviour) {
    if (isConnected() && behaviour) sendMessage(new CNetBehaviourMessage(m_client->getSocket(), behaviour));
}

void CMC_NetClient::onConnected(CXString) { onSignal("ONCONNECTED"); }

void CMC_NetClient::onConnectionClosed() { onSignal("ONCONNECTIONCLOSED"); }

// ------------------------------------------------------------------------------------------------- runners

void CMC_NetPeer_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SENDCMD", MTH_NET_SENDCMD);
    addMethod("SENDVARIABLE", MTH_NET_SENDVARIABLE);
    addMethod("SENDTEXT", MTH_NET_SENDTEXT);
    addMethod("SENDBEHAVIOUR", MTH_NET_SENDBEHAVIOUR);
    addMethod("GETLATESTTEXT", MTH_NET_GETLATESTTEXT);
}

CMC_Variable* CMC_NetPeer_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                      CXVector* args) {
    if (!object || object->getType() != getTypeId() || id < MTH_NET_SENDCMD || id > MTH_NET_GETLATESTTEXT)
        return CMC_MediaRunner::run(id, object, container, args);
    Call c(*this, object, container, args);
    auto* self = c.self<CMC_NetPeer>();
    if (id == MTH_NET_GETLATESTTEXT) return RunnerResults::stringResult(self->getLatestText());
    // Every argument is read (as text) before the object is used.
    std::vector<CXString> texts;
    for (int i = 0; i < c.count(); ++i) texts.push_back(c.string(i));
    if (c.gone() || texts.empty()) return nullptr;
    CXString target = texts.size() > 1 ? texts[0] : CXString("");
    const CXString& last = texts.back();
    switch (id) {
    case MTH_NET_SENDCMD: {
        CXArray params(std::max<int>(static_cast<int>(texts.size()), 2), 0.75f);
        std::vector<CXString*> owned;
        for (size_t i = 1; i < texts.size(); ++i) {
            owned.push_back(new CXString(texts[i]));
            params.add(owned.back());
        }
        self->sendCmd(CXString(""), texts[0], &params);
        for (CXString* s : owned) delete s;
        return nullptr;
    }
    case MTH_NET_SENDTEXT:
        self->sendText(target, last);
        return nullptr;
    case MTH_NET_SENDVARIABLE:
    case MTH_NET_SENDBEHAVIOUR: {
        CMC_Object* named = c.container() ? c.container()->getObject(last) : nullptr;
        if (!named) return nullptr;
        if (id == MTH_NET_SENDVARIABLE && isValueType(named->getType()))
            self->sendVar(target, static_cast<CMC_Variable*>(named));
        else if (id == MTH_NET_SENDBEHAVIOUR && named->getType() == TYPE_BEHAVIOUR)
            self->sendBehaviour(target, static_cast<CMC_Behaviour*>(named));
        return nullptr;
    }
    default:
        return nullptr;
    }
}

void CMC_NetServer_Runner::prepareMthHashSet() {
    using Call = CMC_MediaRunner::Call;
    CMC_NetPeer_Runner::prepareMthHashSet();
    addMethod("START", MTH_START, [](Call& c) -> CMC_Variable* {
        auto* self = c.self<CMC_NetServer>();
        if (!self->getServerIfc()->start(CMC_NetPeer::getGamePort()))
            self->setErrorCode(self->getServerIfc()->LastError());
        return nullptr;
    });
    addMethod("STOP", MTH_STOP, [](Call& c) -> CMC_Variable* {
        c.self<CMC_NetServer>()->getServerIfc()->stop(true);
        return nullptr;
    });
    addMethod("ISSTARTED", MTH_ISSTARTED, [](Call& c) -> CMC_Variable* {
        return RunnerResults::boolResult(c.self<CMC_NetServer>()->getServerIfc()->isStarted());
    });
    addMethod("GETLOGGEDPLAYERNAME", MTH_GETLOGGEDPLAYERNAME, [](Call& c) -> CMC_Variable* {
        return RunnerResults::stringResult(c.self<CMC_NetServer>()->getLoggedPlayerName());
    });
    addMethod("GETPLAYERSNO", MTH_GETPLAYERSNO, [](Call& c) -> CMC_Variable* {
        return RunnerResults::integerResult(c.self<CMC_NetServer>()->getServerIfc()->getPlayersNo());
    });
    addMethod("GETPLAYERNAME", MTH_GETPLAYERNAME, [](Call& c) -> CMC_Variable* {
        int index = c.count() > 0 ? c.integer(0) : -1;
        if (c.gone()) return nullptr;
        CNetPlayerInfo* player = c.self<CMC_NetServer>()->getServerIfc()->getPlayer(index);
        return RunnerResults::stringResult(player ? player->getName() : CXString(""));
    });
}

void CMC_NetClient_Runner::prepareMthHashSet() {
    using Call = CMC_MediaRunner::Call;
    CMC_NetPeer_Runner::prepareMthHashSet();
    addMethod("CONNECT", MTH_CONNECT, [](Call& c) -> CMC_Variable* {
        CXString address = c.count() > 0 ? c.string(0) : CXString("");
        if (c.gone()) return nullptr;
        auto* self = c.self<CMC_NetClient>();
        if (!self->getClientIfc()->connect(address, CMC_NetPeer::getGamePort()))
            self->setErrorCode(self->getClientIfc()->LastError());
        return nullptr;
    });
    addMethod("DISCONNECT", MTH_DISCONNECT, [](Call& c) -> CMC_Variable* {
        c.self<CMC_NetClient>()->getClientIfc()->disconnect(true);
        return nullptr;
    });
    addMethod("ISCONNECTED", MTH_ISCONNECTED, [](Call& c) -> CMC_Variable* {
        return RunnerResults::boolResult(c.self<CMC_NetClient>()->isConnected());
    });
}

} // namespace KavirelDLL
