#include <gtest/gtest.h>

#include "WindowFixtures.h"
#include "display/Color.h"
#include "display/PixelView.h"
#include "display/Surface.h"

using namespace KavirelTest;

namespace {

CDirectDrawSurface* numbered(CWindow* window, int w, int h) {
    auto* s = new CDirectDrawSurface(window, CXSize(w, h), 16, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s->view().pixels[y * w + x] = uint16_t(y * 100 + x + 1);
    return s;
}

} // namespace

TEST(DirectDrawSurface, PositionedCopiesCutToBothSurfacesAndCentreSmallSources) {
    SizedWindow window(100, 100);
    std::unique_ptr<CDirectDrawSurface> target(new CDirectDrawSurface(&window, CXSize(20, 10), 16, false));
    std::unique_ptr<CDirectDrawSurface> source(numbered(&window, 6, 4));
    CXRect part(1, 1, 3, 3);
    EXPECT_TRUE(target->Blt(source.get(), 5, 5, &part));
    EXPECT_EQ(pixelAt(*target, 5, 5), 102);
    EXPECT_EQ(pixelAt(*target, 6, 6), 203);
    EXPECT_EQ(pixelAt(*target, 7, 5), 0);

    // A source smaller than the rectangle is copied whole, centred in it.
    CXRect wide(0, 0, 10, 8);
    EXPECT_TRUE(target->Blt(source.get(), 50, 50, &wide));
    EXPECT_EQ(pixelAt(*target, 2, 2), 1);
    EXPECT_EQ(pixelAt(*target, 7, 5), 306);

    // Parts outside either surface are left out, never written.
    CXRect all(0, 0, 6, 4);
    EXPECT_TRUE(target->Blt(source.get(), 17, 8, &all));
    EXPECT_EQ(pixelAt(*target, 19, 9), 103);
    EXPECT_TRUE(target->Blt(source.get(), -4, -2, &all));
    EXPECT_EQ(pixelAt(*target, 0, 0), 205);
    EXPECT_FALSE(target->Blt(source.get(), 20, 0, &all));
    CXRect outside(6, 0, 8, 2);
    EXPECT_FALSE(target->Blt(source.get(), 0, 0, &outside));

    // Stretched: each target pixel takes the nearest source pixel.
    CXRect from(0, 0, 2, 2), to(0, 0, 4, 4);
    EXPECT_TRUE(target->Blt(source.get(), &from, &to));
    EXPECT_EQ(pixelAt(*target, 1, 1), 1);
    EXPECT_EQ(pixelAt(*target, 3, 3), 102);
    CXRect beyond(0, 0, 7, 2);
    EXPECT_FALSE(target->Blt(source.get(), &beyond, &to));
}

// A surface drawn into a destiny wider than the classic 800 pixels reaches the destiny's own edge.
TEST(DirectDrawSurface, RedrawUsesTheDestinysSize) {
    SizedWindow window(1024, 768);
    CDirectDrawSurface screen(&window, CXSize(1024, 768), 16, false);
    std::unique_ptr<CDirectDrawSurface> sprite(numbered(&window, 50, 40));
    sprite->SetDestiny(&screen);
    sprite->SetPosition(900, 700);
    sprite->Redraw();
    EXPECT_EQ(pixelAt(screen, 900, 700), 1);
    EXPECT_EQ(pixelAt(screen, 949, 739), 3950);
    // Cut at the destiny's edge.
    sprite->SetPosition(1000, 750);
    sprite->Redraw();
    EXPECT_EQ(pixelAt(screen, 1023, 767), uint16_t(17 * 100 + 23 + 1));
    // The compositor's clipping rectangle holds for surfaces too.
    CColor black(0, 0, 0);
    screen.Fill(&black);
    sprite->SetPosition(0, 0);
    sprite->SetClippingRect(CXRect(10, 10, 20, 20));
    sprite->Redraw();
    EXPECT_EQ(pixelAt(screen, 9, 9), 0);
    EXPECT_EQ(pixelAt(screen, 10, 10), 1011);
    EXPECT_EQ(pixelAt(screen, 20, 20), 0);
    // Into a plain graphics object it goes through the blitters.
    CGraphicsObject plain(&window, CXSize(60, 50), 16);
    sprite->SetClippingRect(CXRect());
    sprite->SetDestiny(&plain);
    sprite->Redraw();
    EXPECT_EQ(pixelsOf(plain)[0], 1);
}

TEST(DirectDrawSurface, WrapsTheDisplaysPaddedRows) {
    auto display = createHeadlessDisplay();
    CDisplayMode mode;
    mode.width = 50;
    mode.height = 20;
    ASSERT_TRUE(display->open(mode));
    ASSERT_GT(display->pitch(), 50);
    SizedWindow window(50, 20);
    CDirectDrawSurface canvas(&window, display.get());
    EXPECT_EQ(canvas.Width(), 50);
    EXPECT_EQ(canvas.GetPitch(), display->pitch());
    CColor white(255, 255, 255);
    canvas.Fill(CXRect(48, 0, 60, 2), &white);
    EXPECT_EQ(display->pixels()[49], 0xFFFF);
    EXPECT_EQ(display->pixels()[50], 0);
    EXPECT_EQ(display->pixels()[display->pitch() + 48], 0xFFFF);

    // Objects are drawn through the padded rows, and a picture is saved from a packed copy.
    SizedWindow small(50, 20);
    CRefreshScreen screen(&small, false);
    std::unique_ptr<CGraphicsObject> g(solid(3, 3, 0x1234));
    g->SetPosition(47, 1);
    screen.put(g.get(), 0);
    screen.Redraw(&canvas, nullptr, nullptr);
    EXPECT_EQ(display->pixels()[2 * display->pitch() + 49], 0x1234);
    EXPECT_EQ(display->pixels()[2 * display->pitch() + 50], 0);
    // A copy (as a screenshot takes) reads the rows a pitch apart and packs them.
    CGraphicsObject copy(&window);
    copy.Copy(&canvas);
    ASSERT_EQ(copy.Width() * 100 + copy.Height(), 5020);
    EXPECT_EQ(copy.GetPitch(), 50);
    EXPECT_EQ(pixelsOf(copy)[2 * 50 + 49], 0x1234);
    EXPECT_EQ(pixelsOf(copy)[3 * 50 + 47], 0x1234);
    EXPECT_EQ(pixelsOf(copy)[3 * 50 + 46], 0);
}

TEST(Surface, CopiesAreShownByRectangleAndTheFrameCounterDraws) {
    auto display = createHeadlessDisplay();
    CSurface surface(display.get(), 64, 32);
    ASSERT_EQ(surface.LastError(), 0);
    EXPECT_TRUE(surface.isWindowed());
    EXPECT_EQ(surface.GetBPP(), 16);
    SizedWindow window(64, 32);
    std::unique_ptr<CDirectDrawSurface> source(numbered(&window, 8, 8));
    CXRect part(0, 0, 4, 4);
    EXPECT_EQ(surface.Blt(source.get(), 10, 10, &part), 0);
    surface.Present();
    EXPECT_EQ(display->presentedPixel(10, 10), 1);
    EXPECT_EQ(display->presentedPixel(13, 13), 304);
    EXPECT_EQ(display->presentedPixel(14, 14), 0);
    CXRect to(40, 0, 56, 16);
    CXRect all(0, 0, 8, 8);
    surface.Blt(source.get(), &all, &to);
    surface.Present();
    EXPECT_EQ(display->presentedPixel(55, 15), 708);
    surface.ShowFPS(42);
    surface.Present();
    bool lit = false;
    for (int x = 10; x < 60; ++x) lit |= display->presentedPixel(x, 12) == 0xFFFF;
    EXPECT_TRUE(lit);
    EXPECT_EQ(CSurface::getBppConversionTable(), nullptr);
    CSurface::prepareBppConversionTable(32);
    ASSERT_NE(CSurface::getBppConversionTable(), nullptr);
    EXPECT_EQ(CSurface::getBppConversionTable()[0xFFFF], 0xF8FCF8u);
    CSurface::releaseBppConversionTable();
}
