#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

// Base of CONDITION and COMPLEXCONDITION. Conditions load with their definitions; evaluating them comes
// with the interpreter, and until then valid() answers false with ERR_NOT_BUILT.
class CMC_BasicCondition : public CMC_PendingObject {
public:
    CMC_BasicCondition(CMC_ObjectsContainer* scene, CMElement* element, int type, const char* typeName)
        : CMC_PendingObject(scene, element, type, typeName) {}

    virtual bool valid(bool fireEvents);
};

class CMC_Condition : public CMC_BasicCondition {
public:
    CMC_Condition(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_BasicCondition(scene, element, TYPE_CONDITION, "CONDITION") {}
};

class CMC_ComplexCondition : public CMC_BasicCondition {
public:
    CMC_ComplexCondition(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_BasicCondition(scene, element, TYPE_COMPLEXCONDITION, "COMPLEXCONDITION") {}
};

KAVIREL_PENDING_RUNNER(CMC_BasicCondition_Runner, "CONDITION");

} // namespace KavirelDLL
