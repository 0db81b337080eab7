#pragma once
#include "script/ObjectsContainer.h"
#include "script/PendingObject.h"

namespace KavirelDLL {

// Base of the application, episodes and scenes. Only what the object factory asks of it exists so far;
// sub-scenes, caches, music and plug-in modules come with the scenes.
class CMC_Scene : public CMC_ObjectsContainer {
public:
    CMC_Scene(CWindow* window, CMC_ObjectsContainer* scene, const CXString& name, int type);

    // An object of a type the engine does not know, made by the scene's plug-in modules; null when
    // none answers.
    virtual CMC_Object* resolveEx(CMElement* element);
};

KAVIREL_PENDING_RUNNER(CMC_Scene_Runner, "SCENE");

} // namespace KavirelDLL
