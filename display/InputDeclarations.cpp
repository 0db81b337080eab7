#include "core/Log.h"
#include "display/DXMouse.h"
#include "display/HotSpot.h"
#include "display/MouseListener.h"

namespace KavirelDLL {

int CMouseListenerEntry::compare(CXObject* other) {
    auto* o = static_cast<CMouseListenerEntry*>(other);
    // Only the sign counts; a difference could overflow.
    return o ? (m_priority > o->m_priority) - (m_priority < o->m_priority) : 0;
}

void CHotSpot::done() {}

CDXMouse::CDXMouse(CWindow* window) : m_window(window) {
    logMessage("mouse poller: not built yet, no mouse input reaches the engine");
    setErrorCode(ERR_NOT_BUILT);
}

} // namespace KavirelDLL
