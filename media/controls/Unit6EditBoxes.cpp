// The scene unit's edit boxes: made, focused, walked with Tab and Shift+Tab, and deleted.
#include "core/Containers.h"
#include "display/Window.h"
#include "input/Keyboard.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"

namespace KavirelDLL {

namespace {

constexpr int kTab = 15;

} // namespace

void CUnit6::setCursor(CGraphicsObject* cursor) { m_editBoxCursor = cursor; }

CEditBox6* CUnit6::addEditBox(CSimpleFont6* font, CXRect rect, int priority, CXString text) {
    auto* box = new CEditBox6(m_window, this, font, rect, priority, text);
    if (m_editBoxCursor) box->setCursor(m_editBoxCursor);
    m_editBoxes->add(box);
    return box;
}

void CUnit6::removeEditBox(CEditBox6* box) {
    if (!box) return;
    if (box == m_currentEditBox) m_currentEditBox = nullptr;
    if (m_editBoxes) m_editBoxes->remove(box);
}

void CUnit6::activateEditBox(CEditBox6* box) {
    CEditBox6* old = m_currentEditBox;
    m_currentEditBox = box;
    // The old box's handlers may switch the focus again, or delete the box given: the last word stays.
    if (old) old->activate(false);
    if (box && box == m_currentEditBox) box->activate(true);
}

void CUnit6::flushEditBoxes() {
    m_currentEditBox = nullptr;
    if (!m_editBoxes) return;
    // Each box leaves the list as it is deleted, and a box's handlers may delete others.
    while (m_editBoxes->getSize() > 0) {
        auto* box = static_cast<CEditBox6*>(m_editBoxes->at(m_editBoxes->getSize() - 1));
        m_editBoxes->removeAt(m_editBoxes->getSize() - 1);
        delete box;
    }
    m_currentEditBox = nullptr;
}

int CUnit6::getCurrentEditBoxIndex() {
    if (!m_editBoxes || m_editBoxes->getSize() == 0 || !m_currentEditBox) return -1;
    return m_editBoxes->find(m_currentEditBox);
}

void CUnit6::nextEditBox() {
    const int current = getCurrentEditBoxIndex();
    if (current < 0) return;
    const int count = m_editBoxes->getSize();
    for (int step = 1; step <= count; ++step) {
        auto* box = static_cast<CEditBox6*>(m_editBoxes->at((current + step) % count));
        if (!box->isEnabled()) continue;
        if (box != m_currentEditBox) activateEditBox(box);
        return;
    }
}

void CUnit6::prevEditBox() {
    const int current = getCurrentEditBoxIndex();
    if (current < 0) return;
    const int count = m_editBoxes->getSize();
    for (int step = 1; step <= count; ++step) {
        auto* box = static_cast<CEditBox6*>(m_editBoxes->at((current - step + count) % count));
        if (!box->isEnabled()) continue;
        if (box != m_currentEditBox) activateEditBox(box);
        return;
    }
}

// Each box minds its own focus (a press outside it, a release on its button), so the unit takes no mouse
// event for them.
bool CUnit6::editBoxesOnMouse(int, CXPoint) { return false; }

bool CUnit6::editBoxesOnKey(int key) {
    if (key != kTab) return false;
    CKeyboard* keyboard = m_window ? m_window->getKeyboardInterface() : nullptr;
    if (keyboard && (keyboard->isKeyPressed("lshift") || keyboard->isKeyPressed("rshift")))
        prevEditBox();
    else
        nextEditBox();
    return true;
}

} // namespace KavirelDLL
