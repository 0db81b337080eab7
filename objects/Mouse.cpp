#include "objects/Mouse.h"

#include "display/Window.h"
#include "platform/Display.h"

namespace KavirelDLL {

CXRect CMC_Mouse::s_clip;

namespace {
CDisplay* currentDisplay() {
    CWindow* window = CWindow::getCurrentWindow();
    return window ? window->GetHwnd() : nullptr;
}
} // namespace

void CMC_Mouse::reset(bool forget) {
    if (forget) s_clip = CXRect();
    if (CDisplay* display = currentDisplay()) display->releaseCursorClip();
}

void CMC_Mouse::restore() {
    CDisplay* display = currentDisplay();
    if (!display) return;
    if (s_clip.Width() > 0 && s_clip.Height() > 0)
        display->clipCursor(CPlatformRect{s_clip.left, s_clip.top, s_clip.right, s_clip.bottom});
    else
        display->releaseCursorClip();
}

} // namespace KavirelDLL
