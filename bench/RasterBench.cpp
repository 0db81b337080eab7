#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "display/GraphicsObject.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 800, kHeight = 600, kLayers = 30;

// Full-screen 16-bit layers of noise, each with an alpha plane that sweeps 0..255 along the row (so
// almost every pixel takes the partial blend) and an opacity of its own.
struct Frame {
    std::unique_ptr<CGraphicsObject> screen;
    std::vector<std::unique_ptr<CGraphicsObject>> layers;

    Frame(bool alpha, bool opacity) : screen(new CGraphicsObject(nullptr, CXSize(kWidth, kHeight), 16)) {
        std::mt19937 rng(1);
        const size_t n = size_t(kWidth) * kHeight;
        for (int l = 0; l < kLayers; ++l) {
            auto g = std::make_unique<CGraphicsObject>(nullptr, CXSize(kWidth, kHeight), 16);
            auto* p = reinterpret_cast<uint16_t*>(g->GetDataPtr());
            for (size_t i = 0; i < n; ++i) p[i] = uint16_t(rng());
            if (alpha) {
                char* a = new char[n];
                for (size_t i = 0; i < n; ++i) a[i] = char((i + size_t(l) * 37) & 255);
                g->AlphaChannel(a);
            }
            if (opacity) g->SetOpacity(uint8_t(96 + l * 4));
            layers.push_back(std::move(g));
        }
    }

    void compose() {
        for (auto& layer : layers) layer->redraw(screen.get());
    }
};

void compose(benchmark::State& state, bool alpha, bool opacity) {
    const bool simd = state.range(0) != 0;
    if (simd && !CGraphicsObject::hasSimdBlending()) {
        state.SkipWithError("no SSE2");
        return;
    }
    CGraphicsObject::setSimdBlending(simd);
    Frame frame(alpha, opacity);
    for (auto _ : state) {
        frame.compose();
        benchmark::DoNotOptimize(frame.screen->GetDataPtr());
        benchmark::ClobberMemory();
    }
    // An inverted rate over pixel-layers × 1e-9: nanoseconds per pixel per layer (the report prints an "s").
    const double pixelLayers = double(kWidth) * kHeight * kLayers;
    state.counters["ns_per_pixel_layer"] = benchmark::Counter(
        pixelLayers * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetLabel(simd ? "sse2" : "scalar");
    CGraphicsObject::setSimdBlending(true);
}

} // namespace

// The frame of the speed goal: every layer with alpha and opacity.
static void BM_ComposeAlphaAndOpacity(benchmark::State& state) { compose(state, true, true); }
BENCHMARK(BM_ComposeAlphaAndOpacity)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_ComposeAlpha(benchmark::State& state) { compose(state, true, false); }
BENCHMARK(BM_ComposeAlpha)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_ComposeOpacity(benchmark::State& state) { compose(state, false, true); }
BENCHMARK(BM_ComposeOpacity)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_ComposeOpaqueCopy(benchmark::State& state) { compose(state, false, false); }
BENCHMARK(BM_ComposeOpaqueCopy)->Arg(0)->Unit(benchmark::kMillisecond);
