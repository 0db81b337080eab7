#pragma once
#include "platform/PlatformError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace KavirelDLL {

// IPv4 TCP stream sockets for network play. A socket is a plain descriptor, -1 for none. Sends never raise
// SIGPIPE; every wait has a time limit, so the threads that use these calls can be stopped.
class CPlatformSocket {
public:
    // A new stream socket (closed on exec); -1 when the system has none to give.
    static int create();
    // Binds to every IPv4 address at port (0: any free port), with SO_REUSEADDR.
    static EPlatformError bind(int socket, uint16_t port);
    static EPlatformError listen(int socket, int backlog);
    // The port the socket is bound to; 0 when unbound.
    static uint16_t localPort(int socket);
    // Waits up to timeoutMs for a connection. The new socket and the peer's address in dotted form; -1 with
    // error none when nothing came in time, another error when accept failed.
    static int accept(int listening, int timeoutMs, std::string& address, EPlatformError& error);
    // Connects to a dotted IPv4 address, giving up after timeoutMs.
    static EPlatformError connect(int socket, const std::string& address, uint16_t port, int timeoutMs);
    // The same, with why it failed for a log line ("refused", "no answer in time", ...).
    static EPlatformError connect(int socket, const std::string& address, uint16_t port, int timeoutMs,
                                  std::string& why);
    // The first IPv4 address of a host name in dotted form; empty when the name does not resolve or the
    // lookup gives no answer in RESOLVE_TIMEOUT_MS.
    static std::string resolve(const std::string& name);
    // The same with a time limit of its own. The lookup runs on a thread of its own; one that outlives its
    // limit is joined when it ends (by a later lookup, or at exit), and while 8 such are left, lookups fail.
    static std::string resolve(const std::string& name, int timeoutMs);
    static constexpr int RESOLVE_TIMEOUT_MS = 5000;
    static std::string hostName();

    // Sends every byte, waiting for room while the peer reads; false when the connection failed or the whole
    // message could not be sent within stallMs (a peer that reads slowly cannot hold the sender longer).
    static bool sendAll(int socket, const void* bytes, size_t count, int stallMs);
    // Waits up to timeoutMs for bytes: how many were read (at most capacity), 0 when none came in time, -1
    // when the connection was closed or failed.
    static int receive(int socket, void* buffer, size_t capacity, int timeoutMs);

    // Ends receiving (a thread waiting to receive wakes and reads the end); sending still works.
    static void shutdownReceive(int socket);
    // Ends both directions; the descriptor stays until close.
    static void shutdownBoth(int socket);
    // Sets the system's send buffer for the socket (tests of a slow reader, where the system's own size
    // would hide how long a send takes).
    static void setSendBuffer(int socket, int bytes);
    // Resets the connection instead of closing it in order (tests of a peer that vanishes).
    static void abort(int socket);
    static void close(int socket);
};

} // namespace KavirelDLL
