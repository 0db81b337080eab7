#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A multi-dimensional array. It loads with its definition; its cells and files come with the collections.
class CMC_MultiArray : public CMC_PendingObject {
public:
    CMC_MultiArray(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_MULTIARRAY, "MULTIARRAY") {}
};

KAVIREL_PENDING_RUNNER(CMC_MultiArray_Runner, "MULTIARRAY");

} // namespace KavirelDLL
