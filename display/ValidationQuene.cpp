#include "display/ValidationQuene.h"

namespace KavirelDLL {

int CValidationElement::compare(CXObject* other) {
    auto* o = static_cast<CValidationElement*>(other);
    return o && m_priority > o->m_priority ? 1 : 0;
}

CValidationQuene::~CValidationQuene() { removeAll(); }

CValidationElement* CValidationQuene::add(CGraphicsObject* object, int priority, int flags) {
    auto* element = new CValidationElement(object, priority, flags);
    CSortedVector::add(element);
    return element;
}

CValidationElement* CValidationQuene::find(CGraphicsObject* object) {
    int i = getIndex(object);
    return i < 0 ? nullptr : elementAt(i);
}

int CValidationQuene::getIndex(CGraphicsObject* object) {
    for (int i = 0; i < m_count; ++i) {
        auto* e = static_cast<CValidationElement*>(m_items[i]);
        if (e && e->getObject() == object) return i;
    }
    return -1;
}

CValidationElement* CValidationQuene::first() {
    m_cursor = 0;
    return elementAt(m_cursor);
}

CValidationElement* CValidationQuene::next() {
    if (m_cursor < m_count) ++m_cursor;
    return elementAt(m_cursor);
}

CValidationElement* CValidationQuene::prev() {
    if (m_cursor >= 0) --m_cursor;
    return elementAt(m_cursor);
}

void CValidationQuene::clearMarks() {
    for (int i = 0; i < m_count; ++i)
        if (auto* e = elementAt(i)) e->setDrawn(false);
}

void CValidationQuene::remove(CGraphicsObject* object) {
    int i = getIndex(object);
    if (i < 0) return;
    CValidationElement* e = elementAt(i);
    removeAt(i);
    if (m_cursor > i) --m_cursor;
    delete e;
}

void CValidationQuene::removeAll() {
    for (int i = 0; i < m_count; ++i) delete static_cast<CValidationElement*>(m_items[i]);
    CSortedVector::removeAll();
    m_cursor = -1;
}

} // namespace KavirelDLL
