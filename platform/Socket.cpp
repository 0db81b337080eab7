#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
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

// A lookup of its own thread (the system's); one that outlives its time limit and cannot be cancelled is
// kept until it ends and freed by a later lookup.
struct Lookup {
    std::string name;
    addrinfo hints{};
    gaicb request{};
};
std::mutex abandonedLock;
std::vector<Lookup*>& abandoned() {
    static std::vector<Lookup*> list;
    return list;
}

void freeLookup(Lookup* l) {
    if (l->request.ar_result) ::freeaddrinfo(l->request.ar_result);
    delete l;
}

void reapAbandoned() {
    std::lock_guard<std::mutex> g(abandonedLock);
    auto& list = abandoned();
    for (size_t i = 0; i < list.size();) {
        if (::gai_error(&list[i]->request) == EAI_INPROGRESS) {
            i++;
            continue;
        }
        freeLookup(list[i]);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

} // namespace

std::string CPlatformSocket::resolve(const std::string& name) { return resolve(name, RESOLVE_TIMEOUT_MS); }

std::string CPlatformSocket::resolve(const std::string& name, int timeoutMs) {
    reapAbandoned();
    auto* l = new Lookup;
    l->name = name;
    l->hints.ai_family = AF_INET;
    l->hints.ai_socktype = SOCK_STREAM;
    l->request.ar_name = l->name.c_str();
    l->request.ar_request = &l->hints;
    gaicb* list[1] = {&l->request};
    if (::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete l;
        return {};
    }
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    while (::gai_error(&l->request) == EAI_INPROGRESS) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        timespec wait{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        const gaicb* const waitList[1] = {&l->request};
        ::gai_suspend(waitList, 1, &wait);
    }
    if (::gai_error(&l->request) == EAI_INPROGRESS && ::gai_cancel(&l->request) != EAI_CANCELED &&
        ::gai_error(&l->request) == EAI_INPROGRESS) {
        std::lock_guard<std::mutex> g(abandonedLock);
        abandoned().push_back(l);
        return {};
    }
    std::string text;
    if (::gai_error(&l->request) == 0 && l->request.ar_result) {
        char dotted[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(l->request.ar_result->ai_addr)->sin_addr, dotted,
                    sizeof dotted);
        text = dotted;
    }
    freeLookup(l);
    return text;
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
