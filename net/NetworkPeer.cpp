#include "net/NetworkPeer.h"

#include <algorithm>
#include <memory>
#include <system_error>

#include "core/Config.h"
#include "core/Containers.h"
#include "core/Log.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "net/FileTransfer.h"
#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/NetMessageProcessor.h"
#include "net/XSocket.h"

namespace KavirelDLL {

namespace {

CNetworkServer* s_server = nullptr;
CNetworkClient* s_client = nullptr;

const char* text(const CXString& s) { return s.GetBuffer() ? s.GetBuffer() : ""; }

std::vector<CNetListener*> listenersOf(CXArray* list) {
    std::vector<CNetListener*> walk;
    for (int i = 0; i < list->getSize(); ++i) walk.push_back(static_cast<CNetListener*>(list->at(i)));
    return walk;
}

// Takes the socket's messages when few are pending, reading first whether it had ended, then hands up to
// MAX_DISPATCH_PER_TICK of them to handle while keepOn holds (each deleted after). True when the connection
// had ended before the take and nothing of it is left: a message that came just before the end is never lost.
template <class Handle, class KeepOn>
bool drain(CXSocket* socket, std::deque<CNetMessage*>& pending, Handle handle, KeepOn keepOn) {
    bool ended = false;
    if (pending.size() < static_cast<size_t>(CNetworkPeer::MAX_DISPATCH_PER_TICK)) {
        ended = socket->isClosed();
        for (CNetMessage* message : socket->takeMessages()) pending.push_back(message);
    }
    // keepOn first: a handler may have let the connection, and pending with it, go.
    for (int n = 0; n < CNetworkPeer::MAX_DISPATCH_PER_TICK; ++n) {
        if (!keepOn()) return false;
        if (pending.empty()) break;
        std::unique_ptr<CNetMessage> message(pending.front());
        pending.pop_front();
        handle(message.get());
    }
    return keepOn() && ended && pending.empty();
}

void deleteAll(std::deque<CNetMessage*>& pending) {
    for (CNetMessage* message : pending) delete message;
    pending.clear();
}

} // namespace

// ---------------------------------------------------------------------------------------------------- peer

CNetworkPeer::CNetworkPeer(CWindow* window, int immediate)
    : m_window(window), m_listeners(new CXArray(101, 0.75f)), m_queue(new CXArray(101, 0.75f)),
      m_immediate(immediate), m_fileReceiver(new CFileReceiver_Manager(nullptr)),
      m_fileSender(new CFileSender_Manager()) {}

CNetworkPeer::~CNetworkPeer() {
    for (int i = 0; i < m_queue->getSize(); ++i) delete static_cast<CNetMessage*>(m_queue->at(i));
    delete m_queue;
    delete m_listeners;
    delete m_fileReceiver;
    delete m_fileSender;
    for (CXSocket* socket : m_retired) delete socket;
    delete m_socket;
}

void CNetworkPeer::addNotifier(CNetListener* listener) {
    if (listener && !m_listeners->contains(listener)) m_listeners->add(listener);
}

void CNetworkPeer::removeNotifier(CNetListener* listener) { m_listeners->remove(listener); }

bool CNetworkPeer::send(CNetMessage* message) {
    if (!m_socket) {
        delete message;
        return false;
    }
    return m_socket->send(message);
}

void CNetworkPeer::addMessage(CNetMessage* message) {
    if (message) m_queue->add(message);
}

void CNetworkPeer::tick() {
    if (m_inTick) return;
    beginTick();
    dispatchQueue();
    if (!m_deleteLater) m_fileSender->tick();
    endTick();
}

void CNetworkPeer::dispatchQueue() {
    // Messages queued while dispatching wait for the next tick.
    std::vector<CNetMessage*> batch;
    for (int i = 0; i < m_queue->getSize(); ++i) batch.push_back(static_cast<CNetMessage*>(m_queue->at(i)));
    m_queue->removeAll();
    for (CNetMessage* message : batch) {
        if (!m_deleteLater) dispatchQueued(message);
        delete message;
    }
}

void CNetworkPeer::dispatchQueued(CNetMessage* message) {
    if (message->getType() == CNetMessage::HELLO || message->getType() == CNetMessage::GOODBYE) {
        logMessage("network: a hello or goodbye given to this peer's queue is ignored");
        return;
    }
    dispatch(message);
}

bool CNetworkPeer::dispatch(CNetMessage* message) {
    int type = message->getType();
    if (type == CNetMessage::FILE_REQUEST || type == CNetMessage::FILE_RESPONSE || type == CNetMessage::FILE_DATA) {
        std::unique_ptr<CNetMessage> typed(CNetMessageProcessor::decode(message, message->getSenderName()));
        if (!typed || !typed->isValid()) {
            logMessage("network: a file message from \"%s\" does not read; the connection is dropped",
                       text(message->getSenderName()));
            if (message->getHandle()) message->getHandle()->drop();
            return false;
        }
        if (type == CNetMessage::FILE_REQUEST) {
            auto* request = static_cast<CNetFileRequestMessage*>(typed.get());
            m_fileSender->add_file(message->getHandle(), request->getRequestId(), request->getString1(),
                                   request->getString2(), request->getString3());
        } else {
            m_fileReceiver->received(typed.get());
        }
        return true;
    }
    return CNetMessageProcessor::process(message, m_listeners) == ERR_NONE;
}

bool CNetworkPeer::downlnoad_file(CXString s1, CXString s2, CXString s3) {
    return m_socket && !m_socket->isClosed() && m_fileReceiver->add_file(m_socket, s1, s2, s3) != 0;
}

void CNetworkPeer::retireSocket(CXSocket* socket) {
    if (!socket) return;
    m_fileReceiver->removeSocket(socket);
    m_fileSender->removeSocket(socket);
    if (m_inTick) {
        socket->drop();
        m_retired.push_back(socket);
    } else {
        delete socket;
    }
}

bool CNetworkPeer::endTick() {
    m_inTick = false;
    for (CXSocket* socket : m_retired) delete socket;
    m_retired.clear();
    if (m_deleteLater) {
        delete this;
        return true;
    }
    return false;
}

void CNetworkPeer::destroy() {
    if (m_inTick)
        m_deleteLater = true;
    else
        delete this;
}

// -------------------------------------------------------------------------------------------------- player

CNetPlayerInfo::CNetPlayerInfo(CXSocket* socket, const CXString& address)
    : m_socket(socket), m_address(address), m_name(address) {}

CNetPlayerInfo::~CNetPlayerInfo() {
    deleteAll(m_pending);
    delete m_socket;
}

CXSocket* CNetPlayerInfo::takeHandle() {
    CXSocket* socket = m_socket;
    m_socket = nullptr;
    return socket;
}

// -------------------------------------------------------------------------------------------------- server

CNetworkServer::CNetworkServer(CWindow* window, int immediate) : CNetworkPeer(window, immediate) {
    s_server = this;
}

CNetworkServer::~CNetworkServer() {
    stop(true);
    if (s_server == this) s_server = nullptr;
}

CNetworkServer* CNetworkServer::getInstance() { return s_server; }

bool CNetworkServer::start(int port) {
    if (m_running) return true;
    auto* socket = new CXSocket(m_window);
    if (!socket->start(port, BACKLOG)) {
        logMessage("network: the server cannot listen on port %d (taken, or no network)", port);
        setErrorCode(socket->LastError() ? socket->LastError() : ERR_NET_PORT_TAKEN);
        delete socket;
        return false;
    }
    m_socket = socket;
    m_running = 1;
    return true;
}

void CNetworkServer::stop(bool sendGoodbye) {
    std::vector<CNetPlayerInfo*> players;
    players.swap(m_players);
    for (CNetPlayerInfo* player : players) {
        if (sendGoodbye && player->getHandle() && !player->getHandle()->isClosed())
            player->getHandle()->send(new CNetMessage(player->getHandle(), CNetMessage::GOODBYE));
        retirePlayer(player);
    }
    if (m_socket) {
        m_socket->stop();
        delete m_socket;
        m_socket = nullptr;
    }
    m_running = 0;
}

int CNetworkServer::getPort() const { return m_socket ? m_socket->getPort() : 0; }

void CNetworkServer::onConnected(CXSocket* socket, CXString address) {
    if (!socket) return;
    if (getPlayersNo() >= m_playerLimit) {
        logMessage("network: %s is refused: the game has %d players already", text(address), getPlayersNo());
        delete socket;
        return;
    }
    try {
        socket->startReceiver();
    } catch (const std::system_error& e) {
        logMessage("network: %s is refused: no thread to receive on (%s)", text(address), e.what());
        delete socket;
        return;
    }
    m_players.push_back(new CNetPlayerInfo(socket, address));
}

bool CNetworkServer::send(CNetMessage* message) {
    logMessage("network: the server sends to players, not over its listening socket; nothing is sent");
    delete message;
    return false;
}

CNetPlayerInfo* CNetworkServer::find(const CXString& name) {
    for (CNetPlayerInfo* player : m_players)
        if (player->getName() == name) return player;
    return nullptr;
}

CNetPlayerInfo* CNetworkServer::findBySocket(const CXSocket* socket) {
    for (CNetPlayerInfo* player : m_players)
        if (player->getHandle() == socket) return player;
    return nullptr;
}

CNetPlayerInfo* CNetworkServer::getPlayer(int index) {
    if (index < 0 || index >= getPlayersNo()) return nullptr;
    return m_players[static_cast<size_t>(index)];
}

bool CNetworkServer::send(const CXString& name, CNetMessage* message) { return send(find(name), message); }

bool CNetworkServer::send(CNetPlayerInfo* player, CNetMessage* message) {
    if (!player || !isListed(player) || !player->getHandle()) {
        delete message;
        return false;
    }
    message->setHandle(player->getHandle());
    return player->getHandle()->send(message);
}

void CNetworkServer::newPlayer(CNetPlayerInfo* player) {
    for (CNetListener* listener : listenersOf(m_listeners)) {
        if (isDying() || !isListed(player)) return;
        listener->onNewPlayer(player);
    }
}

void CNetworkServer::removePlayer(CNetPlayerInfo* player) {
    auto it = std::find(m_players.begin(), m_players.end(), player);
    if (it == m_players.end()) return;
    m_players.erase(it);
    // The player stays readable while the listeners hear of it; it goes at the end of the tick. Only a player
    // whose hello was heard is announced gone (a probe or a refused hello never came).
    bool ticking = isTicking();
    if (!ticking) beginTick();
    for (CNetListener* listener : listenersOf(m_listeners)) {
        if (isDying() || !player->isGreeted()) break;
        listener->onDestroyPlayer(player);
    }
    retirePlayer(player);
    if (!ticking) endTick();
}

bool CNetworkServer::isListed(const CNetPlayerInfo* player) const {
    return std::find(m_players.begin(), m_players.end(), player) != m_players.end();
}

void CNetworkServer::retirePlayer(CNetPlayerInfo* player) {
    retireSocket(player->takeHandle());
    delete player;
}

void CNetworkServer::dispatchFrom(CNetPlayerInfo* player, CNetMessage* message) {
    // The sender is the player's name as it is now, after any hello before this message.
    message->setSender(player->getName());
    switch (message->getType()) {
    case CNetMessage::GOODBYE:
        removePlayer(player);
        return;
    case CNetMessage::HELLO: {
        CNetHelloMessage hello(player->getName(), message);
        if (!hello.isValid()) {
            logMessage("network: a hello from \"%s\" does not read; the connection is dropped",
                       text(player->getName()));
            player->getHandle()->drop();
            return;
        }
        player->setName(hello.getName());
        player->setGreeted();
        newPlayer(player);
        return;
    }
    default:
        dispatch(message);
    }
}

void CNetworkServer::tick() {
    if (isTicking()) return;
    beginTick();
    if (m_socket)
        for (CXSocket::Accepted& accepted : m_socket->takeAccepted()) onConnected(accepted.socket, accepted.address);
    dispatchQueue();
    // Players by connection: each one's messages in order, then its end, which is a goodbye.
    std::vector<CNetPlayerInfo*> players = m_players;
    for (CNetPlayerInfo* player : players) {
        if (isDying()) break;
        if (!isListed(player)) continue;
        CXSocket* socket = player->getHandle();
        auto present = [&] { return !isDying() && isListed(player) && player->getHandle() == socket; };
        bool ended = drain(socket, player->pending(), [&](CNetMessage* m) { dispatchFrom(player, m); }, present);
        if (ended && present()) removePlayer(player);
    }
    if (!isDying()) m_fileSender->tick();
    endTick();
}

void CNetworkServer::dispatchQueued(CNetMessage* message) {
    int type = message->getType();
    if (type != CNetMessage::HELLO && type != CNetMessage::GOODBYE) {
        dispatch(message);
        return;
    }
    // As from the player's connection, so the player list stays right.
    if (CNetPlayerInfo* player = findBySocket(message->getHandle()))
        dispatchFrom(player, message);
    else
        logMessage("network: a queued hello or goodbye names no player's connection; ignored");
}

bool CNetworkServer::downlnoad_file(CXString, CXString, CXString) {
    // The server's own socket listens; files are asked for by clients.
    return false;
}

// -------------------------------------------------------------------------------------------------- client

CNetworkClient::CNetworkClient(CWindow* window, bool makeInstance, int immediate)
    : CNetworkPeer(window, immediate) {
    if (makeInstance) s_client = this;
}

CNetworkClient::CNetworkClient(CXString, int immediate) : CNetworkPeer(nullptr, immediate) { s_client = this; }

CNetworkClient::~CNetworkClient() {
    disconnect(true);
    if (s_client == this) s_client = nullptr;
}

CNetworkClient* CNetworkClient::getInstance() { return s_client; }

CXString CNetworkClient::getPlayerName(CWindow* window) {
    CShellServices* shell = window ? window->getShellServices() : nullptr;
    CConfig* config = shell ? shell->GetConfigInterface() : nullptr;
    if (config) {
        CXString name = config->GetString("PLAYER", "NAME");
        if (name.GetLength() > 0) return name;
    }
    return CXSocket::getHostName();
}

bool CNetworkClient::connect(const CXString& address, int port) {
    if (m_connected) return true;
    auto* socket = new CXSocket(m_window);
    if (!socket->connect(address, port)) {
        logMessage("network: cannot connect to %s:%d", text(address), port);
        setErrorCode(socket->LastError() ? socket->LastError() : ERR_NET_CONNECT);
        delete socket;
        return false;
    }
    m_socket = socket;
    m_host = address;
    m_connected = 1;
    m_announce = true;
    try {
        start_receiver();
    } catch (const std::system_error& e) {
        logMessage("network: no thread to receive from %s on (%s); not connected", text(address), e.what());
        setErrorCode(ERR_NET_CONNECT);
        disconnect(false);
        return false;
    }
    m_socket->send(new CNetHelloMessage(m_socket, getPlayerName(m_window)));
    return true;
}

void CNetworkClient::disconnect(bool sendGoodbye) {
    if (!m_connected) return;
    stop_receiver();
    if (sendGoodbye && !m_socket->isClosed()) m_socket->send(new CNetMessage(m_socket, CNetMessage::GOODBYE));
    CXSocket* socket = m_socket;
    m_socket = nullptr;
    retireSocket(socket);
    deleteAll(m_pending);
    m_host = CXString("");
    m_connected = 0;
    m_announce = false;
}

void CNetworkClient::dispatchQueued(CNetMessage* message) {
    if (message->getType() == CNetMessage::GOODBYE && m_connected && message->getHandle() == m_socket) {
        lost();
        return;
    }
    CNetworkPeer::dispatchQueued(message);
}

void CNetworkClient::start_receiver() {
    if (m_socket) m_socket->startReceiver();
}

void CNetworkClient::stop_receiver() {
    if (m_socket) m_socket->stopReceiver();
}

void CNetworkClient::lost() {
    disconnect(false);
    for (CNetListener* listener : listenersOf(m_listeners)) {
        if (isDying()) break;
        listener->onConnectionClosed();
    }
}

void CNetworkClient::tick() {
    if (isTicking()) return;
    beginTick();
    if (m_announce) {
        m_announce = false;
        CXString host = m_host;
        for (CNetListener* listener : listenersOf(m_listeners)) {
            if (isDying()) break;
            listener->onConnected(host);
        }
    }
    if (!isDying()) dispatchQueue();
    if (!isDying() && m_connected) {
        CXSocket* socket = m_socket;
        auto present = [&] { return !isDying() && m_socket == socket; };
        bool ended = drain(socket, m_pending, [&](CNetMessage* message) {
            message->setSender(m_host);
            if (message->getType() == CNetMessage::GOODBYE)
                lost();
            else
                dispatch(message);
        }, present);
        if (ended && present()) lost();
    }
    if (!isDying()) m_fileSender->tick();
    endTick();
}

} // namespace KavirelDLL
