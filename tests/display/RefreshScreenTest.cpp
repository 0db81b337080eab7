#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "WindowFixtures.h"
#include "core/Log.h"
#include "display/Color.h"
#include "display/ValidationQuene.h"
#include "harness/GameHarness.h"
#include "harness/ImageFiles.h"
#include "media/controls/Unit6.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"

using namespace KavirelTest;

namespace {

// A compositor on a window of the given size, drawing into a canvas of that size.
struct Stage {
    Stage(int w = 320, int h = 240)
        : window(w, h), screen(&window, false), canvas(&window, CXSize(w, h), 16, false) {}
    // One frame into the canvas; the region is cleared as the window does after showing it.
    bool frame() {
        bool drawn = screen.Redraw(&canvas, nullptr, nullptr);
        screen.getRefreshList()->clear();
        return drawn;
    }
    SizedWindow window;
    CRefreshScreen screen;
    CDirectDrawSurface canvas;
};

CUnit6* g_unit = nullptr;
CUnit6* testUnit() { return g_unit; }

} // namespace

// ---------------------------------------------------------------- the oracle

namespace {

// A random scene: objects of random sizes, places, priorities, opacities and alpha planes, over a background
// larger than the screen. Each frame changes some of them the ways scripts do and invalidates what changed.
class Scenario {
public:
    Scenario(Stage& stage, unsigned seed) : m_stage(stage), m_random(seed) {
        const int w = stage.screen.Width(), h = stage.screen.Height();
        std::unique_ptr<CGraphicsObject> bkg(new CGraphicsObject(nullptr, CXSize(w + 37, h + 23), 16));
        for (int i = 0; i < bkg->Width() * bkg->Height(); ++i)
            pixelsOf(*bkg)[i] = uint16_t(i * 2654435761u >> 13);
        stage.screen.SetBackground(bkg.get());
        for (int i = 0; i < 24; ++i) add();
    }
    ~Scenario() {
        for (auto& g : m_objects) m_stage.screen >> g.get();
    }

    void step() {
        CRefreshScreen& s = m_stage.screen;
        for (int n = pick(1, 6); n > 0 && !m_objects.empty(); --n) {
            CGraphicsObject* g = m_objects[pick(0, int(m_objects.size()) - 1)].get();
            switch (pick(0, 10)) {
            case 0:
                g->Move(pick(-12, 12), pick(-12, 12));
                break;
            case 1:
                g->Visible(!g->isVisible());
                break;
            case 2:
                g->Invalidate();
                g->SetPosition(pick(-60, s.Width()), pick(-60, s.Height()));
                g->Invalidate();
                break;
            case 3:
                s.SetPriority(g, pick(0, 4));
                g->Invalidate();
                break;
            case 4:
                g->SetOpacity(uint8_t(pick(0, 255)));
                g->Invalidate();
                break;
            case 5: {
                // A clipping rectangle of the object's own.
                g->Invalidate();
                int l = pick(0, g->Width() / 2), t = pick(0, g->Height() / 2);
                g->SetClippingRect(
                    pick(0, 3) ? CXRect(l, t, pick(l + 1, g->Width()), pick(t + 1, g->Height())) : CXRect());
                g->Invalidate();
                break;
            }
            case 6: {
                // Part of the object reports a change: only that part is repainted.
                CXRect box = g->GetAbsoluteBoundingBox();
                int x = pick(box.left - 5, box.right), y = pick(box.top - 5, box.bottom);
                CXRect part(x, y, x + pick(1, 20), y + pick(1, 20));
                g->Invalidate(&part);
                break;
            }
            case 7: {
                int x = pick(-20, s.Width()), y = pick(-20, s.Height());
                CXRect r(x, y, x + pick(1, 90), y + pick(1, 90));
                s.Invalidate(&r);
                break;
            }
            case 8:
                if (m_objects.size() < 30) add();
                break;
            case 9: {
                auto it = m_objects.begin() + pick(0, int(m_objects.size()) - 1);
                (*it)->Invalidate();
                s >> it->get();
                m_objects.erase(it);
                break;
            }
            case 10: {
                CDirectDrawSurface* bkg = s.getBackgroundIfc();
                bkg->SetPosition(bkg->GetPosition().x + pick(-50, 50), bkg->GetPosition().y + pick(-50, 50));
                s.Invalidate(static_cast<CXRect*>(nullptr));
                break;
            }
            }
        }
    }

private:
    int pick(int lo, int hi) { return hi <= lo ? lo : std::uniform_int_distribution<int>(lo, hi)(m_random); }

    void add() {
        const int w = pick(1, 70), h = pick(1, 70);
        auto g = std::make_unique<CGraphicsObject>(&m_stage.window, CXSize(w, h), pick(0, 4) ? 16 : 15);
        for (int i = 0; i < w * h; ++i)
            pixelsOf(*g)[i] = uint16_t(m_random() & (g->GetBpp() == 15 ? 0x7FFF : 0xFFFF));
        if (pick(0, 1)) {
            char* alpha = new char[size_t(w) * h];
            for (int i = 0; i < w * h; ++i)
                alpha[i] = char(pick(0, 3) == 0 ? 0 : pick(0, 3) == 0 ? 255 : pick(0, 255));
            g->AlphaChannel(alpha);
        }
        if (pick(0, 2) == 0) g->SetOpacity(uint8_t(pick(0, 255)));
        g->SetPosition(pick(-40, m_stage.screen.Width()), pick(-40, m_stage.screen.Height()));
        m_stage.screen.put(g.get(), pick(0, 4));
        m_objects.push_back(std::move(g));
    }

    Stage& m_stage;
    std::mt19937 m_random;
    std::vector<std::unique_ptr<CGraphicsObject>> m_objects;
};

} // namespace

// A frame drawn from the dirty rectangles is the frame drawn whole, pixel for pixel, however objects move,
// hide, blend, clip themselves and change priority.
TEST(RefreshOracle, DirtyRectanglesGiveTheWholeFrame) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        Stage stage;
        CDirectDrawSurface reference(&stage.window, CXSize(320, 240), 16, false);
        Scenario scenario(stage, seed);
        stage.frame();
        for (int frame = 0; frame < 40; ++frame) {
            scenario.step();
            stage.frame();
            // The same scene drawn whole into a fresh surface.
            stage.screen.getRefreshList()->addRect(nullptr);
            stage.screen.Redraw(&reference, nullptr, nullptr);
            stage.screen.getRefreshList()->clear();
            ASSERT_EQ(packed(stage.canvas), packed(reference)) << "seed " << seed << " frame " << frame;
        }
    }
}

// The same through the engine window: what the headless display presents after each frame.
TEST(RefreshOracle, PresentedFramesEqualTheWholeFrame) {
    HeadlessGame game("-window", CXSize(800, 600));
    CRefreshScreen* screen = game.window.GetRefreshScreenInterface();
    ASSERT_NE(screen, nullptr);
    CDirectDrawSurface reference(&game.window, CXSize(800, 600), 16, false);
    for (unsigned seed = 100; seed < 103; ++seed) {
        std::mt19937 random(seed);
        std::vector<std::unique_ptr<CGraphicsObject>> objects;
        CColor sky(40, 90, 200);
        screen->SetBackground(&sky);
        for (int i = 0; i < 40; ++i) {
            auto g = std::make_unique<CGraphicsObject>(&game.window,
                                                       CXSize(20 + random() % 90, 20 + random() % 90), 16);
            for (int k = 0; k < g->Width() * g->Height(); ++k) pixelsOf(*g)[k] = uint16_t(random());
            char* alpha = new char[size_t(g->Width()) * g->Height()];
            for (int k = 0; k < g->Width() * g->Height(); ++k) alpha[k] = char(random());
            g->AlphaChannel(alpha);
            g->SetOpacity(uint8_t(random()));
            g->SetPosition(int(random() % 860) - 30, int(random() % 660) - 30);
            screen->put(g.get(), int(random() % 3));
            objects.push_back(std::move(g));
        }
        for (int frame = 0; frame < 25; ++frame) {
            for (auto& g : objects)
                if (random() % 3 == 0) g->Move(int(random() % 21) - 10, int(random() % 21) - 10);
            game.window.Tick();
            screen->getRefreshList()->addRect(nullptr);
            screen->Redraw(&reference, nullptr, nullptr);
            screen->getRefreshList()->clear();
            ASSERT_EQ(game.display->presentedFrame(), packed(reference))
                << "seed " << seed << " frame " << frame;
        }
        for (auto& g : objects) {
            g->Invalidate();
            *screen >> g.get();
        }
    }
}

// ---------------------------------------------------------------- draw list

TEST(RefreshScreen, LaterOfEqualPrioritiesLiesOnTopAndIsFoundFirst) {
    Stage stage;
    CColor black(0, 0, 0);
    stage.screen.SetBackground(&black);
    CWindow* w = &stage.window;
    std::unique_ptr<CGraphicsObject> low(solid(10, 10, 0x0011, -1, w)), first(solid(10, 10, 0x1100, -1, w)),
        second(solid(10, 10, 0x0F00, -1, w)), below(solid(10, 10, 0x00F0, -1, w));
    stage.screen.put(first.get(), 5);
    stage.screen.put(low.get(), 1);
    stage.screen.put(second.get(), 5);
    stage.screen.put(below.get(), 4);
    EXPECT_EQ(stage.screen.getIndex(low.get()), 0);
    EXPECT_EQ(stage.screen.getIndex(below.get()), 1);
    EXPECT_EQ(stage.screen.getIndex(first.get()), 2);
    EXPECT_EQ(stage.screen.getIndex(second.get()), 3);
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 5, 5), 0x0F00);
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, -1, -1, false), second.get());

    // A new priority puts the object over its new equals, without drawing anything yet.
    stage.screen.SetPriority(first.get(), 5);
    EXPECT_EQ(stage.screen.getIndex(first.get()), 3);
    EXPECT_EQ(stage.screen.getRefreshList()->getSize(), 0);
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, -1, -1, false), first.get());
    stage.screen.Invalidate();
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 5, 5), 0x1100);

    // Priority bounds, hidden objects and transparent pixels.
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, 0, 4, false), below.get());
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, -1, 1, false), low.get());
    first->Visible(false);
    second->Visible(false);
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, -1, -1, false), below.get());
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, false, -1, -1, false), first.get());
    char* clear = new char[100]();
    below->AlphaChannel(clear);
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, -1, -1, false), low.get());
    EXPECT_EQ(stage.screen.getGraphicsAt(5, 5, true, -1, -1, true), below.get());
    EXPECT_EQ(stage.screen.getGraphicsAt(50, 50, false, -1, -1, true), nullptr);

    CGraphicsObject stranger(nullptr);
    stage.screen.SetPriority(&stranger, 3);
    EXPECT_EQ(stage.screen.GetPriority(&stranger), -1);
    EXPECT_EQ(stage.screen.getIndex(&stranger), -1);
    EXPECT_FALSE(stage.screen.SetFlags(&stranger, 1));
    EXPECT_TRUE(stage.screen.SetFlags(low.get(), 1));
    EXPECT_EQ(stage.screen.GetFlags(low.get()), 1);
    stage.screen.SetPriority(low.get(), 0);
    EXPECT_EQ(stage.screen.GetFlags(low.get()), 0);
}

TEST(RefreshScreen, PuttingTwiceKeepsTheFirstPlaceAndTakingOffForgetsTheScreen) {
    Stage stage;
    std::unique_ptr<CGraphicsObject> g(solid(4, 4, 1));
    stage.screen.put(g.get(), 2);
    stage.screen << g.get();
    EXPECT_EQ(stage.screen.GetPriority(g.get()), 2);
    EXPECT_EQ(g->GetCanvas(), &stage.screen);
    stage.screen.put(nullptr, 1);
    EXPECT_EQ(stage.screen.getDrawList()->getSize(), 1);
    stage.frame();
    stage.screen >> g.get();
    EXPECT_EQ(stage.screen.getDrawList()->getSize(), 0);
    EXPECT_EQ(g->GetCanvas(), nullptr);
    EXPECT_EQ(stage.screen.getRefreshList()->getSize(), 0);
}

// Objects that outlive their screen no longer reach it (their destructor, their box).
TEST(RefreshScreen, ObjectsOutliveTheirScreenSafely) {
    std::unique_ptr<CGraphicsObject> g(solid(4, 4, 1));
    {
        Stage stage;
        stage.screen.put(g.get(), 0);
        stage.frame();
        EXPECT_EQ(g->GetDestiny(), &stage.canvas);
    }
    EXPECT_EQ(g->GetCanvas(), nullptr);
    EXPECT_EQ(g->GetDestiny(), nullptr);
    g->Move(3, 3);
    EXPECT_EQ(g->GetBoundingBox(), CXRect(3, 3, 7, 7));
}

// ---------------------------------------------------------------- dirty region

TEST(RefreshScreen, WholeScreenFlagFollowsTheClassicScreenSize) {
    Stage classic(800, 600);
    EXPECT_TRUE(classic.screen.getRefreshList()->isWholeScreen());
    EXPECT_TRUE(classic.frame());
    EXPECT_FALSE(classic.frame());
    classic.screen.Invalidate(static_cast<CXRect*>(nullptr));
    EXPECT_TRUE(classic.screen.getRefreshList()->isWholeScreen());
    CXRect more(10, 10, 20, 20);
    classic.screen.Invalidate(&more);
    EXPECT_EQ(classic.screen.getRefreshList()->getSize(), 1);

    Stage small(320, 240);
    small.frame();
    small.screen.Invalidate(static_cast<CXRect*>(nullptr));
    CRefreshRegion* region = small.screen.getRefreshList();
    EXPECT_FALSE(region->isWholeScreen());
    ASSERT_EQ(region->getSize(), 1);
    EXPECT_EQ(*region->rectAt(0), CXRect(0, 0, 320, 240));

    small.screen.validate();
    CXRect outside(400, 10, 500, 20), edge(-10, -10, 5, 5);
    small.screen.Invalidate(&outside);
    EXPECT_EQ(region->getSize(), 0);
    small.screen.Invalidate(&edge);
    ASSERT_EQ(region->getSize(), 1);
    EXPECT_EQ(*region->rectAt(0), CXRect(0, 0, 5, 5));
}

TEST(RefreshScreen, OnlyDirtyRectanglesAreRepainted) {
    Stage stage;
    CColor black(0, 0, 0);
    stage.screen.SetBackground(&black);
    stage.frame();
    // Paint over the canvas behind the compositor's back; only the dirty part is restored.
    std::fill_n(stage.canvas.view().pixels, 320 * 240, 0x1234);
    CXRect dirty(10, 10, 20, 20);
    stage.screen.Invalidate(&dirty);
    EXPECT_TRUE(stage.frame());
    EXPECT_EQ(pixelAt(stage.canvas, 10, 10), 0);
    EXPECT_EQ(pixelAt(stage.canvas, 19, 19), 0);
    EXPECT_EQ(pixelAt(stage.canvas, 20, 20), 0x1234);
    EXPECT_EQ(stage.screen.getRefreshCounter(), 2);
    EXPECT_EQ(stage.screen.getRefreshDestiny(), &stage.canvas);
}

// A translucent object with a clipping rectangle of its own is blended once per pixel, also where only part
// of it is repainted.
TEST(RefreshScreen, OwnClippingIsRepaintedOnlyInsideTheDirtyRectangle) {
    Stage stage;
    CColor black(0, 0, 0);
    stage.screen.SetBackground(&black);
    std::unique_ptr<CGraphicsObject> glass(solid(40, 40, 0xFFFF));
    glass->SetOpacity(128);
    glass->SetClippingRect(CXRect(0, 0, 30, 30));
    stage.screen.put(glass.get(), 0);
    stage.frame();
    const uint16_t once = pixelAt(stage.canvas, 25, 25);
    CXRect part(0, 0, 5, 5);
    stage.screen.Invalidate(&part);
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 25, 25), once);
    EXPECT_EQ(pixelAt(stage.canvas, 2, 2), once);
    EXPECT_EQ(pixelAt(stage.canvas, 35, 35), 0);
}

// An object that reports a change to part of itself is redrawn there only.
TEST(RefreshScreen, PartialInvalidationOfATranslucentObject) {
    Stage stage;
    CColor black(0, 0, 0);
    stage.screen.SetBackground(&black);
    std::unique_ptr<CGraphicsObject> glass(solid(40, 40, 0xFFFF, 100));
    stage.screen.put(glass.get(), 0);
    stage.frame();
    const uint16_t once = pixelAt(stage.canvas, 30, 30);
    CXRect part(0, 0, 10, 10);
    glass->Invalidate(&part);
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 30, 30), once);
    EXPECT_EQ(pixelAt(stage.canvas, 5, 5), once);
}

TEST(RefreshScreen, GreyFlagTurnsTheTargetGrey) {
    Stage stage;
    CColor red(255, 0, 0);
    stage.screen.SetBackground(&red);
    EXPECT_TRUE(stage.screen.SetFlags(nullptr, 2));
    stage.frame();
    const uint16_t v = pixelAt(stage.canvas, 0, 0);
    EXPECT_EQ(v >> 11, (v >> 6) & 31);
    EXPECT_EQ(v & 31, v >> 11);
    EXPECT_EQ(v & 31, 31 / 3);
}

// ---------------------------------------------------------------- background

TEST(RefreshScreen, BackgroundScrollModesAndWrapping) {
    Stage stage;
    CRefreshScreen::CBackgroundManager* manager = stage.screen.getBackgroundManager();
    CColor blue(0, 0, 255);
    stage.screen.SetBackground(&blue);
    EXPECT_EQ(manager->getScrollMode(), 0);
    stage.screen.SetBackground(static_cast<CGraphicsObject*>(nullptr));
    EXPECT_EQ(stage.screen.getBackgroundIfc(), nullptr);

    // A background wider than the screen and of its height scrolls sideways and repeats.
    std::unique_ptr<CGraphicsObject> strip(new CGraphicsObject(nullptr, CXSize(500, 240), 16));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 500; ++x) pixelsOf(*strip)[y * 500 + x] = uint16_t(x);
    stage.screen.SetBackground(strip.get());
    EXPECT_EQ(manager->getScrollMode(), 1);
    EXPECT_EQ(stage.screen.getBackgroundIfc()->getApplied(), strip.get());
    EXPECT_EQ(strip->GetDestiny(), nullptr);
    stage.screen.getBackgroundIfc()->SetPosition(-30, 0);
    stage.screen.Invalidate();
    stage.frame();
    EXPECT_EQ(stage.screen.getBackgroundIfc()->GetPosition(), CXPoint(470, 0));
    EXPECT_EQ(pixelAt(stage.canvas, 0, 10), 470);
    EXPECT_EQ(pixelAt(stage.canvas, 29, 10), 499);
    EXPECT_EQ(pixelAt(stage.canvas, 30, 10), 0);

    // Larger both ways: both directions wrap.
    std::unique_ptr<CGraphicsObject> field(new CGraphicsObject(nullptr, CXSize(400, 300), 16));
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) pixelsOf(*field)[y * 400 + x] = uint16_t(y * 400 + x);
    stage.screen.SetBackground(field.get());
    EXPECT_EQ(manager->getScrollMode(), 3);
    stage.screen.getBackgroundIfc()->SetPosition(390, 290);
    stage.screen.Invalidate();
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 0, 0), uint16_t(290 * 400 + 390));
    EXPECT_EQ(pixelAt(stage.canvas, 10, 0), uint16_t(290 * 400));
    EXPECT_EQ(pixelAt(stage.canvas, 10, 10), 0);

    // Smaller than the screen and not moved: only what lies on it is painted.
    std::unique_ptr<CGraphicsObject> tile(solid(50, 50, 0x0707));
    stage.screen.SetBackground(tile.get());
    EXPECT_EQ(manager->getScrollMode(), 0);
    std::fill_n(stage.canvas.view().pixels, 320 * 240, 0x1234);
    stage.screen.Invalidate();
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 49, 49), 0x0707);
    EXPECT_EQ(pixelAt(stage.canvas, 50, 10), 0x1234);
    EXPECT_EQ(pixelAt(stage.canvas, 10, 50), 0x1234);
    // Once moved sideways it repeats that way.
    stage.screen.getBackgroundIfc()->SetPosition(10, 0);
    stage.screen.Invalidate();
    stage.frame();
    EXPECT_EQ(manager->getScrollMode(), 1);
    EXPECT_EQ(pixelAt(stage.canvas, 60, 10), 0x0707);
    EXPECT_EQ(pixelAt(stage.canvas, 10, 60), 0x1234);
    CDirectDrawSurface* bkg = new CDirectDrawSurface(&stage.window, CXSize(320, 100), 16, false);
    stage.screen.setBackground(bkg);
    EXPECT_EQ(manager->getScrollMode(), 2);
}

// ---------------------------------------------------------------- observers and units

TEST(RefreshScreen, ObserversHearOfRepaintsOnlyWhileAskedButAlwaysOfAFirstFrame) {
    Stage stage;
    CountingObserver observer;
    stage.screen.addNotifier(&observer);
    stage.screen.addNotifier(&observer);
    std::unique_ptr<CGraphicsObject> g(solid(4, 4, 1));
    stage.screen.put(g.get(), 0);
    stage.frame();
    stage.screen.onFocusOn();
    EXPECT_TRUE(observer.calls.empty());

    stage.screen.enableNotifyFlag(true);
    stage.screen.Invalidate();
    stage.frame();
    stage.screen.onFocusOff();
    ASSERT_EQ(observer.calls.size(), 3u);
    EXPECT_STREQ(observer.calls[0], "update");
    EXPECT_STREQ(observer.calls[1], "updated");
    EXPECT_STREQ(observer.calls[2], "focusOff");

    // A unit's first frame: announced around the repaint, and the whole screen is asked for again.
    observer.calls.clear();
    CUnit6 unit(&stage.window, "Default");
    g_unit = &unit;
    CRefreshScreen::setDefaultUnitSource(&testUnit);
    stage.screen.enableNotifyFlag(false);
    bool redrawAll = false;
    EXPECT_FALSE(stage.screen.Redraw(&stage.canvas, nullptr, &redrawAll)); // nothing was dirty
    EXPECT_TRUE(redrawAll);
    EXPECT_TRUE(unit.wasInitiallyUpdated());
    ASSERT_EQ(observer.calls.size(), 1u);
    EXPECT_STREQ(observer.calls[0], "initialUpdated");
    redrawAll = false;
    stage.screen.Invalidate();
    EXPECT_TRUE(stage.screen.Redraw(&stage.canvas, nullptr, &redrawAll));
    EXPECT_FALSE(redrawAll);
    EXPECT_EQ(observer.calls.size(), 1u);

    stage.screen.removeNotifier(&observer);
    stage.screen.enableNotifyFlag(true);
    stage.screen.notify(3);
    EXPECT_EQ(observer.calls.size(), 1u);
    CRefreshScreen::setDefaultUnitSource(nullptr);
    g_unit = nullptr;
}

TEST(RefreshScreen, LocalBufferDrawsIntoItsOwnSurface) {
    SizedWindow window(64, 32);
    CRefreshScreen screen(&window, true);
    ASSERT_NE(screen.GetLocalDestiny(), nullptr);
    EXPECT_EQ(screen.GetDataPtr(), screen.GetLocalDestiny()->GetDataPtr());
    std::unique_ptr<CGraphicsObject> g(solid(8, 8, 0x4321));
    g->SetPosition(4, 4);
    screen.put(g.get(), 0);
    screen.Redraw();
    EXPECT_EQ(pixelAt(*screen.GetLocalDestiny(), 5, 5), 0x4321);
}

TEST(RefreshScreen, BackgroundFromAnImageFile) {
    CTempFolder tmp("bkg");
    Stage stage(40, 30);
    std::unique_ptr<CGraphicsObject> picture(solid(40, 30, 0x3333));
    const std::string name = CPlatformFiles::toEngineName(tmp.str()) + "\\SKY.IMG";
    ASSERT_EQ(picture->Save(CXString(name.c_str()), COMPRESSION_NONE), 0);
    stage.screen.SetBackground(CXString(name.c_str()));
    ASSERT_NE(stage.screen.getBackgroundPicture(), nullptr);
    EXPECT_EQ(stage.screen.getBackgroundIfc()->getApplied(), stage.screen.getBackgroundPicture());
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 39, 29), 0x3333);

    // A file that does not load keeps what was shown.
    CLogCapture log;
    CGraphicsObject* kept = stage.screen.getBackgroundPicture();
    stage.screen.SetBackground(CXString((CPlatformFiles::toEngineName(tmp.str()) + "\\NONE.IMG").c_str()));
    EXPECT_EQ(stage.screen.getBackgroundPicture(), kept);
    EXPECT_NE(stage.screen.LastError(), 0);
    EXPECT_TRUE(log.contains("did not load"));
    stage.screen.flush();
    EXPECT_EQ(stage.screen.getBackgroundPicture(), nullptr);
    EXPECT_EQ(stage.screen.getBackgroundIfc()->getApplied(), nullptr);
    stage.screen.Invalidate();
    stage.frame();
    EXPECT_EQ(pixelAt(stage.canvas, 0, 0), 0x3333);
}

// ---------------------------------------------------------------- a scene's first frame

// A game of two scenes: the first shows a background of pixels and a moon over it, then goes on to the
// second, whose background file is missing (or which names none) and which shows a single label.
// Also one whose background is smaller than the screen: black around it.
TEST(RefreshScreen, ASceneWithoutABackgroundStartsOnBlack) {
    for (const std::string background : {"NONE.IMG", "", "SMALL.IMG"}) {
        const bool small = background == "SMALL.IMG";
        SCOPED_TRACE("the second scene's background: \"" + background + "\"");
        Properties second = {{"TYPE", "SCENE"}, {"PATH", "E1\\S2"}};
        if (!background.empty()) second.emplace_back("BACKGROUND", background);
        CGameFolder folder;
        folder.write("Dane/application.def",
                     object("GRA", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"STARTWITH", "E1"}}) +
                         object("E1", {{"TYPE", "EPISODE"}, {"PATH", "E1"}, {"SCENES", "S1,S2"}}) +
                         object("S1", {{"TYPE", "SCENE"}, {"PATH", "E1\\S1"}, {"BACKGROUND", "SKY.IMG"}}) +
                         object("S2", second));
        folder.write("Dane/E1/E1.cnv", object("X", {{"TYPE", "INTEGER"}}));
        auto image = [](const std::string& name, const std::string& file) {
            return object(name, {{"TYPE", "IMAGE"},
                                 {"FILENAME", file},
                                 {"TOCANVAS", "TRUE"},
                                 {"VISIBLE", "TRUE"},
                                 {"PRIORITY", "10"}});
        };
        folder.write("Dane/E1/S1/S1.cnv",
                     image("MOON", "MOON.IMG") + object("T", {{"TYPE", "TIMER"},
                                                              {"ELAPSE", "100"},
                                                              {"TICKS", "1"},
                                                              {"ONTICK", "{E1^GOTO(\"S2\");}"}}));
        folder.write("Dane/E1/S2/S2.cnv", image("LABEL", "LABEL.IMG"));
        std::vector<uint16_t> sky(800 * 600);
        for (size_t i = 0; i < sky.size(); ++i) sky[i] = uint16_t(0x0841 + i % 0x7000);
        folder.write("Dane/E1/S1/SKY.IMG", pik(800, 600, 16, 0, words(sky), ""));
        folder.write("Dane/E1/S1/MOON.IMG",
                     pik(40, 40, 16, 0, words(std::vector<uint16_t>(40 * 40, 0xFFE0)), "", 600, 100));
        folder.write("Dane/E1/S2/LABEL.IMG",
                     pik(100, 20, 16, 0, words(std::vector<uint16_t>(100 * 20, 0x07E0)), "", 20, 20));
        folder.write("Dane/E1/S2/SMALL.IMG",
                     pik(200, 100, 16, 0, words(std::vector<uint16_t>(200 * 100, 0x001F)), ""));

        CLogCapture log;
        CGameOptions options;
        options.screen = true;
        CGameRun run(folder, options);
        ASSERT_EQ(run.sceneName(), "S1");
        run.frames(2);
        CDisplay* display = run.display();
        auto shown = [display](int x, int y) { return display->presentedPixel(x, y); };
        ASSERT_EQ(shown(620, 120), 0xFFE0) << "the moon";
        ASSERT_EQ(shown(0, 0), sky[0]) << "the first scene's sky";

        run.frames(10);
        ASSERT_EQ(run.sceneName(), "S2");
        if (!background.empty() && !small) {
            EXPECT_TRUE(log.contains(background)) << "the log names the missing file";
        }
        EXPECT_EQ(shown(50, 30), 0x07E0) << "the second scene's label";
        // Everything outside the label is black, or the small background: nothing of the first scene is left.
        size_t wrong = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                if ((x < 20 || x >= 120 || y < 20 || y >= 40) &&
                    shown(x, y) != (small && x < 200 && y < 100 ? 0x001F : 0))
                    ++wrong;
        EXPECT_EQ(wrong, 0u);
    }
}
