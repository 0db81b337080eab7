// The engine window's routing of mouse and key events.
#include <vector>

#include "display/MouseListener.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "input/HotSpot.h"
#include "input/KeyListener.h"
#include "platform/Display.h"

namespace KavirelDLL {

namespace {

// The listeners from the top entry down. A listener may register or leave others while it is asked, so the
// walk is over a copy and skips whoever left.
std::vector<CMouseListener*> topDown(CSortedVector* list) {
    std::vector<CMouseListener*> items;
    if (!list) return items;
    for (int i = list->getSize() - 1; i >= 0; --i)
        items.push_back(static_cast<CMouseListenerEntry*>(list->at(i))->getListener());
    return items;
}

bool registered(CSortedVector* list, CMouseListener* listener) {
    if (!list) return false;
    for (int i = 0; i < list->getSize(); ++i)
        if (static_cast<CMouseListenerEntry*>(list->at(i))->getListener() == listener) return true;
    return false;
}

template <typename Ask>
bool askListeners(CSortedVector* list, Ask ask) {
    for (CMouseListener* listener : topDown(list))
        if (registered(list, listener) && ask(listener)) return true;
    return false;
}

std::vector<CKeyListener*> keyListeners(CXArray* list) {
    std::vector<CKeyListener*> items;
    if (!list) return items;
    for (int i = 0; i < list->getSize(); ++i) items.push_back(static_cast<CKeyListener*>(list->at(i)));
    return items;
}

} // namespace

// ---------------------------------------------------------------- mouse

int CWindow::OnMouseMove(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    if (m_active && m_windowed && m_windowDragged && m_hwnd) {
        const CPlatformPoint origin = m_hwnd->windowPosition();
        const CPlatformPoint moved{origin.x + p.x - m_catchX, origin.y + p.y - m_catchY};
        const CPlatformRect desktop = m_hwnd->desktopArea();
        if (moved.y < desktop.bottom && moved.x < desktop.right) m_hwnd->moveWindow(moved);
    }
    if (int result = CHotSpot::OnMouseEvent(HS_MOUSEMOVE, p, flags)) return result;
    return askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onMouseMove(p); }) ? 1 : 0;
}

int CWindow::OnLButtonDown(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    if (int result = CHotSpot::OnMouseEvent(HS_LBUTTONDOWN, p, flags)) return result;
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onClick(p) || l->onClick(0, p); });
    return 0;
}

int CWindow::OnLButtonUp(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    const int result = CHotSpot::OnMouseEvent(HS_LBUTTONUP, p, flags);
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onRelease(p) || l->onRelease(0, p); });
    return result;
}

int CWindow::OnLButtonDblClk(CXPoint p, int flags) {
    if (!m_mouseEnabled) return 0;
    const int result = CHotSpot::OnMouseEvent(HS_LBUTTONDBLCLK, p, flags);
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onDblClick(p); });
    return result;
}

int CWindow::OnMButtonDown(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    const int result = CHotSpot::OnMouseEvent(HS_MBUTTONDOWN, p, flags);
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onClick(1, p); });
    return result;
}

int CWindow::OnMButtonUp(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    const int result = CHotSpot::OnMouseEvent(HS_MBUTTONUP, p, flags);
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onRelease(1, p); });
    return result;
}

int CWindow::OnRButtonDown(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    const int result = CHotSpot::OnMouseEvent(HS_RBUTTONDOWN, p, flags);
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onClick(2, p); });
    return result;
}

int CWindow::OnRButtonUp(CXPoint p, int flags) {
    if (!m_mouseEnabled || flags) return 0;
    const int result = CHotSpot::OnMouseEvent(HS_RBUTTONUP, p, flags);
    askListeners(m_mouseListeners, [&](CMouseListener* l) { return l->onRelease(2, p); });
    return result;
}

// ---------------------------------------------------------------- keys

int CWindow::OnKeyDown(int code, int flags) {
    if (!m_application) return 0;
    int result = m_application->OnKeyDown(code, flags);
    if (result == 0) result = CHotSpot::OnKeyDown(code, flags);
    for (CKeyListener* listener : keyListeners(m_keyListeners))
        if (m_keyListeners->contains(listener)) listener->onKeyDown(code);
    return result;
}

int CWindow::OnKeyUp(int code, int) {
    for (CKeyListener* listener : keyListeners(m_keyListeners))
        if (m_keyListeners->contains(listener)) listener->onKeyUp(code);
    return 0;
}

int CWindow::OnChar(int ch, int) {
    for (CKeyListener* listener : keyListeners(m_keyListeners))
        if (m_keyListeners->contains(listener)) listener->onChar(static_cast<unsigned char>(ch));
    return 0;
}

int CWindow::__get_virtualkey_code(int virtualKey, int keyData) {
    switch (virtualKey) {
    case 13:
        return -50;
    case 16:
        return keyData == 0x2A0001 ? -45 : -44;
    case 17:
        return keyData == 0x1D0001 ? -48 : -47;
    case 32:
        return -39;
    case 33:
        return -52;
    case 34:
        return -51;
    case 35:
        return -53;
    case 36:
        return -54;
    case 37:
        return -43;
    case 38:
        return -41;
    case 39:
        return -42;
    case 40:
        return -40;
    case 45:
        return -56;
    case 46:
        return -55;
    default:
        return virtualKey;
    }
}

int CWindow::tranlateToChar(int scanCode) {
    static const char row1[] = "QWERTYUIOP"; // 16-25
    static const char row2[] = "ASDFGHJKL";  // 30-38
    static const char row3[] = "ZXCVBNM";    // 44-50
    if (scanCode >= 16 && scanCode <= 25) return row1[scanCode - 16];
    if (scanCode >= 30 && scanCode <= 38) return row2[scanCode - 30];
    if (scanCode >= 44 && scanCode <= 50) return row3[scanCode - 44];
    if (scanCode >= 2 && scanCode <= 10) return '1' + (scanCode - 2);
    if (scanCode == 11) return '0';
    if (scanCode == 57) return ' ';
    return 0;
}

} // namespace KavirelDLL
