#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "WindowFixtures.h"
#include "display/Canvas.h"
#include "display/ValidationQuene.h"

using namespace KavirelTest;

namespace {

// A compositor that remembers every rectangle it is handed.
class SpyScreen : public CRefreshScreen {
public:
    explicit SpyScreen(CWindow* window) : CRefreshScreen(window, false) {}
    using CRefreshScreen::Invalidate;
    void Invalidate(CXRect* rect) override {
        rects.push_back(rect ? *rect : CXRect(-1, -1, -1, -1));
        CRefreshScreen::Invalidate(rect);
    }
    std::vector<CXRect> rects;
};

struct Stage {
    Stage() : window(320, 240), screen(&window), target(&window, CXSize(320, 240), 16, false) {}
    void frame() {
        screen.Redraw(&target, nullptr, nullptr);
        screen.getRefreshList()->clear();
    }
    SizedWindow window;
    SpyScreen screen;
    CDirectDrawSurface target;
};

class CountingObject : public CGraphicsObject {
public:
    CountingObject(int w, int h, uint16_t colour) : CGraphicsObject(nullptr, CXSize(w, h), 16) {
        std::fill_n(pixelsOf(*this), size_t(w) * h, colour);
    }
    void Redraw() override {
        ++redraws;
        CGraphicsObject::Redraw();
    }
    int redraws = 0;
};

uint16_t at(CGraphicsObject& g, int x, int y) { return pixelsOf(g)[y * g.Width() + x]; }
uint8_t alphaAt(CGraphicsObject& g, int x, int y) { return uint8_t(g.GetChannelAlpha()[y * g.Width() + x]); }

} // namespace

TEST(Canvas, NineChildInvalidationsReachTheScreenThenTheWholeCanvasOnce) {
    Stage stage;
    CCanvas canvas(&stage.window, 100, 100, 16, false, false);
    canvas.SetPosition(50, 20);
    stage.screen.put(&canvas, 1);
    std::vector<std::unique_ptr<CGraphicsObject>> children;
    for (int i = 0; i < 12; ++i) {
        children.emplace_back(solid(5, 5, uint16_t(0x1000 + i)));
        children.back()->SetPosition(i * 8, 3);
        canvas.add(children.back().get(), i);
    }
    canvas.Redraw();
    canvas.isInvalidated();
    stage.screen.rects.clear();

    for (auto& child : children) child->Invalidate();
    ASSERT_EQ(stage.screen.rects.size(), 10u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(stage.screen.rects[i], CXRect(50 + i * 8, 23, 55 + i * 8, 28));
    EXPECT_EQ(stage.screen.rects[9], CXRect(50, 20, 150, 120));
    EXPECT_EQ(canvas.getForwardedCount(), 12);

    // A redraw starts the count again.
    canvas.Redraw();
    canvas.isInvalidated();
    stage.screen.rects.clear();
    children[4]->Invalidate();
    EXPECT_EQ(stage.screen.rects, (std::vector<CXRect>{CXRect(82, 23, 87, 28)}));
    stage.screen >> &canvas;
}

TEST(Canvas, ChildrenAreDrawnInPriorityOrderInsideTheClippingRectangleOnly) {
    CCanvas canvas(nullptr, 40, 40, 16, false, false);
    std::fill_n(pixelsOf(canvas), 40 * 40, uint16_t(0x1234));
    CountingObject low(10, 10, 0x00F0), high(10, 10, 0x0F00), outside(10, 10, 0xF000);
    high.SetPosition(5, 5);
    outside.SetPosition(25, 25);
    canvas.add(&high, 2);
    canvas.add(&low, 1);
    canvas.add(&outside, 3);
    canvas.add(&low, 9);
    ASSERT_EQ(canvas.getElements()->getSize(), 3);
    EXPECT_EQ(canvas.getElements()->elementAt(0)->getObject(), &low);

    canvas.SetClippingRect(CXRect(0, 0, 20, 20));
    canvas.Redraw();
    EXPECT_EQ(outside.redraws, 0);
    EXPECT_EQ(low.redraws, 1);
    EXPECT_EQ(at(canvas, 2, 2), 0x00F0);
    EXPECT_EQ(at(canvas, 7, 7), 0x0F00);
    EXPECT_EQ(at(canvas, 17, 17), 0);      // cleared inside the clipping
    EXPECT_EQ(at(canvas, 30, 30), 0x1234); // untouched outside it
    // The children's own clipping is given back.
    EXPECT_TRUE(high.GetClippingRect().IsEmpty());

    canvas.remove(&high);
    EXPECT_EQ(high.GetDestiny(), nullptr);
    canvas.Redraw();
    EXPECT_EQ(at(canvas, 7, 7), 0x00F0);
}

TEST(Canvas, RemoveAllLeavesTheBackupAloneAndDestroyedChildrenLeave) {
    CCanvas canvas(nullptr, 20, 20, 16, false, true);
    ASSERT_NE(canvas.getBackground(), nullptr);
    auto* doomed = solid(4, 4, 0x1111);
    std::unique_ptr<CGraphicsObject> kept(solid(4, 4, 0x2222));
    canvas.add(doomed, 5);
    canvas.add(kept.get(), 6);
    EXPECT_EQ(canvas.getElements()->getSize(), 3);
    delete doomed;
    EXPECT_EQ(canvas.getElements()->getSize(), 2);
    canvas.Redraw();

    canvas.removeAll();
    ASSERT_EQ(canvas.getElements()->getSize(), 1);
    EXPECT_EQ(canvas.getElements()->elementAt(0)->getObject(), canvas.getBackground());
    EXPECT_EQ(canvas.getElements()->elementAt(0)->getPriority(), -1);
    EXPECT_EQ(kept->GetDestiny(), nullptr);

    // A child outliving its canvas forgets it.
    {
        CCanvas brief(nullptr, 10, 10, 16, false, false);
        brief.add(kept.get(), 1);
    }
    EXPECT_EQ(kept->GetDestiny(), nullptr);
    kept->Invalidate();
}

TEST(Canvas, EraseLowersAlphaByTheObjectsAlphaNeverBelowZero) {
    CCanvas canvas(nullptr, 40, 40, 16, true, true);
    CGraphicsObject* backup = canvas.getBackground();
    ASSERT_NE(canvas.GetChannelAlpha(), nullptr);
    ASSERT_NE(backup->GetChannelAlpha(), nullptr);
    EXPECT_EQ(alphaAt(*backup, 3, 3), 0);
    std::memset(canvas.GetChannelAlpha(), 200, 40 * 40);
    std::memset(backup->GetChannelAlpha(), 100, 40 * 40);

    std::unique_ptr<CGraphicsObject> opaque(solid(10, 10, 0, 255));
    canvas.erase(opaque.get(), -5, -5);
    EXPECT_EQ(alphaAt(canvas, 0, 0), 0);
    EXPECT_EQ(alphaAt(canvas, 4, 4), 0);
    EXPECT_EQ(alphaAt(canvas, 5, 5), 200);
    EXPECT_EQ(alphaAt(*backup, 4, 0), 0);

    std::unique_ptr<CGraphicsObject> soft(solid(20, 20, 0, 150));
    canvas.erase(soft.get(), 30, 30);
    EXPECT_EQ(alphaAt(canvas, 35, 39), 50);
    EXPECT_EQ(alphaAt(*backup, 35, 39), 0);
    EXPECT_EQ(alphaAt(canvas, 29, 35), 200);

    // Without an alpha plane the object counts as opaque.
    std::unique_ptr<CGraphicsObject> plain(solid(2, 2, 0));
    canvas.erase(plain.get(), 10, 10);
    EXPECT_EQ(alphaAt(canvas, 11, 11), 0);
    EXPECT_EQ(alphaAt(canvas, 12, 12), 200);
}

TEST(Canvas, CaptureFlattensThePictureIntoTheBackup) {
    CCanvas canvas(nullptr, 30, 30, 16, false, true);
    canvas.SetPosition(3, 4);
    canvas.SetOpacity(128);
    std::unique_ptr<CGraphicsObject> red(solid(10, 10, 0xF800)), green(solid(10, 10, 0x07E0));
    green->SetPosition(10, 10);
    canvas.add(red.get(), 1);
    canvas.add(green.get(), 2);
    std::unique_ptr<CGraphicsObject> before(solid(40, 40, 0)), after(solid(40, 40, 0));
    canvas.SetOpacity(255);
    canvas.SetDestiny(before.get());
    canvas.Redraw();

    canvas.SetOpacity(128);
    canvas.capture();
    EXPECT_EQ(canvas.GetPosition(), CXPoint(3, 4));
    EXPECT_EQ(canvas.GetOpacity(), 128);
    EXPECT_EQ(canvas.GetDestiny(), before.get());
    ASSERT_EQ(canvas.getElements()->getSize(), 1);
    EXPECT_EQ(canvas.getElements()->elementAt(0)->getObject(), canvas.getBackground());
    EXPECT_EQ(at(*canvas.getBackground(), 12, 12), 0x07E0);

    canvas.SetOpacity(255);
    canvas.SetDestiny(after.get());
    canvas.Redraw();
    EXPECT_EQ(std::memcmp(pixelsOf(*before), pixelsOf(*after), 40 * 40 * 2), 0);
    EXPECT_EQ(at(*after, 4, 5), 0xF800);
}

TEST(Canvas, DrawStampsIntoTheBackupAndLeavesTheObjectAsItWas) {
    Stage stage;
    CCanvas canvas(&stage.window, 30, 30, 16, false, true);
    canvas.SetPosition(100, 50);
    stage.screen.put(&canvas, 1);
    std::unique_ptr<CGraphicsObject> stamp(solid(4, 4, 0x001F));
    stamp->SetPosition(200, 200);
    stamp->SetClippingRect(CXRect(0, 0, 1, 1));
    stage.screen.rects.clear();
    canvas.draw(stamp.get(), 6, 7);
    EXPECT_EQ(at(*canvas.getBackground(), 6, 7), 0x001F);
    EXPECT_EQ(at(*canvas.getBackground(), 9, 10), 0x001F);
    EXPECT_EQ(stamp->GetPosition(), CXPoint(200, 200));
    EXPECT_EQ(stamp->GetClippingRect(), CXRect(0, 0, 1, 1));
    EXPECT_EQ(stamp->GetDestiny(), nullptr);
    EXPECT_EQ(stage.screen.rects, (std::vector<CXRect>{CXRect(106, 57, 110, 61)}));

    // The screen shows the stamp once it draws the canvas.
    stage.frame();
    EXPECT_EQ(pixelAt(stage.target, 107, 58), 0x001F);
    stage.screen >> &canvas;
}

TEST(Canvas, OnTheScreenAChangedChildIsShownThroughItsRectangle) {
    Stage stage;
    CCanvas canvas(&stage.window, 50, 50, 16, false, false);
    canvas.SetPosition(10, 10);
    stage.screen.put(&canvas, 2);
    std::unique_ptr<CGraphicsObject> child(solid(8, 8, 0x7BEF));
    child->SetPosition(20, 20);
    canvas.add(child.get(), 0);
    stage.frame();
    EXPECT_EQ(pixelAt(stage.target, 30, 30), 0x7BEF);

    std::fill_n(pixelsOf(*child), 64, uint16_t(0x0123));
    child->Invalidate();
    stage.frame();
    EXPECT_EQ(pixelAt(stage.target, 33, 33), 0x0123);

    // The clone shows the same children and stands on the screen at the canvas's priority.
    std::unique_ptr<CCanvas> copy(static_cast<CCanvas*>(canvas.clone()));
    EXPECT_EQ(copy->Width(), 50);
    EXPECT_EQ(copy->Height(), 50);
    EXPECT_EQ(copy->GetPosition(), CXPoint(10, 10));
    EXPECT_EQ(stage.screen.GetPriority(copy.get()), 2);
    ASSERT_EQ(copy->getElements()->getSize(), 1);
    EXPECT_EQ(copy->getElements()->elementAt(0)->getObject(), child.get());
    stage.screen >> copy.get();
    stage.screen >> &canvas;
}
