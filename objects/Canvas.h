#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// A canvas. It loads with its definition; drawing comes with the script media objects.
class CMC_Canvas : public CMC_PendingObject {
public:
    CMC_Canvas(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_CANVAS, "CANVAS") {}

    // Null until the object draws something.
    CGraphicsObject* getCanvas() { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_Canvas_Runner, "CANVAS");

} // namespace KavirelDLL
