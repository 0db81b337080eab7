// One engine frame at 800x600: 50 sprites with alpha planes moving every frame over a full-screen background.
// The counters split the frame into the compositor's repaint ("refresh_us") and the copy of the dirty
// rectangles to the display with its presentation ("present_us"), without waiting for vsync.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "core/CommandLine6.h"
#include "display/DirectDrawSurface.h"
#include "display/GraphicsObject.h"
#include "display/RefreshRegion.h"
#include "display/RefreshScreen.h"
#include "display/Surface.h"
#include "display/Window.h"
#include "platform/Display.h"
#include "platform/Video.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 800, kHeight = 600, kSprites = 50, kSide = 64;

using Clock = std::chrono::steady_clock;

struct Scene {
    Scene(CDisplay* display)
        : line("-window"),
          window(display, nullptr, &line, nullptr, CXSize(kWidth, kHeight), 0, "", "", "", true) {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
        screen = window.GetRefreshScreenInterface();
        std::mt19937 rng(7);
        background = std::make_unique<CGraphicsObject>(&window, CXSize(kWidth, kHeight), 16);
        auto* b = reinterpret_cast<uint16_t*>(background->GetDataPtr());
        for (int i = 0; i < kWidth * kHeight; ++i) b[i] = uint16_t(rng());
        screen->SetBackground(background.get());
        for (int s = 0; s < kSprites; ++s) {
            auto g = std::make_unique<CGraphicsObject>(&window, CXSize(kSide, kSide), 16);
            auto* p = reinterpret_cast<uint16_t*>(g->GetDataPtr());
            char* alpha = new char[kSide * kSide];
            for (int i = 0; i < kSide * kSide; ++i) {
                p[i] = uint16_t(rng());
                // A round sprite with a soft edge: opaque inside, blended at the rim, transparent outside.
                int dx = i % kSide - kSide / 2, dy = i / kSide - kSide / 2, d = dx * dx + dy * dy;
                alpha[i] = char(d < 24 * 24 ? 255 : d < 32 * 32 ? 255 - (d - 576) * 255 / 448 : 0);
            }
            g->AlphaChannel(alpha);
            g->SetPosition(int(rng() % (kWidth - kSide)), int(rng() % (kHeight - kSide)));
            screen->put(g.get(), s % 3);
            velocity.push_back({int(rng() % 7) - 3, int(rng() % 7) - 3});
            sprites.push_back(std::move(g));
        }
        window.Tick();
    }
    ~Scene() {
        for (auto& g : sprites) *screen >> g.get();
    }

    void move() {
        for (size_t i = 0; i < sprites.size(); ++i) {
            CGraphicsObject* g = sprites[i].get();
            CXPoint p = g->GetPosition();
            CXPoint& v = velocity[i];
            if (p.x + v.x < 0 || p.x + v.x > kWidth - kSide) v.x = -v.x;
            if (p.y + v.y < 0 || p.y + v.y > kHeight - kSide) v.y = -v.y;
            if (v.x == 0 && v.y == 0) v.x = 1;
            g->Move(v.x, v.y);
        }
    }

    CCommandLine6 line;
    CWindow window;
    CRefreshScreen* screen = nullptr;
    std::unique_ptr<CGraphicsObject> background;
    std::vector<std::unique_ptr<CGraphicsObject>> sprites;
    std::vector<CXPoint> velocity;
};

void runFrames(benchmark::State& state, CDisplay& display) {
    CDisplayMode mode;
    mode.vsync = false;
    if (!display.open(mode)) {
        state.SkipWithError(display.lastError().c_str());
        return;
    }
    Scene scene(&display);
    CSurface* surface = scene.window.GetSurface();
    CDirectDrawSurface* canvas = scene.window.getScreenCanvas();
    double refresh = 0, present = 0;
    size_t rects = 0;
    for (auto _ : state) {
        scene.move();
        // The window's Redraw, split in its two halves.
        auto t0 = Clock::now();
        scene.screen->Redraw(canvas, surface, nullptr);
        auto t1 = Clock::now();
        CRefreshRegion* region = scene.screen->getRefreshList();
        rects += size_t(region->getSize());
        for (int i = 0; i < region->getSize(); ++i) {
            CXRect* r = region->rectAt(i);
            CXRect all(0, 0, kWidth, kHeight);
            surface->Blt(canvas, r ? r->left : 0, r ? r->top : 0, r ? r : &all);
        }
        surface->Present();
        region->clear();
        auto t2 = Clock::now();
        refresh += std::chrono::duration<double, std::micro>(t1 - t0).count();
        present += std::chrono::duration<double, std::micro>(t2 - t1).count();
    }
    const double frames = double(state.iterations());
    state.counters["refresh_us"] = refresh / frames;
    state.counters["present_us"] = present / frames;
    state.counters["rects"] = double(rects) / frames;
    display.close();
}

void BM_FrameHeadless(benchmark::State& state) {
    auto display = createHeadlessDisplay();
    runFrames(state, *display);
}
BENCHMARK(BM_FrameHeadless)->Unit(benchmark::kMicrosecond);

void BM_FrameSdl(benchmark::State& state) {
    // The dummy driver measures SDL's own work; with SDL_VIDEODRIVER=x11 under a display server the
    // desktop's.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    CVideo video;
    if (!video.isReady()) {
        state.SkipWithError(video.lastError().c_str());
        return;
    }
    auto display = createSdlDisplay(video);
    runFrames(state, *display);
    state.SetLabel(video.driverName());
}
BENCHMARK(BM_FrameSdl)->Unit(benchmark::kMicrosecond);

} // namespace
