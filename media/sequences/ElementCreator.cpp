#include "media/sequences/ElementCreator.h"

#include "display/Image.h"
#include "media/anim/Animo6.h"
#include "media/sequences/SequencedPlayable.h"

namespace KavirelDLL {

CXObject* CMElementCreator::createObject(CWindow* window, CMElement* element) {
    if (!element || element->getPropertyValue("TYPE") != "IMAGE") return nullptr;
    CXString fileName = element->getPropertyValue("FILENAME");
    if (!fileName.IsString()) return nullptr;
    CImage* image = new CImage(window, fileName);
    image->Visible(element->getPropertyBoolValue("VISIBLE"));
    return image;
}

CPlayable* CMElementCreator::createPlayable(CWindow* window, CMElement* element) {
    if (!element) return nullptr;
    CXString type = element->getPropertyValue("TYPE");
    if (type == "ANIMO") {
        CXString fileName = element->getPropertyValue("FILENAME");
        if (!fileName.IsString()) return nullptr;
        return new CAnimo6(window, element);
    }
    if (type == "SEQUENCE") return new CSequencedPlayable(window, element);
    return nullptr;
}

} // namespace KavirelDLL
