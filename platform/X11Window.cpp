#include "platform/X11Window.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <atomic>
#include <cstdio>

#include <dlfcn.h>

namespace KavirelDLL {

#if defined(SDL_VIDEO_DRIVER_X11)

namespace {

struct SWatched {
    std::atomic<unsigned long> id{0};
    Uint32 sdlId = 0;
    std::atomic<bool> gone{false};
    // The requests naming the window that failed, and the first one's error and request codes.
    std::atomic<int> failures{0};
    std::atomic<int> firstCode{0};
    std::atomic<int> firstRequest{0};
};

// The program has one window, two with a secondary display; tests open a few.
constexpr int kSlots = 8;
SWatched g_watched[kSlots];
XErrorHandler g_previous = nullptr;
int (*g_sync)(Display*, Bool) = nullptr;

struct SX11Window {
    Display* display = nullptr;
    unsigned long id = 0;
};

SX11Window x11Window(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    return {info.info.x11.display, info.info.x11.window};
}

SWatched* slotOf(unsigned long id) {
    for (SWatched& slot : g_watched)
        if (id != 0 && slot.id.load() == id) return &slot;
    return nullptr;
}

// Called while Xlib reads the connection: it neither asks the server nor reads events.
int onError(Display* display, XErrorEvent* error) {
    SWatched* slot = slotOf(error->resourceid);
    if (!slot) return g_previous ? g_previous(display, error) : 0;
    if (slot->failures.fetch_add(1) == 0) {
        slot->firstCode.store(error->error_code);
        slot->firstRequest.store(error->request_code);
    }
    return 0;
}

// Sees each of the desktop's events as SDL queues it, on the thread that pumps them.
int onEvent(void*, SDL_Event* event) {
    if (event->type != SDL_SYSWMEVENT || !event->syswm.msg) return 0;
    const SDL_SysWMmsg& message = *event->syswm.msg;
    if (message.subsystem != SDL_SYSWM_X11 || message.msg.x11.event.type != DestroyNotify) return 0;
    SWatched* slot = slotOf(message.msg.x11.event.xdestroywindow.window);
    if (!slot || slot->gone.exchange(true)) return 0;
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = slot->sdlId;
    SDL_PushEvent(&close);
    return 0;
}

// SDL loads Xlib itself; the handler is set in that same library. SDL puts Xlib's own back, and forgets its
// event watches, when its video stops: each window watched sets them again.
bool install() {
    void* xlib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!xlib) return false;
    using SetHandler = XErrorHandler (*)(XErrorHandler);
    auto set = reinterpret_cast<SetHandler>(::dlsym(xlib, "XSetErrorHandler"));
    g_sync = reinterpret_cast<int (*)(Display*, Bool)>(::dlsym(xlib, "XSync"));
    // SDL keeps the library loaded until the process ends; this reference goes.
    ::dlclose(xlib);
    if (!set || !g_sync) return false;
    XErrorHandler before = set(&onError);
    if (before != &onError) g_previous = before;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_DelEventWatch(&onEvent, nullptr);
    SDL_AddEventWatch(&onEvent, nullptr);
    return true;
}

} // namespace

void watchX11Window(SDL_Window* window) {
    const unsigned long id = x11Window(window).id;
    if (id == 0 || slotOf(id) || !install()) return;
    for (SWatched& slot : g_watched) {
        if (slot.id.load() != 0) continue;
        slot.sdlId = SDL_GetWindowID(window);
        slot.gone.store(false);
        slot.failures.store(0);
        slot.id.store(id);
        return;
    }
}

bool isX11WindowGone(SDL_Window* window) {
    SWatched* slot = slotOf(x11Window(window).id);
    return slot && slot->gone.load();
}

void destroyWatchedWindow(SDL_Window* window) {
    if (!window) return;
    const SX11Window x11 = x11Window(window);
    SWatched* slot = slotOf(x11.id);
    SDL_DestroyWindow(window);
    if (!slot) return;
    // The errors of requests still on their way come in now, while the handler is ours.
    if (slot->gone.load())
        g_sync(x11.display, False);
    else if (int failures = slot->failures.load())
        std::fprintf(
            stderr,
            "kavirel: display: %d X requests on the window failed (the first: error %d, request %d)\n",
            failures, slot->firstCode.load(), slot->firstRequest.load());
    slot->id.store(0);
}

#else

void watchX11Window(SDL_Window*) {}
bool isX11WindowGone(SDL_Window*) { return false; }
void destroyWatchedWindow(SDL_Window* window) {
    if (window) SDL_DestroyWindow(window);
}

#endif

} // namespace KavirelDLL
