#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// A virtual graphics object. It loads with its definition; drawing comes with the script media objects.
class CMC_VirtualGraphicsObject : public CMC_PendingObject {
public:
    CMC_VirtualGraphicsObject(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_VIRTUALGRAPHICSOBJECT, "VIRTUALGRAPHICSOBJECT") {}

    // Null until the object draws something.
    CGraphicsObject* getGraphicsObject() { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_VirtualGraphicsObject_Runner, "VIRTUALGRAPHICSOBJECT");

} // namespace KavirelDLL
