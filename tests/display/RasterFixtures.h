#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "display/Collisions.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"

namespace KavirelTest {

using namespace KavirelDLL;

// A refresh screen that records what it is asked to repaint.
class RecordingScreen : public CRefreshScreen {
public:
    explicit RecordingScreen(CWindow* w, int bpp = 16) : CRefreshScreen(w, false) { SetBpp(bpp); }
    using CRefreshScreen::Invalidate;
    void Invalidate(CXRect* r) override { rects.push_back(r ? *r : CXRect(-1, -1, -1, -1)); }
    std::vector<CXRect> rects;
};

class RecordingInspector : public CCollisionInspector {
public:
    void onPositionChanged(CGraphicsObject* g) override { moved.push_back(g); }
    std::vector<CGraphicsObject*> moved;
};

class TestWindow : public CWindow {
public:
    void setScreen(CRefreshScreen* s) { m_refreshScreen = s; }
    void setInspector(CCollisionInspector* c) { m_collisionInspector = c; }
};

inline uint16_t* words(CGraphicsObject& g) { return reinterpret_cast<uint16_t*>(g.GetDataPtr()); }
inline uint8_t* alphaOf(CGraphicsObject& g) { return reinterpret_cast<uint8_t*>(g.GetChannelAlpha()); }

// A w × h object of the given depth, every pixel `value`, with an alpha plane of `alpha` when alpha >= 0.
inline CGraphicsObject* makeObject(int w, int h, int bpp, uint16_t value, int alpha = -1) {
    auto* g = new CGraphicsObject(nullptr, CXSize(w, h), bpp);
    for (int i = 0; i < w * h; ++i) words(*g)[i] = value;
    if (alpha >= 0) {
        char* a = new char[size_t(w) * h];
        std::memset(a, alpha, size_t(w) * h);
        g->AlphaChannel(a);
    }
    return g;
}

inline uint16_t rgb16(int r, int g, int b) { return uint16_t(r << 11 | g << 5 | b); }
inline uint16_t rgb15(int r, int g, int b) { return uint16_t(r << 10 | g << 5 | b); }

} // namespace KavirelTest
