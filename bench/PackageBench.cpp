// Extracting a package of 200 files (50 MB) against the least any extraction must do: inflating the same
// entries from memory and writing them with fwrite. The "x_inflate_fwrite" counter is extraction time over
// that baseline, both measured in the same run.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/SelfExtract.h"
#include "platform/Files.h"

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 200;
constexpr size_t kFileBytes = 50u * 1024 * 1024 / kFiles;

struct SFixture {
    fs::path root;
    std::string package;
    std::vector<std::vector<unsigned char>> packed; // each entry's zlib stream
    std::vector<uLong> sizes;

    SFixture() {
        root = fs::temp_directory_path() / ("kavirel_packagebench_" + std::to_string(std::random_device{}()));
        fs::remove_all(root);
        fs::create_directories(root / "src" / "Dane");
        std::mt19937 rng(7);
        std::vector<unsigned char> data(kFileBytes);
        for (int i = 0; i < kFiles; ++i) {
            // Game data compresses about 2:1: runs and words, with noise among them.
            for (size_t j = 0; j < data.size(); ++j)
                data[j] = (j / 64) % 3 == 0 ? static_cast<unsigned char>(rng())
                                            : static_cast<unsigned char>(j / 97 + i);
            const fs::path file = root / "src" / "Dane" / ("f" + std::to_string(i) + ".dat");
            std::FILE* out = std::fopen(file.c_str(), "wb");
            std::fwrite(data.data(), 1, data.size(), out);
            std::fclose(out);
            uLongf length = compressBound(static_cast<uLong>(data.size()));
            std::vector<unsigned char> z(length);
            compress2(z.data(), &length, data.data(), static_cast<uLong>(data.size()), 9);
            z.resize(length);
            packed.push_back(std::move(z));
            sizes.push_back(static_cast<uLong>(data.size()));
        }
        const std::string previous = CPlatformFiles::workingFolder();
        CPlatformFiles::changeWorkingFolder(CPlatformFiles::toEngineName((root / "src").string()));
        CSelfExtract build;
        build.AddDirectory(CXString("Dane"));
        package = CPlatformFiles::toEngineName((root / "bench.pik").string());
        build.CreateArchive(CXString(), CXString(package.c_str()));
        CPlatformFiles::changeWorkingFolder(previous);
    }
    ~SFixture() { fs::remove_all(root); }
};

SFixture& fixture() {
    static SFixture f;
    return f;
}

double baselineSeconds(const SFixture& f) {
    const auto start = std::chrono::steady_clock::now();
    fs::create_directories(f.root / "plain");
    std::vector<unsigned char> out;
    for (size_t i = 0; i < f.packed.size(); ++i) {
        out.resize(f.sizes[i]);
        uLongf length = f.sizes[i];
        uncompress(out.data(), &length, f.packed[i].data(), static_cast<uLong>(f.packed[i].size()));
        const fs::path file = f.root / "plain" / ("f" + std::to_string(i) + ".dat");
        std::FILE* target = std::fopen(file.c_str(), "wb");
        std::fwrite(out.data(), 1, length, target);
        std::fclose(target);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ExtractFilesAgainstInflateAndFwrite(benchmark::State& state) {
    SFixture& f = fixture();
    CSelfExtract package(CXString(f.package.c_str()));
    if (!package.ReadTOC() || package.GetCount() != kFiles) {
        state.SkipWithError("the package was not built");
        return;
    }
    const std::string target = CPlatformFiles::toEngineName((f.root / "out").string());
    double extract = 0, baseline = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!package.ExtractFiles(CXString(target.c_str()))) state.SkipWithError("extraction failed");
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        extract += seconds;
        baseline += baselineSeconds(f);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kFiles * kFileBytes));
    state.counters["baseline_s"] = baseline / static_cast<double>(state.iterations());
    state.counters["x_inflate_fwrite"] = baseline > 0 ? extract / baseline : 0;
}
BENCHMARK(BM_ExtractFilesAgainstInflateAndFwrite)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
