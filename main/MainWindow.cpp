#include "main/MainWindow.h"

#include <algorithm>

#include "core/CommandLine6.h"
#include "core/Log.h"
#include "display/Window.h"
#include "platform/Display.h"
#include "platform/Input.h"

using namespace KavirelDLL;

std::unique_ptr<CDisplay> createMainWindow(CVideo& video, CCommandLine6& commandLine, const CXString& title,
                                           int xOffset, int yOffset) {
    CDisplayMode mode;
    const CXSize size = commandLine.getResolution();
    mode.width = size.cx;
    mode.height = size.cy;
    mode.bitsPerPixel = 16;
    mode.fullScreen = !commandLine.isWindowMode();
    mode.frameless = commandLine.isNoFrame();
    mode.visible = false;
    mode.offsetX = xOffset;
    mode.offsetY = yOffset;
    mode.title = title.GetBuffer();
    std::unique_ptr<CDisplay> display = createSdlDisplay(video);
    if (!display->open(mode)) {
        logMessage("the game window (%dx%d) could not be opened: %s", mode.width, mode.height,
                   display->lastError().c_str());
        return nullptr;
    }
    return display;
}

void MainWindowProc(CWindow* window, const CInputEvent& event) {
    if (!window || event.type != EInputEventType::Window) return;
    switch (event.window) {
    case EWindowEvent::CloseRequested:
        window->OnDestroy();
        break;
    case EWindowEvent::FocusGained:
        window->OnActivateApp(true);
        break;
    case EWindowEvent::FocusLost:
        window->OnActivateApp(false);
        break;
    case EWindowEvent::Moved:
        if (window->GetRefreshScreenInterface()) {
            window->OnMove(event.x, std::min(event.y, kLowestReportedTop));
            window->Redraw(false);
        }
        break;
    case EWindowEvent::Exposed:
        // The desktop lost the window's picture: draw all of it again, at once when the game is not drawing.
        if (window->isWindowed() && window->GetRefreshScreenInterface()) {
            window->Invalidate();
            if (!window->isActive()) window->Redraw(true);
        }
        break;
    case EWindowEvent::Minimised:
    case EWindowEvent::Restored:
    case EWindowEvent::Resized:
    case EWindowEvent::RenderReset:
        break;
    }
}
