#include <gtest/gtest.h>

#include <memory>

#include "RasterFixtures.h"
#include "WindowFixtures.h"
#include "core/Log.h"
#include "display/Pattern.h"
#include "display/Surface.h"
#include "display/VirtualGraphicsObject.h"
#include "media/anim/Animo.h"

using namespace KavirelTest;

namespace {

// A w × h 16-bit picture whose pixel (x, y) is x + 256 y, with an alpha plane from alpha(x, y) when given.
template <typename Alpha>
CGraphicsObject* gradient(int w, int h, Alpha alpha) {
    CGraphicsObject* g = makeObject(w, h, 16, 0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            words(*g)[y * w + x] = uint16_t(x + 256 * y);
            alphaOf(*g)[y * w + x] = uint8_t(alpha(x, y));
        }
    return g;
}
CGraphicsObject* gradient(int w, int h) {
    return gradient(w, h, [](int, int) { return 255; });
}

struct Stage {
    Stage() : window(320, 240), screen(&window, false), canvas(&window, CXSize(320, 240), 16, false) {
        window.setScreen(&screen);
        screen.SetBackground(static_cast<CColor*>(nullptr));
    }
    void frame() {
        screen.Invalidate(static_cast<CXRect*>(nullptr));
        screen.Redraw(&canvas, nullptr, nullptr);
        screen.getRefreshList()->clear();
    }
    // Only what was invalidated since the last pass is drawn again.
    void dirtyFrame() {
        screen.Redraw(&canvas, nullptr, nullptr);
        screen.getRefreshList()->clear();
    }
    uint16_t at(int x, int y) { return pixelsOf(canvas)[y * canvas.GetPitch() + x]; }
    struct Window : TestWindow {
        Window(int w, int h) { m_screenSize = CXSize(w, h); }
    } window;
    CRefreshScreen screen;
    CDirectDrawSurface canvas;
};

} // namespace

TEST(Pattern, CellsAreFixedRangeCheckedAndForgetDestroyedGraphics) {
    TestWindow window;
    CPattern pattern(&window, CXSize(200, 100), CXSize(40, 25), 2);
    EXPECT_EQ(pattern.getColumns(), 5);
    EXPECT_EQ(pattern.getRows(), 4);
    auto* a = makeObject(40, 25, 16, 1);
    auto* b = makeObject(40, 25, 16, 2);
    pattern.add("A", 0, 0, 0, a, 1, "a");
    pattern.add("A2", 1, 0, 0, a, 1, "a2");
    for (auto [c, r, l] : {std::tuple{5, 0, 0}, {0, 4, 0}, {-1, 0, 0}, {0, 0, 2}, {0, -1, 1}}) {
        pattern.add("X", c, r, l, b, 1, "");
        EXPECT_EQ(pattern.get(c, r, l), nullptr);
        pattern.remove(c, r, l);
        pattern.lock(c, r, true);
    }
    EXPECT_FALSE(pattern.contains(b));
    // Nothing draws itself: the pattern, or one holding it, is refused.
    CPattern outer(&window, CXSize(80, 80), CXSize(40, 40), 1);
    outer.add("IN", 0, 0, 0, &pattern, 0, "");
    CLogCapture capture;
    pattern.add("SELF", 4, 3, 0, &pattern, 0, "");
    pattern.add("OUTER", 4, 3, 0, &outer, 0, "");
    EXPECT_EQ(pattern.get(4, 3, 0), nullptr);
    EXPECT_TRUE(capture.contains("draws it"));
    // Replacing one of a's cells keeps a observed from the other: its end empties that cell too.
    pattern.add("B", 0, 0, 0, b, 1, "b");
    pattern.add("B1", 3, 3, 1, b, 1, "b1");
    EXPECT_EQ(pattern.get(0, 0, 0)->m_object, b);
    delete a;
    EXPECT_EQ(pattern.get(1, 0, 0), nullptr);
    EXPECT_EQ(pattern.entries(0).size(), 1u);
    delete b; // every cell of every layer
    EXPECT_EQ(pattern.get(0, 0, 0), nullptr);
    EXPECT_EQ(pattern.get(3, 3, 1), nullptr);
    EXPECT_TRUE(pattern.entries(1).empty());

    pattern.setGrid(CXSize(0, -3)); // acts as 1 x 1
    EXPECT_EQ(pattern.getGrid().cx, 1);
    EXPECT_EQ(pattern.getGrid().cy, 1);
    EXPECT_EQ(pattern.getColumns(), 5);

    // Sizes from a damaged cache: no table, no memory for billions of cells.
    CLogCapture tooMany;
    CPattern huge(&window, CXSize(1 << 30, 1 << 30), CXSize(1, 1), 1 << 30);
    EXPECT_EQ(huge.getLayers(), CPattern::kMaxLayers);
    EXPECT_EQ(huge.getColumns(), 0);
    EXPECT_EQ(huge.LastError(), ERR_GRAPHICS_SIZE);
    EXPECT_TRUE(tooMany.contains("too many"));
    huge.add("X", 0, 0, 0, &huge, 0, "");
    EXPECT_TRUE(huge.entries(0).empty());
}

TEST(Pattern, MoveDownLocksAndNeverDeletesTheMovingGraphic) {
    TestWindow window;
    CPattern pattern(&window, CXSize(200, 100), CXSize(40, 25), 1);
    std::unique_ptr<CGraphicsObject> a(makeObject(40, 25, 16, 1));
    pattern.add("A", 2, 1, 0, a.get(), 1, "a");
    EXPECT_EQ(pattern.getEntryAt(85, 30, 0, false, true)->m_name, CXString("A"));

    pattern.moveDown(2, 1, 0); // nothing
    pattern.moveDown(2, 1, 3); // off the table: nothing
    pattern.moveDown(2, 1, -2);
    ASSERT_NE(pattern.get(2, 1, 0), nullptr);
    EXPECT_FALSE(pattern.get(2, 1, 0)->m_locked);

    pattern.moveDown(2, 1, 1);
    CPatternEntry* moved = pattern.get(2, 2, 0);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(pattern.get(2, 1, 0), nullptr);
    EXPECT_EQ(moved->m_row, 2);
    EXPECT_TRUE(moved->m_locked);
    EXPECT_EQ(pattern.getEntryAt(85, 55, 0, true, true), nullptr);
    pattern.lock(2, 2, false);
    EXPECT_EQ(pattern.getEntryAt(85, 55, 0, false, true), moved);

    // Onto a cell holding the same graphic: that cell's entry goes, the graphic stays (ASan).
    pattern.add("A3", 2, 3, 0, a.get(), 1, "");
    pattern.moveDown(2, 2, 1);
    EXPECT_EQ(pattern.get(2, 3, 0)->m_name, CXString("A"));
    EXPECT_TRUE(pattern.contains(a.get()));
    // Onto another graphic: that one is deleted, as the table's owner asked.
    pattern.add("C", 2, 0, 0, makeObject(40, 25, 16, 3), 1, "");
    pattern._switch(2, 0, 2, 3);
    EXPECT_EQ(pattern.get(2, 0, 0)->m_name, CXString("A"));
    EXPECT_EQ(pattern.get(2, 0, 0)->m_row, 0);
    pattern.moveDown(2, 0, 3);
    EXPECT_EQ(pattern.get(2, 3, 0)->m_name, CXString("A"));
    EXPECT_EQ(pattern.entries(0).size(), 1u);
}

TEST(Pattern, LookupsPutObjectsBackAndLayersDrawInOrder) {
    Stage stage;
    CPattern pattern(&stage.window, CXSize(80, 40), CXSize(40, 20), 2);
    pattern.SetPosition(100, 50);
    std::unique_ptr<CGraphicsObject> red(makeObject(40, 20, 16, rgb16(31, 0, 0), 255));
    std::unique_ptr<CGraphicsObject> holed(gradient(40, 20, [](int x, int) { return x < 20 ? 0 : 255; }));
    for (int i = 0; i < 40 * 20; ++i) words(*holed)[i] = rgb16(0, 0, 31);
    red->SetPosition(7, 9);
    holed->SetPosition(-3, 4);
    pattern.add("R", 1, 1, 0, red.get(), 0, "");
    pattern.add("H", 1, 1, 1, holed.get(), 0, "");
    pattern.add("H0", 0, 0, 1, holed.get(), 0, "");

    // Layer 0 first; the alpha test reads the cell object's plane at the point.
    EXPECT_EQ(pattern.getGraphicsObject(150, 75, false, false, 1, 99), red.get());
    EXPECT_EQ(pattern.getGraphicsObject(105, 55, false, false, 0, 0), nullptr);
    EXPECT_EQ(pattern.getGraphicsObject(105, 55, false, true, 0, 0), holed.get());
    EXPECT_EQ(pattern.getGraphicsObject(125, 55, false, false, 0, 0), holed.get());
    EXPECT_EQ(pattern.getGraphicsObjectAlias(300, 300, true, true), CXString(""));
    EXPECT_EQ(red->GetPosition(), CXPoint(7, 9));
    EXPECT_EQ(holed->GetPosition(), CXPoint(-3, 4));
    CGraphicsObject ghost(&stage.window, CXSize(40, 20), 16);
    ghost.Visible(false);
    pattern.add("G", 0, 1, 0, &ghost, 0, "g");
    EXPECT_EQ(pattern.getGraphicsObject(110, 75, false, true, 0, 0), nullptr);
    EXPECT_EQ(pattern.getGraphicsObject(110, 75, true, true, 0, 0), &ghost);
    pattern.remove(CXString("G"));
    EXPECT_FALSE(pattern.contains(&ghost));

    // On the screen: layer 1 over layer 0 where its plane is opaque, and a clipped pass draws the same.
    stage.screen.put(&pattern, 1);
    stage.frame();
    EXPECT_EQ(stage.at(145, 75), rgb16(31, 0, 0));
    EXPECT_EQ(stage.at(165, 75), rgb16(0, 0, 31));
    EXPECT_EQ(stage.at(125, 55), rgb16(0, 0, 31));
    EXPECT_EQ(stage.at(105, 55), stage.at(5, 5)); // background through the hole
    EXPECT_EQ(red->GetPosition(), CXPoint(7, 9));
    CXRect part(160, 70, 170, 80);
    pattern.SetClippingRect(part - pattern.GetPosition());
    pattern.SetDestiny(&stage.canvas);
    for (int i = 0; i < 5; ++i) pixelsOf(stage.canvas)[75 * stage.canvas.GetPitch() + 150 + i * 5] = 1;
    pattern.Redraw();
    EXPECT_EQ(stage.at(150, 75), 1); // outside the clipping: untouched
    EXPECT_EQ(stage.at(165, 75), rgb16(0, 0, 31));
    pattern.SetClippingRect(CXRect(0, 0, 0, 0));
    // A locked cell is not drawn.
    pattern.lock(1, 1, true);
    stage.frame();
    EXPECT_EQ(stage.at(165, 75), stage.at(5, 5));
    stage.screen >> &pattern;
}

TEST(Pattern, ChangesAfterTheFirstFrameReachTheScreen) {
    Stage stage;
    CPattern pattern(&stage.window, CXSize(80, 40), CXSize(40, 20), 1);
    pattern.SetPosition(100, 50);
    stage.screen.put(&pattern, 1);
    stage.frame();
    const uint16_t bg = stage.at(145, 75);
    pixelsOf(stage.canvas)[200 * stage.canvas.GetPitch() + 300] = 1; // never invalidated: stays
    std::unique_ptr<CGraphicsObject> tile(makeObject(40, 20, 16, rgb16(31, 0, 0), 255));
    tile->SetPosition(7, 9);
    pattern.add("T", 1, 1, 0, tile.get(), 0, "");
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(145, 75), rgb16(31, 0, 0));
    // The cell's own graphic changes: the pattern shows it.
    for (int i = 0; i < 40 * 20; ++i) words(*tile)[i] = rgb16(0, 0, 31);
    tile->Invalidate();
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(145, 75), rgb16(0, 0, 31));
    pattern._switch(1, 1, 0, 0);
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(145, 75), bg);
    EXPECT_EQ(stage.at(105, 55), rgb16(0, 0, 31));
    pattern.lock(0, 0, true);
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(105, 55), bg);
    pattern.lock(0, 0, false);
    pattern.moveDown(0, 0, 1); // moved and locked
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(105, 55), bg);
    pattern.lock(0, 1, false);
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(105, 75), rgb16(0, 0, 31));
    pattern.remove(0, 1, 0);
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(105, 75), bg);
    pattern.add("T", 1, 0, 0, tile.get(), 0, "");
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(145, 55), rgb16(0, 0, 31));
    pattern.removeAll();
    stage.dirtyFrame();
    EXPECT_EQ(stage.at(145, 55), bg);
    EXPECT_EQ(stage.at(300, 200), 1);
    stage.screen >> &pattern;
}

TEST(VirtualGraphics, ShowsTheSourceThroughTheMaskAtItsPosition) {
    Stage stage;
    CVirtualGraphicsObject vgo(&stage.window);
    EXPECT_EQ(vgo.Size().cx, 0);
    EXPECT_TRUE(vgo.testHit(CXPoint(500, 500), false)); // neither: always
    std::unique_ptr<CGraphicsObject> source(gradient(100, 80));
    std::unique_ptr<CGraphicsObject> mask(gradient(60, 90, [](int x, int) { return x < 10 ? 255 : x < 20 ? 128 : x < 30 ? 0 : 255; }));
    vgo.setSource(source.get());
    EXPECT_EQ(vgo.Width(), 100);
    vgo.setMask(mask.get());
    EXPECT_EQ(vgo.Width(), 60);
    EXPECT_EQ(vgo.Height(), 80);

    vgo.SetPosition(20, 30);
    std::unique_ptr<CGraphicsObject> under(makeObject(320, 240, 16, rgb16(10, 20, 10)));
    vgo.redraw(under.get());
    auto px = [&](int x, int y) { return words(*under)[y * 320 + x]; };
    EXPECT_EQ(px(20 + 5, 30 + 7), 5 + 256 * 7);           // 255 copies
    EXPECT_EQ(px(20 + 35, 30 + 2), 35 + 256 * 2);
    EXPECT_EQ(px(20 + 25, 30 + 2), rgb16(10, 20, 10)); // 0 leaves
    std::unique_ptr<CGraphicsObject> expected(makeObject(1, 1, 16, rgb16(10, 20, 10)));
    expected->putPixel(0, 0, source->GetPixel(15, 2), 128, false);
    EXPECT_EQ(px(20 + 15, 30 + 2), words(*expected)[0]); // 1-254 blend as putPixel does
    EXPECT_EQ(px(20 + 5, 30 + 80), rgb16(10, 20, 10));   // past the source's rows

    // The mask's position picks the part: moved 10 right, the picture shifts 10 left in place.
    mask->SetPosition(10, 0);
    vgo.redraw(under.get());
    EXPECT_EQ(px(20 + 5, 30 + 7), 15 + 256 * 7);
    EXPECT_EQ(px(20 + 59, 30 + 7), 69 + 256 * 7);
    // A mask packed again after it was set is unpacked for the draw: alpha 0 still leaves.
    mask->SetPosition(0, 0);
    mask->Compress(COMPRESSION_RLE);
    ASSERT_EQ(mask->GetCompression(), COMPRESSION_RLE);
    vgo.redraw(under.get());
    EXPECT_EQ(px(20 + 25, 30 + 2), rgb16(10, 20, 10));
    EXPECT_EQ(px(20 + 5, 30 + 7), 5 + 256 * 7);
    EXPECT_EQ(mask->GetCompression(), COMPRESSION_RLE);
    // The source changing size (a reload) changes the overlap.
    source->setSize(CXSize(50, 80));
    source->Invalidate();
    EXPECT_EQ(vgo.Width(), 50);

    // Hits read the mask's own rows.
    std::unique_ptr<CGraphicsObject> narrow(gradient(40, 80));
    std::unique_ptr<CGraphicsObject> rows(gradient(60, 20, [](int, int y) { return y == 1 ? 255 : 0; }));
    CVirtualGraphicsObject hit(&stage.window);
    hit.setSource(narrow.get());
    hit.setMask(rows.get());
    EXPECT_EQ(hit.Width(), 40);
    EXPECT_TRUE(hit.testHit(CXPoint(0, 1), false));
    EXPECT_FALSE(hit.testHit(CXPoint(30, 0), false));
    EXPECT_TRUE(hit.testHit(CXPoint(30, 0), true));
    EXPECT_FALSE(hit.testHit(CXPoint(45, 1), true));
}

TEST(VirtualGraphics, OnTheScreenCopiesAndEndsAreSafe) {
    Stage stage;
    std::unique_ptr<CGraphicsObject> source(makeObject(50, 50, 16, rgb16(0, 63, 0)));
    std::unique_ptr<CGraphicsObject> mask(gradient(20, 20, [](int x, int) { return x < 10 ? 255 : 0; }));
    auto* vgo = new CVirtualGraphicsObject(&stage.window);
    vgo->setSource(source.get());
    vgo->setMask(mask.get());
    vgo->SetPosition(100, 100);
    stage.screen.put(vgo, 4);
    stage.frame();
    EXPECT_EQ(stage.at(105, 105), rgb16(0, 63, 0));
    const uint16_t background = stage.at(115, 105);
    EXPECT_NE(background, rgb16(0, 63, 0));

    // A copy shares source and mask, not the object: deleting either leaves the graphics alone.
    std::unique_ptr<CVirtualGraphicsObject> copy(static_cast<CVirtualGraphicsObject*>(vgo->clone()));
    EXPECT_EQ(copy->getSource(), source.get());
    EXPECT_EQ(copy->getMask(), mask.get());
    EXPECT_EQ(copy->GetPosition(), CXPoint(100, 100));
    delete vgo; // leaves the screen list
    stage.frame();
    EXPECT_EQ(stage.at(105, 105), background);
    mask.reset();
    EXPECT_EQ(copy->getMask(), nullptr);
    EXPECT_EQ(copy->Width(), 50);
    source.reset();
    EXPECT_EQ(copy->getSource(), nullptr);
    copy->redraw(&stage.canvas);
}

TEST(VirtualGraphics, RefusesLoopsAndFollowsAnAnimationsFrame) {
    TestWindow window;
    CVirtualGraphicsObject a(&window), b(&window), c(&window);
    CLogCapture capture;
    a.setSource(&a);
    EXPECT_EQ(a.getSource(), nullptr);
    a.setSource(&b);
    b.setMask(&c);
    c.setSource(&a); // c -> a -> b -> c
    EXPECT_EQ(c.getSource(), nullptr);
    c.setMask(&a);
    EXPECT_EQ(c.getMask(), nullptr);
    EXPECT_TRUE(capture.contains("leads back"));
    a.Invalidate(); // no loop of reports

    CAnimo animo(&window);
    std::unique_ptr<CGraphicsObject> picture(gradient(30, 20, [](int x, int) { return x < 15 ? 255 : 0; }));
    animo.AddFrame(picture.get());
    animo.Seek(0);
    std::unique_ptr<CGraphicsObject> source(gradient(100, 100));
    CVirtualGraphicsObject spot(&window);
    spot.setSource(source.get());
    spot.setMaskFromAnimo(&animo);
    EXPECT_EQ(spot.getMaskOwner(), &animo);
    ASSERT_NE(spot.getMask(), nullptr);
    EXPECT_EQ(spot.Width(), 30);
    EXPECT_TRUE(spot.testHit(CXPoint(5, 5), false));
    EXPECT_FALSE(spot.testHit(CXPoint(20, 5), false));
    {
        // A copy takes the animation's frame again, not the frame as a still mask.
        std::unique_ptr<CVirtualGraphicsObject> copy(static_cast<CVirtualGraphicsObject*>(spot.clone()));
        EXPECT_EQ(copy->getMaskOwner(), &animo);
        EXPECT_EQ(copy->getMask(), spot.getMask());
        EXPECT_EQ(copy->getSource(), source.get());
    }
    // The frame goes before the animation: the object forgets it (ASan).
    ASSERT_TRUE(animo.RemoveFrame(0));
    EXPECT_EQ(spot.getMask(), nullptr);
    EXPECT_EQ(spot.Width(), 100);
    // The same animation again takes its new frame.
    std::unique_ptr<CGraphicsObject> next(gradient(25, 20));
    animo.AddFrame(next.get());
    animo.Seek(0);
    spot.setMaskFromAnimo(&animo);
    ASSERT_NE(spot.getMask(), nullptr);
    EXPECT_EQ(spot.Width(), 25);
}
