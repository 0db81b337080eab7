#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A scroll. It loads with its definition; scrolling comes with the script media objects.
class CMC_Scroll : public CMC_PendingObject {
public:
    CMC_Scroll(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_SCROLL, "SCROLL") {}
};

KAVIREL_PENDING_RUNNER(CMC_Scroll_Runner, "SCROLL");

} // namespace KavirelDLL
