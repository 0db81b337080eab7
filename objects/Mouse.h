#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// The mouse. It loads with its definition; input comes with the script input objects.
class CMC_Mouse : public CMC_PendingObject {
public:
    CMC_Mouse(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_MOUSE, "MOUSE") {}

    // Releases the pointer's confinement, and with forget also drops the script's rectangle (a scene is
    // left).
    static void reset(bool forget);
    // Confines the pointer again to the script's rectangle when there is one (the game is active again).
    static void restore();
    // The script's confinement rectangle; an empty one confines nothing.
    static void setClipRect(const CXRect& rect) { s_clip = rect; }
    static CXRect getClipRect() { return s_clip; }

private:
    static CXRect s_clip;
};

KAVIREL_PENDING_RUNNER(CMC_Mouse_Runner, "MOUSE");

} // namespace KavirelDLL
