#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// The joystick. It loads with its definition; input comes with the script input objects.
class CMC_Joystick : public CMC_PendingObject {
public:
    CMC_Joystick(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_JOYSTICK, "JOYSTICK") {}
};

KAVIREL_PENDING_RUNNER(CMC_Joystick_Runner, "JOYSTICK");

} // namespace KavirelDLL
