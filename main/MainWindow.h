#pragma once
#include <memory>

#include "core/XString.h"

namespace KavirelDLL {
class CCommandLine6;
class CDisplay;
class CVideo;
class CWindow;
struct CInputEvent;
} // namespace KavirelDLL

// The game window: a desktop window whose client area is the command line's resolution (800x600 unless "res"
// says otherwise), framed in window mode, without a frame with "noframe", the desktop's full screen
// otherwise. It opens hidden (start-up shows it) with the title, centred on the work area and shifted by the
// offsets. Null, with the reason logged, when the desktop refuses it.
std::unique_ptr<KavirelDLL::CDisplay> createMainWindow(KavirelDLL::CVideo& video,
                                                       KavirelDLL::CCommandLine6& commandLine,
                                                       const KavirelDLL::CXString& title, int xOffset,
                                                       int yOffset);

// The window procedure: hands one event of the game window to the engine window. Nothing happens while the
// engine window does not exist. Keys and the mouse are not window events here: the engine's pollers read
// them, as its own input devices did.
void MainWindowProc(KavirelDLL::CWindow* window, const KavirelDLL::CInputEvent& event);

// The lowest a window's client origin is reported to the engine.
constexpr int kLowestReportedTop = 800;
