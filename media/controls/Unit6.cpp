#include "media/controls/Unit6.h"

namespace KavirelDLL {

CUnit6::CUnit6(CWindow* window, CXString name) : m_unitName(name), m_window(window) {}

bool CUnit6::onInitialUpdate() {
    m_initiallyUpdated = true;
    return true;
}

bool CUnit6::wasInitiallyUpdated() { return m_initiallyUpdated; }

bool CUnit6::isActive() { return m_active; }

void CUnit6::onTimer(int) {}

} // namespace KavirelDLL
