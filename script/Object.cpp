#include "script/Object.h"

#include <algorithm>
#include <cstring>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Class.h"
#include "script/ObjectsContainer.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// One key for every binding lookup; the runtime is single-threaded.
CStringHashCode& bindingKey(const CXString& key) {
    static CStringHashCode lookup("temp");
    lookup.set(key.GetBuffer());
    return lookup;
}

// Counts read from a cache are bounded, so a damaged file cannot ask for unbounded work.
constexpr int kMaxStoredCount = 1 << 16;

} // namespace

// ---- CMC_ObjectHandle ----

CMC_ObjectHandle::CMC_ObjectHandle(CMC_Object* object, CMC_ObjectsContainer* lookIn) { set(object, lookIn); }

CMC_ObjectHandle::CMC_ObjectHandle(const CXString& name, CMC_ObjectsContainer* lookIn) : m_name(name) {
    if (lookIn) m_lookIn = lookIn->anchor();
}

void CMC_ObjectHandle::set(CMC_Object* object, CMC_ObjectsContainer* lookIn) {
    if (object) {
        m_anchor = object->anchor();
        m_name = object->name();
    } else {
        m_anchor.reset();
        m_name = "";
    }
    if (lookIn)
        m_lookIn = lookIn->anchor();
    else
        m_lookIn.reset();
}

void CMC_ObjectHandle::clear() {
    m_anchor.reset();
    m_lookIn.reset();
    m_name = "";
}

bool CMC_ObjectHandle::refersTo(const CMC_Object* object) const {
    return object && m_anchor && m_anchor->object == object;
}

CMC_ObjectsContainer* CMC_ObjectHandle::getLookIn() const {
    return m_lookIn ? static_cast<CMC_ObjectsContainer*>(m_lookIn->object) : nullptr;
}

CMC_Object* CMC_ObjectHandle::relink() {
    CMC_ObjectsContainer* container = getLookIn();
    if (!container || !m_name.IsString()) return nullptr;
    CMC_Object* found = container->getObject(m_name);
    if (found) m_anchor = found->anchor();
    return found;
}

// ---- CMC_Binding ----

CMC_Binding::CMC_Binding(CMC_Behaviour* behaviour, CXArray* args, CMC_ObjectsContainer* container)
    : m_behaviour(behaviour, container), m_container(container), m_args(args), m_ownArgs(nullptr) {}

CMC_Binding::CMC_Binding(const CXString& behaviourName, CXArray* args, CMC_ObjectsContainer* container,
                         bool placeholder)
    : m_behaviour(behaviourName, placeholder ? nullptr : container), m_container(container), m_args(args),
      m_ownArgs(nullptr), m_placeholder(placeholder) {}

CMC_Binding::~CMC_Binding() { freeArguments(m_lent ? m_ownArgs : m_args); }

CMC_Behaviour* CMC_Binding::getBehaviour() {
    if (m_placeholder) return nullptr;
    CMC_Object* object = m_behaviour.get();
    if (!object || object->getType() != TYPE_BEHAVIOUR) return nullptr;
    return static_cast<CMC_Behaviour*>(object);
}

void CMC_Binding::setBehaviour(CMC_Behaviour* behaviour, CMC_ObjectsContainer* lookIn) {
    m_behaviour.set(behaviour, lookIn);
    m_placeholder = false;
}

CXString CMC_Binding::getBehaviourName() const {
    CMC_Object* object = m_behaviour.current();
    return object ? object->getName() : m_behaviour.getName();
}

CMC_ObjectsContainer* CMC_Binding::getContainer() {
    return static_cast<CMC_ObjectsContainer*>(m_container.current());
}

bool CMC_Binding::madeBy(const CMC_ObjectsContainer* container) const {
    if (!container) return !m_container.current() && m_container.getName().GetLength() == 0;
    return m_container.refersTo(container);
}

void CMC_Binding::lendArguments(CXArray* args) {
    if (m_lent) return;
    m_ownArgs = m_args;
    m_args = args;
    m_lent = true;
}

void CMC_Binding::takeBackArguments() {
    if (!m_lent) return;
    m_args = m_ownArgs;
    m_ownArgs = nullptr;
    m_lent = false;
}

CMC_Binding* CMC_Binding::copy() const {
    CMC_Binding* result = new CMC_Binding(m_behaviour.getName(), copyArguments(m_lent ? m_ownArgs : m_args),
                                          nullptr, m_placeholder);
    result->m_behaviour = m_behaviour;
    result->m_container = m_container;
    return result;
}

CXArray* CMC_Binding::copyArguments(const CXArray* args) {
    if (!args) return nullptr;
    CXArray* result = new CXArray(std::max(args->getSize(), 1), 0.75f);
    for (int i = 0; i < args->getSize(); ++i) {
        auto* text = static_cast<CXString*>(args->at(i));
        result->add(new CXString(text ? *text : CXString("")));
    }
    return result;
}

void CMC_Binding::freeArguments(CXArray* args) {
    if (!args) return;
    for (int i = 0; i < args->getSize(); ++i) delete static_cast<CXString*>(args->at(i));
    delete args;
}

// ---- CMC_Object ----

CMC_Object::CMC_Object(const CXString& name, int type) : m_name(name), m_type(type) {}

CMC_Object::CMC_Object(CMC_ObjectsContainer* scene, CMElement* element, int type)
    : m_name(element ? element->getName() : CXString("")), m_type(type) {
    if (scene) m_scene.set(scene);
}

CMC_Object::~CMC_Object() {
    releaseAnchor();
    // Leave every container that still lists this object, so none keeps a pointer to it.
    std::vector<Holder> holders;
    holders.swap(m_holders);
    for (Holder& holder : holders)
        if (holder.listed && holder.container->object)
            static_cast<CMC_ObjectsContainer*>(holder.container->object)->forgetObject(this);
    clearBindings();
    delete m_tmpBehaviours;
    delete m_tmpSnapshot;
    for (CMC_Binding* binding : m_removedBindings) delete binding;
}

void CMC_Object::releaseAnchor() {
    // The calls in progress stop holding it.
    CMC_ArgumentsWatch::forget(this);
    if (!m_anchor) return;
    m_anchor->object = nullptr;
    // Runs on the stack may read it through runAnchor().
    if (CMC_Behaviour_Entry::isRunning()) CMC_Behaviour_Entry::keepAnchor(std::move(m_anchor));
}

const std::shared_ptr<CMC_ObjectAnchor>& CMC_Object::anchor() {
    if (!m_anchor) m_anchor = std::make_shared<CMC_ObjectAnchor>(this);
    return m_anchor;
}

void CMC_Object::heldByAnother(CMC_Object* container) {
    for (Holder& holder : m_holders)
        if (holder.container->object == container) {
            holder.listed = true;
            return;
        }
    // Entries of containers gone, or that let the object go, are dropped on the way.
    std::erase_if(m_holders, [](const Holder& h) { return !h.listed || !h.container->object; });
    m_holders.push_back({container->anchor(), true});
}

bool CMC_Object::canStartAfresh() const {
    // A plain local passes every check, so they go from the fewest reads up: counts and flags at once, then
    // the lists, each read only when it is there.
    if ((m_clones | m_signalDepth | m_guards | LastError()) != 0 || m_isClone || !m_override) return false;
    if (m_anchor && m_anchor.use_count() > 1) return false;
    for (const Holder& holder : m_holders)
        if (holder.listed && holder.container->object) return false;
    if ((m_bindings && m_bindings->getSize() > 0) || (m_tmpBehaviours && !m_tmpBehaviours->empty()) ||
        !m_removedBindings.empty())
        return false;
    if (m_class.current() || m_class.getName().IsString()) return false;
    for (unsigned char flag : m_handlerFlags)
        if (flag) return false;
    return true;
}

bool CMC_Object::isHeld() const {
    for (const Holder& holder : m_holders)
        if (holder.listed && holder.container->object) return true;
    return false;
}

void CMC_Object::releasedByAnother(const CMC_Object* container) {
    for (Holder& holder : m_holders)
        if (holder.container->object == container) holder.listed = false;
}

CXObject* CMC_Object::clone() { return nullptr; }

CXString CMC_Object::toString() { return m_name; }

void CMC_Object::init() {
    if (hasHandler(0)) onSignal("ONINIT");
}

bool CMC_Object::doneFirst() { return false; }

bool CMC_Object::done(bool) {
    if (hasHandler(1)) onSignal("ONDONE");
    return true;
}

void CMC_Object::setScene(CMC_ObjectsContainer* scene) { m_scene.set(scene); }

CMC_ObjectsContainer* CMC_Object::getScene() { return static_cast<CMC_ObjectsContainer*>(m_scene.current()); }

int CMC_Object::getClonesNo() { return m_clones; }

int CMC_Object::getCloneIdx() {
    int at = m_name.FindLast('_');
    if (at <= 0 || at == m_name.GetLength() - 1) return 0;
    return m_name.Right(at + 1).toNumber();
}

CXString CMC_Object::getCloneName() {
    ++m_clones;
    return m_name + "_" + CXString::toString(static_cast<int>(m_clones));
}

void CMC_Object::clone(CMC_Object* target) {
    if (!target || target == this) return;
    CMC_ObjectsContainer* scene = getScene();
    target->m_isClone = true;
    target->setScene(scene);
    target->setName(getCloneName());
    ensureEventList();
    target->m_events = m_events;
    target->m_eventCount = m_eventCount;
    target->m_handlerFlags = m_handlerFlags;
    if (m_bindings && m_bindings->getSize() > 0) {
        target->clearBindings();
        target->m_bindings = new CHashtable(11, 0.75, true);
        CXVector* keys = m_bindings->getKeys();
        for (int k = 0; keys && k < keys->getSize(); ++k) {
            auto* key = static_cast<CStringHashCode*>(keys->at(k));
            CXString text = key->getString();
            if (text == "ONINIT") continue;
            auto* source = static_cast<CXVector*>(m_bindings->get(key));
            auto* list = new CXVector(101, 0.75f);
            for (int i = 0; source && i < source->getSize(); ++i) {
                auto* binding = static_cast<CMC_Binding*>(source->at(i));
                if (!binding->isRemoved()) list->add(binding->copy());
            }
            target->m_bindings->put(new CStringHashCode(text), list);
            target->verifyBehaviour(text);
        }
        delete keys;
        if (target->m_bindings->getSize() == 0) {
            delete target->m_bindings;
            target->m_bindings = nullptr;
        }
    }
    if (scene) scene->addObject(target);
}

void CMC_Object::clone(int count) {
    // A count this large is a script's mistake; making them would only exhaust memory.
    constexpr int kMaxClones = 1000000;
    if (count > kMaxClones) {
        logMessage("%s: CLONE(%d) asks for more than %d clones; none made", m_name.GetBuffer(), count,
                   kMaxClones);
        return;
    }
    for (int i = 0; i < count; ++i) {
        CXObject* copy = clone();
        // A type that is never copied answers itself.
        if (copy == this) return;
        auto* object = dynamic_cast<CMC_Object*>(copy);
        if (!object) {
            delete copy;
            return;
        }
        clone(object);
        // A clone without a scene has no owner to delete it.
        if (!getScene()) delete object;
    }
}

void CMC_Object::resetClones() { m_clones = 0; }

void CMC_Object::flush() {}

void CMC_Object::flush(CMC_Variable* value, bool) {
    // Script lines hand any object around as a value; only the four scalar types have pools.
    if (!value) return;
    int type = value->getType();
    if (type >= TYPE_INTEGER && type <= TYPE_DOUBLE && value->getId() >= 0) CMC_VariableFactory::free(value);
}

int CMC_Object::getSignalIndex(const CXString& key) {
    CXString* const* events = m_events.get();
    if (!events) return -1;
    int caret = key.Find('^');
    CXString event = caret >= 0 ? key.Left(caret) : key;
    for (int i = 0; events[i]; ++i)
        if (events[i]->equals(event)) return i;
    return -1;
}

int CMC_Object::getBehaviourIndex(const CXString& key) {
    CXString* const* events = m_events.get();
    if (!events) return -1;
    for (int i = 0; events[i]; ++i)
        if (key.startsWith(*events[i])) return i;
    return -1;
}

void CMC_Object::ensureEventList() {
    if (!m_events) {
        CXString** list = getBehavioursList();
        if (list) m_events = std::shared_ptr<CXString*>(list, &CMC_Object::deleteEventList);
    }
    int count = 0;
    if (CXString* const* events = m_events.get())
        while (events[count]) ++count;
    m_eventCount = count;
    if (static_cast<int>(m_handlerFlags.size()) < count) m_handlerFlags.resize(static_cast<size_t>(count), 0);
}

void CMC_Object::verifyBindings() {
    if (!m_bindings) return;
    CXVector* keys = m_bindings->getKeys();
    for (int k = 0; keys && k < keys->getSize(); ++k)
        verifyBehaviour(static_cast<CStringHashCode*>(keys->at(k))->getString());
    delete keys;
}

void CMC_Object::initializeBehaviours(CMC_ObjectsContainer* scene, CMElement* element) {
    delete m_tmpBehaviours;
    m_tmpBehaviours = new std::vector<CMC_ObjectHandle>();
    ensureEventList();
    CXString* const* events = m_events.get();

    if (element) {
        if (!events) return;
        CMProperties* properties = element->getProperties();
        for (int p = 0; properties && p < properties->getSize(); ++p) {
            auto* property = static_cast<CMProperty*>(properties->at(p));
            CXString propertyName = property->getName();
            for (int e = 0; events[e]; ++e) {
                if (!propertyName.startsWith(*events[e])) continue;
                CXString value = property->getValue();
                if (!scene || !value.IsString()) continue;
                value.AllTrim();
                CMC_Behaviour* behaviour = nullptr;
                CXArray* args = nullptr;
                if (value.GetAt(0) == '{') {
                    CXString behaviourName = "beh_";
                    if (scene->getType() == TYPE_CLASS) behaviourName += scene->name() + "_";
                    behaviourName += m_name + "_" + propertyName;
                    behaviour = new CMC_Behaviour(scene, behaviourName, value);
                    behaviour->init();
                    m_tmpBehaviours->emplace_back(behaviour, scene);
                    scene->addObject(behaviour);
                } else {
                    CXString behaviourName = value;
                    int open = value.Find('(');
                    if (open >= 0) {
                        behaviourName = value.Left(open);
                        behaviourName.AllTrim();
                        int close = value.Find(')', open);
                        CXString argText = close >= 0 ? value.Mid(open + 1, close) : value.Right(open + 1);
                        argText.AllTrim();
                        args = argText.toVector();
                    }
                    CMC_Object* found = scene->getObject(behaviourName);
                    if (found && found->getType() == TYPE_BEHAVIOUR)
                        behaviour = static_cast<CMC_Behaviour*>(found);
                }
                if (!behaviour) {
                    CMC_Binding::freeArguments(args);
                    continue;
                }
                addBehaviour(propertyName, behaviour, args, scene);
                if (e < static_cast<int>(m_handlerFlags.size())) m_handlerFlags[static_cast<size_t>(e)] = 1;
            }
        }
        return;
    }

    // An object read from a cache: its bindings name their behaviours, found now.
    if (!m_bindings || !scene) return;
    CXVector* keys = m_bindings->getKeys();
    for (int k = 0; keys && k < keys->getSize(); ++k) {
        auto* key = static_cast<CStringHashCode*>(keys->at(k));
        auto* list = static_cast<CXVector*>(m_bindings->get(key));
        for (int i = 0; list && i < list->getSize(); ++i) {
            auto* binding = static_cast<CMC_Binding*>(list->at(i));
            if (!binding->isPlaceholder()) continue;
            CMC_Object* found = scene->getObject(binding->getBehaviourName());
            int index = getBehaviourIndex(key->getString());
            if (!found || found->getType() != TYPE_BEHAVIOUR || index == -1) continue;
            binding->setBehaviour(static_cast<CMC_Behaviour*>(found), scene);
            if (index < static_cast<int>(m_handlerFlags.size()))
                m_handlerFlags[static_cast<size_t>(index)] = 1;
        }
    }
    delete keys;
}

CXString** CMC_Object::getBehavioursList() { return nullptr; }

CMC_Runner* CMC_Object::getRunner() { return nullptr; }

bool CMC_Object::verifyBehaviour(const CXString&) { return true; }

void CMC_Object::addBehaviour(const CXString& key, CMC_Behaviour* behaviour, CXArray* args,
                              CMC_ObjectsContainer* container) {
    if (!verifyBehaviour(key)) {
        CMC_Binding::freeArguments(args);
        return;
    }
    if (!m_bindings) m_bindings = new CHashtable(101, 0.75, true);
    if (m_override) removeBehaviourForce(key);
    int index = getSignalIndex(key);
    if (index >= 0 && index < static_cast<int>(m_handlerFlags.size()))
        m_handlerFlags[static_cast<size_t>(index)] = 1;
    CXVector* list = getBehaviour(key);
    if (!list) {
        list = new CXVector(101, 0.75f);
        m_bindings->put(new CStringHashCode(key), list);
    }
    list->add(new CMC_Binding(behaviour, args, container));
}

void CMC_Object::dropBinding(CXVector* list, CMC_Binding* binding) {
    list->remove(binding);
    if (m_signalDepth > 0) {
        // A raise in progress still walks its own copy of the list.
        binding->markRemoved();
        m_removedBindings.push_back(binding);
    } else {
        delete binding;
    }
}

template <typename Which>
int CMC_Object::dropBindingsIf(CXVector* list, Which which) {
    // Picked first: dropping changes the list.
    std::vector<CMC_Binding*> bindings;
    for (int i = 0; i < list->getSize(); ++i) {
        auto* binding = static_cast<CMC_Binding*>(list->at(i));
        if (which(binding)) bindings.push_back(binding);
    }
    for (CMC_Binding* binding : bindings) dropBinding(list, binding);
    return static_cast<int>(bindings.size());
}

void CMC_Object::purgeRemovedBindings() {
    std::vector<CMC_Binding*> removed;
    removed.swap(m_removedBindings);
    for (CMC_Binding* binding : removed) delete binding;
}

void CMC_Object::removeBehaviourForce(const CXString& key) {
    CXVector* list = getBehaviour(key);
    if (list) dropBindingsIf(list, [](CMC_Binding*) { return true; });
}

void CMC_Object::removeBehaviour(const CXString& key, CMC_ObjectsContainer* container) {
    CXVector* list = getBehaviour(key);
    if (list) dropBindingsIf(list, [container](CMC_Binding* binding) { return binding->madeBy(container); });
}

void CMC_Object::onSceneDone(CMC_ObjectsContainer* container) {
    if (!m_bindings) return;
    CXVector* keys = m_bindings->getKeys();
    for (int k = 0; keys && k < keys->getSize(); ++k) {
        auto* key = static_cast<CStringHashCode*>(keys->at(k));
        auto* list = static_cast<CXVector*>(m_bindings->get(key));
        if (!list) continue;
        int dropped =
            dropBindingsIf(list, [container](CMC_Binding* binding) { return binding->madeBy(container); });
        if (dropped > 0 && list->getSize() == 0) {
            m_bindings->remove(list);
            delete list;
        }
    }
    delete keys;
}

void CMC_Object::clearBindings() {
    if (!m_bindings) return;
    CXVector* lists = m_bindings->getElements();
    for (int i = 0; lists && i < lists->getSize(); ++i) {
        auto* list = static_cast<CXVector*>(lists->at(i));
        if (!list) continue;
        dropBindingsIf(list, [](CMC_Binding*) { return true; });
        delete list;
    }
    delete m_bindings;
    m_bindings = nullptr;
}

void CMC_Object::removeAllBehaviours() {
    clearBindings();
    m_events.reset();
    delete m_tmpBehaviours;
    m_tmpBehaviours = nullptr;
    m_handlerFlags.clear();
    m_eventCount = 0;
}

void CMC_Object::flushBehList() {
    m_events.reset();
    m_handlerFlags.clear();
    m_eventCount = 0;
}

CXVector* CMC_Object::getBehaviour(const CXString& key) {
    if (!m_bindings) return nullptr;
    return static_cast<CXVector*>(m_bindings->get(&bindingKey(key)));
}

CMC_Binding* CMC_Object::getSingleBehaviour(const CXString& key, int index) {
    CXVector* list = getBehaviour(key);
    if (!list || index < 0 || index >= list->getSize()) return nullptr;
    return static_cast<CMC_Binding*>(list->at(index));
}

CXVector* CMC_Object::getTmpBehList() {
    if (!m_tmpBehaviours) return nullptr;
    if (!m_tmpSnapshot) m_tmpSnapshot = new CXVector(101, 0.75f);
    m_tmpSnapshot->removeAll();
    std::erase_if(*m_tmpBehaviours, [](const CMC_ObjectHandle& h) { return !h.current(); });
    for (const CMC_ObjectHandle& handle : *m_tmpBehaviours) m_tmpSnapshot->add(handle.current());
    return m_tmpSnapshot;
}

CMC_Class* CMC_Object::getClass() { return static_cast<CMC_Class*>(m_class.current()); }

void CMC_Object::setClass(CMC_Class* scriptClass) { m_class.set(scriptClass); }

bool CMC_Object::onSignal(const CXString& key) {
    CXVector* list = getBehaviour(key);
    if (!list || list->getSize() == 0) return false;

    // The handlers may bind, unbind or delete anything, this object included: walk a copy, and stop
    // once the object is gone.
    constexpr int kInline = 8;
    CMC_Binding* inlineCopy[kInline];
    std::vector<CMC_Binding*> heapCopy;
    int count = list->getSize();
    CMC_Binding** bindings = inlineCopy;
    if (count > kInline) {
        heapCopy.resize(static_cast<size_t>(count));
        bindings = heapCopy.data();
    }
    for (int i = 0; i < count; ++i) bindings[i] = static_cast<CMC_Binding*>(list->at(i));

    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    ++m_signalDepth;
    for (int i = 0; i < count; ++i) {
        if (bindings[i]->isRemoved()) continue;
        CMC_Behaviour* behaviour = bindings[i]->getBehaviour();
        if (!behaviour) continue;
        behaviour->run(this, bindings[i]->getArguments(), true);
        if (!self->object) return true;
    }
    if (--m_signalDepth == 0 && !m_removedBindings.empty()) purgeRemovedBindings();
    return true;
}

bool CMC_Object::onSignal(const CXString& key, CXArray* args) {
    CXVector* list = getBehaviour(key);
    if (!list || list->getSize() == 0) return false;
    std::vector<CMC_Binding*> bindings;
    for (int i = 0; i < list->getSize(); ++i) bindings.push_back(static_cast<CMC_Binding*>(list->at(i)));

    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    ++m_signalDepth;
    for (CMC_Binding* binding : bindings) {
        if (binding->isRemoved()) continue;
        binding->lendArguments(args);
        onSignal(key);
        if (!self->object) return true;
        binding->takeBackArguments();
    }
    if (--m_signalDepth == 0 && !m_removedBindings.empty()) purgeRemovedBindings();
    return true;
}

bool CMC_Object::raiseDetailed(const CXString& event, std::initializer_list<CXString> details) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    for (const CXString& detail : details) {
        if (onSignal(event + "^" + detail)) return true;
        if (!self->object) return false;
    }
    return onSignal(event);
}

void CMC_Object::serialize(CXArchive* archive) {
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_name;
        std::vector<std::pair<CXString, CMC_Binding*>> entries;
        CXVector* keys = m_bindings ? m_bindings->getKeys() : nullptr;
        for (int k = 0; keys && k < keys->getSize(); ++k) {
            auto* key = static_cast<CStringHashCode*>(keys->at(k));
            auto* list = static_cast<CXVector*>(m_bindings->get(key));
            // A key whose bindings were all removed has nothing to store.
            if (list && list->getSize() > 0)
                entries.emplace_back(key->getString(), static_cast<CMC_Binding*>(list->at(0)));
        }
        delete keys;
        *archive << static_cast<int>(entries.size());
        for (auto& [key, binding] : entries) {
            *archive << key;
            *archive << binding->getBehaviourName();
            CXArray* args = binding->getArguments();
            int argc = args ? args->getSize() : 0;
            *archive << argc;
            for (int i = 0; i < argc; ++i) {
                auto* text = static_cast<CXString*>(args->at(i));
                *archive << (text ? *text : CXString(""));
            }
        }
        return;
    }

    CXString name;
    *archive >> &name;
    m_name = name;
    int count = 0;
    *archive >> &count;
    if (count <= 0) return;
    if (count > kMaxStoredCount || archive->LastError()) {
        logMessage("object %s: %d stored bindings refused", m_name.GetBuffer(), count);
        return;
    }
    clearBindings();
    m_bindings = new CHashtable(101, 0.75, true);
    for (int k = 0; k < count; ++k) {
        CXString key;
        CXString behaviourName;
        int argc = 0;
        *archive >> &key;
        *archive >> &behaviourName;
        *archive >> &argc;
        if (archive->LastError() || argc < 0 || argc > kMaxStoredCount) break;
        CXArray* args = nullptr;
        if (argc > 0) {
            args = new CXArray(argc, 0.75f);
            for (int i = 0; i < argc && !archive->LastError(); ++i) {
                auto* text = new CXString();
                *archive >> text;
                args->add(text);
            }
        }
        CXVector* list = getBehaviour(key);
        if (!list) {
            list = new CXVector(101, 0.75f);
            m_bindings->put(new CStringHashCode(key), list);
        }
        list->add(new CMC_Binding(behaviourName, args, nullptr, true));
        if (archive->LastError()) break;
    }
}

CXString** CMC_Object::makeEventList(std::initializer_list<const char*> names) {
    auto** list = new CXString*[names.size() + 1];
    size_t i = 0;
    for (const char* name : names) list[i++] = new CXString(name);
    list[i] = nullptr;
    return list;
}

void CMC_Object::deleteEventList(CXString** list) {
    if (!list) return;
    for (int i = 0; list[i]; ++i) delete list[i];
    delete[] list;
}

// ---- type names ----

CXString CMC_Object::typeToString(int type) {
    const char* name = nullptr;
    switch (type) {
    case TYPE_INTEGER:
        name = "INTEGER";
        break;
    case TYPE_STRING:
        name = "STRING";
        break;
    case TYPE_BOOL:
        name = "BOOL";
        break;
    case TYPE_DOUBLE:
        name = "DOUBLE";
        break;
    case TYPE_CONDITION:
        name = "CONDITION";
        break;
    case TYPE_COMPLEXCONDITION:
        name = "COMPLEX CONDITION";
        break;
    case TYPE_EXPRESSION:
        name = "EXPRESSION";
        break;
    case TYPE_BEHAVIOUR:
        name = "BEHAVIOUR";
        break;
    case TYPE_MOUSE:
        name = "MOUSE";
        break;
    case TYPE_KEYBOARD:
        name = "KEYBOARD";
        break;
    case TYPE_RANDOM:
        name = "RANDOM";
        break;
    case TYPE_CANVASOBSERVER:
        name = "CANVAS OBSERVER";
        break;
    case TYPE_APPLICATION:
        name = "APPLICATION";
        break;
    case TYPE_EPISODE:
        name = "EPISODE";
        break;
    case TYPE_SCENE:
        name = "SCENE";
        break;
    case TYPE_ANIMO:
        name = "ANIMO";
        break;
    case TYPE_BUTTON:
        name = "BUTTON";
        break;
    case TYPE_FONT:
        name = "FONT";
        break;
    case TYPE_SEQUENCE:
        name = "SEQUENCE";
        break;
    case TYPE_SOUND:
        name = "SOUND";
        break;
    case TYPE_TEXT:
        name = "TEXT";
        break;
    case TYPE_TIMER:
        name = "TIMER";
        break;
    case TYPE_IMAGE:
        name = "IMAGE";
        break;
    case TYPE_NETPEER:
        name = "NETPEER";
        break;
    case TYPE_DIALOG:
        name = "DIALOG";
        break;
    case TYPE_FILTER:
        name = "FILTER";
        break;
    case TYPE_ARRAY:
        name = "ARRAY";
        break;
    default:
        return CXString::toString(type);
    }
    return CXString(name);
}

int CMC_Object::getTypeId(const CXString& name) {
    static const struct {
        const char* name;
        int id;
    } kNames[] = {
        {"INTEGER", TYPE_INTEGER},
        {"STRING", TYPE_STRING},
        {"BOOL", TYPE_BOOL},
        {"DOUBLE", TYPE_DOUBLE},
        {"VARIABLE", TYPE_VARIABLE},
        {"CONDITION", TYPE_CONDITION},
        {"COMPLEXCONDITION", TYPE_COMPLEXCONDITION},
        {"EXPRESSION", TYPE_EXPRESSION},
        {"BEHAVIOUR", TYPE_BEHAVIOUR},
        {"MOUSE", TYPE_MOUSE},
        {"KEYBOARD", TYPE_KEYBOARD},
        {"RANDOM", TYPE_RANDOM},
        {"CANVASOBSERVER", TYPE_CANVASOBSERVER},
        {"APPLICATION", TYPE_APPLICATION},
        {"EPISODE", TYPE_EPISODE},
        {"SCENE", TYPE_SCENE},
        {"ANIMO", TYPE_ANIMO},
        {"BUTTON", TYPE_BUTTON},
        {"FONT", TYPE_FONT},
        {"SEQUENCE", TYPE_SEQUENCE},
        {"SOUND", TYPE_SOUND},
        {"TEXT", TYPE_TEXT},
        {"TIMER", TYPE_TIMER},
        {"IMAGE", TYPE_IMAGE},
        {"EDITBOX", TYPE_EDITBOX},
        {"NETPEER", TYPE_NETPEER},
        {"NETSERVER", TYPE_NETSERVER},
        {"NETCLIENT", TYPE_NETCLIENT},
        {"DIALOG", TYPE_DIALOG},
        {"FILTER", TYPE_FILTER},
        {"STATICFILTER", TYPE_STATICFILTER},
        {"VECTOR", TYPE_VECTOR},
        {"PATH", TYPE_PATH},
        {"FIFO", TYPE_FIFO},
        {"LIFO", TYPE_LIFO},
        {"CANVAS", TYPE_CANVAS},
        {"PATTERN", TYPE_PATTERN},
        {"SCROLL", TYPE_SCROLL},
        {"GROUP", TYPE_GROUP},
        {"ARRAY", TYPE_ARRAY},
        {"STRUCTURE", TYPE_STRUCTURE},
        {"DATABASE", TYPE_DATABASE},
        {"CLASS", TYPE_CLASS},
        {"VIRTUAL_GRAPHICSOBJECT", TYPE_VIRTUALGRAPHICSOBJECT},
        {"MULTIARRAY", TYPE_MULTIARRAY},
        {"KOLOROWANKA", TYPE_KOLOROWANKA},
        {"MATRIX", TYPE_MATRIX},
        {"SWF", TYPE_SWF},
    };
    for (const auto& entry : kNames)
        if (name.equals(entry.name)) return entry.id;
    return -1;
}

} // namespace KavirelDLL
