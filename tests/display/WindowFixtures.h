#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/CommandLine6.h"
#include "display/CanvasObserver.h"
#include "display/DirectDrawSurface.h"
#include "display/GraphicsObject.h"
#include "display/RefreshRegion.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "platform/Display.h"

namespace KavirelTest {

using namespace KavirelDLL;

// A window without devices whose screen has a size, for compositors drawn into surfaces of the test's own.
class SizedWindow : public CWindow {
public:
    explicit SizedWindow(int w, int h) { m_screenSize = CXSize(w, h); }
};

// A headless game window as the program makes it: a window of the command line's mode, active.
struct HeadlessGame {
    explicit HeadlessGame(const char* commandLine = "-window", CXSize size = CXSize(320, 240))
        : line(commandLine), display(createHeadlessDisplay()),
          window(display.get(), nullptr, &line, nullptr, size, 0, "", "", "", true) {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
    }
    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CWindow window;
};

class CountingObserver : public CCanvasObserver {
public:
    void onInitialUpdate() override { calls.push_back("initialUpdate"); }
    void onInitialUpdated() override { calls.push_back("initialUpdated"); }
    void onUpdate() override { calls.push_back("update"); }
    void onUpdated() override { calls.push_back("updated"); }
    void onFocusOn() override { calls.push_back("focusOn"); }
    void onFocusOff() override { calls.push_back("focusOff"); }
    std::vector<const char*> calls;
};

inline uint16_t* pixelsOf(CGraphicsObject& g) { return reinterpret_cast<uint16_t*>(g.GetDataPtr()); }

// A w × h 16-bit object of one colour, with an alpha plane of one value when alpha >= 0.
inline CGraphicsObject* solid(int w, int h, uint16_t colour, int alpha = -1, CWindow* window = nullptr) {
    auto* g = new CGraphicsObject(window, CXSize(w, h), 16);
    std::fill_n(pixelsOf(*g), size_t(w) * h, colour);
    if (alpha >= 0) {
        char* a = new char[size_t(w) * h];
        std::memset(a, alpha, size_t(w) * h);
        g->AlphaChannel(a);
    }
    return g;
}

inline uint16_t pixelAt(CDirectDrawSurface& s, int x, int y) {
    return s.view().pixels[y * s.view().pitch + x];
}

// The rows of a surface without padding.
inline std::vector<uint16_t> packed(CDirectDrawSurface& s) {
    CPixelView v = s.view();
    std::vector<uint16_t> out;
    for (int y = 0; y < v.height; ++y)
        out.insert(out.end(), v.pixels + y * v.pitch, v.pixels + y * v.pitch + v.width);
    return out;
}

} // namespace KavirelTest
