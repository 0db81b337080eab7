#pragma once
#include <vector>

#include "core/XObject.h"
#include "core/XString.h"

namespace KavirelDLL {

class CWindow;
class CXArray;
class CXSocket;
class CNetMessage;
class CNetListener;
class CFileReceiver_Manager;
class CFileSender_Manager;

// One side of network play: a socket, the listeners and the queue of messages that tick dispatches. tick runs
// once a frame on the main thread (the script world's step) and is the only place listeners are called; the
// sockets' threads only queue. Sockets and players let go while tick runs are deleted when it ends.
class CNetworkPeer : public CXObject {
public:
    CNetworkPeer(CWindow* window, int immediate);
    ~CNetworkPeer() override;
    CNetworkPeer(const CNetworkPeer&) = delete;
    CNetworkPeer& operator=(const CNetworkPeer&) = delete;

    void addNotifier(CNetListener* listener);
    void removeNotifier(CNetListener* listener);
    CXArray* getNotifiers() { return m_listeners; }
    // Kept as given; listeners always run in tick, on the main thread.
    int isQueneActive() const { return m_immediate; }
    // Sends over the peer's own socket; false (the message deleted) without one.
    virtual bool send(CNetMessage* message);

    virtual void addMessage(CNetMessage* message);
    virtual void tick();
    // Asks the other side for the file at path s3 (in folders s1 and s2 here, once received).
    virtual bool downlnoad_file(CXString s1, CXString s2, CXString s3);

    CFileReceiver_Manager* getFileReceiver() { return m_fileReceiver; }
    CFileSender_Manager* getFileSender() { return m_fileSender; }
    CWindow* getWindow() const { return m_window; }
    bool isTicking() const { return m_inTick; }
    // Deletes the peer now, or at the end of the tick that runs (a listener's handler may end its owner).
    void destroy();

protected:
    // The file messages go to the managers, the rest to the listeners. False when the message's connection
    // was dropped for it.
    bool dispatch(CNetMessage* message);
    // Dispatches the queue of addMessage.
    void dispatchQueue();
    // The socket's transfers end; the socket is deleted now or at the end of the tick.
    void retireSocket(CXSocket* socket);
    void beginTick() { m_inTick = true; }
    // Deletes what was let go during the tick; true when the peer itself is gone.
    bool endTick();
    bool isDying() const { return m_deleteLater; }

    CWindow* m_window;
    CXSocket* m_socket = nullptr;
    CXArray* m_listeners;
    CXArray* m_queue;
    int32_t m_immediate;
    CFileReceiver_Manager* m_fileReceiver;
    CFileSender_Manager* m_fileSender;

private:
    bool m_inTick = false;
    bool m_deleteLater = false;
    std::vector<CXSocket*> m_retired;
};

// A player connected to the server: its connection (receiving on a thread of its own), address and name.
class CNetPlayerInfo : public CXObject {
public:
    CNetPlayerInfo(CXSocket* socket, const CXString& address);
    ~CNetPlayerInfo() override;
    CNetPlayerInfo(const CNetPlayerInfo&) = delete;
    CNetPlayerInfo& operator=(const CNetPlayerInfo&) = delete;

    CXSocket* getHandle() const { return m_socket; }
    const CXString& getIPAddress() const { return m_address; }
    const CXString& getName() const { return m_name; }
    void setName(const CXString& name) { m_name = name; }
    // Hands the socket over (the player no longer deletes it).
    CXSocket* takeHandle();

private:
    CXSocket* m_socket;
    CXString m_address;
    CXString m_name;
};

class CNetworkServer : public CNetworkPeer {
public:
    static constexpr int BACKLOG = 5;

    CNetworkServer(CWindow* window, int immediate);
    ~CNetworkServer() override;
    static CNetworkServer* getInstance();

    // Starts listening; false (and not running) when the port is taken. Nothing when running.
    bool start(int port);
    // Every player is told goodbye when asked, and let go; the server stops listening.
    void stop(bool sendGoodbye);
    bool isStarted() const { return m_running != 0; }
    // The port listened on (0 when stopped).
    int getPort() const;

    // A new connection: a player named by its address; no listener is told until its hello.
    virtual void onConnected(CXSocket* socket, CXString address);
    CNetPlayerInfo* find(const CXString& name);
    CNetPlayerInfo* findBySocket(const CXSocket* socket);
    int getPlayersNo() const { return static_cast<int>(m_players.size()); }
    // Null outside 0..count-1.
    CNetPlayerInfo* getPlayer(int index);
    using CNetworkPeer::send;
    // To the named player; false when there is none.
    bool send(const CXString& name, CNetMessage* message);
    bool send(CNetPlayerInfo* player, CNetMessage* message);
    void newPlayer(CNetPlayerInfo* player);
    // Takes the player out of the list, tells the listeners once and lets the player go.
    void removePlayer(CNetPlayerInfo* player);

    void tick() override;
    bool downlnoad_file(CXString s1, CXString s2, CXString s3) override;

private:
    bool isListed(const CNetPlayerInfo* player) const;
    void retirePlayer(CNetPlayerInfo* player);
    void dispatchFrom(CNetPlayerInfo* player, CNetMessage* message);

    std::vector<CNetPlayerInfo*> m_players;
    int32_t m_running = 0;
};

class CNetworkClient : public CNetworkPeer {
public:
    static constexpr int DEFAULT_PORT = 4661;

    CNetworkClient(CWindow* window, bool makeInstance, int immediate);
    CNetworkClient(CXString text, int immediate);
    ~CNetworkClient() override;
    static CNetworkClient* getInstance();

    // Connects (waiting up to 5 s) and says hello; the listeners hear onConnected at the next tick.
    bool connect(const CXString& address, int port);
    void disconnect(bool sendGoodbye);
    bool isConnected() const { return m_connected != 0; }
    const CXString& getHostName() const { return m_host; }
    CXSocket* getSocket() const { return m_socket; }
    // [PLAYER] NAME of the game's configuration, else the host name.
    static CXString getPlayerName(CWindow* window);

    virtual void start_receiver();
    virtual void stop_receiver();
    void tick() override;

private:
    // The server said goodbye or the connection ended: disconnected, and the listeners are told.
    void lost();

    CXString m_host;
    uint8_t m_connected = 0;
    bool m_announce = false;
};

} // namespace KavirelDLL
