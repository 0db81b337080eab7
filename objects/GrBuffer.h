#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A graphics buffer. It loads with its definition; the buffer comes with the script media objects.
class CMC_GrBuffer : public CMC_PendingObject {
public:
    CMC_GrBuffer(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_GRBUFFER, "GRBUFFER") {}
};

KAVIREL_PENDING_RUNNER(CMC_GrBuffer_Runner, "GRBUFFER");

} // namespace KavirelDLL
