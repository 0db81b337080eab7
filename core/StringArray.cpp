#include "core/StringArray.h"

#include "core/Containers.h"

namespace KavirelDLL {

CStringArray::CStringArray(bool unique) : m_list(new CXArray(101, 0.75f)), m_unique(unique) {}

CStringArray::~CStringArray() {
    removeAll();
    delete m_list;
}

void CStringArray::add(const CXString& s) {
    if (m_unique && contains(s)) return;
    m_list->add(new CXString(s));
}

void CStringArray::remove(const CXString& s) {
    for (int i = m_list->getSize() - 1; i >= 0; --i) {
        CXString* item = static_cast<CXString*>(m_list->at(i));
        if (item->equals(s)) {
            m_list->removeAt(i);
            delete item;
        }
    }
}

void CStringArray::removeAll() {
    for (int i = 0; i < m_list->getSize(); ++i) delete static_cast<CXString*>(m_list->at(i));
    m_list->removeAll();
}

bool CStringArray::contains(const CXString& s) {
    for (int i = 0; i < m_list->getSize(); ++i)
        if (static_cast<CXString*>(m_list->at(i))->equalsIgnoreCase(s)) return true;
    return false;
}

int CStringArray::getSize() { return m_list->getSize(); }

} // namespace KavirelDLL
