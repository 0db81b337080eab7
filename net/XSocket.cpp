#include "net/XSocket.h"

#include <chrono>
#include <memory>

#include "core/Containers.h"
#include "core/Log.h"
#include "net/NetMessage.h"
#include "platform/Socket.h"

namespace KavirelDLL {

namespace {

// How long the threads wait for the system before looking at their stop flag again.
constexpr int POLL_MS = 100;
constexpr int READ_CHUNK = 16384;

std::once_flag hostOnce;
CXString& hostNameStore() {
    static CXString name;
    return name;
}

int32_t wordAt(const unsigned char* at) {
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24);
}

// Four dot-separated numbers that do not all read 0, as players type addresses.
bool isIpAddress(const std::string& text) {
    int parts = 1;
    bool any = false;
    for (char c : text) {
        if (c == '.') parts++;
        else if (c < '0' || c > '9') return false;
        else if (c != '0') any = true;
    }
    return parts == 4 && any;
}

} // namespace

// ---- CMessageStack

void CMessageStack::push(const void* bytes, int n) {
    if (n <= 0 || m_broken) return;
    if (m_start > 0 && m_start == m_bytes.size()) {
        m_bytes.clear();
        m_start = 0;
    }
    auto* p = static_cast<const unsigned char*>(bytes);
    m_bytes.insert(m_bytes.end(), p, p + n);
}

CNetMessage* CMessageStack::get() {
    if (m_broken || getLength() < CNetMessage::HEADER) return nullptr;
    const unsigned char* front = m_bytes.data() + m_start;
    const int32_t length = wordAt(front + 4);
    if (length < CNetMessage::HEADER || length > CNetMessage::MAX_LENGTH) {
        m_broken = true;
        return nullptr;
    }
    if (getLength() < length) return nullptr;
    auto* message = new CNetMessage(m_socket, front);
    m_start += static_cast<size_t>(length);
    if (m_start == m_bytes.size()) {
        m_bytes.clear();
        m_start = 0;
    } else if (m_start > m_bytes.size() / 2) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    return message;
}

// ---- CXSocket

void CXSocket::initialize() {
    std::call_once(hostOnce, [] { hostNameStore() = CXString(CPlatformSocket::hostName().c_str()); });
}

CXString CXSocket::getHostName() {
    initialize();
    return hostNameStore();
}

CXSocket::CXSocket(CWindow* window) : CXSocket(window, CPlatformSocket::create()) {}

CXSocket::CXSocket(CWindow* window, int handle)
    : m_window(window), m_handle(handle), m_stack(new CMessageStack(this)), m_received(new CXArray()),
      m_refused(new CXArray()) {
    if (m_handle < 0) {
        logMessage("network: no socket could be made");
        m_closed = true;
    }
}

CXSocket::~CXSocket() {
    stop();
    stopReceiver();
    for (CNetMessage* m : m_queue) delete m;
    for (int i = 0; i < m_received->getSize(); i++) delete static_cast<CNetMessage*>(m_received->at(i));
    for (Accepted& a : m_accepted) delete a.socket;
    delete m_received;
    delete m_refused;
    delete m_stack;
    closeHandle();
}

void CXSocket::closeHandle() {
    CPlatformSocket::close(m_handle);
    m_handle = -1;
    m_closed = true;
}

bool CXSocket::bind(int port) {
    if (m_handle < 0 || port < 0 || port > 65535) return false;
    const EPlatformError e = CPlatformSocket::bind(m_handle, static_cast<uint16_t>(port));
    if (e == EPlatformError::none) return true;
    setErrorCode(e == EPlatformError::exists ? ERR_NET_PORT_TAKEN : ERR_NET_CONNECT);
    logMessage("network: port %d cannot be listened on: %s", port,
               e == EPlatformError::exists ? "another program has it" : platformErrorText(e));
    return false;
}

bool CXSocket::listen(int backlog) {
    if (m_handle < 0) return false;
    const EPlatformError e = CPlatformSocket::listen(m_handle, backlog);
    if (e == EPlatformError::none) return true;
    setErrorCode(e == EPlatformError::exists ? ERR_NET_PORT_TAKEN : ERR_NET_CONNECT);
    logMessage("network: cannot listen: %s", platformErrorText(e));
    return false;
}

bool CXSocket::start(int port, int backlog) {
    if (m_acceptThread.joinable()) return true; // listening already
    if (!bind(port) || !listen(backlog)) return false;
    m_stopAccept = false;
    m_acceptThread = std::thread(&CXSocket::acceptLoop, this);
    return true;
}

void CXSocket::stop() {
    if (!m_acceptThread.joinable()) return;
    {
        std::lock_guard<std::mutex> l(m_queueLock);
        m_stopAccept = true;
    }
    m_queueTaken.notify_all();
    // Ends listening, which wakes the thread at once.
    CPlatformSocket::shutdownReceive(m_handle);
    m_acceptThread.join();
}

int CXSocket::getPort() const { return m_handle < 0 ? 0 : CPlatformSocket::localPort(m_handle); }

void CXSocket::acceptLoop() {
    int backoffMs = 0;
    bool reported = false;
    while (!m_stopAccept) {
        std::string address;
        EPlatformError error = EPlatformError::none;
        const int handle = CPlatformSocket::accept(m_handle, POLL_MS, address, error);
        if (handle >= 0) {
            backoffMs = 0;
            reported = false;
            std::lock_guard<std::mutex> l(m_queueLock);
            if (static_cast<int>(m_accepted.size()) >= MAX_PENDING_ACCEPTS) {
                logMessage("network: too many connections waiting; %s refused", address.c_str());
                CPlatformSocket::close(handle);
            } else {
                m_accepted.push_back({new CXSocket(m_window, handle), CXString(address.c_str())});
            }
            continue;
        }
        if (error == EPlatformError::none || m_stopAccept) continue;
        // Failing accepts (out of descriptors, say) are tried again less and less often, up to once a second.
        if (!reported) logMessage("network: accepting failed: %s", platformErrorText(error));
        reported = true;
        backoffMs = backoffMs ? std::min(backoffMs * 2, 1000) : 10;
        std::unique_lock<std::mutex> l(m_queueLock);
        m_queueTaken.wait_for(l, std::chrono::milliseconds(backoffMs), [this] { return m_stopAccept.load(); });
    }
}

std::vector<CXSocket::Accepted> CXSocket::takeAccepted() {
    std::lock_guard<std::mutex> l(m_queueLock);
    std::vector<Accepted> taken;
    taken.swap(m_accepted);
    return taken;
}

bool CXSocket::connect(const CXString& host, int port) {
    if (m_handle < 0 || port < 0 || port > 65535) return false;
    std::string address = host.GetBuffer() ? host.GetBuffer() : "";
    if (!isIpAddress(address)) address = CPlatformSocket::resolve(address);
    if (address.empty()) {
        setErrorCode(ERR_NET_CONNECT);
        logMessage("network: host \"%s\" not found", host.GetBuffer() ? host.GetBuffer() : "");
        return false;
    }
    std::string why;
    const EPlatformError e =
        CPlatformSocket::connect(m_handle, address, static_cast<uint16_t>(port), CONNECT_TIMEOUT_MS, why);
    if (e != EPlatformError::none) {
        setErrorCode(ERR_NET_CONNECT);
        const bool timedOut = why == "no answer in time";
        if (timedOut) {
            logMessage("network: %s:%d gave no answer in %d s; connecting given up", address.c_str(), port,
                       CONNECT_TIMEOUT_MS / 1000);
            // A connection still being made could come about later; the socket is closed instead.
            closeHandle();
        } else {
            logMessage("network: cannot connect to %s:%d: %s", address.c_str(), port, why.c_str());
        }
        return false;
    }
    m_closed = false;
    return true;
}

bool CXSocket::send(CNetMessage* message) {
    std::unique_ptr<CNetMessage> owned(message);
    if (!message) return false;
    std::lock_guard<std::mutex> l(m_sendLock);
    const int length = message->getBufferLen();
    const char* refused = !message->isValid()                ? "it is damaged or was too long to build"
                          : length < CNetMessage::HEADER     ? "it is shorter than its header"
                          : length > CNetMessage::MAX_LENGTH ? "it is too long"
                                                             : nullptr;
    if (refused) {
        setErrorCode(ERR_NET_DAMAGED);
        logMessage("network: a message of type %d is not sent: %s", message->getType(), refused);
        return false;
    }
    if (m_closed) {
        setErrorCode(ERR_NET_CLOSED);
        // Once per socket: the owner may go on sending to a connection it has not yet seen end.
        if (!m_closedSendLogged.exchange(true))
            logMessage("network: a message of type %d is not sent: the connection is closed",
                       message->getType());
        return false;
    }
    if (!CPlatformSocket::sendAll(m_handle, message->getBuffer(), static_cast<size_t>(message->getBufferLen()),
                                  SEND_STALL_MS)) {
        setErrorCode(ERR_NET_CLOSED);
        logMessage("network: sending failed or stalled; the connection is dropped");
        drop();
        return false;
    }
    return true;
}

CXArray* CXSocket::receive() {
    if (m_receiveThread.joinable()) {
        logMessage("network: receive is refused while the receive thread runs");
        return m_refused;
    }
    End end = End::none;
    receiveOnce(end);
    finish(end);
    return m_received;
}

void CXSocket::receiveOnce(End& end) {
    m_received->removeAll();
    if (m_closed) return;
    unsigned char buffer[READ_CHUNK];
    const int n = CPlatformSocket::receive(m_handle, buffer, sizeof buffer, POLL_MS);
    if (n < 0) {
        end = End::closed;
        return;
    }
    m_stack->push(buffer, n);
    while (CNetMessage* message = m_stack->get()) m_received->add(message);
    if (m_stack->isBroken()) end = End::broken;
}

void CXSocket::finish(End end) {
    if (end == End::closed) m_closed = true;
    if (end == End::broken) {
        logMessage("network: a message of a length out of range came; the connection is dropped");
        drop();
    }
}

void CXSocket::startReceiver() {
    if (m_receiveThread.joinable() || m_handle < 0) return;
    m_stopReceive = false;
    m_receiveThread = std::thread(&CXSocket::receiveLoop, this);
}

void CXSocket::stopReceiver() {
    if (!m_receiveThread.joinable()) return;
    {
        std::lock_guard<std::mutex> l(m_queueLock);
        m_stopReceive = true;
    }
    m_queueTaken.notify_all();
    // Wakes a thread waiting for bytes at once.
    CPlatformSocket::shutdownReceive(m_handle);
    m_receiveThread.join();
}

void CXSocket::receiveLoop() {
    while (!m_stopReceive && !m_closed) {
        {
            std::unique_lock<std::mutex> l(m_queueLock);
            if (m_queuedBytes >= MAX_QUEUED) {
                m_queueTaken.wait_for(l, std::chrono::milliseconds(POLL_MS),
                                      [this] { return m_stopReceive || m_queuedBytes < MAX_QUEUED; });
                continue;
            }
        }
        End end = End::none;
        receiveOnce(end);
        {
            std::lock_guard<std::mutex> l(m_queueLock);
            for (int i = 0; i < m_received->getSize(); i++) {
                auto* message = static_cast<CNetMessage*>(m_received->at(i));
                m_queue.push_back(message);
                m_queuedBytes += message->getBufferLen();
            }
            m_received->removeAll();
        }
        // The end read after stopReceiver shut the reading side is that stop, not the connection's end: the
        // socket stays open for sending.
        if (end == End::closed && m_stopReceive) end = End::none;
        // Closed only once what came before the end is queued, so whoever sees the end has every message.
        finish(end);
    }
}

std::vector<CNetMessage*> CXSocket::takeMessages() {
    std::vector<CNetMessage*> taken;
    {
        std::lock_guard<std::mutex> l(m_queueLock);
        taken.assign(m_queue.begin(), m_queue.end());
        m_queue.clear();
        m_queuedBytes = 0;
    }
    m_queueTaken.notify_all();
    return taken;
}

int64_t CXSocket::getQueuedBytes() const {
    std::lock_guard<std::mutex> l(m_queueLock);
    return m_queuedBytes;
}

void CXSocket::drop() {
    m_closed = true;
    CPlatformSocket::shutdownBoth(m_handle);
}

void CXSocket::abort() {
    stop();
    stopReceiver();
    CPlatformSocket::abort(m_handle);
    m_handle = -1;
    m_closed = true;
}

} // namespace KavirelDLL
