#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "script/Behaviour.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

#ifdef KAVIREL_BENCH_LUA
#include <lua.hpp>
#endif

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
        kavirelRegisterTypes();
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
        add(new CMC_Integer(CXString("C")));
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
    CMC_Behaviour* behaviour(const char* code, const char* name = "BENCH") {
        auto* made = new CMC_Behaviour(m_scene, CXString(name), CXString(code));
        m_scene->addObject(made);
        made->init();
        return made;
    }
    // A new STRING of that name in place of the old one, so that its text grows from nothing.
    void freshText(const char* name) {
        if (CMC_Object* old = m_scene->getObject(CXString(name))) {
            m_scene->removeObject(old);
            delete old;
        }
        add(new CMC_String(CXString(name), CXString("")));
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

// Processor time, not the wall clock: on a machine others share, a loop that waits for the processor would
// otherwise count the wait, and the ratio to the peer would say more about the load than about the code.
struct Clock {
    using time_point = std::clock_t;
    static time_point now() { return std::clock(); }
};

double seconds(Clock::time_point from) { return static_cast<double>(Clock::now() - from) / CLOCKS_PER_SEC; }

#ifdef KAVIREL_BENCH_LUA
// The same loops in an embedded Lua 5.4 state: the values are tables of one class whose methods do what
// ours do.
class LuaTwin {
public:
    explicit LuaTwin(const char* loop) : m_state(luaL_newstate()) {
        luaL_openlibs(m_state);
        static const char* const kValues = R"(
            Value = {}
            Value.__index = Value
            function Value.new(v) return setmetatable({v = v}, Value) end
            function Value:ADD(n) self.v = self.v + n return self.v end
            function Value:SUB(n) self.v = self.v - n end
            function Value:INC() self.v = self.v + 1 end
            function Value:DEC() self.v = self.v - 1 end
            function Value:SET(n) self.v = n end
            function Value:LENGTH() return #self.v end
            X = Value.new(0) D = Value.new(0.0) S = Value.new("some text") C = Value.new(0)
        )";
        // The values as locals of the chunk, as a Lua programmer writes a hot loop.
        std::string chunk = std::string("local X, D, S, C = X, D, S, C ") + loop;
        if (luaL_dostring(m_state, kValues) != LUA_OK || luaL_loadstring(m_state, chunk.c_str()) != LUA_OK) {
            m_error = lua_tostring(m_state, -1);
            return;
        }
        m_chunk = luaL_ref(m_state, LUA_REGISTRYINDEX);
    }
    ~LuaTwin() { lua_close(m_state); }
    const char* error() const { return m_error.empty() ? nullptr : m_error.c_str(); }
    void run() {
        lua_rawgeti(m_state, LUA_REGISTRYINDEX, m_chunk);
        if (lua_pcall(m_state, 0, 0, 0) != LUA_OK) {
            m_error = lua_tostring(m_state, -1);
            lua_pop(m_state, 1);
        }
    }

private:
    lua_State* m_state;
    int m_chunk = LUA_NOREF;
    std::string m_error;
};
#endif

// Runs the behaviour and, in the same iteration, its Lua twin (the same number of rounds): x_lua is our
// time over Lua's, allocs/line what the engine allocates per executed line once warm.
// called: a behaviour named F the loop calls, with its code.
void runLines(benchmark::State& state, const char* code, long long linesPerRun, const char* lua,
              const char* called = nullptr) {
    World world;
    if (called) world.behaviour(called, "F");
    CMC_Behaviour* behaviour = world.behaviour(code);
    behaviour->run(nullptr, nullptr, false); // warm up: first lookups, pool slots, argument lists
    CMC_VariableFactory::clearPool();
#ifdef KAVIREL_BENCH_LUA
    LuaTwin twin(lua);
    if (twin.error()) {
        state.SkipWithError(twin.error());
        return;
    }
    twin.run();
#else
    (void)lua;
    state.SetLabel("no Lua 5.4 peer (liblua5.4-dev): no x_lua");
#endif
    long long allocations = 0;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        long long before = g_allocations.load(std::memory_order_relaxed);
        Clock::time_point start = Clock::now();
        behaviour->run(nullptr, nullptr, false);
        double took = seconds(start);
        allocations += g_allocations.load(std::memory_order_relaxed) - before;
        CMC_VariableFactory::clearPool();
        ours += took;
#ifdef KAVIREL_BENCH_LUA
        start = Clock::now();
        twin.run();
        theirs += seconds(start);
#endif
        state.SetIterationTime(took);
    }
    long long lines = linesPerRun * static_cast<long long>(state.iterations());
    state.SetItemsProcessed(lines);
    state.counters["allocs/line"] = static_cast<double>(allocations) / static_cast<double>(lines);
    if (theirs > 0) state.counters["x_lua"] = ours / theirs;
#ifdef KAVIREL_BENCH_LUA
    if (twin.error()) state.SkipWithError(twin.error());
#endif
}

} // namespace

// Each loop with its Lua twin. One behaviour of 1,000,000 simple method lines: a LOOP whose body holds
// five value methods.
static void BM_LoopOfValueMethods(benchmark::State& state) {
    runLines(state, "@LOOP({X^ADD(1);D^ADD(0.5);X^SUB(1);S^LENGTH();X^INC();},0,200000,1);", 1000000,
             "for i = 0, 199999 do X:ADD(1) D:ADD(0.5) X:SUB(1) S:LENGTH() X:INC() end");
}
BENCHMARK(BM_LoopOfValueMethods)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same line, X^ADD(1), a million times.
static void BM_LoopOfAdd(benchmark::State& state) {
    runLines(state, "@LOOP({X^ADD(1);},0,1000000,1);", 1000000, "for i = 0, 999999 do X:ADD(1) end");
}
BENCHMARK(BM_LoopOfAdd)->UseManualTime()->Unit(benchmark::kMillisecond);

// A bracketed expression, calculated left to right: [X+2*3] is (X+2)*3.
static void BM_LoopOfExpressions(benchmark::State& state) {
    runLines(state, "@LOOP({X^SET([X+2*3]);},0,100000,1);", 100000,
             "for i = 0, 99999 do X:SET((X.v + 2) * 3) end");
}
BENCHMARK(BM_LoopOfExpressions)->UseManualTime()->Unit(benchmark::kMillisecond);

// IF with its condition as one text, and with the operands and the operator apart.
static void BM_LoopOfIf(benchmark::State& state) {
    runLines(state, "@LOOP({@IF(X<'5,{X^INC();},{X^DEC();});},0,100000,1);", 100000,
             "for i = 0, 99999 do if X.v <= 5 then X:INC() else X:DEC() end end");
}
BENCHMARK(BM_LoopOfIf)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_LoopOfIfApart(benchmark::State& state) {
    runLines(state, "@LOOP({@IF(X,<,5,{X^INC();},{X^DEC();});},0,100000,1);", 100000,
             "for i = 0, 99999 do if X.v < 5 then X:INC() else X:DEC() end end");
}
BENCHMARK(BM_LoopOfIfApart)->UseManualTime()->Unit(benchmark::kMillisecond);

// WHILE: the test (the counter given by name, so it is read each round) and a body of one line.
static void BM_While(benchmark::State& state) {
    runLines(state, "C^SET(0);@WHILE(\"C\",<,100000,{C^INC();});", 100000,
             "C:SET(0) while C.v < 100000 do C:INC() end");
}
BENCHMARK(BM_While)->UseManualTime()->Unit(benchmark::kMillisecond);

// FOR with a counter of the scene's.
static void BM_For(benchmark::State& state) {
    runLines(state, "@FOR(C,{X^ADD(C);},0,100000,1);", 100000, "for i = 0, 99999 do C:SET(i) X:ADD(C.v) end");
}
BENCHMARK(BM_For)->UseManualTime()->Unit(benchmark::kMillisecond);

// A local declared in each round.
static void BM_LoopWithLocals(benchmark::State& state) {
    runLines(state, "@LOOP({@INT(L,1);L^ADD(X);X^SET(L);},0,100000,1);", 300000,
             "for i = 0, 99999 do local L = 1 L = L + X.v X:SET(L) end");
}
BENCHMARK(BM_LoopWithLocals)->UseManualTime()->Unit(benchmark::kMillisecond);

// Two locals declared in each round and a behaviour called with both as its two parameters.
static void BM_LoopCallingWithLocals(benchmark::State& state) {
    runLines(state, "@LOOP({@INT(A,X);@INT(B,2);F^RUN(A,B);},0,100000,1);", 500000,
             "local function F(a, b) C:ADD(a) C:SUB(b) end "
             "for i = 0, 99999 do local A = X.v local B = 2 F(A, B) end",
             "C^ADD($1);C^SUB($2);");
}
BENCHMARK(BM_LoopCallingWithLocals)->UseManualTime()->Unit(benchmark::kMillisecond);

// A text of 1.1 MB built by 100,000 ADDs of 10 to 12 characters (a LOOP of 10,000 rounds of ten lines), on a
// STRING made afresh for each run so that it grows from nothing, against the same appends to a std::string in
// the same iteration: x_std_string is our time over its.
static void BM_TextBuiltByAdd(benchmark::State& state) {
    constexpr int kRounds = 10000;
    std::vector<std::string> pieces;
    std::string body;
    for (int i = 0; i < 10; ++i) {
        pieces.push_back(std::string("abcdefghijkl").substr(0, 10 + i % 3));
        pieces.back()[0] = static_cast<char>('A' + i);
        body += "S^ADD(\"" + pieces.back() + "\");";
    }
    std::string code = "@LOOP({" + body + "},0," + std::to_string(kRounds) + ",1);";
    World world;
    CMC_Behaviour* behaviour = world.behaviour(code.c_str());
    world.freshText("S");
    behaviour->run(nullptr, nullptr, false); // warm up: first lookups, pool slots
    double ours = 0, theirs = 0;
    size_t length = 0;
    auto peer = [&] {
        Clock::time_point start = Clock::now();
        std::string text;
        for (int i = 0; i < kRounds; ++i)
            for (const std::string& piece : pieces) text += piece;
        benchmark::DoNotOptimize(text.data());
        theirs += seconds(start);
        length = text.size();
    };
    // Whichever runs first meets the heap the other left (pages given back, or still at hand): the order
    // changes every iteration, so that neither is always the one that meets it.
    bool peerFirst = false;
    for (auto _ : state) {
        world.freshText("S");
        if (peerFirst) peer();
        Clock::time_point start = Clock::now();
        behaviour->run(nullptr, nullptr, false);
        double took = seconds(start);
        ours += took;
        CMC_VariableFactory::clearPool();
        if (!peerFirst) peer();
        peerFirst = !peerFirst;
        state.SetIterationTime(took);
    }
    state.counters["bytes"] = static_cast<double>(length);
    if (theirs > 0) state.counters["x_std_string"] = ours / theirs;
}
BENCHMARK(BM_TextBuiltByAdd)->UseManualTime()->Unit(benchmark::kMillisecond);
