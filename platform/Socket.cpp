#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (!toAddress(address, a.sin_addr)) return EPlatformError::invalidName;
    const int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) return platformErrorFromErrno(errno);
    EPlatformError result = EPlatformError::none;
    if (::connect(socket, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (errno != EINPROGRESS) {
            result = platformErrorFromErrno(errno);
        } else if (!waitFor(socket, POLLOUT, timeoutMs)) {
            result = EPlatformError::ioError;
        } else {
            int err = 0;
            socklen_t n = sizeof err;
            if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &err, &n) != 0) err = errno;
            if (err != 0) result = platformErrorFromErrno(err);
        }
    }
    ::fcntl(socket, F_SETFL, flags);
    return result;
}

std::string CPlatformSocket::resolve(const std::string& name) {
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

std::string CPlatformSocket::hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

bool CPlatformSocket::sendAll(int socket, const void* bytes, size_t count, int stallMs) {
    auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = ::send(socket, p, count, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            count -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        short revents = 0;
        if (!waitFor(socket, POLLOUT, stallMs, &revents)) return false;
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
