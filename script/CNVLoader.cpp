#include "script/CNVLoader.h"

#include <vector>

#include "core/Elements.h"
#include "core/ElementsLoader.h"
#include "script/Groupped.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"

namespace KavirelDLL {

namespace {

// Takes the object out of the container and deletes it, after its ONDONE; unless a handler deleted it or gave
// it to a container again.
void removeAndDelete(CMC_ObjectsContainer* container, CMC_Object* object) {
    if (!object) return;
    std::shared_ptr<CMC_ObjectAnchor> alive = object->anchor();
    container->removeObject(object);
    object->done(false);
    if (alive->object && !object->isHeld()) delete object;
}

} // namespace

CMC_CNVLoader::CMC_CNVLoader(CWindow* window, CMC_ObjectsContainer* container)
    : CMC_Object(CXString("CNVLOADER"), TYPE_CNVLOADER), m_window(window) {
    if (container) setScene(container);
}

void CMC_CNVLoader::load(const CXString& file) {
    CMC_ObjectsContainer* container = getScene();
    CMElements* elements = CMElementsLoader::load(m_window, file);
    m_lastLoaded = file;
    if (!elements) return;
    if (!container || container->getObject(file) || elements->getSize() == 0) {
        delete elements;
        return;
    }
    CMC_ObjectHandle containerHandle(container);
    auto* group = new CMC_Groupped(file, container);
    CMC_ObjectHandle groupHandle(group);
    for (int i = 0; i < elements->getSize(); ++i) {
        CXVector* made = container->resolve(elements->getAt(i), group);
        for (int m = 0; made && m < made->getSize(); ++m) {
            CMC_ObjectHandle object(static_cast<CMC_Object*>(made->at(m)));
            if (CMC_Object* live = object.current()) live->init();
            CMC_Object* live = object.current();
            if (!live || !containerHandle.current()) continue;
            container->addObject(live);
            if (!groupHandle.current()) continue;
            group->add(live);
            if (CXVector* temporaries = live->getTmpBehList())
                for (int t = 0; t < temporaries->getSize(); ++t)
                    group->add(static_cast<CMC_Object*>(temporaries->at(t)));
        }
        delete made;
        if (!containerHandle.current()) break;
    }
    delete elements;
    if (!groupHandle.current()) return;
    if (containerHandle.current())
        container->addObject(group);
    else
        delete group;
}

void CMC_CNVLoader::release(const CXString& file) {
    CMC_ObjectsContainer* container = getScene();
    if (!container) return;
    CMC_Object* found = container->getObject(file);
    if (!found || found->getType() != TYPE_GROUP) return;
    auto* group = static_cast<CMC_Groupped*>(found);
    CMC_ObjectHandle groupHandle(group);

    std::vector<CMC_ObjectHandle> members;
    CXVector* list = group->getList();
    for (int i = 0; list && i < list->getSize(); ++i)
        members.emplace_back(static_cast<CMC_Object*>(list->at(i)));

    for (CMC_ObjectHandle& handle : members) {
        CMC_Object* object = handle.current();
        if (!object || object->getType() != TYPE_BEHAVIOUR) continue;
        if (CMC_Groupped* live = static_cast<CMC_Groupped*>(groupHandle.current())) live->remove(object);
        removeAndDelete(container, object);
    }
    for (CMC_ObjectHandle& handle : members) {
        CMC_Object* object = handle.current();
        if (!object) continue;
        CXString name = object->getName();
        int clones = object->getClonesNo();
        for (int j = 1; j <= clones; ++j) {
            CMC_Object* clone = container->getObject(name + "_" + CXString::toString(j));
            if (clone && clone != object && CMC_ObjectsContainer::isOwnedType(clone->getType()))
                removeAndDelete(container, clone);
        }
        if (CMC_Object* still = handle.current();
            still && CMC_ObjectsContainer::isOwnedType(still->getType()))
            removeAndDelete(container, still);
    }
    if (CMC_Object* live = groupHandle.current()) {
        container->removeObject(live);
        if (!live->isHeld()) delete live;
    }
}

// ---- runner ----

void CMC_CNVLoader_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("LOAD", MTH_LOAD);
    addMethod("RELEASE", MTH_RELEASE);
}

CMC_Variable* CMC_CNVLoader_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                        CXVector* args) {
    if (!object || object->getType() != TYPE_CNVLOADER) return CMC_Runner::run(id, object, container, args);
    auto* loader = static_cast<CMC_CNVLoader*>(object);
    switch (id) {
    case MTH_LOAD: {
        if (argumentCount(args) < 1) return nullptr;
        CXString file = getParameterString(args, 0)->getValue();
        if (container) loader->setScene(container);
        loader->load(file);
        return nullptr;
    }
    case MTH_RELEASE:
        if (argumentCount(args) > 0) loader->release(getParameterString(args, 0)->getValue());
        return nullptr;
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
