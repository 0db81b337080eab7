#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// A bitmap font. It loads with its definition; the font comes with the script media objects.
class CMC_Font : public CMC_PendingObject {
public:
    CMC_Font(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_FONT, "FONT") {}
};

KAVIREL_PENDING_RUNNER(CMC_Font_Runner, "FONT");

} // namespace KavirelDLL
