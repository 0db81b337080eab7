#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A path of points. It loads with its definition; its methods come with the collections.
class CMC_Path : public CMC_PendingObject {
public:
    CMC_Path(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_PATH, "PATH") {}
};

KAVIREL_PENDING_RUNNER(CMC_Path_Runner, "PATH");

} // namespace KavirelDLL
