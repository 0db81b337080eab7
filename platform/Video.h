#pragma once
#include <string>

namespace KavirelDLL {

// Owns the desktop's video and event services for its lifetime. Several may exist at once and they may be
// created and destroyed repeatedly; the services stop with the last one. Main thread only.
class CVideo {
public:
    // needDisplay: a driver SDL falls back on without a display server (offscreen, dummy) counts as none,
    // unless SDL_VIDEODRIVER names it, so a game never runs where nobody sees it.
    explicit CVideo(bool needDisplay = false);
    ~CVideo();
    CVideo(const CVideo&) = delete;
    CVideo& operator=(const CVideo&) = delete;

    // True when the services started; lastError() says why not.
    bool isReady() const { return m_ready; }
    const std::string& lastError() const { return m_error; }
    // Name of the video driver in use ("x11", "wayland", "dummy"), empty when not ready.
    std::string driverName() const;

    // Whether real windows and message boxes can appear: a display server is named, the video driver is not
    // a dummy one and headless running was not forced.
    static bool desktopAvailable();
    // Forces headless running for the whole process (tests, batch runs): no message box ever opens.
    static void forceHeadless(bool on);

private:
    bool m_ready = false;
    std::string m_error;
};

} // namespace KavirelDLL
