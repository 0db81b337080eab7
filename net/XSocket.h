#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;
class CXArray;
class CXSocket;
class CNetMessage;

// Bytes received and not yet cut into messages.
class CMessageStack {
public:
    explicit CMessageStack(CXSocket* socket) : m_socket(socket) {}

    void push(const void* bytes, int n);
    // The next whole message (the caller owns it), or null while it is incomplete or the stream is broken.
    CNetMessage* get();
    // A length word below the header or over the largest message was read: the stream cannot be followed.
    bool isBroken() const { return m_broken; }
    int getLength() const { return static_cast<int>(m_bytes.size() - m_start); }

private:
    CXSocket* m_socket;
    std::vector<unsigned char> m_bytes;
    size_t m_start = 0; // bytes before it are taken
    bool m_broken = false;
};

// One TCP connection of network play, or a listening socket. A listening socket accepts on a thread of its
// own and queues the connections for takeAccepted; a connection may receive on a thread of its own
// (startReceiver) that queues whole messages for takeMessages. Those threads only wait with a time limit and
// queue under a lock; they are stopped and joined by stop, stopReceiver and the destructor.
class CXSocket : public CXObject {
public:
    // Bytes of received messages waiting for takeMessages beyond which the socket stops reading until they
    // are taken (the sender then waits, and gives up after SEND_STALL_MS).
    static constexpr int64_t MAX_QUEUED = 4 << 20;
    // A send that cannot go on for this long drops the connection.
    static constexpr int SEND_STALL_MS = 2000;
    // Connecting, host-name lookup included, gives up after this long; a socket that timed out is closed.
    static constexpr int CONNECT_TIMEOUT_MS = 5000;
    // The port network play listens on and connects to unless told otherwise.
    static constexpr int DEFAULT_PORT = 4661;
    // Accepted connections waiting for takeAccepted beyond which new ones are closed at once.
    static constexpr int MAX_PENDING_ACCEPTS = 64;

    struct Accepted {
        CXSocket* socket;
        CXString address;
    };

    // Reads the local host name once.
    static void initialize();
    static CXString getHostName();

    // A new, unconnected socket.
    explicit CXSocket(CWindow* window);
    // A socket accepted by a listening one.
    CXSocket(CWindow* window, int handle);
    ~CXSocket() override;
    CXSocket(const CXSocket&) = delete;
    CXSocket& operator=(const CXSocket&) = delete;

    CWindow* getWindow() const { return m_window; }
    int getHandle() const { return m_handle; }

    // Binds to every IPv4 address at the port (0: a free one); false, with ERR_NET_PORT_TAKEN when another
    // listener has it.
    virtual bool bind(int port);
    virtual bool listen(int backlog);
    // bind, listen and the accept thread; false (and nothing started) when the port is taken. A socket
    // listening already stays as it is.
    virtual bool start(int port, int backlog);
    // Stops listening and joins the accept thread.
    virtual void stop();
    // A dotted address or a host name; false when it does not resolve, refuses or gives no answer in 5 s.
    virtual bool connect(const CXString& host, int port);
    // Sends the whole message and deletes it. Refuses (false) a message over the largest length and any send
    // on a closed connection; a send that fails or stalls drops the connection.
    virtual bool send(CNetMessage* message);
    // Waits a little for bytes and cuts them: the list of the whole messages that came (the caller owns the
    // messages; the list is the socket's and is emptied by the next call). A closed connection or a broken
    // stream leaves it empty and the socket closed. While the receive thread runs it refuses (an empty list
    // of its own, and a log line).
    virtual CXArray* receive();

    // The port listened on (after start).
    int getPort() const;
    // Connections accepted since the last call (the caller owns the sockets).
    std::vector<Accepted> takeAccepted();

    void startReceiver();
    // Stops and joins the receive thread; the socket receives nothing more but stays open for sending (a
    // goodbye).
    void stopReceiver();
    // Messages received since the last call, in order (the caller owns them).
    std::vector<CNetMessage*> takeMessages();
    int64_t getQueuedBytes() const;

    // The connection ended: closed by the other side, failed, or dropped here.
    bool isClosed() const { return m_closed.load(); }
    // Ends the connection (bad data from the other side, a stalled send).
    void drop();
    // Resets the connection at once (tests of a peer that vanishes); a listening socket stops its accept
    // thread first.
    void abort();

private:
    enum class End { none, closed, broken };
    void receiveOnce(End& end);
    void finish(End end);
    void acceptLoop();
    void receiveLoop();
    void closeHandle();

    CWindow* m_window;
    int m_handle;
    CMessageStack* m_stack;
    CXArray* m_received;
    CXArray* m_refused; // what receive gives while the receive thread runs: always empty
    std::thread m_acceptThread;
    std::thread m_receiveThread;
    std::atomic<bool> m_stopAccept{false};
    std::atomic<bool> m_stopReceive{false};
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_closedSendLogged{false};
    std::mutex m_sendLock;
    mutable std::mutex m_queueLock;
    std::condition_variable m_queueTaken; // wakes a paused receiver, and the accept back-off, on stop
    std::deque<CNetMessage*> m_queue;
    int64_t m_queuedBytes = 0;
    std::vector<Accepted> m_accepted;
};

} // namespace KavirelDLL
