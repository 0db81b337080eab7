// The script objects the engine window flushes at the end of every frame.
#include "display/Window.h"
#include "script/Object.h"

namespace KavirelDLL {

void CWindow::registerMCListener(CMC_Object* listener) {
    if (listener && m_mcListeners && !m_mcListeners->contains(listener)) m_mcListeners->add(listener);
}

void CWindow::removeMCListener(CMC_Object* listener) {
    if (m_mcListeners) m_mcListeners->remove(listener);
}

} // namespace KavirelDLL
