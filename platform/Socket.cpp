#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace KavirelDLL {

namespace {

// Waits for the events; true when one came, false on time-out. An interrupted wait goes on with the time left.
bool waitFor(int socket, short events, int timeoutMs, short* revents = nullptr) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{socket, events, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (r > 0) {
            if (revents) *revents = p.revents;
            return true;
        }
        if (r == 0 || errno != EINTR) return false;
    }
}

bool toAddress(const std::string& text, in_addr& out) { return ::inet_pton(AF_INET, text.c_str(), &out) == 1; }

} // namespace

int CPlatformSocket::create() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s >= 0) {
        // Small messages go out at once, as a game's commands expect.
        int one = 1;
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return s;
}

EPlatformError CPlatformSocket::bind(int socket, uint16_t port) {
    int one = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    if (::bind(socket, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return errno == EADDRINUSE ? EPlatformError::exists : platformErrorFromErrno(errno);
    return EPlatformError::none;
}

EPlatformError CPlatformSocket::listen(int socket, int backlog) {
    return ::listen(socket, backlog) == 0 ? EPlatformError::none : platformErrorFromErrno(errno);
}

uint16_t CPlatformSocket::localPort(int socket) {
    sockaddr_in a{};
    socklen_t n = sizeof a;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&a), &n) != 0) return 0;
    return ntohs(a.sin_port);
}

int CPlatformSocket::accept(int listening, int timeoutMs, std::string& address, EPlatformError& error) {
    error = EPlatformError::none;
    short revents = 0;
    if (!waitFor(listening, POLLIN, timeoutMs, &revents)) return -1;
    sockaddr_in a{};
    socklen_t n = sizeof a;
    const int s = ::accept4(listening, reinterpret_cast<sockaddr*>(&a), &n, SOCK_CLOEXEC);
    if (s < 0) {
        // A connection that went away before it was taken is no failure of the listener.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED && errno != EINTR)
            error = platformErrorFromErrno(errno);
        else if (revents & (POLLHUP | POLLERR | POLLNVAL))
            error = EPlatformError::ioError;
        return -1;
    }
    int one = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    address = text;
    return s;
}

EPlatformError CPlatformSocket::connect(int socket, const std::string& address, uint16_t port, int timeoutMs) {
    std::string why;
    return connect(socket, address, port, timeoutMs, why);
}

EPlatformError CPlatformSocket::connect(int socket, const std::string& address, uint16_t port, int timeoutMs,
                                        std::string& why) {
    why.clear();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (!toAddress(address, a.sin_addr)) {
        why = "not an address";
        return EPlatformError::invalidName;
    }
    const int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) {
        why = std::strerror(errno);
        return platformErrorFromErrno(errno);
    }
    int err = 0;
    if (::connect(socket, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (errno != EINPROGRESS) {
            err = errno;
        } else if (!waitFor(socket, POLLOUT, timeoutMs)) {
            err = ETIMEDOUT;
        } else {
            socklen_t n = sizeof err;
            if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &err, &n) != 0) err = errno;
        }
    }
    ::fcntl(socket, F_SETFL, flags);
    if (err == 0) return EPlatformError::none;
    why = err == ECONNREFUSED ? "refused" : err == ETIMEDOUT ? "no answer in time" : std::strerror(err);
    return platformErrorFromErrno(err);
}

namespace {

std::string lookUp(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list) return {};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr, text, sizeof text);
    ::freeaddrinfo(list);
    return text;
}

// A lookup runs on a thread of its own so that the caller can stop waiting. One that outlives its time limit
// is kept here and joined once it ends (by a later lookup, or at exit); few may be left at once.
struct Lookup {
    std::string name;
    std::string result;
    bool done = false;
    std::mutex lock;
    std::condition_variable finished;
    std::thread thread;
};

struct Abandoned {
    static constexpr size_t MAX = 8;
    std::mutex lock;
    std::vector<std::shared_ptr<Lookup>> list;
    // Joins those that ended; false when too many are still running.
    bool reap() {
        std::lock_guard<std::mutex> g(lock);
        for (size_t i = 0; i < list.size();) {
            bool done;
            {
                std::lock_guard<std::mutex> d(list[i]->lock);
                done = list[i]->done;
            }
            if (!done) {
                i++;
                continue;
            }
            list[i]->thread.join();
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return list.size() < MAX;
    }
    ~Abandoned() {
        for (auto& l : list) l->thread.join();
    }
};

Abandoned& abandoned() {
    static Abandoned a;
    return a;
}

} // namespace

std::string CPlatformSocket::resolve(const std::string& name) { return resolve(name, RESOLVE_TIMEOUT_MS); }

std::string CPlatformSocket::resolve(const std::string& name, int timeoutMs) {
    // (The system's own asynchronous lookup starts threads that thread checkers cannot follow.)
    if (!abandoned().reap()) return {};
    auto l = std::make_shared<Lookup>();
    l->name = name;
    l->thread = std::thread([l] {
        std::string result = lookUp(l->name);
        std::lock_guard<std::mutex> g(l->lock);
        l->result = std::move(result);
        l->done = true;
        l->finished.notify_all();
    });
    bool done;
    std::string result;
    {
        std::unique_lock<std::mutex> g(l->lock);
        done = l->finished.wait_for(g, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                                    [&] { return l->done; });
        result = l->result;
    }
    if (done) {
        l->thread.join();
        return result;
    }
    std::lock_guard<std::mutex> g(abandoned().lock);
    abandoned().list.push_back(l);
    return {};
}

std::string CPlatformSocket::hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

bool CPlatformSocket::sendAll(int socket, const void* bytes, size_t count, int stallMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(stallMs);
    auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = ::send(socket, p, count, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            count -= static_cast<size_t>(n);
            if (count > 0 && Clock::now() >= end) return false;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // The limit holds for the whole message, not for each wait.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        short revents = 0;
        if (left <= 0 || !waitFor(socket, POLLOUT, static_cast<int>(left), &revents)) return false;
        if (revents & (POLLERR | POLLNVAL)) return false;
    }
    return true;
}

int CPlatformSocket::receive(int socket, void* buffer, size_t capacity, int timeoutMs) {
    if (!waitFor(socket, POLLIN, timeoutMs)) return 0;
    for (;;) {
        const ssize_t n = ::recv(socket, buffer, capacity, MSG_DONTWAIT);
        if (n > 0) return static_cast<int>(n);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        return -1;
    }
}

void CPlatformSocket::shutdownReceive(int socket) {
    if (socket >= 0) ::shutdown(socket, SHUT_RD);
}

void CPlatformSocket::shutdownBoth(int socket) {
    if (socket >= 0) ::shutdown(socket, SHUT_RDWR);
}

void CPlatformSocket::setSendBuffer(int socket, int bytes) {
    if (socket >= 0) ::setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

void CPlatformSocket::abort(int socket) {
    if (socket < 0) return;
    linger l{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(socket);
}

void CPlatformSocket::close(int socket) {
    if (socket >= 0) ::close(socket);
}

} // namespace KavirelDLL
