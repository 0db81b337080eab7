#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A movable dialog panel. It loads with its definition; the panel comes with the script media objects.
class CMC_Dialog : public CMC_PendingObject {
public:
    CMC_Dialog(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_DIALOG, "DIALOG") {}
};

KAVIREL_PENDING_RUNNER(CMC_Dialog_Runner, "DIALOG");

} // namespace KavirelDLL
