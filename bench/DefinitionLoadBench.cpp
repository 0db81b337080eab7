#include <benchmark/benchmark.h>

#include <string>

#include "core/ElementsLoader.h"
#include "core/TextCoder.h"

using namespace KavirelDLL;

namespace {

// A scene of count objects with five properties each, written as games write them.
std::string sceneText(int count) {
    std::string text = "# generated scene\n";
    for (int i = 0; i < count; ++i) {
        std::string name = "OBJ_" + std::to_string(i);
        text += "OBJECT=" + name + "\n";
        text += name + ":TYPE=ANIMO\n";
        text += name + ":FILENAME=ANIMS\\" + name + ".ANN\n";
        text += name + ":VISIBLE=TRUE\n";
        text += name + ":POSITION=" + std::to_string(i % 800) + "," + std::to_string(i % 600) + "\n";
        text += name + ":PRIORITY=" + std::to_string(i) + "\n";
    }
    return text;
}

void BM_LoadDefinitions(benchmark::State& state) {
    std::string text = sceneText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CMElements* list =
            CMElementsLoader::load(nullptr, new CTextFileReader(nullptr, text.data(), static_cast<int>(text.size())));
        benchmark::DoNotOptimize(list);
        delete list;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

} // namespace

BENCHMARK(BM_LoadDefinitions)->Arg(10000)->Unit(benchmark::kMillisecond);
