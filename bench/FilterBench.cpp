// Graph filters on an 800 x 600 16-bit picture, in nanoseconds a pixel, beside a plain copy of the same
// picture measured in the same run (BM_Copy): NEGATIVE, COLORCHANNEL, GRAYSCALE, BLUR 3, a WATER step and a
// WAVING rebuild. Each filter benchmark also reports its ratio to the copy ("x_copy").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "display/GraphicsObject.h"
#include "media/filters/GraphFilter.h"
#include "media/filters/StaticFilter.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr double kPixels = double(kWidth) * kHeight;

std::unique_ptr<CGraphicsObject> noise() {
    auto g = std::make_unique<CGraphicsObject>(nullptr, CXSize(kWidth, kHeight), 16);
    std::mt19937 rng(3);
    auto* p = reinterpret_cast<uint16_t*>(g->GetDataPtr());
    for (int i = 0; i < kWidth * kHeight; ++i) p[i] = uint16_t(rng());
    return g;
}

// Nanoseconds a pixel of a plain copy, measured once in this run.
double copyNsPerPixel() {
    static double value = [] {
        std::vector<uint16_t> a(static_cast<size_t>(kPixels), 1), b(static_cast<size_t>(kPixels));
        // The best of several warm rounds.
        double best = 1e30;
        for (int trial = 0; trial < 20; ++trial) {
            const int rounds = 50;
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < rounds; ++i) {
                std::memcpy(b.data(), a.data(), b.size() * 2);
                benchmark::DoNotOptimize(b.data());
                benchmark::ClobberMemory();
            }
            auto ns =
                std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
            best = std::min(best, ns / rounds / kPixels);
        }
        return best;
    }();
    return value;
}

void report(benchmark::State& state, double seconds) {
    const double ns = seconds * 1e9 / double(state.iterations()) / kPixels;
    state.counters["ns_px"] = ns;
    state.counters["x_copy"] = ns / copyNsPerPixel();
}

void BM_Copy(benchmark::State& state) {
    std::vector<uint16_t> a(static_cast<size_t>(kPixels), 1), b(static_cast<size_t>(kPixels));
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::memcpy(b.data(), a.data(), b.size() * 2);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state, seconds);
}

// A static filter linked with CANUNDO and unlinked again; only the link (the pixel routine) is timed.
template <class Filter>
void staticFilter(benchmark::State& state, const char* key = nullptr, const char* value = nullptr) {
    auto g = noise();
    Filter filter(nullptr);
    filter.setProperty("CANUNDO", "TRUE");
    if (key) filter.setProperty(key, value);
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        filter.link(g.get(), nullptr);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        filter.unlink(g.get());
    }
    report(state, seconds);
}

void BM_Negative(benchmark::State& state) { staticFilter<CGraphNegativeFilter>(state); }
void BM_ColorChannel(benchmark::State& state) {
    staticFilter<CGraphColorChannelFilter>(state, "CHANNELS", "RB");
}
void BM_GrayScale(benchmark::State& state) { staticFilter<CGraphGrayScaleFilter>(state); }
void BM_Blur3(benchmark::State& state) { staticFilter<CGraphBlurFilter>(state, "SIZE", "3"); }

void BM_WaterStep(benchmark::State& state) {
    auto g = noise();
    CGraphFilter_Water water(nullptr);
    water.link(g.get(), nullptr);
    water.start(g.get());
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        water.onTimer(0);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state, seconds);
}

void BM_WavingRebuild(benchmark::State& state) {
    auto g = noise();
    CGraphFilter_Waving waving(nullptr);
    waving.link(g.get(), nullptr);
    waving.start(g.get());
    double seconds = 0;
    for (auto _ : state) {
        // Ten steps make one rebuild; the nine others do nothing.
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 10; ++i) waving.onTimer(0);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state, seconds);
}

} // namespace

BENCHMARK(BM_Copy);
BENCHMARK(BM_Negative);
BENCHMARK(BM_ColorChannel);
BENCHMARK(BM_GrayScale);
BENCHMARK(BM_Blur3);
BENCHMARK(BM_WaterStep);
BENCHMARK(BM_WavingRebuild);
