#pragma once

namespace KavirelDLL {

class CCommandLine6;
class CLanguageOSVer;
class CWindow;

// What the core library asks of the engine window it is handed: it knows the window only by pointer, and the
// folders that know it answer, once, when the library loads (display/Window.cpp, input/Keyboard.cpp). The
// window given is never null. Until an answer is given it is null, or nothing is done.
struct CWindowLink {
    // The window's language object (CWindow::getLangIfc).
    static inline CLanguageOSVer* (*language)(CWindow* window) = nullptr;
    // The window's command line (CWindow::getCommandLineIfc).
    static inline CCommandLine6* (*commandLine)(CWindow* window) = nullptr;
    // The language changed: the window's keyboard takes the new national key map.
    static inline void (*languageChanged)(CWindow* window) = nullptr;
};

} // namespace KavirelDLL
