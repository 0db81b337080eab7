// The SDL display on a real X server. Skips itself without one; scripts/test.sh runs it under a virtual one:
//   xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ./test_platform --gtest_filter='X11*'
#include "DisplayFixtures.h"
#include "harness/Environment.h"
#include "platform/Display.h"
#include "platform/DisplayImpl.h"
#include "platform/Input.h"
#include "platform/Video.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace KavirelDLL;

namespace {

using X11Display = KavirelTest::CX11VideoTest;

// Lets the X server map the window and deliver its first events.
void settle(CInput& input) {
    for (int i = 0; i < 10; ++i) {
        input.pump();
        SDL_Delay(10);
    }
}

} // namespace

TEST_F(X11Display, DrawsARectangleAndReadsItBack) {
    EXPECT_EQ(m_video->driverName(), "x11");
    auto display = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.width = 320;
    mode.height = 240;
    mode.title = "Kavirel \xB9";
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    CInput input(m_video.get(), display.get());
    settle(input);

    fill(*display, {0, 0, 320, 240}, 0x001F);
    fill(*display, {40, 30, 120, 90}, 0xF800);
    display->updateAll();
    display->present();
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h)) << display->lastError();
    ASSERT_EQ(w, 320);
    ASSERT_EQ(h, 240);
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
        return CRgb8{p[0], p[1], p[2]};
    };
    CRgb8 inside = pixel(80, 60);
    EXPECT_EQ(inside.r, 255);
    EXPECT_EQ(inside.g, 0);
    EXPECT_EQ(inside.b, 0);
    CRgb8 outside = pixel(200, 200);
    EXPECT_EQ(outside.r, 0);
    EXPECT_EQ(outside.b, 255);
    CRgb8 corner = pixel(119, 89);
    EXPECT_EQ(corner.r, 255);
    CRgb8 past = pixel(120, 90);
    EXPECT_EQ(past.b, 255);

    // A dirty rectangle changes only its own part of the window.
    fill(*display, {0, 0, 320, 240}, 0x07E0);
    display->update(CPlatformRect{0, 0, 20, 20});
    display->present();
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h));
    EXPECT_GE(pixel(10, 10).g, 252);
    EXPECT_EQ(pixel(80, 60).r, 255);
}

TEST_F(X11Display, CursorsAndWindowCallsWorkOnARealServer) {
    auto display = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.width = 320;
    mode.height = 240;
    mode.bitsPerPixel = 15;
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    CInput input(m_video.get(), display.get());
    settle(input);

    uint16_t pixels[8 * 8];
    uint8_t alpha[8 * 8];
    for (int i = 0; i < 64; ++i) {
        pixels[i] = 0x7C00;
        alpha[i] = 255;
    }
    int32_t id = display->createCursor(CCursorImage{8, 8, 8, pixels, alpha, 0, 0});
    ASSERT_GT(id, 0) << display->lastError();
    EXPECT_TRUE(display->setCursor(id));
    EXPECT_TRUE(display->setCursor(CDisplay::systemCursorId(ESystemCursor::Wait))) << display->lastError();
    EXPECT_TRUE(display->setCursor(CDisplay::systemCursorId(ESystemCursor::Hand))) << display->lastError();
    display->destroyCursor(id);
    display->clipCursor(CPlatformRect{10, 10, 100, 100});
    display->warpCursor({50, 60});
    input.pump();
    EXPECT_EQ(input.mousePosition().x, 50);
    EXPECT_EQ(input.mousePosition().y, 60);
    display->releaseCursorClip();
    display->setTitle("Tytu\xB3");
    std::vector<uint8_t> icon(32 * 32 * 4, 128);
    EXPECT_TRUE(display->setIcon(icon.data(), 32, 32)) << display->lastError();
    display->raise();
    fill(*display, {0, 0, 320, 240}, 0x7FFF);
    display->updateAll();
    display->present();
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h));
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[1], 255);
    EXPECT_EQ(rgb[2], 255);
    display->close();
}

TEST_F(X11Display, AFramelessWindowIsCentredAndShiftedByItsOffset) {
    auto plain = createSdlDisplay(*m_video);
    auto shifted = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.width = 320;
    mode.height = 240;
    mode.frameless = true;
    ASSERT_TRUE(plain->open(mode)) << plain->lastError();
    mode.frameless = false;
    mode.offsetX = 100;
    mode.offsetY = -2000;
    ASSERT_TRUE(shifted->open(mode)) << shifted->lastError();
    auto* a = static_cast<SDL_Window*>(dynamic_cast<CDisplayBase*>(plain.get())->nativeWindow());
    auto* b = static_cast<SDL_Window*>(dynamic_cast<CDisplayBase*>(shifted.get())->nativeWindow());
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(SDL_GetWindowFlags(a) & SDL_WINDOW_BORDERLESS);
    EXPECT_FALSE(SDL_GetWindowFlags(b) & SDL_WINDOW_BORDERLESS);
    SDL_Rect area;
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &area), 0);
    int ax = 0, ay = 0, bx = 0, by = 0;
    CInput input(m_video.get(), plain.get());
    settle(input);
    SDL_GetWindowPosition(a, &ax, &ay);
    SDL_GetWindowPosition(b, &bx, &by);
    EXPECT_EQ(ax, area.x + (area.w - 320) / 2);
    EXPECT_EQ(ay, area.y + (area.h - 240) / 2);
    EXPECT_EQ(bx, ax + 100);
    // Never above the work area.
    EXPECT_EQ(by, area.y);
}

TEST_F(X11Display, AWindowAnotherProgramDestroysReadsAsClosedAndNeverEndsTheProcess) {
    CDisplayMode mode;
    mode.width = 320;
    mode.height = 240;
    for (int round = 0; round < 2; ++round) {
        auto display = createSdlDisplay(*m_video);
        ASSERT_TRUE(display->open(mode)) << display->lastError();
        CInput input(m_video.get(), display.get());
        settle(input);
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(
            static_cast<SDL_Window*>(dynamic_cast<CDisplayBase*>(display.get())->nativeWindow()), &info));
        ::Display* other = XOpenDisplay(nullptr);
        ASSERT_NE(other, nullptr);
        XDestroyWindow(other, info.info.x11.window);
        XSync(other, False);
        XCloseDisplay(other);

        // Frames go on, each request naming the window fails, until its close request is taken.
        bool closed = false;
        for (int i = 0; i < 200 && !closed; ++i) {
            fill(*display, {0, 0, 320, 240}, static_cast<uint16_t>(i));
            display->updateAll();
            display->present();
            input.pump();
            std::vector<CInputEvent> events;
            input.take(events, kInputWindow);
            for (const CInputEvent& event : events)
                closed = closed || event.window == EWindowEvent::CloseRequested;
            SDL_Delay(10);
        }
        EXPECT_TRUE(closed) << round;
        display->setTitle("Zamkni\xEAte");
        display->raise();
        display->present();
        display->close();
    }
    // The next window is watched afresh and closes quietly.
    auto display = createSdlDisplay(*m_video);
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    testing::internal::CaptureStderr();
    display->present();
    display->close();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
