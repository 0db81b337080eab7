#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// A tile pattern. It loads with its definition; drawing comes with the script media objects.
class CMC_Pattern : public CMC_PendingObject {
public:
    CMC_Pattern(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_PATTERN, "PATTERN") {}

    // Null until the object draws something.
    CGraphicsObject* getPattern() { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_Pattern_Runner, "PATTERN");

} // namespace KavirelDLL
