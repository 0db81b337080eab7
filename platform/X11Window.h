#pragma once
// Windows on an X server that another program may destroy; private to platform/. Main thread only.

struct SDL_Window;

namespace KavirelDLL {

// A watched window destroyed by another program (xdotool windowclose, a desktop tool) is read as gone once
// its destruction comes in with the desktop's events, and a close request for it is queued then, so the game
// ends as its close button ends it. Xlib's own error handler would end the process on the first request that
// still names the window; errors naming a watched window are kept back instead (those of a window that was
// not destroyed are said when it closes), the others go on to the handler that was there before. Windows not
// on X are never watched.
void watchX11Window(SDL_Window* window);
bool isX11WindowGone(SDL_Window* window);
// SDL_DestroyWindow, and the window is no longer watched; a gone one's errors of requests still on their way
// are taken in first.
void destroyWatchedWindow(SDL_Window* window);

} // namespace KavirelDLL
