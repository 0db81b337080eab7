#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// The observer of the screen canvas. It loads with its definition; its methods come with the script media
// objects.
class CMC_CanvasObserver : public CMC_PendingObject {
public:
    CMC_CanvasObserver(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_CANVASOBSERVER, "CANVAS_OBSERVER") {}
};

KAVIREL_PENDING_RUNNER(CMC_CanvasObserver_Runner, "CANVAS_OBSERVER");

} // namespace KavirelDLL
