#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A sequence of animations and sounds. It loads with its definition; playing comes with the script media
// objects.
class CMC_Sequence : public CMC_PendingObject {
public:
    CMC_Sequence(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_SEQUENCE, "SEQUENCE") {}
};

KAVIREL_PENDING_RUNNER(CMC_Sequence_Runner, "SEQUENCE");

} // namespace KavirelDLL
