// The script tables against plain C++ doing the same work in the same run: a DATABASE loading a 10,000-row,
// 4-field text file against std::getline split at '|' into strings (and against its own 1,000-row load), one
// row of megabytes the same way (and against its own row half as long), and
// MULTIARRAY reads of a 256x256 grid against reading the same cells from a std::vector.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/Elements.h"
#include "platform/Files.h"
#include "script/Database.h"
#include "script/Integer.h"
#include "script/MultiArray.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/Structure.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

CMElement* element(const char* name, std::initializer_list<std::pair<const char*, const char*>> properties) {
    auto* result = new CMElement(CXString(name));
    for (auto& [key, value] : properties) result->addProperty(CXString(key), CXString(value));
    return result;
}

struct World {
    World() {
        kavirelRegisterTypes();
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
        scene = new CMC_Scene(nullptr, nullptr, "SCENE", TYPE_SCENE);
    }
    ~World() {
        scene->unload();
        delete scene;
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
    CMC_Scene* scene;
};

// A table file of rows lines: an id, a name, a score and a flag.
std::filesystem::path tableFile(const std::filesystem::path& folder, int rows) {
    std::filesystem::path path = folder / ("rows" + std::to_string(rows) + ".txt");
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < rows; ++i)
        out << i << "|player" << i << "|" << (i * 37) % 1000 << "|" << (i % 2 ? "TRUE" : "FALSE") << "\n";
    return path;
}

// The plain loop: lines read with std::getline and split at '|' into strings.
size_t plainLoad(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::vector<std::string>> table;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '|')) fields.push_back(field);
        table.push_back(std::move(fields));
    }
    return table.size();
}

void BM_DatabaseLoad10000Rows(benchmark::State& state) {
    World world;
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "kavirel_bench_tables";
    std::filesystem::create_directories(folder);
    std::filesystem::path big = tableFile(folder, 10000);
    std::filesystem::path small = tableFile(folder, 1000);
    CXString bigName(CPlatformFiles::toEngineName(big.string()).c_str());
    CXString smallName(CPlatformFiles::toEngineName(small.string()).c_str());

    std::unique_ptr<CMElement> model(element(
        "ROW", {{"TYPE", "STRUCT"}, {"FIELDS", "ID<INTEGER>,NAME<STRING>,SCORE<INTEGER>,ACTIVE<BOOL>"}}));
    world.scene->addObject(new CMC_Structure(world.scene, model.get()));
    std::unique_ptr<CMElement> definition(element("TABLE", {{"TYPE", "DATABASE"}, {"MODEL", "ROW"}}));
    auto* table = new CMC_Database(world.scene, definition.get());
    world.scene->addObject(table);
    table->init();

    double engine = 0, plain = 0, engineSmall = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        table->load(bigName);
        double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;
        if (table->getRows() != 10000) state.SkipWithError("the table did not load whole");
        table->removeAll();

        start = Clock::now();
        benchmark::DoNotOptimize(plainLoad(big));
        plain += seconds(start);

        start = Clock::now();
        table->load(smallName);
        engineSmall += seconds(start);
        table->removeAll();
    }
    state.counters["x_getline_split"] = engine / plain;
    state.counters["x_own_1000_rows"] = engine / engineSmall;
    state.SetItemsProcessed(state.iterations() * 10000);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DatabaseLoad10000Rows)->UseManualTime()->Unit(benchmark::kMillisecond);

// One row whose text is state.range(0) bytes, ended by CRLF, against the plain loop, and against the engine's
// own load of a line half as long (x_own_half_line: 2 when a line loads in linear time, 4 when quadratic).
void BM_DatabaseLoadLongLine(benchmark::State& state) {
    World world;
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "kavirel_bench_long_line";
    std::filesystem::create_directories(folder);
    auto lineFile = [&](size_t length) {
        std::filesystem::path path = folder / ("line" + std::to_string(length) + ".txt");
        std::string text(length, ' ');
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
        std::ofstream(path, std::ios::binary) << "7|" << text << "\r\n";
        return path;
    };
    size_t length = static_cast<size_t>(state.range(0));
    std::filesystem::path full = lineFile(length), half = lineFile(length / 2);
    CXString fullName(CPlatformFiles::toEngineName(full.string()).c_str());
    CXString halfName(CPlatformFiles::toEngineName(half.string()).c_str());

    std::unique_ptr<CMElement> model(
        element("ROW", {{"TYPE", "STRUCT"}, {"FIELDS", "ID<INTEGER>,TEXT<STRING>"}}));
    world.scene->addObject(new CMC_Structure(world.scene, model.get()));
    std::unique_ptr<CMElement> definition(element("TABLE", {{"TYPE", "DATABASE"}, {"MODEL", "ROW"}}));
    auto* table = new CMC_Database(world.scene, definition.get());
    world.scene->addObject(table);
    table->init();

    double engine = 0, plain = 0, engineHalf = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        table->load(fullName);
        double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;
        if (table->getRows() != 1 ||
            table->getRow(0)->getField(1)->toString().GetLength() != static_cast<int>(length))
            state.SkipWithError("the line did not load whole");
        table->removeAll();

        start = Clock::now();
        benchmark::DoNotOptimize(plainLoad(full));
        plain += seconds(start);

        start = Clock::now();
        table->load(halfName);
        engineHalf += seconds(start);
        table->removeAll();
    }
    state.counters["x_getline_split"] = engine / plain;
    state.counters["x_own_half_line"] = engine / engineHalf;
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(length));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DatabaseLoadLongLine)
    ->Arg(4 << 20)
    ->Arg(8 << 20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Every cell of a 256x256 grid read through MULTIARRAY's get, and the same cells read from a vector.
void BM_MultiArrayGet256x256(benchmark::State& state) {
    World world;
    constexpr int kSide = 256;
    auto* grid = new CMC_MultiArray(world.scene, CXString("GRID"));
    world.scene->addObject(grid);
    CMC_Integer value(1);
    std::vector<int32_t> coords(2);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; x += 3) {
            coords[0] = x;
            coords[1] = y;
            grid->set(coords, &value);
        }
    std::vector<CMC_Variable*> plain(static_cast<size_t>(kSide) * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            coords[0] = x;
            coords[1] = y;
            plain[static_cast<size_t>(y) * kSide + x] = grid->get(coords);
        }

    double engine = 0, baseline = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        size_t found = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const int32_t at[2] = {x, y};
                found += grid->get(at, 2) != nullptr;
            }
        benchmark::DoNotOptimize(found);
        double took = seconds(start);
        state.SetIterationTime(took);
        engine += took;

        start = Clock::now();
        size_t same = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                same += plain[static_cast<size_t>(y) * kSide + x] != nullptr;
            }
        benchmark::DoNotOptimize(same);
        baseline += seconds(start);
        if (same != found) state.SkipWithError("the grid and the vector disagree");
    }
    state.counters["x_vector"] = engine / baseline;
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_MultiArrayGet256x256)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
