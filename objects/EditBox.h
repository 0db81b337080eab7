#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// An edit box. It loads with its definition; the control comes with the script media objects.
class CMC_EditBox : public CMC_PendingObject {
public:
    CMC_EditBox(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_EDITBOX, "EDITBOX") {}
};

KAVIREL_PENDING_RUNNER(CMC_EditBox_Runner, "EDITBOX");

} // namespace KavirelDLL
