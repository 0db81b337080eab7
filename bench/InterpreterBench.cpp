#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "script/Behaviour.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/VariableFactory.h"

using namespace KavirelDLL;

// Every allocation of the program is counted, so a run can show it makes none per line.
namespace {
std::atomic<long long> g_allocations{0};
}

// Out of line, so the compiler does not pair the malloc inside with the deletes it sees.
__attribute__((noinline)) void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void* operator new[](std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A scene inside an episode inside an application, with a few values, as a game has them.
class World {
public:
    World() {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        CMC_Behaviour::initTrash();
        m_application = new CMC_Scene(nullptr, nullptr, "APP", TYPE_APPLICATION);
        m_episode = new CMC_Scene(nullptr, nullptr, "EPISODE", TYPE_EPISODE);
        m_episode->setParent(m_application);
        m_scene = new CMC_Scene(nullptr, nullptr, "SCENE", TYPE_SCENE);
        m_scene->setParent(m_episode);
        for (int i = 0; i < 200; ++i) add(new CMC_Integer(CXString("FILLER_") + CXString::toString(i)));
        add(new CMC_Integer(CXString("X")));
        add(new CMC_Double(CXString("D")));
        add(new CMC_String(CXString("S"), CXString("some text")));
    }
    ~World() {
        CMC_Behaviour::doneTrash();
        m_scene->unload();
        delete m_scene;
        delete m_episode;
        delete m_application;
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
    CMC_Behaviour* behaviour(const char* code) {
        auto* made = new CMC_Behaviour(m_scene, CXString("BENCH"), CXString(code));
        m_scene->addObject(made);
        made->init();
        return made;
    }

private:
    void add(CMC_Object* object) {
        object->setScene(m_scene);
        m_scene->addObject(object);
    }

    CMC_Scene* m_application;
    CMC_Scene* m_episode;
    CMC_Scene* m_scene;
};

void runLines(benchmark::State& state, const char* code, long long linesPerRun) {
    World world;
    CMC_Behaviour* behaviour = world.behaviour(code);
    behaviour->run(nullptr, nullptr, false); // warm up: first lookups, pool slots, argument lists
    long long allocations = 0;
    for (auto _ : state) {
        long long before = g_allocations.load(std::memory_order_relaxed);
        behaviour->run(nullptr, nullptr, false);
        allocations += g_allocations.load(std::memory_order_relaxed) - before;
        CMC_VariableFactory::clearPool();
    }
    long long lines = linesPerRun * static_cast<long long>(state.iterations());
    state.SetItemsProcessed(lines);
    state.counters["allocs/line"] = static_cast<double>(allocations) / static_cast<double>(lines);
}

} // namespace

// One behaviour of 1,000,000 simple method lines: a LOOP whose body holds five value methods.
static void BM_LoopOfValueMethods(benchmark::State& state) {
    runLines(state, "@LOOP({X^ADD(1);D^ADD(0.5);X^SUB(1);S^LENGTH();X^INC();},0,200000,1);", 1000000);
}
BENCHMARK(BM_LoopOfValueMethods)->Unit(benchmark::kMillisecond);

// The same line, X^ADD(1), a million times.
static void BM_LoopOfAdd(benchmark::State& state) {
    runLines(state, "@LOOP({X^ADD(1);},0,1000000,1);", 1000000);
}
BENCHMARK(BM_LoopOfAdd)->Unit(benchmark::kMillisecond);

// Lines that cost more: a bracketed expression, and an IF whose condition text is read each time.
static void BM_LoopOfExpressions(benchmark::State& state) {
    runLines(state, "@LOOP({X^SET([X+2*3]);},0,100000,1);", 100000);
}
BENCHMARK(BM_LoopOfExpressions)->Unit(benchmark::kMillisecond);

static void BM_LoopOfIf(benchmark::State& state) {
    runLines(state, "@LOOP({@IF(X<'5,{X^INC();},{X^DEC();});},0,100000,1);", 100000);
}
BENCHMARK(BM_LoopOfIf)->Unit(benchmark::kMillisecond);

// A local declared in each round: the lookups cached by the lines start again each time.
static void BM_LoopWithLocals(benchmark::State& state) {
    runLines(state, "@LOOP({@INT(L,1);L^ADD(X);X^SET(L);},0,100000,1);", 300000);
}
BENCHMARK(BM_LoopWithLocals)->Unit(benchmark::kMillisecond);
