#include "script/Class.h"

#include <memory>
#include <vector>

#include "core/Elements.h"
#include "core/ElementsLoader.h"
#include "core/Log.h"
#include "core/Path.h"
#include "core/StringTokenizer.h"
#include "script/Behaviour.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

CMC_Class::CMC_Class(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_ObjectsContainer(scene ? scene->getWindow() : nullptr, scene, element, TYPE_CLASS) {
    if (element) {
        m_definition = element->getPropertyValue("DEF");
        m_bases = element->getPropertyValue("BASE");
    }
    setParent(scene);
}

CMC_Class::CMC_Class(CMC_ObjectsContainer* scene, CMC_Class* declared, const CXString& name)
    : CMC_ObjectsContainer(scene ? scene->getWindow() : nullptr, scene, name, TYPE_CLASS), m_instance(true) {
    if (declared) {
        m_definition = declared->m_definition;
        m_bases = declared->m_bases;
        setClass(declared);
    }
    // Listed, the class would be ended and deleted with the instance.
    setLookupParent(declared ? static_cast<CMC_ObjectsContainer*>(declared) : scene);
    import_base(m_bases);
    import(m_definition);
}

CMC_Runner* CMC_Class::getRunner() { return CMC_RunnerFactory::getRunner(TYPE_CLASS); }

CXString CMC_Class::getClassPath(const CXString& name) {
    return CPath::resolveFileName(m_window, CXString("$COMMON\\CLASSES\\") + name);
}

void CMC_Class::import(const CXString& name) {
    if (!name.IsString()) return;
    CXString path = getClassPath(name);
    CMElements* elements = CMElementsLoader::load(m_window, path);
    if (!elements) {
        logMessage("class %s: its file %s cannot be read; it adds nothing", m_name.GetBuffer(),
                   path.GetBuffer());
        return;
    }
    delete resolveObjects(elements);
    delete elements;
}

void CMC_Class::import_base(const CXString& bases) {
    if (!bases.IsString()) return;
    CStringTokenizer names(bases, CXString(","));
    while (names.hasMoreTokens()) {
        CXString name = names.nextToken();
        name.AllTrim();
        import(name);
    }
}

CMC_Class* CMC_Class::newInstance(const CXString& name) {
    auto* instance = new CMC_Class(getScene(), this, name);
    std::shared_ptr<CMC_ObjectAnchor> made = instance->anchor();
    instance->init();
    return made->object ? instance : nullptr;
}

void CMC_Class::init() {
    // Handlers may add, remove or delete objects, this one included: walk handles of a copy.
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    std::vector<CMC_ObjectHandle> objects;
    for (int i = 0; i < m_objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(m_objects->at(i));
        if (object != this && isOwnedType(object->getType())) objects.emplace_back(object);
    }
    for (CMC_ObjectHandle& handle : objects) {
        if (CMC_Object* object = handle.current()) object->init();
        if (!self->object) return;
    }
    CMC_Object::init();
}

bool CMC_Class::done(bool flag) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_Object::flush(CMC_Class_Runner::runWithTexts(this, nullptr, CXString("DESTRUCTOR")));
    if (!self->object) return true;
    endMembers();
    if (!self->object) return true;
    return CMC_Object::done(flag);
}

void CMC_Class::endMembers() {
    // The scene and episode a declaration lists for lookup are not its members.
    std::vector<CMC_Object*> listed;
    for (int i = 0; i < m_objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(m_objects->at(i));
        if (object == this || !isOwnedType(object->getType())) listed.push_back(object);
    }
    for (CMC_Object* object : listed) removeObject(object);
    unload();
}

void CMC_Class::addObject(CMC_Object* object) {
    if (!object || !m_names) return;
    CMC_Object* old = findHere(object->name().GetBuffer());
    if (old && old != object && old != this && isOwnedType(old->getType())) {
        // A derived class's member overrides its base's, which stays reachable under the prefix.
        removeObject(old);
        old->setName(CXString("SUPER_") + old->name());
        addObject(old);
    }
    CMC_ObjectsContainer::addObject(object);
}

// ---- runner ----

namespace {

// The texts of the arguments, each read once (reading an EXPRESSION runs its code); null for none.
CXArray* argumentTexts(CMC_Runner* runner, CXVector* args) {
    int count = CMC_Runner::argumentCount(args);
    if (count == 0) return nullptr;
    auto* texts = new CXArray(count, 0.75f);
    for (int i = 0; i < count; ++i) texts->add(new CXString(runner->getParameterString(args, i)->getValue()));
    return texts;
}

CXString firstText(CXArray* texts) {
    return texts && texts->getSize() > 0 ? *static_cast<CXString*>(texts->at(0)) : CXString("");
}

} // namespace

void CMC_Class_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("NEW", MTH_NEW);
    addMethod("DELETE", MTH_DELETE);
}

CMC_Variable* CMC_Class_Runner::run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    int id = resolveMethod(name);
    if (id == -1) return runClass(object, container, args, name);
    return run(id, object, container, args);
}

CMC_Variable* CMC_Class_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    if (id != MTH_NEW && id != MTH_DELETE) return CMC_Runner::run(id, object, container, args);
    if (!object || object->getType() != TYPE_CLASS) return nullptr;
    CMC_ArgumentsGuard guard(object, container, args);
    CXArray* texts = argumentTexts(this, args);
    CXString name = firstText(texts);
    CMC_Variable* result = nullptr;
    if (!guard.gone() && container && name.IsString()) {
        auto* scriptClass = static_cast<CMC_Class*>(object);
        if (id == MTH_NEW) {
            // An instance makes another instance of its own class.
            CMC_Class* declared =
                scriptClass->isInstance() ? static_cast<CMC_Class*>(scriptClass->getClass()) : scriptClass;
            std::shared_ptr<CMC_ObjectAnchor> where = container->anchor();
            if (container->getObject(name) == scriptClass || (declared && name.equals(declared->getName()))) {
                // The instance would take the class's own place.
                logMessage("%s^NEW(\"%s\"): an instance cannot take its class's name; none made",
                           scriptClass->getName().GetBuffer(), name.GetBuffer());
                declared = nullptr;
            }
            CMC_Class* instance = declared ? declared->newInstance(name) : nullptr;
            if (instance && where->object) {
                container->addObject(instance);
                result = runWithTexts(instance, texts, CXString("CONSTRUCTOR"));
            } else {
                delete instance;
            }
        } else {
            CMC_Object* found = container->getObject(name);
            if (found && found->getType() == TYPE_CLASS && static_cast<CMC_Class*>(found)->isInstance()) {
                auto* instance = static_cast<CMC_Class*>(found);
                std::shared_ptr<CMC_ObjectAnchor> alive = instance->anchor();
                std::shared_ptr<CMC_ObjectAnchor> where = container->anchor();
                result = runWithTexts(instance, texts, CXString("DESTRUCTOR"));
                if (alive->object && where->object) container->removeObject(instance);
                if (alive->object) instance->endMembers();
                if (alive->object) delete instance;
            } else {
                logMessage("DELETE(\"%s\"): no class instance of that name; nothing deleted",
                           name.GetBuffer());
            }
        }
    }
    CMC_Binding::freeArguments(texts);
    return result;
}

CMC_Variable* CMC_Class_Runner::runClass(CMC_Object* instance, CMC_ObjectsContainer*, CXVector* args,
                                         const CXString& name) {
    if (!instance) return nullptr;
    CMC_ArgumentsGuard guard(instance, nullptr, args);
    CXArray* texts = argumentTexts(this, args);
    CMC_Variable* result = guard.gone() ? nullptr : runWithTexts(instance, texts, name);
    CMC_Binding::freeArguments(texts);
    return result;
}

CMC_Variable* CMC_Class_Runner::runWithTexts(CMC_Object* instance, CXArray* texts, const CXString& name) {
    if (!instance || instance->getType() != TYPE_CLASS) return nullptr;
    auto* owner = static_cast<CMC_ObjectsContainer*>(instance);
    CMC_Object* found = owner->getObject(name);
    if (!found || found->getType() != TYPE_BEHAVIOUR) return nullptr;
    auto* behaviour = static_cast<CMC_Behaviour*>(found);
    std::shared_ptr<CMC_ObjectAnchor> self = instance->anchor();
    CMC_ObjectHandle running(behaviour);
    CMC_ObjectHandle before(behaviour->getScene());
    // The behaviour works in the instance for this run; a behaviour of the class or the scene reached from
    // it gets its own scene back afterwards, so it never points into an instance that goes.
    behaviour->setScene(owner);
    behaviour->run(instance, texts && texts->getSize() > 0 ? texts : nullptr, false);
    if (CMC_Object* still = running.current())
        still->setScene(static_cast<CMC_ObjectsContainer*>(before.current()));
    if (!self->object) return nullptr;
    CMC_Variable* value = owner->getVariable("__RETURN__");
    return value ? CMC_VariableFactory::copyVariable(value) : nullptr;
}

} // namespace KavirelDLL
