#include "script/Class.h"

#include "core/Elements.h"

namespace KavirelDLL {

CMC_Class::CMC_Class(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_ObjectsContainer(scene ? scene->getWindow() : nullptr, scene, element, TYPE_CLASS) {
    if (element) {
        m_definition = element->getPropertyValue("DEF");
        m_bases = element->getPropertyValue("BASE");
    }
    setParent(scene);
    CMC_PendingObject::announce("CLASS", TYPE_CLASS);
}

} // namespace KavirelDLL
