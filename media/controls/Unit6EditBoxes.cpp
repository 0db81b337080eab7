#include <set>
#include <string>

#include "core/Containers.h"
#include "core/Log.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"

// The unit's edit boxes. They come with the edit box itself; until then the operations that would make or
// focus one set ERR_NOT_BUILT and say so in the log.
namespace KavirelDLL {

namespace {

void notBuilt(CXObject* unit, const char* operation) {
    static std::set<std::string> told;
    unit->setErrorCode(ERR_NOT_BUILT);
    if (told.insert(operation).second) logMessage("scene unit: %s is not built yet", operation);
}

} // namespace

bool CUnit6::editBoxesOnMouse(int, CXPoint) { return false; }

bool CUnit6::editBoxesOnKey(int) { return false; }

void CUnit6::setCursor(CGraphicsObject* cursor) { m_editBoxCursor = cursor; }

CEditBox6* CUnit6::addEditBox(CSimpleFont6*, CXRect, int, CXString) {
    notBuilt(this, "edit boxes");
    return nullptr;
}

void CUnit6::activateEditBox(CEditBox6* box) {
    if (box) notBuilt(this, "edit boxes");
    m_currentEditBox = nullptr;
}

void CUnit6::removeEditBox(CEditBox6* box) {
    if (box && box == m_currentEditBox) m_currentEditBox = nullptr;
}

int CUnit6::getCurrentEditBoxIndex() { return -1; }

void CUnit6::nextEditBox() {}

void CUnit6::prevEditBox() {}

void CUnit6::flushEditBoxes() {
    m_currentEditBox = nullptr;
    for (int i = 0; m_editBoxes && i < m_editBoxes->getSize(); ++i) delete m_editBoxes->at(i);
    if (m_editBoxes) m_editBoxes->removeAll();
}

} // namespace KavirelDLL
