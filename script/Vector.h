#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A vector of numbers. It loads with its definition; its arithmetic comes with the collections.
class CMC_Vector : public CMC_PendingObject {
public:
    CMC_Vector(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_VECTOR, "VECTOR") {}
};

KAVIREL_PENDING_RUNNER(CMC_Vector_Runner, "VECTOR");

} // namespace KavirelDLL
