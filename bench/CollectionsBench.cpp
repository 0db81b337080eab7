// ARRAY against plain C++ doing the same work in the same run: SORT of 100,000 random INTEGERs against
// std::sort of the same int32_t values, and FIND of a value that is not there among 100,000 against a plain
// loop calling equals over the same elements in a std::vector.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "script/Array.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

constexpr int kCount = 100000;

struct Values {
    Values() {
        kavirelRegisterTypes();
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        std::mt19937 draw(20);
        std::uniform_int_distribution<int32_t> any(-1000000, 1000000);
        for (int i = 0; i < kCount; ++i) numbers.push_back(any(draw));
    }
    ~Values() {
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
    void fill(CMC_Array& array) const {
        array.removeAll();
        for (int32_t number : numbers) {
            CMC_Integer value(number);
            array.add(&value);
        }
    }
    std::vector<int32_t> numbers;
};

void BM_ArraySort100k(benchmark::State& state) {
    Values values;
    CMC_Array array(nullptr, CXString("A"));
    double engine = 0, baseline = 0;
    for (auto _ : state) {
        state.PauseTiming();
        values.fill(array);
        std::vector<int32_t> plain = values.numbers;
        state.ResumeTiming();

        Clock::time_point start = Clock::now();
        array.sort(true);
        double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;

        start = Clock::now();
        std::sort(plain.begin(), plain.end());
        baseline += seconds(start);
        if (static_cast<CMC_Integer*>(array.get(kCount / 2))->getValue() != plain[kCount / 2])
            state.SkipWithError("the array and std::sort disagree");
    }
    state.counters["x_std_sort"] = engine / baseline;
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_ArraySort100k)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ArrayFindAbsent100k(benchmark::State& state) {
    Values values;
    CMC_Array array(nullptr, CXString("A"));
    values.fill(array);
    std::vector<CMC_Variable*> plain;
    for (int i = 0; i < kCount; ++i) plain.push_back(array.get(i));
    CMC_Integer absent(2000000);
    double engine = 0, baseline = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        int found = array.find(&absent);
        benchmark::DoNotOptimize(found);
        double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;

        start = Clock::now();
        int same = -1;
        for (size_t i = 0; i < plain.size(); ++i)
            if (plain[i]->equals(&absent)) {
                same = static_cast<int>(i);
                break;
            }
        benchmark::DoNotOptimize(same);
        baseline += seconds(start);
        if (same != found) state.SkipWithError("FIND and the loop disagree");
    }
    state.counters["x_loop"] = engine / baseline;
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_ArrayFindAbsent100k)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
