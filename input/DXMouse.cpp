#include "input/DXMouse.h"

#include "display/Window.h"
#include "platform/Input.h"

namespace KavirelDLL {

namespace {
CDXMouse* g_singleton = nullptr;
} // namespace

CDXMouse::CDXMouse(CWindow* window) : m_window(window) {
    m_signals.reserve(1001);
    g_singleton = this;
    initialize();
    if (m_window) m_window->addIPoller(this);
}

CDXMouse::~CDXMouse() {
    if (m_window) m_window->removeIPoller(this);
    m_signals.clear();
    release();
    if (g_singleton == this) g_singleton = nullptr;
}

CDXMouse* CDXMouse::getSingleton() { return g_singleton; }

bool CDXMouse::initialize() {
    m_device = m_window ? m_window->getDIIfc() : nullptr;
    if (!m_device) return false;
    const CPlatformPoint p = m_device->mousePosition();
    m_x = p.x;
    m_y = p.y;
    acquire(true);
    return true;
}

void CDXMouse::acquire(bool on) { m_acquired = on && m_device; }

void CDXMouse::release() {
    acquire(false);
    m_device = nullptr;
}

bool CDXMouse::updateSignal(int32_t type, CXPoint p) {
    for (CSignal& s : m_signals) {
        if (s.type != type) continue;
        s.x = p.x;
        s.y = p.y;
        return true;
    }
    return false;
}

void CDXMouse::append(int32_t type) { m_signals.push_back(CSignal{type, m_x, m_y}); }

void CDXMouse::tick() {
    if (!m_device) return;
    std::vector<CInputEvent> events;
    m_device->take(events, kInputMouse);
    if (!m_acquired) {
        // What came while the device was let go is lost, as an unacquired device loses it.
        acquire(true);
        return;
    }
    for (const CInputEvent& e : events) {
        switch (e.type) {
        case EInputEventType::MouseMove:
            m_x = e.x;
            m_y = e.y;
            if (!updateSignal(SIGNAL_MOVE, CXPoint(m_x, m_y))) append(SIGNAL_MOVE);
            break;
        case EInputEventType::MouseDown:
        case EInputEventType::MouseUp: {
            const bool down = e.type == EInputEventType::MouseDown;
            m_x = e.x;
            m_y = e.y;
            // The platform numbers the buttons as game scripts do: 0 left, 1 right, 2 middle.
            if (e.button == 0) {
                append(down ? SIGNAL_LDOWN : SIGNAL_LUP);
                m_left = down;
                if (down && e.clicks >= 2 && e.clicks % 2 == 0) append(SIGNAL_LDBLCLK);
            } else if (e.button == 1) {
                append(down ? SIGNAL_RDOWN : SIGNAL_RUP);
                m_right = down;
            } else if (e.button == 2) {
                append(down ? SIGNAL_MDOWN : SIGNAL_MUP);
                m_middle = down;
            }
            break;
        }
        default:
            break;
        }
    }
}

void CDXMouse::flushSignals(bool deliver) {
    // A handler may come back to the poller; it starts a fresh list.
    std::vector<CSignal> signals;
    signals.swap(m_signals);
    if (!deliver || !m_window) return;
    for (const CSignal& s : signals) {
        const CXPoint p(s.x, s.y);
        switch (s.type) {
        case SIGNAL_MOVE:
            m_window->OnMouseMove(p, 0);
            break;
        case SIGNAL_LDOWN:
            m_window->OnLButtonDown(p, 0);
            break;
        case SIGNAL_LUP:
            m_window->OnLButtonUp(p, 0);
            break;
        case SIGNAL_MDOWN:
            m_window->OnMButtonDown(p, 0);
            break;
        case SIGNAL_MUP:
            m_window->OnMButtonUp(p, 0);
            break;
        case SIGNAL_RDOWN:
            m_window->OnRButtonDown(p, 0);
            break;
        case SIGNAL_RUP:
            m_window->OnRButtonUp(p, 0);
            break;
        case SIGNAL_LDBLCLK:
            m_window->OnLButtonDblClk(p, 0);
            break;
        default:
            break;
        }
    }
}

} // namespace KavirelDLL
