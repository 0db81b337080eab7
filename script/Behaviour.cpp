#include "script/Behaviour.h"

#include "core/Elements.h"
#include "script/ObjectsContainer.h"
#include "script/PendingObject.h"

namespace KavirelDLL {

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* scene) : CMC_Object(CXString(""), TYPE_BEHAVIOUR) {
    if (scene) setScene(scene);
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_BEHAVIOUR) {
    if (element) {
        m_code = stripBraces(element->getPropertyValue("CODE"));
        m_conditionName = element->getPropertyValue("CONDITION");
    }
    initializeBehaviours(scene, element);
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* scene, const CXString& name, const CXString& code)
    : CMC_Object(name, TYPE_BEHAVIOUR), m_code(stripBraces(code)) {
    if (scene) setScene(scene);
}

CMC_Behaviour::~CMC_Behaviour() = default;

CXString CMC_Behaviour::stripBraces(const CXString& code) {
    CXString text = code;
    text.AllTrim();
    if (text.GetAt(0) == '{') text = text.Right(1);
    if (text.GetLength() > 0 && text.lastChar() == '}') text = text.Left(text.GetLength() - 1);
    text.AllTrim();
    return text;
}

CXString** CMC_Behaviour::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"});
}

bool CMC_Behaviour::run(CMC_Object*, CXArray*, bool) {
    CMC_PendingObject::notBuilt(this, "BEHAVIOUR", "running behaviour code");
    return false;
}

void CMC_Behaviour::resolveCondition() {
    CMC_ObjectsContainer* scene = getScene();
    if (!m_conditionName.IsString() || !scene) return;
    m_condition.set(scene->getObject(m_conditionName), scene);
}

} // namespace KavirelDLL
