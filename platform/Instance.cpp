#include "platform/Instance.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace KavirelDLL {

namespace {

constexpr char kRaise[] = "raise";

bool fillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

CPlatformInstance::CPlatformInstance(const std::string& folder) {
    std::string engineFolder = folder;
    if (engineFolder.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime && runtime[0] == '/')
            engineFolder = CPlatformFiles::toEngineName(std::string(runtime) + "/kavirel");
        else
            engineFolder = CPlatformFiles::userConfigFolder();
    }
    if (engineFolder.empty()) {
        m_error = EPlatformError::notFound;
        return;
    }
    m_error = CPlatformFiles::createFolder(engineFolder);
    if (m_error == EPlatformError::none) m_error = CPlatformFiles::resolve(engineFolder, m_folder);
    if (m_error == EPlatformError::none) ::chmod(m_folder.c_str(), 0700);
}

CPlatformInstance::~CPlatformInstance() { release(); }

std::string CPlatformInstance::socketPath() const { return m_folder + "/instance.sock"; }

bool CPlatformInstance::acquire() {
    if (m_lock >= 0) return true;
    if (m_folder.empty()) {
        if (m_error == EPlatformError::none) m_error = EPlatformError::notFound;
        return false;
    }
    int fd = ::open((m_folder + "/instance.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = platformErrorFromErrno(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = errno == EWOULDBLOCK ? EPlatformError::exists : platformErrorFromErrno(errno);
        ::close(fd);
        return false;
    }
    m_lock = fd;
    m_error = EPlatformError::none;

    // A socket left by a copy that died is stale: the lock says nobody listens on it.
    const std::string path = socketPath();
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        m_error = EPlatformError::invalidName;
        return true;
    }
    ::unlink(path.c_str());
    m_socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        // Still the only copy; later starts just cannot raise its window.
        m_error = platformErrorFromErrno(errno);
        if (m_socket >= 0) ::close(m_socket);
        m_socket = -1;
    }
    return true;
}

void CPlatformInstance::release() {
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
        ::unlink(socketPath().c_str());
    }
    if (m_lock >= 0) {
        // The file stays: removing it would let two copies lock two different files.
        ::flock(m_lock, LOCK_UN);
        ::close(m_lock);
        m_lock = -1;
    }
}

bool CPlatformInstance::requestRaise() {
    sockaddr_un address;
    if (m_folder.empty() || !fillAddress(socketPath(), address)) {
        m_error = EPlatformError::invalidName;
        return false;
    }
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_error = platformErrorFromErrno(errno);
        return false;
    }
    ssize_t sent = ::sendto(fd, kRaise, sizeof(kRaise) - 1, MSG_DONTWAIT | MSG_NOSIGNAL,
                            reinterpret_cast<sockaddr*>(&address), sizeof(address));
    m_error = sent < 0 ? platformErrorFromErrno(errno) : EPlatformError::none;
    ::close(fd);
    return sent == static_cast<ssize_t>(sizeof(kRaise) - 1);
}

bool CPlatformInstance::takeRaiseRequest() {
    if (m_socket < 0) return false;
    bool asked = false;
    char buffer[64];
    for (;;) {
        ssize_t got = ::recv(m_socket, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got < 0) break;
        if (got == static_cast<ssize_t>(sizeof(kRaise) - 1) &&
            std::memcmp(buffer, kRaise, sizeof(kRaise) - 1) == 0)
            asked = true;
    }
    return asked;
}

} // namespace KavirelDLL
