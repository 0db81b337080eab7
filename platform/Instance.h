#pragma once
#include "platform/PlatformError.h"

#include <string>

namespace KavirelDLL {

// One running copy of the program per user. The first start holds a lock file ("instance.lock"); later starts
// see it taken and may ask the holder, through a local socket beside it ("instance.sock"), to bring its
// window to the front. The lock goes with the process however it ends, so a crashed copy never blocks the
// next one.
class CPlatformInstance {
public:
    // folder: engine name of the folder for the lock and the socket; empty for the user's runtime folder
    // ($XDG_RUNTIME_DIR/kavirel, else the configuration folder). It is created when missing.
    explicit CPlatformInstance(const std::string& folder = "");
    ~CPlatformInstance();
    CPlatformInstance(const CPlatformInstance&) = delete;
    CPlatformInstance& operator=(const CPlatformInstance&) = delete;

    // True when this object now holds the lock (or held it already); false when another copy holds it or the
    // lock could not be taken (lastError says which: exists, or the failure).
    bool acquire();
    bool isOwner() const { return m_lock >= 0; }
    // Gives the lock up; the next acquire anywhere may take it.
    void release();
    // Asks the holder to come to the front; false when no holder listens.
    bool requestRaise();
    // True when at least one start asked since the last call; never waits. Only the holder hears requests.
    bool takeRaiseRequest();

    EPlatformError lastError() const { return m_error; }
    // Native path of the folder in use.
    const std::string& folder() const { return m_folder; }

private:
    std::string socketPath() const;

    std::string m_folder;
    int m_lock = -1;
    int m_socket = -1;
    EPlatformError m_error = EPlatformError::none;
};

} // namespace KavirelDLL
