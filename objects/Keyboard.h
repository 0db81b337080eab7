#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// The keyboard, always named "KEYBOARD". It loads with its definition; input comes with the script input
// objects.
class CMC_Keyboard : public CMC_PendingObject {
public:
    CMC_Keyboard(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_KEYBOARD, "KEYBOARD") {
        setName("KEYBOARD");
    }
};

KAVIREL_PENDING_RUNNER(CMC_Keyboard_Runner, "KEYBOARD");

} // namespace KavirelDLL
