#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CSound4;

// A sound. It loads with its definition; playing comes with the script media objects.
class CMC_Sound : public CMC_PendingObject {
public:
    CMC_Sound(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_SOUND, "SOUND") {}
    explicit CMC_Sound(CMC_ObjectsContainer* scene)
        : CMC_PendingObject(scene, CXString(""), TYPE_SOUND, "SOUND") {}

    // Null until the object plays something.
    CSound4* getSound() { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_Sound_Runner, "SOUND");

} // namespace KavirelDLL
