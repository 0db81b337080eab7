#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// The mouse. It loads with its definition; input comes with the script input objects.
class CMC_Mouse : public CMC_PendingObject {
public:
    CMC_Mouse(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_MOUSE, "MOUSE") {}
};

KAVIREL_PENDING_RUNNER(CMC_Mouse_Runner, "MOUSE");

} // namespace KavirelDLL
