#pragma once
#include "script/PendingObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// An image on the screen. It loads with its definition; the image itself comes with the script media objects.
class CMC_Image : public CMC_PendingObject {
public:
    CMC_Image(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_PendingObject(scene, element, TYPE_IMAGE, "IMAGE") {}
    explicit CMC_Image(CMC_ObjectsContainer* scene)
        : CMC_PendingObject(scene, CXString(""), TYPE_IMAGE, "IMAGE") {}

    // Null until the object draws something.
    CGraphicsObject* getImage() { return nullptr; }
};

KAVIREL_PENDING_RUNNER(CMC_Image_Runner, "IMAGE");

} // namespace KavirelDLL
