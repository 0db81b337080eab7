#include "platform/Video.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace KavirelDLL {

namespace {
constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS;
std::atomic<bool> g_forcedHeadless{false};

bool envSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}
} // namespace

CVideo::CVideo(bool needDisplay) {
    if (SDL_InitSubSystem(kSubsystems) != 0) {
        m_error = std::string("video initialisation failed: ") + SDL_GetError();
        return;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* named = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (needDisplay && !(named && *named) && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(kSubsystems);
        if (SDL_WasInit(0) == 0) SDL_Quit();
        m_error = "no display could be opened (";
        if (envSet("DISPLAY") || envSet("WAYLAND_DISPLAY")) {
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
                if (envSet(name)) m_error += std::string(name) + "=" + std::getenv(name) + " ";
            m_error += "cannot be reached; ";
        } else {
            m_error += "neither DISPLAY nor WAYLAND_DISPLAY is set; ";
        }
        m_error += "SDL_VIDEODRIVER=dummy runs without one)";
        return;
    }
    m_ready = true;
}

CVideo::~CVideo() {
    if (!m_ready) return;
    SDL_QuitSubSystem(kSubsystems);
    // The last user of SDL in the process frees what the subsystems leave behind.
    if (SDL_WasInit(0) == 0) SDL_Quit();
}

std::string CVideo::driverName() const {
    if (!m_ready) return {};
    const char* name = SDL_GetCurrentVideoDriver();
    return name ? name : "";
}

bool CVideo::desktopAvailable() {
    if (g_forcedHeadless.load()) return false;
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) return false;
    return envSet("DISPLAY") || envSet("WAYLAND_DISPLAY");
}

void CVideo::forceHeadless(bool on) { g_forcedHeadless.store(on); }

} // namespace KavirelDLL
