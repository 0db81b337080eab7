#include "script/ObjectsContainer.h"

#include <cstring>

#include "core/Elements.h"
#include "core/Log.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "script/Behaviour.h"
#include "script/Groupped.h"
#include "script/Scene.h"
#include "script/TypeRegistry.h"
#include "script/Variable.h"

namespace KavirelDLL {

namespace {

// Parent chains are short; a longer one is a loop, and a lookup must not follow it for ever.
constexpr int kMaxParentDepth = 64;
int g_lookupDepth = 0;

struct DepthGuard {
    DepthGuard() { ++g_lookupDepth; }
    ~DepthGuard() { --g_lookupDepth; }
    bool tooDeep() const { return g_lookupDepth > kMaxParentDepth; }
};

CXString typeOf(CMElement* element) {
    CMProperties* properties = element ? element->getProperties() : nullptr;
    CMProperty* type = properties ? properties->get("TYPE") : nullptr;
    return type ? type->getValue() : CXString("");
}

} // namespace

uint64_t CMC_ObjectsContainer::s_lookupGeneration = 0;
uint64_t CMC_ObjectsContainer::s_nameGenerations[CMC_ObjectsContainer::kNameShares] = {};
uint64_t CMC_ObjectsContainer::s_lastNameGeneration = 0;

int CMC_ObjectsContainer::nameShare(const char* name, int length) {
    if (!name) length = 0;
    while (length >= 2 && name[length - 2] == '_' && name[length - 1] == '0') length -= 2;
    uint32_t hash = 2166136261u;
    for (int i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(name[i])) * 16777619u;
    return static_cast<int>(hash % kNameShares);
}

namespace {

// The last change of a share's names: an object stored in a container under a name, taking the share from
// one generation to another while the lookup generation stood.
struct ShareChange {
    uint64_t lookupGeneration = UINT64_MAX;
    uint64_t before = 0;
    uint64_t after = 0;
    const CMC_ObjectsContainer* container = nullptr;
    const CMC_Object* object = nullptr;
    CXString name;
    // The serial of the key stored then: the same serial is the same name.
    uint64_t keySerial = 0;
};

// Never destroyed: containers may still change while the program's statics go. Made by the first container (a
// plain pointer, so no static's order matters).
ShareChange* g_shareChanges = nullptr;

// Only containers change the record, so it is there.
inline ShareChange& shareChange(int share) { return g_shareChanges[share]; }

uint64_t g_lastKeySerial = 0;

} // namespace

CMC_ObjectsContainer::NameKey::NameKey(const CXString& name)
    : CStringHashCode(name), share(nameShare(name.GetBuffer(), name.GetLength())), serial(++g_lastKeySerial) {}

void CMC_ObjectsContainer::NameKey::rename(const CXString& name) {
    set(name);
    share = nameShare(name.GetBuffer(), name.GetLength());
    serial = ++g_lastKeySerial;
}

inline void CMC_ObjectsContainer::nameAdded(const CMC_Object* object, const NameKey* key) {
    uint64_t& generation = s_nameGenerations[key->share];
    const ShareChange& last = shareChange(key->share);
    // The same object stored here under the same name from the same state: the names read as they did then.
    if (last.before == generation && last.object == object && last.container == this &&
        last.lookupGeneration == s_lookupGeneration &&
        (last.keySerial == key->serial || sameText(last.name, key->text()))) {
        generation = last.after;
        return;
    }
    nameChanged(object, key);
}

void CMC_ObjectsContainer::nameChanged(const CMC_Object* object, const NameKey* key) {
    uint64_t& generation = s_nameGenerations[key->share];
    ShareChange& last = shareChange(key->share);
    last.lookupGeneration = s_lookupGeneration;
    last.before = generation;
    last.after = ++s_lastNameGeneration;
    last.container = this;
    last.object = object;
    last.name = key->text();
    last.keySerial = key->serial;
    generation = last.after;
}

inline void CMC_ObjectsContainer::nameRemoved(const CMC_Object* object, int share) {
    uint64_t& generation = s_nameGenerations[share];
    const ShareChange& last = shareChange(share);
    // Nothing changed since that object was stored here (so under that name): the names read as they did
    // before. The record stays, for the same object stored here again.
    if (last.after == generation && last.object == object && last.container == this &&
        last.lookupGeneration == s_lookupGeneration) {
        generation = last.before;
        return;
    }
    generation = ++s_lastNameGeneration;
}

CMC_ObjectsContainer::CMC_ObjectsContainer(CWindow* window, CMC_ObjectsContainer* scene, CMElement* element,
                                           int type)
    : CMC_Object(scene, element, type), m_lookupKey(new CStringHashCode("temp")),
      m_objects(new CXVector(1001, 0.75f)), m_internetObjects(new std::vector<CMC_ObjectHandle>()),
      m_names(new CHashtable(10001, 1.0, true)), m_window(window) {
    if (!g_shareChanges) g_shareChanges = new ShareChange[kNameShares];
    setScene(scene);
}

CMC_ObjectsContainer::CMC_ObjectsContainer(CWindow* window, CMC_ObjectsContainer* scene, const CXString& name,
                                           int type)
    : CMC_Object(name, type), m_lookupKey(new CStringHashCode("temp")), m_objects(new CXVector(1001, 0.75f)),
      m_internetObjects(new std::vector<CMC_ObjectHandle>()), m_names(new CHashtable(10001, 1.0, true)),
      m_window(window) {
    if (!g_shareChanges) g_shareChanges = new ShareChange[kNameShares];
    setScene(scene);
}

CMC_ObjectsContainer::~CMC_ObjectsContainer() {
    releaseAnchor();
    ++s_lookupGeneration;
    // Owned objects that were never unloaded go with the container; every object forgets it. A
    // destructor may delete another listed object, so each is reached through its anchor.
    std::vector<std::shared_ptr<CMC_ObjectAnchor>> listed;
    for (int i = 0; m_objects && i < m_objects->getSize(); ++i)
        listed.push_back(static_cast<CMC_Object*>(m_objects->at(i))->anchor());
    delete m_objects;
    m_objects = nullptr;
    for (auto& anchor : listed) {
        CMC_Object* object = anchor->object;
        if (!object || object == this) continue;
        object->releasedBy(this);
        if (isOwnedType(object->getType())) delete object;
    }
    delete m_lookupKey;
    delete m_names;
    delete m_internetObjects;
    delete m_internetSnapshot;
    for (NameKey* spare : m_spareKeys) delete spare;
}

CMC_Object* CMC_ObjectsContainer::findHere(const char* name) {
    return findHere(name ? name : "", name ? static_cast<int>(std::strlen(name)) : 0);
}

CMC_Object* CMC_ObjectsContainer::findHere(const char* name, int length) {
    if (!m_names) return nullptr;
    // The names table holds only text keys.
    return static_cast<CMC_Object*>(m_names->getText(name, length, CStringHashCode::hashOf(name, length)));
}

CMC_Object* CMC_ObjectsContainer::getObject(const char* name) {
    if (!name) return nullptr;
    return lookUp(name, static_cast<int>(std::strlen(name)));
}

CMC_Object* CMC_ObjectsContainer::lookUp(const char* name, int length) {
    if (CMC_Object* found = findHere(name, length)) return found;
    DepthGuard guard;
    if (guard.tooDeep()) return nullptr;
    if (length >= 2 && name[length - 2] == '_' && name[length - 1] == '0') {
        // Clone 0 of an object is the object itself.
        CXString source(name);
        source.left(length - 2);
        if (CMC_Object* found = lookUp(source.GetBuffer(), source.GetLength())) return found;
    }
    CMC_ObjectsContainer* parent = getParent();
    return parent && parent != this ? parent->lookUp(name, length) : nullptr;
}

CMC_Object* CMC_ObjectsContainer::getObject(int index) {
    if (!m_objects || index < 0 || index >= m_objects->getSize()) return nullptr;
    return static_cast<CMC_Object*>(m_objects->at(index));
}

int CMC_ObjectsContainer::getElementsNo() { return m_names ? m_names->getSize() : 0; }

int CMC_ObjectsContainer::getObjectId(const CXString& name) {
    for (int i = 0; m_objects && i < m_objects->getSize(); ++i)
        if (static_cast<CMC_Object*>(m_objects->at(i))->name().equals(name)) return i;
    return -1;
}

CXVector* CMC_ObjectsContainer::getObjectsOfType(int type) {
    auto* result = new CXVector(101, 0.75f);
    CXVector* values = m_names ? m_names->getElements() : nullptr;
    for (int i = 0; values && i < values->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(values->at(i));
        if (object->getType() == type) result->add(object);
    }
    return result;
}

void CMC_ObjectsContainer::getObjects(const CXString& typeName, CMC_Groupped* group) {
    if (!group) return;
    group->removeAll();
    int type = getTypeId(typeName);
    CXVector* values = m_names ? m_names->getElements() : nullptr;
    for (int i = 0; values && i < values->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(values->at(i));
        if (object->getType() == type) group->add(object);
    }
}

CMC_Variable* CMC_ObjectsContainer::getVariable(const char* name) {
    CMC_Object* object = getObject(name);
    if (!object) return nullptr;
    int type = object->getType();
    if (type < TYPE_INTEGER || type > TYPE_DOUBLE) return nullptr;
    return static_cast<CMC_Variable*>(object);
}

inline void CMC_ObjectsContainer::takeName(CMC_Object* object) {
    const CXString& name = object->name();
    // The table holds only name keys.
    auto* key = static_cast<NameKey*>(
        m_names->takeOut(CStringHashCode::hashOf(name.GetBuffer(), name.GetLength()), object));
    if (!key) [[unlikely]] {
        takeLostName(object);
        return;
    }
    nameRemoved(object, key->share);
    constexpr size_t kMaxSpareKeys = 16;
    if (m_spareKeys.size() < kMaxSpareKeys) [[likely]]
        m_spareKeys.push_back(key);
    else
        delete key;
}

void CMC_ObjectsContainer::takeLostName(CMC_Object* object) {
    // Renamed since it was stored: the name it was stored under is not known here.
    m_names->remove(object);
    ++s_lookupGeneration;
}

void CMC_ObjectsContainer::addObject(CMC_Object* object) {
    if (!object || !m_names) return;
    // Mostly a local of every round: stored under the name taken out last (its key on top of the spares, hash
    // and share known), in a free bucket, by the container that let it go last and lists it no more.
    if (!m_spareKeys.empty() && !object->m_holders.empty()) {
        NameKey* own = m_spareKeys.back();
        CMC_Object::Holder& holder = object->m_holders.back();
        const CXString& name = object->name();
        if (holder.container->object == this && !holder.listed && m_objects->fits(1) &&
            sameText(own->text(), name) && m_names->putIfFree(own, own->CStringHashCode::getHashcode(), object)) {
            m_spareKeys.pop_back();
            m_objects->appendFitting(object);
            holder.listed = true;
            nameAdded(object, own);
            return;
        }
    }
    storeAnyhow(object);
}

void CMC_ObjectsContainer::storeAnyhow(CMC_Object* object) {
    const CXString& name = object->name();
    // Mostly the name taken out last: its key comes back with hash and share.
    NameKey* own = nullptr;
    if (!m_spareKeys.empty() && sameText(m_spareKeys.back()->text(), name)) {
        own = m_spareKeys.back();
        m_spareKeys.pop_back();
    }
    const int hash =
        own ? own->CStringHashCode::getHashcode() : CStringHashCode::hashOf(name.GetBuffer(), name.GetLength());
    int bucket = m_names->bucketOf(hash);
    auto* old = static_cast<CMC_Object*>(m_names->getTextIn(bucket, name.GetBuffer(), name.GetLength(), hash));
    if (old == object) {
        if (own) m_spareKeys.push_back(own);
        return;
    }
    if (old) {
        removeObject(old);
        // Applications, episodes and scenes are listed here, never owned.
        if (isOwnedType(old->getType()) && old != this) delete old;
        // A destructor may have changed the table.
        bucket = m_names->bucketOf(hash);
    }
    // Only an object that has this container among its holders can be listed here already.
    if (object->listedBy(this) && m_objects->findFromEnd(object) >= 0) {
        // Stored before under another name: only the name changes.
        takeName(object);
    } else {
        m_objects->append(object);
    }
    if (!own) {
        if (m_spareKeys.empty()) {
            own = new NameKey(name);
        } else {
            own = m_spareKeys.back();
            m_spareKeys.pop_back();
            if (!sameText(own->text(), name)) own->rename(name);
        }
    }
    m_names->putIn(bucket, own, hash, object);
    object->heldBy(this);
    nameAdded(object, own);
}

bool CMC_ObjectsContainer::removeObject(CMC_Object* object) {
    if (!object || !m_objects) return false;
    // Recent objects (locals) are near the end of the list, mostly last.
    if (!m_objects->removeLastIf(object) && !unlist(object)) return false;
    takeName(object);
    object->releasedBy(this);
    return true;
}

bool CMC_ObjectsContainer::unlist(CMC_Object* object) {
    const int at = m_objects->findFromEnd(object);
    if (at < 0) return false;
    m_objects->removeAt(at);
    return true;
}

void CMC_ObjectsContainer::forgetObject(CMC_Object* object) {
    if (!m_objects || !m_objects->contains(object)) return;
    m_names->remove(object);
    m_objects->remove(object);
    ++s_lookupGeneration;
}

CMC_ObjectsContainer* CMC_ObjectsContainer::getParent() {
    return static_cast<CMC_ObjectsContainer*>(m_parent.current());
}

void CMC_ObjectsContainer::setParent(CMC_ObjectsContainer* parent) {
    if (CMC_ObjectsContainer* old = getParent()) {
        if (CMC_ObjectsContainer* grand = old->getParent()) removeObject(grand);
        removeObject(old);
    }
    m_parent.set(parent);
    ++s_lookupGeneration;
    if (parent && parent != this) {
        if (CMC_ObjectsContainer* grand = parent->getParent()) addObject(grand);
        addObject(parent);
    }
}

void CMC_ObjectsContainer::setLookupParent(CMC_ObjectsContainer* parent) {
    m_parent.set(parent);
    ++s_lookupGeneration;
}

CXVector* CMC_ObjectsContainer::getInternetObjects() {
    if (!m_internetSnapshot) m_internetSnapshot = new CXVector(7, 0.75f);
    m_internetSnapshot->removeAll();
    std::erase_if(*m_internetObjects, [](const CMC_ObjectHandle& h) { return !h.current(); });
    for (const CMC_ObjectHandle& handle : *m_internetObjects) m_internetSnapshot->add(handle.current());
    return m_internetSnapshot;
}

void CMC_ObjectsContainer::onSubSceneDone(CMC_ObjectsContainer* container) {
    DepthGuard guard;
    if (guard.tooDeep()) return;
    // Handlers do not run here, but a copy keeps the walk independent of the table's order.
    std::vector<CMC_ObjectHandle> objects;
    CXVector* values = m_names ? m_names->getElements() : nullptr;
    for (int i = 0; values && i < values->getSize(); ++i)
        objects.emplace_back(static_cast<CMC_Object*>(values->at(i)));
    for (CMC_ObjectHandle& handle : objects)
        if (CMC_Object* object = handle.current()) object->onSceneDone(container);
    CMC_ObjectsContainer* parent = getParent();
    if (parent && parent != this) parent->onSubSceneDone(container);
}

void CMC_ObjectsContainer::unload() {
    if (!m_names) return;
    // Ending objects runs their handlers, which may add, remove or delete objects, this container
    // included: walk handles, and stop once the container is gone.
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    std::vector<CMC_ObjectHandle> objects;
    for (int i = 0; i < m_objects->getSize(); ++i)
        objects.emplace_back(static_cast<CMC_Object*>(m_objects->at(i)));
    for (int step = 0; step < 3; ++step) {
        for (CMC_ObjectHandle& handle : objects) {
            CMC_Object* object = handle.current();
            if (!object) continue;
            bool classes = object->getType() == TYPE_CLASS;
            if (step == 0 ? !classes : classes || object->doneFirst() != (step == 1)) continue;
            object->done(true);
            if (!self->object) return;
        }
    }

    // The lists are emptied before the deletions, so no destructor finds itself still listed here; a
    // destructor may delete another listed object, so each is reached through its anchor.
    std::vector<std::shared_ptr<CMC_ObjectAnchor>> listed;
    for (int i = 0; i < m_objects->getSize(); ++i)
        listed.push_back(static_cast<CMC_Object*>(m_objects->at(i))->anchor());
    delete m_names;
    m_names = new CHashtable(10001, 1.0, true);
    m_objects->removeAll();
    ++s_lookupGeneration;
    for (auto& anchor : listed) {
        CMC_Object* object = anchor->object;
        if (!object || object == this) continue;
        object->releasedBy(this);
        if (isOwnedType(object->getType())) delete object;
        if (!self->object) return;
    }
    if (hasHandler(1)) onSignal("ONDONE");
}

CMC_Object* CMC_ObjectsContainer::resolvePlugin(CMElement* element) {
    CMC_ObjectsContainer* scene = getScene();
    if (!scene) scene = this;
    int type = scene->getType();
    if (type < TYPE_APPLICATION || type > TYPE_SCENE) return nullptr;
    return static_cast<CMC_Scene*>(scene)->resolveEx(element);
}

CMC_Object* CMC_ObjectsContainer::makeObject(const CXString& type, CMElement* element, bool inResolve,
                                             bool* known) {
    const CMC_TypeInfo* entry = CMC_TypeRegistry::fromDefinition(type);
    *known = entry != nullptr;
    if (!entry) return resolvePlugin(element);
    CMC_ObjectsContainer* where = this;
    bool inScene = inResolve ? entry->sceneInResolve : entry->pass == 4;
    if (inScene && getScene()) where = getScene();
    CMC_Object* object = entry->fromDefinition(where, element);
    if (object && object->getType() == TYPE_INTERNET) m_internetObjects->emplace_back(object);
    return object;
}

CXVector* CMC_ObjectsContainer::resolve(CMElement* element, CMC_Groupped* group) {
    auto* result = new CXVector(101, 0.75f);
    if (!element) return result;
    bool known = false;
    CXString type = typeOf(element);
    CMC_Object* object = makeObject(type, element, true, &known);
    if (!object) {
        logMessage("%s: TYPE \"%s\" is not known; no object made", element->getName().GetBuffer(),
                   type.GetBuffer());
        return result;
    }
    result->add(object);
    if (group) {
        CXString** events = object->getBehavioursList();
        for (int e = 0; events && events[e]; ++e) {
            CXVector* bindings = object->getBehaviour(*events[e]);
            for (int i = 0; bindings && i < bindings->getSize(); ++i) {
                CMC_Behaviour* behaviour = static_cast<CMC_Binding*>(bindings->at(i))->getBehaviour();
                if (behaviour && behaviour->name().startsWith("beh_")) group->add(behaviour);
            }
        }
        deleteEventList(events);
    }
    return result;
}

CMElements* CMC_ObjectsContainer::resolveObjects(CMElements* elements) {
    auto* working = new CMElements(false);
    for (int i = 0; elements && i < elements->getSize(); ++i) working->CXVector::add(elements->at(i));
    if (!elements) return working;

    for (int pass = 1; pass <= 6; ++pass) {
        std::vector<CMElement*> walk;
        CXVector* source = pass == 1 ? static_cast<CXVector*>(elements) : working;
        for (int i = 0; i < source->getSize(); ++i) walk.push_back(static_cast<CMElement*>(source->at(i)));

        for (CMElement* element : walk) {
            CXString type = typeOf(element);
            if (!type.IsString()) continue;
            const CMC_TypeInfo* entry = CMC_TypeRegistry::fromDefinition(type);
            if (entry && entry->pass != pass) continue;
            if (!entry && pass != 6) continue;

            // One mouse, one keyboard and one canvas observer serve every container: a later element
            // binds its handlers to the object that exists.
            CMC_Object* shared = nullptr;
            if (entry && entry->sharedName &&
                (!entry->sharedOnlyByName || element->getName().equals(entry->sharedName)))
                shared = getObject(entry->sharedName);
            if (shared) {
                shared->initializeBehaviours(this, element);
                continue;
            }

            bool known = false;
            CMC_Object* object = makeObject(type, element, false, &known);
            if (!object) {
                if (!known)
                    logMessage("%s: TYPE \"%s\" is not known; no object made", element->getName().GetBuffer(),
                               type.GetBuffer());
                continue;
            }
            working->CXVector::remove(element);
            addObject(object);
        }

        if (pass == 4) {
            std::vector<CMC_ObjectHandle> behaviours;
            CXVector* values = m_names->getElements();
            for (int i = 0; values && i < values->getSize(); ++i) {
                auto* object = static_cast<CMC_Object*>(values->at(i));
                if (object->getType() == TYPE_BEHAVIOUR) behaviours.emplace_back(object);
            }
            for (CMC_ObjectHandle& handle : behaviours)
                if (CMC_Object* object = handle.current())
                    static_cast<CMC_Behaviour*>(object)->resolveCondition();
        }
    }
    return working;
}

// ---- graphics lookups ----

namespace {

// The graphics the object's type shows, as its registered type gives them.
CGraphicsObject* graphicsOf(CMC_Object* object) {
    const CMC_TypeInfo* type = CMC_TypeRegistry::find(object->getType());
    return type && type->graphics ? type->graphics(object) : nullptr;
}

} // namespace

CGraphicsObject* CMC_ObjectsContainer::getGraphicsObject(const CXString& target) {
    if (!target.IsString()) return nullptr;
    int bang = target.Find('!');
    CXString name = bang >= 0 ? target.Left(bang) : target;
    CMC_Object* object = getObject(name);
    if (!object) return nullptr;
    if (bang >= 0) {
        const CMC_TypeInfo* type = CMC_TypeRegistry::find(object->getType());
        if (type && type->frame) return type->frame(object, target.Right(bang + 1));
    }
    // A canvas observer stands for the whole screen.
    if (object->getType() == TYPE_CANVASOBSERVER)
        return m_window ? m_window->GetRefreshScreenInterface() : nullptr;
    return graphicsOf(object);
}

CXString CMC_ObjectsContainer::getGraphicsObjectName(CGraphicsObject* graphics, bool searchParents) {
    DepthGuard guard;
    if (graphics && !guard.tooDeep()) {
        CXVector* values = m_names ? m_names->getElements() : nullptr;
        for (int i = 0; values && i < values->getSize(); ++i) {
            auto* object = static_cast<CMC_Object*>(values->at(i));
            if (object->getType() == TYPE_CLASS && object != this) {
                // A member of a class instance answers with the instance's name.
                CXString inner =
                    static_cast<CMC_ObjectsContainer*>(object)->getGraphicsObjectName(graphics, false);
                if (!inner.equals("UNKNOWN")) return object->getName();
                continue;
            }
            if (graphicsOf(object) == graphics) return object->getName();
        }
        CMC_ObjectsContainer* parent = getParent();
        if (searchParents && parent && parent != this) return parent->getGraphicsObjectName(graphics, true);
    }
    return CXString("UNKNOWN");
}

} // namespace KavirelDLL
