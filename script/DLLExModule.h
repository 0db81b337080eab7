#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Scene;
class CMElement;
class CPlatformModule;
class CXArchive;

// What a plug-in module hands the engine: objects of the types it knows, made from definition elements and
// from the binary scene cache. The first two operations are the module's own; the engine never calls them.
class CMC_ExternObject {
public:
    virtual void reserved0() {}
    virtual void reserved1() {}
    // An object for an element whose TYPE the engine does not know, or null.
    virtual CMC_Object* resolveObject(CMC_Scene* scene, CMElement* element) = 0;
    // An object of a type id the cache reader does not know that has read its image from the archive, or
    // null.
    virtual CMC_Object* restoreObject(int typeId, CXArchive* archive) = 0;

protected:
    // The module owns its interface.
    ~CMC_ExternObject() = default;
};

// The entry points a module exports with C linkage, looked up by these names.
using KavirelModuleCreate = void (*)(CMC_ObjectsContainer* container);
using KavirelModuleRelease = void (*)();
using KavirelModuleGetInterface = CMC_ExternObject* (*)();

// One loaded plug-in module of a scene. A module that did not load, or lacks an entry point, stays in the
// scene's list without an interface and is never called.
class CMC_DLLExModuleInterface : public CXObject {
public:
    // Loads the module from the library folder (CWindow::dllPath); a name without '.' gets ".dll", and a
    // ".dll" name is looked up as ".so". Then create(container) and getModuleInterface().
    CMC_DLLExModuleInterface(const CXString& name, CMC_ObjectsContainer* container);
    // release() when there is an interface, then the library is unloaded.
    ~CMC_DLLExModuleInterface() override;
    CMC_DLLExModuleInterface(const CMC_DLLExModuleInterface&) = delete;
    CMC_DLLExModuleInterface& operator=(const CMC_DLLExModuleInterface&) = delete;

    CMC_ExternObject* getModuleInterface() { return m_interface; }
    CXString getName() const { return m_name; }
    bool isLoaded() const;

private:
    CXString m_name;
    CMC_ExternObject* m_interface = nullptr;
    CPlatformModule* m_module;
    KavirelModuleCreate m_create = nullptr;
    KavirelModuleRelease m_release = nullptr;
    KavirelModuleGetInterface m_getInterface = nullptr;
};

} // namespace KavirelDLL
