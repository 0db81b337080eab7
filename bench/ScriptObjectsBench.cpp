// The object model's hot paths as the interpreter meets them: name lookups in a scene of 1,000 objects
// (found here, found in the application, missing), handles to live and to replaced objects, raising an
// event, and value temporaries from the pools.
#include <benchmark/benchmark.h>

#include <string>

#include "script/Behaviour.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;

namespace {

class NoOpBehaviour : public CMC_Behaviour {
public:
    NoOpBehaviour(CMC_ObjectsContainer* scene, const char* name)
        : CMC_Behaviour(scene, CXString(name), CXString("")) {}
    bool run(CMC_Object*, CXArray*, bool) override { return false; }
};

struct World {
    World() {
        kavirelRegisterTypes();
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        application = new CMC_Scene(nullptr, nullptr, "APP", TYPE_APPLICATION);
        scene = new CMC_Scene(nullptr, nullptr, "SCENE", TYPE_SCENE);
        scene->setParent(application);
        application->addObject(new CMC_Integer(CXString("GLOBAL")));
        for (int i = 0; i < 1000; ++i)
            scene->addObject(new CMC_Integer(CXString(("VAR" + std::to_string(i)).c_str())));
        behaviour = new NoOpBehaviour(scene, "BEH");
        scene->addObject(behaviour);
    }
    ~World() {
        scene->unload();
        application->unload();
        delete scene;
        delete application;
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
    CMC_Scene* application;
    CMC_Scene* scene;
    NoOpBehaviour* behaviour;
};

void BM_LookupHere(benchmark::State& state) {
    World world;
    CXString name("VAR500");
    for (auto _ : state) benchmark::DoNotOptimize(world.scene->getObject(name));
}
BENCHMARK(BM_LookupHere);

void BM_LookupInParent(benchmark::State& state) {
    World world;
    CXString name("GLOBAL");
    for (auto _ : state) benchmark::DoNotOptimize(world.scene->getObject(name));
}
BENCHMARK(BM_LookupInParent);

void BM_LookupMissing(benchmark::State& state) {
    World world;
    CXString name("NOWHERE_0");
    for (auto _ : state) benchmark::DoNotOptimize(world.scene->getObject(name));
}
BENCHMARK(BM_LookupMissing);

void BM_HandleAlive(benchmark::State& state) {
    World world;
    CMC_ObjectHandle handle(world.scene->getObject("VAR7"), world.scene);
    for (auto _ : state) benchmark::DoNotOptimize(handle.get());
}
BENCHMARK(BM_HandleAlive);

// A handle whose object was deleted and never replaced looks its name up on every use.
void BM_HandleMissing(benchmark::State& state) {
    World world;
    CMC_Object* doomed = world.scene->getObject("VAR7");
    CMC_ObjectHandle handle(doomed, world.scene);
    world.scene->removeObject(doomed);
    delete doomed;
    for (auto _ : state) benchmark::DoNotOptimize(handle.get());
}
BENCHMARK(BM_HandleMissing);

void BM_RaiseBoundEvent(benchmark::State& state) {
    World world;
    auto* value = static_cast<CMC_Integer*>(world.scene->getObject("VAR1"));
    value->initializeBehaviours(world.scene, nullptr);
    value->addBehaviour("ONSIGNAL", world.behaviour, nullptr, world.scene);
    CXString key("ONSIGNAL");
    for (auto _ : state) benchmark::DoNotOptimize(value->onSignal(key));
}
BENCHMARK(BM_RaiseBoundEvent);

void BM_TemporaryArithmetic(benchmark::State& state) {
    World world;
    auto* value = static_cast<CMC_Integer*>(world.scene->getObject("VAR1"));
    CMC_Integer* one = CMC_VariableFactory::allocInteger();
    one->setValue(1);
    for (auto _ : state) {
        CMC_Variable* sum = value->calculate(one, OP_ADD);
        value->set(sum);
        CMC_Object::flush(sum);
    }
}
BENCHMARK(BM_TemporaryArithmetic);

} // namespace
