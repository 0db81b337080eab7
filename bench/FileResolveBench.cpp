// Resolving engine names through the per-folder index, against the folder's own listing.
#include "platform/Files.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {
struct SGameTree {
    fs::path root;
    SGameTree() {
        root = fs::temp_directory_path() / "kavirel_bench_resolve";
        fs::remove_all(root);
        fs::create_directories(root / "Dane" / "Scena01" / "Obrazy");
        for (int i = 0; i < 1000; ++i)
            std::ofstream(root / "Dane" / "Scena01" / "Obrazy" / ("Obraz" + std::to_string(i) + ".IMG"));
    }
    ~SGameTree() { fs::remove_all(root); }
};
} // namespace

static void BM_ResolveMixedCase(benchmark::State& state) {
    SGameTree tree;
    const std::string name = tree.root.string() + "\\DANE\\scena01\\obrazy\\obraz517.img";
    std::string path;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CPlatformFiles::resolve(name, path));
    }
}
BENCHMARK(BM_ResolveMixedCase);

static void BM_ResolveExact(benchmark::State& state) {
    SGameTree tree;
    const std::string name = tree.root.string() + "/Dane/Scena01/Obrazy/Obraz517.IMG";
    std::string path;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CPlatformFiles::resolve(name, path));
    }
}
BENCHMARK(BM_ResolveExact);
