#include "script/Array.h"

#include "script/Variable.h"

namespace KavirelDLL {

CMC_Array::CMC_Array(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_PendingObject(scene, element, TYPE_ARRAY, "ARRAY"), m_elements(new CXArray(101, 0.75f)) {}

CMC_Array::CMC_Array(CMC_ObjectsContainer* scene, const CXString& name)
    : CMC_PendingObject(scene, name, TYPE_ARRAY, "ARRAY"), m_elements(new CXArray(101, 0.75f)) {}

CMC_Array::~CMC_Array() {
    removeAll();
    delete m_elements;
}

void CMC_Array::add(CMC_Variable* value) {
    if (!value) return;
    CXObject* copy = value->clone();
    if (auto* variable = dynamic_cast<CMC_Variable*>(copy))
        m_elements->add(variable);
    else
        delete copy;
}

CMC_Variable* CMC_Array::get(int index) {
    if (index < 0 || index >= m_elements->getSize()) return nullptr;
    return static_cast<CMC_Variable*>(m_elements->at(index));
}

int CMC_Array::getSize() { return m_elements->getSize(); }

void CMC_Array::removeAll() {
    for (int i = 0; i < m_elements->getSize(); ++i) delete static_cast<CMC_Variable*>(m_elements->at(i));
    m_elements->removeAll();
}

} // namespace KavirelDLL
