// Presenting an 800x600 16-bit screen with about 20 dirty rectangles a frame, as the compositor hands them
// over.
#include "platform/Display.h"
#include "platform/Video.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

using namespace KavirelDLL;

namespace {

std::vector<CPlatformRect> dirtyRectangles(size_t count) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int32_t> size(16, 96), x(0, 799), y(0, 599);
    std::vector<CPlatformRect> rects;
    for (size_t i = 0; i < count; ++i) {
        int32_t left = x(random), top = y(random);
        rects.push_back({left, top, left + size(random), top + size(random)});
    }
    return rects;
}

void presentFrames(benchmark::State& state, CDisplay& display, bool whole) {
    CDisplayMode mode;
    mode.vsync = false;
    if (!display.open(mode)) {
        state.SkipWithError(display.lastError().c_str());
        return;
    }
    const std::vector<CPlatformRect> rects = dirtyRectangles(20);
    uint16_t colour = 0;
    for (auto _ : state) {
        // The engine's drawing is not measured; one pixel per rectangle keeps the frames different.
        ++colour;
        for (const CPlatformRect& r : rects) display.pixels()[r.top * display.pitch() + r.left] = colour;
        if (whole)
            display.updateAll();
        else
            display.update(rects.data(), rects.size());
        display.present();
    }
    state.SetItemsProcessed(state.iterations());
    display.close();
}

void BM_HeadlessDirtyRects(benchmark::State& state) {
    auto display = createHeadlessDisplay();
    presentFrames(state, *display, false);
}
BENCHMARK(BM_HeadlessDirtyRects);

void BM_HeadlessWholeScreen(benchmark::State& state) {
    auto display = createHeadlessDisplay();
    presentFrames(state, *display, true);
}
BENCHMARK(BM_HeadlessWholeScreen);

void sdlFrames(benchmark::State& state, bool whole) {
    // Without a desktop named, the dummy driver measures SDL's own work; run under a display server with
    // SDL_VIDEODRIVER=x11 to include the desktop's.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    CVideo video;
    if (!video.isReady()) {
        state.SkipWithError(video.lastError().c_str());
        return;
    }
    auto display = createSdlDisplay(video);
    presentFrames(state, *display, whole);
    state.SetLabel(video.driverName());
}

void BM_SdlDirtyRects(benchmark::State& state) { sdlFrames(state, false); }
BENCHMARK(BM_SdlDirtyRects);

void BM_SdlWholeScreen(benchmark::State& state) { sdlFrames(state, true); }
BENCHMARK(BM_SdlWholeScreen);

} // namespace
