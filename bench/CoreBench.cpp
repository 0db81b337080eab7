#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/Config.h"
#include "core/Hashtable.h"
#include "core/XString.h"
#include "platform/Files.h"

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

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Sections of scene values as TOINI keeps them, until the text holds at least bytes.
std::string iniText(size_t bytes, int& sections) {
    std::string text;
    sections = 0;
    while (text.size() < bytes) {
        text += "[SCENE_" + std::to_string(sections++) + "]\r\n";
        for (int k = 0; k < 5 && text.size() < bytes; ++k) text += "VALUE_" + std::to_string(k) + "=1000\r\n";
    }
    return text;
}

bool writeByHand(const std::string& from, const std::string& to, const std::string& text) {
    std::FILE* file = std::fopen(from.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    return ok && std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

// A TOINI change (the settings' PutString, as an assignment to a TOINI value makes it) on an ini of the given
// size, against writing the same bytes to a temporary and renaming it over a file by hand, in the same run.
// The files are in the system's temporary folder (TMPDIR), whose file system sets what a rename costs.
static void BM_IniChange(benchmark::State& state) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("kavirel_bench_ini_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    int sections = 0;
    std::string text = iniText(static_cast<size_t>(state.range(0)), sections);
    std::string ini = (folder / "Kavirel.ini").string(), peer = (folder / "peer.ini").string();
    if (!writeByHand(ini + ".new", ini, text) || !writeByHand(peer + ".new", peer, text)) {
        state.SkipWithError("the folder cannot be written");
        return;
    }
    CConfig config(CXString(CPlatformFiles::toEngineName(ini).c_str()));
    CXString section(("SCENE_" + std::to_string(sections / 2)).c_str()), key("VALUE_2");
    // The first use reads and parses the file; the changes after it are what a game's frames pay.
    Clock::time_point first = Clock::now();
    if (config.GetInt(section, key) != 1000) state.SkipWithError("the ini does not read back");
    state.counters["first_read_ms"] = seconds(first) * 1000;
    double engine = 0, baseline = 0;
    int value = 1000;
    for (auto _ : state) {
        value = value == 9999 ? 1000 : value + 1;
        Clock::time_point start = Clock::now();
        bool stored = config.PutInt(section, key, value);
        double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;

        start = Clock::now();
        bool written = writeByHand(peer + ".tmp", peer, text);
        baseline += seconds(start);
        if (!stored || !written || config.GetInt(section, key) != value) state.SkipWithError("a write failed");
    }
    state.counters["x_by_hand"] = engine / baseline;
    state.counters["bytes"] = static_cast<double>(text.size());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_IniChange)->Arg(4096)->Arg(8 << 20)->UseManualTime()->Unit(benchmark::kMicrosecond);
