#pragma once
#include <vector>

#include "core/XString.h"

namespace KavirelDLL {

class CGraphicsObject;
class CMElement;
class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Runner;
class CMC_Scene;

// One script type as the engine builds and runs it. Every part is optional: a type without a definition form
// is not made from a definition's TYPE, a type without a blank form is left out of caches, and so on.
struct CMC_TypeInfo {
    int id = 0;
    // The TYPE a definition names ("ANIMO", "STRUCT", "CANVAS_OBSERVER"), or the type's own name for a type
    // no definition makes; null for none.
    const char* name = nullptr;

    // From its element of a definition; the pass of CMC_ObjectsContainer::resolveObjects (1 to 6) that makes
    // it. Pass 4 makes it in the container's scene.
    CMC_Object* (*fromDefinition)(CMC_ObjectsContainer* container, CMElement* element) = nullptr;
    int pass = 0;
    // CMC_ObjectsContainer::resolve (the elements CNVLOADER loads) makes it in the container's scene.
    bool sceneInResolve = false;
    // One object serves every container: an element of the type binds its handlers to the object of this
    // name when there is one (only to an element of that very name when sharedOnlyByName).
    const char* sharedName = nullptr;
    bool sharedOnlyByName = false;

    // A blank object the binary cache reader fills with serialize (scene is null for a probe); a type
    // without one is left out of caches.
    CMC_Object* (*blank)(CMC_Scene* scene) = nullptr;
    // The empty object the CREATEOBJECT statement makes in a container; null where it makes none.
    CMC_Object* (*created)(CMC_ObjectsContainer* container) = nullptr;

    // The runner of its methods, made once by CMC_RunnerFactory::initialize; or the id of the type whose
    // runner it shares. Neither: the object brings its own (plug-in types) or has none.
    CMC_Runner* (*makeRunner)() = nullptr;
    int sharesRunnerOf = -1;

    // The graphics a script names by the object's name, and by "NAME!FRAME".
    CGraphicsObject* (*graphics)(CMC_Object* object) = nullptr;
    CGraphicsObject* (*frame)(CMC_Object* object, const CXString& frame) = nullptr;
};

// The table of script types. Each folder that defines types fills it with its own registration function
// (registerScriptTypes, registerObjectTypes, registerNetTypes), which kavirelRegisterTypes
// (shell/RegisterTypes.h) calls once before any world is built. The TYPE factory, the runner factory,
// CREATEOBJECT and the cache reader ask it.
class CMC_TypeRegistry {
public:
    // Adds a type; one of an id already there replaces it in place.
    static void add(const CMC_TypeInfo& info);
    static const CMC_TypeInfo* find(int id);
    // The type a definition's TYPE names: null when no type of that name has a definition form.
    static const CMC_TypeInfo* fromDefinition(const CXString& name);
    // The type CREATEOBJECT makes under that name; null.
    static const CMC_TypeInfo* created(const CXString& name);
    // Every type, in the order of registration.
    static const std::vector<CMC_TypeInfo>& all();

    template <typename T>
    static CMC_Runner* runner();
};

// Makers for the table's entries.
template <typename T>
CMC_Object* makeFromDefinition(CMC_ObjectsContainer* container, CMElement* element) {
    return new T(container, element);
}

template <typename T>
CMC_Runner* CMC_TypeRegistry::runner() {
    return new T();
}

// The script runtime's own types: values, collections, behaviours, containers, timers and tables.
void registerScriptTypes();

} // namespace KavirelDLL
