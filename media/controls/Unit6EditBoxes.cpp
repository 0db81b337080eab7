// The scene unit's edit boxes: made, focused, walked with Tab and Shift+Tab, and deleted.
#include <memory>
#include <utility>
#include <vector>

#include "core/Containers.h"
#include "display/GraphicsObject.h"
#include "display/Window.h"
#include "input/Keyboard.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"

namespace KavirelDLL {

namespace {

constexpr int kTab = 15;

} // namespace

void CUnit6::setCursor(CGraphicsObject* cursor) {
    if (cursor == m_editBoxCursor) return;
    // The unit watches the dragged graphic too: that watch stays.
    if (m_editBoxCursor && m_editBoxCursor != m_draggedGraphic)
        m_editBoxCursor->removeInvalidateObserver(this);
    m_editBoxCursor = cursor;
    if (cursor) cursor->addInvalidateObserver(this);
}

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
    // The box may outlive the unit: it, and its button, work without one from now on.
    if (box->getUnit() == this) box->leaveUnit();
}

void CUnit6::activateEditBox(CEditBox6* box) {
    // A box being deleted (from its own focus-off handler) is never made current.
    if (box && box->isDying()) box = nullptr;
    CEditBox6* old = m_currentEditBox;
    m_currentEditBox = box;
    // The old box's handlers may switch the focus again, or delete the box given: the last word stays.
    if (old) old->activate(false);
    if (box && box == m_currentEditBox) box->activate(true);
}

void CUnit6::flushEditBoxes() {
    m_currentEditBox = nullptr;
    if (!m_editBoxes) return;
    // The boxes there now, front to back; each leaves the list as it is deleted. A box's handlers may delete
    // or remove others first, or make new ones, which stay: flushing those too might never end.
    std::vector<std::pair<CEditBox6*, std::shared_ptr<bool>>> boxes;
    for (int i = 0; i < m_editBoxes->getSize(); ++i) {
        auto* box = static_cast<CEditBox6*>(m_editBoxes->at(i));
        boxes.emplace_back(box, box->aliveToken());
    }
    for (auto& [box, alive] : boxes)
        if (*alive && m_editBoxes->contains(box)) delete box;
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
