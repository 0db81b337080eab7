#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include "display/GraphicsObject.h"

#ifdef KAVIREL_BENCH_PIXMAN
#include <pixman.h>
#endif

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 800, kHeight = 600, kLayers = 30;

// Full-screen 16-bit layers of noise, each with an alpha plane that sweeps 0..255 along the row (so
// almost every pixel takes the partial blend) and an opacity of its own.
struct Frame {
    std::unique_ptr<CGraphicsObject> screen;
    std::vector<std::unique_ptr<CGraphicsObject>> layers;
    std::vector<std::vector<uint8_t>> masks; // each layer's alpha with its opacity applied, for the peer

    Frame(bool alpha, bool opacity) : screen(new CGraphicsObject(nullptr, CXSize(kWidth, kHeight), 16)) {
        std::mt19937 rng(1);
        const size_t n = size_t(kWidth) * kHeight;
        for (int l = 0; l < kLayers; ++l) {
            auto g = std::make_unique<CGraphicsObject>(nullptr, CXSize(kWidth, kHeight), 16);
            auto* p = reinterpret_cast<uint16_t*>(g->GetDataPtr());
            for (size_t i = 0; i < n; ++i) p[i] = uint16_t(rng());
            const unsigned level = opacity ? 96u + unsigned(l) * 4u : 255u;
            if (alpha || opacity) {
                std::vector<uint8_t> mask(n);
                for (size_t i = 0; i < n; ++i)
                    mask[i] = uint8_t((alpha ? (i + size_t(l) * 37) & 255 : 255) * level / 255);
                masks.push_back(std::move(mask));
            }
            if (alpha) {
                char* a = new char[n];
                for (size_t i = 0; i < n; ++i) a[i] = char((i + size_t(l) * 37) & 255);
                g->AlphaChannel(a);
            }
            if (opacity) g->SetOpacity(uint8_t(level));
            layers.push_back(std::move(g));
        }
    }

    void compose() {
        for (auto& layer : layers) layer->redraw(screen.get());
    }
};

#ifdef KAVIREL_BENCH_PIXMAN
// The same layers composed by pixman: OVER of each r5g6b5 layer through an a8 mask (its alpha with its
// opacity applied) onto an r5g6b5 screen; layers without either are copied (SRC).
struct PixmanFrame {
    explicit PixmanFrame(Frame& frame) {
        screenPixels.assign(size_t(kWidth) * kHeight, 0);
        screen = pixman_image_create_bits(PIXMAN_r5g6b5, kWidth, kHeight,
                                          reinterpret_cast<uint32_t*>(screenPixels.data()), kWidth * 2);
        for (size_t l = 0; l < frame.layers.size(); ++l) {
            auto* pixels = reinterpret_cast<uint32_t*>(frame.layers[l]->GetDataPtr());
            sources.push_back(pixman_image_create_bits(PIXMAN_r5g6b5, kWidth, kHeight, pixels, kWidth * 2));
            masks.push_back(pixman_image_create_bits(
                PIXMAN_a8, kWidth, kHeight, reinterpret_cast<uint32_t*>(frame.masks[l].data()), kWidth));
        }
    }
    ~PixmanFrame() {
        for (pixman_image_t* image : sources) pixman_image_unref(image);
        for (pixman_image_t* image : masks) pixman_image_unref(image);
        pixman_image_unref(screen);
    }
    void compose() {
        for (size_t l = 0; l < sources.size(); ++l)
            pixman_image_composite32(masks.empty() ? PIXMAN_OP_SRC : PIXMAN_OP_OVER, sources[l],
                                     masks.empty() ? nullptr : masks[l], screen, 0, 0, 0, 0, 0, 0, kWidth,
                                     kHeight);
    }
    std::vector<uint16_t> screenPixels;
    pixman_image_t* screen;
    std::vector<pixman_image_t*> sources, masks;
};
#endif

// Processor time, not the wall clock: on a machine others share, a loop that waits for the processor would
// otherwise count the wait, and the ratio to the peer would say more about the load than about the code.
struct Clock {
    using time_point = std::clock_t;
    static time_point now() { return std::clock(); }
};

double seconds(Clock::time_point from) { return static_cast<double>(Clock::now() - from) / CLOCKS_PER_SEC; }

// Our composition and, in the same iteration, pixman's of the same layers: x_pixman is our time over
// pixman's (below 1 where ours is faster).
void compose(benchmark::State& state, bool alpha, bool opacity) {
    const bool simd = state.range(0) != 0;
    if (simd && !CGraphicsObject::hasSimdBlending()) {
        state.SkipWithError("no SSE2");
        return;
    }
    CGraphicsObject::setSimdBlending(simd);
    Frame frame(alpha, opacity);
#ifdef KAVIREL_BENCH_PIXMAN
    PixmanFrame peer(frame);
#endif
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        frame.compose();
        benchmark::DoNotOptimize(frame.screen->GetDataPtr());
        benchmark::ClobberMemory();
        double took = seconds(start);
        ours += took;
        state.SetIterationTime(took);
#ifdef KAVIREL_BENCH_PIXMAN
        start = Clock::now();
        peer.compose();
        benchmark::DoNotOptimize(peer.screenPixels.data());
        benchmark::ClobberMemory();
        theirs += seconds(start);
#endif
    }
    // An inverted rate over pixel-layers × 1e-9: nanoseconds per pixel per layer (the report prints an "s").
    const double pixelLayers = double(kWidth) * kHeight * kLayers;
    state.counters["ns_per_pixel_layer"] = benchmark::Counter(
        pixelLayers * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    if (theirs > 0) state.counters["x_pixman"] = ours / theirs;
#ifdef KAVIREL_BENCH_PIXMAN
    state.SetLabel(simd ? "sse2" : "scalar");
#else
    state.SetLabel(simd ? "sse2; no pixman peer (libpixman-1-dev): no x_pixman"
                        : "scalar; no pixman peer (libpixman-1-dev): no x_pixman");
#endif
    CGraphicsObject::setSimdBlending(true);
}

} // namespace

// The frame of the speed goal: every layer with alpha and opacity.
static void BM_ComposeAlphaAndOpacity(benchmark::State& state) { compose(state, true, true); }
BENCHMARK(BM_ComposeAlphaAndOpacity)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_ComposeAlpha(benchmark::State& state) { compose(state, true, false); }
BENCHMARK(BM_ComposeAlpha)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_ComposeOpacity(benchmark::State& state) { compose(state, false, true); }
BENCHMARK(BM_ComposeOpacity)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_ComposeOpaqueCopy(benchmark::State& state) { compose(state, false, false); }
BENCHMARK(BM_ComposeOpaqueCopy)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);
