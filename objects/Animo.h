#pragma once
#include "media/anim/Animo6.h"
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;
class CPlayable;

// An animation on the screen. It loads with its definition; the animation itself comes with the script media
// objects.
class CMC_Animo : public CMC_PendingObject {
public:
    CMC_Animo(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_ANIMO, "ANIMO") {}
    explicit CMC_Animo(CMC_ObjectsContainer* scene)
        : CMC_PendingObject(scene, CXString(""), TYPE_ANIMO, "ANIMO") {}

    // Null until the object draws something.
    CAnimo6* getAnimo() { return nullptr; }
    // Playables that borrow the object's animation (simple and speaking animations of sequences) register
    // here and leave when they go; the object will hand them a new animation, or none, when its own changes.
    void addSeq(CPlayable*) {}
    void removeSeq(CPlayable*) {}
    CGraphicsObject* getFrame(const CXString&) { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_Animo_Runner, "ANIMO");

} // namespace KavirelDLL
