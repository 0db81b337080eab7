#include "platform/Display.h"
#include "DisplayFixtures.h"
#include "platform/DisplayImpl.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace KavirelDLL;

namespace {

std::unique_ptr<CDisplay> openHeadless(CDisplayMode mode = {}) {
    auto display = createHeadlessDisplay();
    EXPECT_TRUE(display->open(mode)) << display->lastError();
    return display;
}

} // namespace

TEST(PixelConversion, WidensChannelsToFullRangeAndBack) {
    CRgb8 white = pixelToRgb8(0xFFFF, EPixelLayout::Rgb565);
    EXPECT_EQ(white.r, 255);
    EXPECT_EQ(white.g, 255);
    EXPECT_EQ(white.b, 255);
    CRgb8 white15 = pixelToRgb8(0x7FFF, EPixelLayout::Rgb555);
    EXPECT_EQ(white15.g, 255);
    CRgb8 red = pixelToRgb8(0xF800, EPixelLayout::Rgb565);
    EXPECT_EQ(red.r, 255);
    EXPECT_EQ(red.g, 0);
    EXPECT_EQ(red.b, 0);
    CRgb8 green15 = pixelToRgb8(0x03E0, EPixelLayout::Rgb555);
    EXPECT_EQ(green15.r, 0);
    EXPECT_EQ(green15.g, 255);
    EXPECT_EQ(green15.b, 0);
    for (uint32_t p = 0; p < 0x10000; ++p) {
        ASSERT_EQ(rgb8ToPixel(pixelToRgb8(uint16_t(p), EPixelLayout::Rgb565), EPixelLayout::Rgb565), p);
        if (p < 0x8000) {
            ASSERT_EQ(rgb8ToPixel(pixelToRgb8(uint16_t(p), EPixelLayout::Rgb555), EPixelLayout::Rgb555), p);
        }
    }
}

TEST(Letterbox, ScalesToFitKeepingAspect) {
    CPlatformRect same = letterboxRect(800, 600, 800, 600);
    EXPECT_EQ(same.left, 0);
    EXPECT_EQ(same.right, 800);
    EXPECT_EQ(same.bottom, 600);
    CPlatformRect wide = letterboxRect(800, 600, 1920, 1080);
    EXPECT_EQ(wide.left, 240);
    EXPECT_EQ(wide.top, 0);
    EXPECT_EQ(wide.width(), 1440);
    EXPECT_EQ(wide.height(), 1080);
    CPlatformRect tall = letterboxRect(640, 400, 1024, 768);
    EXPECT_EQ(tall.left, 0);
    EXPECT_EQ(tall.top, 64);
    EXPECT_EQ(tall.width(), 1024);
    EXPECT_EQ(tall.height(), 640);
    EXPECT_TRUE(letterboxRect(800, 600, 0, 0).isEmpty());
    EXPECT_TRUE(letterboxRect(0, 600, 100, 100).isEmpty());
}

TEST(Letterbox, PointsMapBothWaysAndClampOutsideTheScreen) {
    // Every output at least as large as the screen, so each logical pixel owns output pixels.
    const int32_t outputs[][2] = {{800, 600},  {1920, 1080}, {1024, 768},
                                  {1366, 768}, {801, 601},   {3840, 2160}};
    for (const auto& out : outputs) {
        for (int32_t y = 0; y < 600; y += 37) {
            for (int32_t x = 0; x < 800; x += 41) {
                CPlatformPoint o = logicalToOutput({x, y}, 800, 600, out[0], out[1]);
                CPlatformPoint back = outputToLogical(o, 800, 600, out[0], out[1]);
                ASSERT_EQ(back.x, x) << out[0] << "x" << out[1];
                ASSERT_EQ(back.y, y) << out[0] << "x" << out[1];
            }
        }
    }
    // The bars left and right of a 4:3 screen on a 16:9 output clamp to the screen's edges.
    CPlatformPoint left = outputToLogical({10, 540}, 800, 600, 1920, 1080);
    EXPECT_EQ(left.x, 0);
    EXPECT_EQ(left.y, 300);
    CPlatformPoint right = outputToLogical({1900, -50}, 800, 600, 1920, 1080);
    EXPECT_EQ(right.x, 799);
    EXPECT_EQ(right.y, 0);
    // A smaller output still maps every point onto the screen.
    for (int32_t x = -5; x < 650; x += 7) {
        CPlatformPoint p = outputToLogical({x, x}, 800, 600, 640, 480);
        ASSERT_GE(p.x, 0);
        ASSERT_LT(p.x, 800);
        ASSERT_LT(p.y, 600);
    }
}

TEST(HeadlessDisplay, RefusesModesItCannotShow) {
    auto display = createHeadlessDisplay();
    CDisplayMode mode;
    mode.bitsPerPixel = 24;
    EXPECT_FALSE(display->open(mode));
    EXPECT_FALSE(display->lastError().empty());
    mode = {};
    mode.width = 0;
    EXPECT_FALSE(display->open(mode));
    mode = {};
    mode.height = 100000;
    EXPECT_FALSE(display->open(mode));
    EXPECT_FALSE(display->isOpen());
    EXPECT_EQ(display->pixels(), nullptr);
    // Everything on a closed display is harmless.
    display->update(CPlatformRect{0, 0, 10, 10});
    display->updateAll();
    display->present();
    EXPECT_EQ(display->presentCount(), 0u);
    EXPECT_EQ(display->presentedPixel(0, 0), 0);
    EXPECT_FALSE(display->setCursor(CDisplay::systemCursorId(ESystemCursor::Wait)));
    EXPECT_FALSE(display->saveBmp("/nonexistent/never.bmp"));
}

TEST(HeadlessDisplay, OpensWithTheDefaultsAndPadsRows) {
    auto display = openHeadless();
    EXPECT_EQ(display->width(), 800);
    EXPECT_EQ(display->height(), 600);
    EXPECT_EQ(display->bitsPerPixel(), 16);
    EXPECT_EQ(display->layout(), EPixelLayout::Rgb565);
    EXPECT_FALSE(display->isReal());
    EXPECT_TRUE(display->isActive());
    EXPECT_TRUE(display->isVisible());
    CDisplayMode odd;
    odd.width = 801;
    odd.height = 3;
    odd.bitsPerPixel = 15;
    ASSERT_TRUE(display->open(odd));
    EXPECT_EQ(display->layout(), EPixelLayout::Rgb555);
    EXPECT_GE(display->pitch(), 801);
    EXPECT_EQ(display->pitch() % 16, 0);
    // The last pixel of the last row is writable and reaches the frame.
    display->pixels()[2 * display->pitch() + 800] = 0x1234;
    display->updateAll();
    display->present();
    EXPECT_EQ(display->presentedPixel(800, 2), 0x1234);
}

TEST(HeadlessDisplay, OnlyUpdatedRectanglesReachThePresentedFrame) {
    auto display = openHeadless();
    fill(*display, {0, 0, 800, 600}, 0x001F);
    display->update(CPlatformRect{10, 20, 30, 40});
    // Nothing shows before present.
    EXPECT_EQ(display->presentedPixel(10, 20), 0);
    display->present();
    EXPECT_EQ(display->presentCount(), 1u);
    EXPECT_EQ(display->presentedPixel(10, 20), 0x001F);
    EXPECT_EQ(display->presentedPixel(29, 39), 0x001F);
    EXPECT_EQ(display->presentedPixel(30, 39), 0);
    EXPECT_EQ(display->presentedPixel(29, 40), 0);
    EXPECT_EQ(display->presentedPixel(9, 20), 0);

    // The frame keeps what was handed over, not what the surface holds later.
    display->update(CPlatformRect{100, 100, 110, 110});
    fill(*display, {100, 100, 110, 110}, 0xF800);
    display->present();
    EXPECT_EQ(display->presentedPixel(105, 105), 0x001F);

    // Rectangles reaching past the edges are clipped; empty and inverted ones are skipped.
    fill(*display, {0, 0, 800, 600}, 0x07E0);
    const CPlatformRect rects[] = {
        {-50, -50, 5, 5}, {795, 595, 900, 900}, {300, 300, 300, 400}, {400, 400, 390, 390}};
    display->update(rects, 4);
    display->present();
    EXPECT_EQ(display->presentedPixel(0, 0), 0x07E0);
    EXPECT_EQ(display->presentedPixel(4, 4), 0x07E0);
    EXPECT_EQ(display->presentedPixel(799, 599), 0x07E0);
    EXPECT_EQ(display->presentedPixel(300, 350), 0);
    EXPECT_EQ(display->presentedPixel(395, 395), 0);
    EXPECT_EQ(display->presentedPixel(-1, 0), 0);
    EXPECT_EQ(display->presentedPixel(800, 0), 0);
}

TEST(HeadlessDisplay, ManyRectanglesInOneFrameAreAllShown) {
    auto display = openHeadless();
    fill(*display, {0, 0, 800, 600}, 0x1111);
    for (int32_t i = 0; i < 400; ++i) display->update(CPlatformRect{i, i, i + 1, i + 1});
    display->present();
    for (int32_t i = 0; i < 400; ++i) ASSERT_EQ(display->presentedPixel(i, i), 0x1111) << i;
    EXPECT_EQ(display->presentedPixel(1, 0), 0);
}

TEST(HeadlessDisplay, FrameReadsBackAsRgbAndBmp) {
    CDisplayMode mode;
    mode.width = 64;
    mode.height = 32;
    auto display = openHeadless(mode);
    fill(*display, {0, 0, 64, 32}, 0xFFFF);
    fill(*display, {8, 4, 16, 12}, 0xF800);
    display->updateAll();
    display->present();
    std::vector<uint16_t> frame = display->presentedFrame();
    ASSERT_EQ(frame.size(), 64u * 32u);
    EXPECT_EQ(frame[4 * 64 + 8], 0xF800);
    std::vector<uint8_t> rgb = display->readFrameRgb();
    ASSERT_EQ(rgb.size(), 64u * 32u * 3u);
    EXPECT_EQ(rgb[(4 * 64 + 8) * 3 + 0], 255);
    EXPECT_EQ(rgb[(4 * 64 + 8) * 3 + 1], 0);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[1], 255);

    auto path = std::filesystem::temp_directory_path() / "kavirel_display_test.bmp";
    ASSERT_TRUE(display->saveBmp(path.string())) << display->lastError();
    SDL_Surface* loaded = SDL_LoadBMP(path.string().c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    EXPECT_EQ(loaded->w, 64);
    EXPECT_EQ(loaded->h, 32);
    SDL_Surface* rgb24 = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    ASSERT_NE(rgb24, nullptr);
    for (int y = 0; y < 32; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(rgb24->pixels) + y * rgb24->pitch;
        for (int x = 0; x < 64 * 3; ++x) ASSERT_EQ(row[x], rgb[size_t(y) * 64 * 3 + x]) << x << "," << y;
    }
    SDL_FreeSurface(rgb24);
    SDL_FreeSurface(loaded);
    std::filesystem::remove(path);
    EXPECT_FALSE(display->saveBmp("/nonexistent-folder/x.bmp"));
    EXPECT_FALSE(display->lastError().empty());
}

TEST(HeadlessDisplay, WindowStateFollowsEvents) {
    auto display = openHeadless();
    display->onWindowEvent(EWindowEvent::FocusLost);
    EXPECT_FALSE(display->isActive());
    display->onWindowEvent(EWindowEvent::FocusGained);
    EXPECT_TRUE(display->isActive());
    display->onWindowEvent(EWindowEvent::Minimised);
    EXPECT_TRUE(display->isMinimised());
    display->onWindowEvent(EWindowEvent::Restored);
    EXPECT_FALSE(display->isMinimised());
    EXPECT_FALSE(display->isCloseRequested());
    display->onWindowEvent(EWindowEvent::CloseRequested);
    EXPECT_TRUE(display->isCloseRequested());
    display->hide();
    EXPECT_FALSE(display->isVisible());
    display->show();
    EXPECT_TRUE(display->isVisible());
    EXPECT_TRUE(display->setFullScreen(true));
    EXPECT_TRUE(display->isFullScreen());
    EXPECT_TRUE(display->setFullScreen(false));
    EXPECT_FALSE(display->isFullScreen());
    display->setTitle("Gra \xB9");
    EXPECT_EQ(display->mode().title, "Gra \xB9");
    // Reopening starts afresh.
    ASSERT_TRUE(display->open(CDisplayMode{}));
    EXPECT_FALSE(display->isCloseRequested());
    EXPECT_EQ(display->presentedPixel(0, 0), 0);
}

namespace {

// Counts what a desktop display would be asked to draw.
class CDrawCountingDisplay final : public CDisplayBase {
public:
    int drawn = 0;

protected:
    void presentBackend() override { ++drawn; }
};

} // namespace

// An idle frame asks the desktop for nothing; a frame it may have lost (just opened or shown, exposed,
// restored, resized, switched, its render lost) is drawn again although nothing changed.
TEST(HeadlessDisplay, TheDesktopDrawsOnlyAFrameItDoesNotShowYet) {
    CDrawCountingDisplay display;
    ASSERT_TRUE(display.open(CDisplayMode{}));
    display.present();
    display.present();
    EXPECT_EQ(display.drawn, 1);
    display.update(CPlatformRect{0, 0, 4, 4});
    display.present();
    display.updateAll();
    display.present();
    display.present();
    EXPECT_EQ(display.drawn, 3);
    for (EWindowEvent quiet :
         {EWindowEvent::FocusLost, EWindowEvent::FocusGained, EWindowEvent::Moved, EWindowEvent::Minimised}) {
        display.onWindowEvent(quiet);
        display.present();
    }
    EXPECT_EQ(display.drawn, 3);
    for (EWindowEvent lost :
         {EWindowEvent::Exposed, EWindowEvent::Restored, EWindowEvent::Resized, EWindowEvent::RenderReset}) {
        display.onWindowEvent(lost);
        display.present();
        display.present();
    }
    EXPECT_EQ(display.drawn, 7);
    display.hide();
    display.show();
    display.present();
    EXPECT_TRUE(display.setFullScreen(true));
    display.present();
    display.present();
    EXPECT_EQ(display.drawn, 9);
    // Every present counts as a frame shown.
    EXPECT_EQ(display.presentCount(), 20u);
}

TEST(HeadlessDisplay, CursorsAreCheckedAndTracked) {
    auto display = openHeadless();
    EXPECT_EQ(display->currentCursor(), CDisplay::systemCursorId(ESystemCursor::Arrow));
    uint16_t pixels[4 * 4] = {};
    uint8_t alpha[4 * 4] = {};
    CCursorImage bad{0, 4, 4, pixels, alpha, 0, 0};
    EXPECT_EQ(display->createCursor(bad), 0);
    CCursorImage badPitch{4, 4, 2, pixels, alpha, 0, 0};
    EXPECT_EQ(display->createCursor(badPitch), 0);
    CCursorImage noPixels{4, 4, 4, nullptr, alpha, 0, 0};
    EXPECT_EQ(display->createCursor(noPixels), 0);
    CCursorImage good{4, 4, 4, pixels, alpha, 9, -3};
    int32_t id = display->createCursor(good);
    ASSERT_GT(id, 0);
    int32_t other = display->createCursor(good);
    EXPECT_NE(other, id);
    EXPECT_TRUE(display->setCursor(id));
    EXPECT_EQ(display->currentCursor(), id);
    EXPECT_FALSE(display->setCursor(12345));
    EXPECT_FALSE(display->setCursor(-17));
    EXPECT_EQ(display->currentCursor(), id);
    EXPECT_TRUE(display->setCursor(CDisplay::systemCursorId(ESystemCursor::Hand)));
    EXPECT_TRUE(display->setCursor(id));
    display->destroyCursor(id);
    EXPECT_EQ(display->currentCursor(), CDisplay::systemCursorId(ESystemCursor::Arrow));
    EXPECT_FALSE(display->setCursor(id));
    display->setCursorVisible(false);
    EXPECT_FALSE(display->isCursorVisible());
}

TEST(HeadlessDisplay, CursorClipAndWarpStayOnTheScreen) {
    auto display = openHeadless();
    display->clipCursor(CPlatformRect{-20, 100, 200, 5000});
    ASSERT_TRUE(display->cursorClip().has_value());
    EXPECT_EQ(display->cursorClip()->left, 0);
    EXPECT_EQ(display->cursorClip()->bottom, 600);
    display->warpCursor({500, 50});
    std::optional<CPlatformPoint> warp = display->takeWarp();
    ASSERT_TRUE(warp.has_value());
    EXPECT_EQ(warp->x, 199);
    EXPECT_EQ(warp->y, 100);
    EXPECT_FALSE(display->takeWarp().has_value());
    // An empty rectangle frees the pointer rather than trapping it nowhere.
    display->clipCursor(CPlatformRect{900, 900, 950, 950});
    EXPECT_FALSE(display->cursorClip().has_value());
    display->clipCursor(CPlatformRect{10, 10, 20, 20});
    display->releaseCursorClip();
    EXPECT_FALSE(display->cursorClip().has_value());
}

TEST(HeadlessDisplay, AnIconMustBeAPictureOfASensibleSize) {
    auto display = createHeadlessDisplay();
    std::vector<uint8_t> rgba(16 * 16 * 4, 200);
    EXPECT_FALSE(display->setIcon(rgba.data(), 16, 16));
    ASSERT_TRUE(display->open(CDisplayMode{}));
    EXPECT_TRUE(display->setIcon(rgba.data(), 16, 16));
    EXPECT_FALSE(display->setIcon(nullptr, 16, 16));
    EXPECT_FALSE(display->setIcon(rgba.data(), 0, 16));
    EXPECT_FALSE(display->setIcon(rgba.data(), 2000, 1));
}
