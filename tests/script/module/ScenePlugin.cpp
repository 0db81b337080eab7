// A plug-in module for the scene tests: it knows one type, COUNTER (type id 50001), made from definitions and
// from the scene cache, with a runner of its own (INCREMENT, GET).
#include "core/Archive.h"
#include "core/Elements.h"
#include "script/DLLExModule.h"
#include "script/Integer.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/Scene.h"
#include "script/VariableFactory.h"

using namespace KavirelDLL;

namespace {

constexpr int kCounterType = 50001;

int g_creates = 0;
int g_releases = 0;
CMC_ObjectsContainer* g_container = nullptr;

class CounterRunner : public CMC_Runner {
public:
    enum : int { MTH_INCREMENT = 1, MTH_GET = 2 };

    void prepareMthHashSet() override {
        CMC_Runner::prepareMthHashSet();
        addMethod("INCREMENT", MTH_INCREMENT);
        addMethod("GET", MTH_GET);
    }
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

CounterRunner* g_runner = nullptr;

class CounterObject : public CMC_Object {
public:
    CounterObject(CMC_ObjectsContainer* scene, CMElement* element)
        : CMC_Object(scene, element, kCounterType) {
        if (element) m_value = element->getPropertyIntValue("START");
        initializeBehaviours(scene, element);
    }

    CXString** getBehavioursList() override {
        return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCOUNT"});
    }
    CMC_Runner* getRunner() override { return g_runner; }
    void serialize(CXArchive* archive) override {
        CMC_Object::serialize(archive);
        if (archive->isStoring())
            *archive << m_value;
        else
            *archive >> &m_value;
    }

    int32_t m_value = 0;
};

CMC_Variable* CounterRunner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                 CXVector* args) {
    if (!object || object->getType() != kCounterType) return CMC_Runner::run(id, object, container, args);
    auto* counter = static_cast<CounterObject*>(object);
    switch (id) {
    case MTH_INCREMENT:
        counter->m_value += argumentCount(args) > 0 ? getParameterInteger(args, 0)->getValue() : 1;
        if (counter->hasHandler(3)) counter->onSignal("ONCOUNT");
        return nullptr;
    case MTH_GET: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(counter->m_value);
        return result;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

class CounterModule : public CMC_ExternObject {
public:
    CMC_Object* resolveObject(CMC_Scene* scene, CMElement* element) override {
        if (!element || !element->getPropertyValue("TYPE").equals("COUNTER")) return nullptr;
        return new CounterObject(scene, element);
    }
    CMC_Object* restoreObject(int typeId, CXArchive* archive) override {
        if (typeId != kCounterType) return nullptr;
        auto* counter = new CounterObject(nullptr, nullptr);
        counter->serialize(archive);
        return counter;
    }
};

CounterModule g_module;

} // namespace

extern "C" {

void create(CMC_ObjectsContainer* container) {
    ++g_creates;
    g_container = container;
    g_runner = new CounterRunner();
    g_runner->prepareMthHashSet();
}

void release() {
    ++g_releases;
    delete g_runner;
    g_runner = nullptr;
}

CMC_ExternObject* getModuleInterface() { return &g_module; }

int scenePluginCreates() { return g_creates; }

int scenePluginReleases() { return g_releases; }

void* scenePluginContainer() { return g_container; }
}
