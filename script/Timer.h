#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A script timer. It loads with its definition; ticking comes with the timer object.
class CMC_Timer : public CMC_PendingObject {
public:
    CMC_Timer(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_TIMER, "TIMER") {}
};

KAVIREL_PENDING_RUNNER(CMC_Timer_Runner, "TIMER");

} // namespace KavirelDLL
