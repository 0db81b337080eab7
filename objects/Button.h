#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A button. It loads with its definition; the control comes with the script media objects.
class CMC_Button : public CMC_PendingObject {
public:
    CMC_Button(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_BUTTON, "BUTTON") {}
    explicit CMC_Button(CMC_ObjectsContainer* scene)
        : CMC_PendingObject(scene, CXString(""), TYPE_BUTTON, "BUTTON") {}
};

KAVIREL_PENDING_RUNNER(CMC_Button_Runner, "BUTTON");

} // namespace KavirelDLL
