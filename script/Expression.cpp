#include "script/Expression.h"

#include "core/Elements.h"
#include "script/PendingObject.h"

namespace KavirelDLL {

CMC_Expression::CMC_Expression(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_EXPRESSION),
      m_definition(CMC_PendingObject::copyDefinition(element)) {
    CMC_PendingObject::announce("EXPRESSION", TYPE_EXPRESSION);
}

CMC_Expression::~CMC_Expression() {
    delete m_definition;
}

void CMC_Expression::calculate() {
    CMC_PendingObject::notBuilt(this, "EXPRESSION", "calculating an expression");
}

CMC_Variable* CMC_Expression::getResult() {
    return nullptr;
}

bool CMC_Expression::isStill() {
    return true;
}

} // namespace KavirelDLL
