#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// A text on the screen. It loads with its definition; drawing comes with the script media objects.
class CMC_Text : public CMC_PendingObject {
public:
    CMC_Text(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_TEXT, "TEXT") {}

    // Null until the object draws something.
    CGraphicsObject* getText() { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_Text_Runner, "TEXT");

} // namespace KavirelDLL
