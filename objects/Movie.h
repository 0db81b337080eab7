#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A movie. It loads with its definition; playback comes with the script media objects.
class CMC_Movie : public CMC_PendingObject {
public:
    CMC_Movie(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_MOVIE, "MOVIE") {}
};

KAVIREL_PENDING_RUNNER(CMC_Movie_Runner, "MOVIE");

} // namespace KavirelDLL
