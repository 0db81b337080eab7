#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/ElementsLoader.h"
#include "core/TextCoder.h"
#include "platform/Files.h"

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

// Parsing text already in memory; with range(1) set, deleting the elements is timed too.
void BM_LoadDefinitions(benchmark::State& state) {
    std::string text = sceneText(static_cast<int>(state.range(0)));
    bool withDelete = state.range(1) != 0;
    for (auto _ : state) {
        CMElements* list = CMElementsLoader::load(
            nullptr, new CTextFileReader(nullptr, text.data(), static_cast<int>(text.size())));
        benchmark::DoNotOptimize(list);
        if (!withDelete) state.PauseTiming();
        delete list;
        if (!withDelete) state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// One element given count properties by bare keys, each key twice: each one asks whether the element has it.
void BM_LoadBareKeys(benchmark::State& state) {
    std::string text = "OBJECT=A\n";
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < state.range(0); ++i) text += "A:KEY_" + std::to_string(i) + "\n";
    for (auto _ : state) {
        CMElements* list = CMElementsLoader::load(
            nullptr, new CTextFileReader(nullptr, text.data(), static_cast<int>(text.size())));
        benchmark::DoNotOptimize(list);
        state.PauseTiming();
        delete list;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// The same scene read from a file, plain and coded, as a game loads it (deleting it is not timed).
void loadFile(benchmark::State& state, bool coded) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "kavirel_bench_definitions";
    std::filesystem::create_directories(folder);
    std::filesystem::path plain = folder / "scene.cnv";
    std::ofstream(plain, std::ios::binary) << sceneText(static_cast<int>(state.range(0)));
    CXString name(CPlatformFiles::toEngineName(plain.string()).c_str());
    if (coded) {
        CXString codedName = name + ".coded";
        if (!CTextCoder::code(nullptr, name, codedName, 6))
            state.SkipWithError("the coded copy was not written");
        name = codedName;
    }
    for (auto _ : state) {
        CMElements* list = CMElementsLoader::load(nullptr, name);
        if (!list || list->getSize() != state.range(0)) state.SkipWithError("the scene did not load whole");
        benchmark::DoNotOptimize(list);
        state.PauseTiming();
        delete list;
        state.ResumeTiming();
    }
    std::filesystem::remove_all(folder);
}

void BM_LoadDefinitionFile(benchmark::State& state) { loadFile(state, false); }
void BM_LoadCodedDefinitionFile(benchmark::State& state) { loadFile(state, true); }

} // namespace

BENCHMARK(BM_LoadDefinitions)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBareKeys)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDefinitionFile)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCodedDefinitionFile)->Arg(10000)->Unit(benchmark::kMillisecond);
