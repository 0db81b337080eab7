#include "script/Scene.h"

#include "core/Elements.h"

namespace KavirelDLL {

CMC_Scene::CMC_Scene(CWindow* window, CMC_ObjectsContainer* scene, const CXString& name, int type)
    : CMC_ObjectsContainer(window, scene, name, type) {
    // The scene of a scene is the scene itself, and it finds itself by name.
    if (!scene) setScene(this);
    addObject(this);
}

CMC_Object* CMC_Scene::resolveEx(CMElement* element) {
    CMC_PendingObject::notBuilt(this, "SCENE", "asking plug-in modules for an object");
    (void)element;
    return nullptr;
}

} // namespace KavirelDLL
