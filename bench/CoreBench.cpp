#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/Hashtable.h"
#include "core/XString.h"

using namespace KavirelDLL;

namespace {

std::vector<std::string> objectNames(int n) {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) names.push_back("ANIMO_SCENE_OBJECT_" + std::to_string(i));
    return names;
}

} // namespace

// A scene's name table: lookups by a freshly made string key, as the interpreter does.
static void BM_HashtableLookupByName(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto names = objectNames(n);
    CHashtable table(10001, 1.0, true);
    std::vector<CInteger> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        table.put(new CStringHashCode(names[static_cast<size_t>(i)].c_str()),
                  &values[static_cast<size_t>(i)]);
    size_t i = 0;
    for (auto _ : state) {
        CStringHashCode key(names[i].c_str());
        benchmark::DoNotOptimize(table.get(&key));
        i = (i + 1) % names.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HashtableLookupByName)->Arg(100)->Arg(10000);

static void BM_HashtablePut(benchmark::State& state) {
    auto names = objectNames(static_cast<int>(state.range(0)));
    CInteger value;
    for (auto _ : state) {
        CHashtable table(101, 0.75, true);
        for (const auto& name : names) table.put(new CStringHashCode(name.c_str()), &value);
        benchmark::DoNotOptimize(table.getSize());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HashtablePut)->Arg(1000);

static void BM_StringAppendCharacters(benchmark::State& state) {
    for (auto _ : state) {
        CXString s;
        for (int i = 0; i < state.range(0); ++i) s += static_cast<char>('a' + i % 26);
        benchmark::DoNotOptimize(s.GetBuffer());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringAppendCharacters)->Arg(64)->Arg(4096);

static void BM_StringAppendTextAndNumbers(benchmark::State& state) {
    for (auto _ : state) {
        CXString s;
        for (int i = 0; i < state.range(0); ++i) {
            s += "item";
            s += i;
        }
        benchmark::DoNotOptimize(s.GetBuffer());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringAppendTextAndNumbers)->Arg(256);

static void BM_DoubleToText(benchmark::State& state) {
    double v = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CXString::toString(v));
        v += 1.37;
    }
}
BENCHMARK(BM_DoubleToText);
