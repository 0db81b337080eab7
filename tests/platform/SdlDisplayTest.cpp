// The SDL display and input under SDL's dummy video driver: no desktop, but the real SDL code paths.
#include "DisplayFixtures.h"
#include "harness/Environment.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "platform/Video.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace KavirelDLL;

namespace {

class SdlDummy : public KavirelTest::CVideoDriverTest {
protected:
    void SetUp() override { ASSERT_TRUE(startVideo("dummy")) << m_video->lastError(); }
};

SDL_Event keyEvent(Uint32 type, SDL_Scancode code, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.scancode = code;
    return e;
}

SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    return e;
}

} // namespace

TEST_F(SdlDummy, VideoStartsAndStopsRepeatedly) {
    EXPECT_EQ(m_video->driverName(), "dummy");
    for (int i = 0; i < 5; ++i) {
        CVideo second;
        EXPECT_TRUE(second.isReady());
    }
    // The first one still holds the services.
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    m_video.reset();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    for (int i = 0; i < 3; ++i) {
        CVideo again;
        ASSERT_TRUE(again.isReady()) << again.lastError();
        auto display = createSdlDisplay(again);
        ASSERT_TRUE(display->open(CDisplayMode{})) << display->lastError();
        display->present();
    }
    EXPECT_EQ(SDL_WasInit(0), 0u);
}

TEST_F(SdlDummy, WindowShowsTheUpdatedRectangles) {
    auto display = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.title = "Kavirel \xB9\xE6";
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    EXPECT_TRUE(display->isReal());
    fill(*display, {0, 0, 800, 600}, 0x001F);
    fill(*display, {100, 50, 300, 150}, 0xF800);
    display->update(CPlatformRect{0, 0, 800, 600});
    display->present();
    EXPECT_EQ(display->presentedPixel(150, 100), 0xF800);

    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h)) << display->lastError();
    ASSERT_EQ(w, 800);
    ASSERT_EQ(h, 600);
    // At its own size the window shows the frame pixel for pixel (the desktop may widen 6-bit green a shade
    // differently).
    std::vector<uint8_t> frame = display->readFrameRgb();
    ASSERT_EQ(rgb.size(), frame.size());
    for (size_t i = 0; i < rgb.size(); ++i) ASSERT_LE(std::abs(int(rgb[i]) - int(frame[i])), 3) << i;

    // Only the rectangle handed over reaches the window.
    fill(*display, {0, 0, 800, 600}, 0x07E0);
    display->update(CPlatformRect{0, 0, 10, 10});
    display->present();
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h));
    EXPECT_GE(rgb[(5 * 800 + 5) * 3 + 1], 252);
    EXPECT_EQ(rgb[(5 * 800 + 5) * 3 + 0], 0);
    EXPECT_EQ(rgb[(100 * 800 + 150) * 3 + 0], 255);
    EXPECT_EQ(rgb[(100 * 800 + 150) * 3 + 1], 0);
    EXPECT_EQ(rgb[(300 * 800 + 400) * 3 + 2], 255);
    display->close();
    EXPECT_FALSE(display->isOpen());
}

TEST_F(SdlDummy, FifteenBitScreensUseTheirOwnTexture) {
    auto display = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.bitsPerPixel = 15;
    mode.width = 64;
    mode.height = 48;
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    fill(*display, {0, 0, 64, 48}, 0x03E0);
    display->updateAll();
    display->present();
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h));
    EXPECT_EQ(rgb[0], 0);
    EXPECT_GE(rgb[1], 252);
    EXPECT_EQ(rgb[2], 0);
}

TEST_F(SdlDummy, FullScreenLetterboxesAndMapsThePointer) {
    auto display = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.width = 640;
    mode.height = 400;
    mode.fullScreen = true;
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    EXPECT_TRUE(display->isFullScreen());
    fill(*display, {0, 0, 640, 400}, 0xFFFF);
    display->updateAll();
    display->present();
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(display->readOutputRgb(rgb, w, h));
    // The dummy desktop is 1024x768: the screen is scaled by 1.6 with bars of 64 rows above and below.
    ASSERT_EQ(w, 1024);
    ASSERT_EQ(h, 768);
    auto at = [&](int x, int y) { return rgb[(size_t(y) * w + x) * 3]; };
    EXPECT_EQ(at(512, 10), 0);
    EXPECT_EQ(at(512, 63), 0);
    EXPECT_EQ(at(512, 64), 255);
    EXPECT_EQ(at(512, 384), 255);
    EXPECT_EQ(at(512, 703), 255);
    EXPECT_EQ(at(512, 704), 0);
    CPlatformPoint p = display->windowToLogical({512, 64 + 320});
    EXPECT_EQ(p.x, 320);
    EXPECT_EQ(p.y, 200);
    p = display->windowToLogical({1000, 5});
    EXPECT_EQ(p.x, 625);
    EXPECT_EQ(p.y, 0);

    CInput input(m_video.get(), display.get());
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 512;
    motion.motion.y = 64 + 320;
    SDL_PushEvent(&motion);
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_RIGHT;
    click.button.state = SDL_PRESSED;
    click.button.clicks = 2;
    click.button.x = 0;
    click.button.y = 767;
    SDL_PushEvent(&click);
    input.pump();
    std::vector<CInputEvent> events;
    input.take(events, kInputMouse);
    ASSERT_GE(events.size(), 2u);
    const CInputEvent& move = events[events.size() - 2];
    EXPECT_EQ(move.type, EInputEventType::MouseMove);
    EXPECT_EQ(move.x, 320);
    EXPECT_EQ(move.y, 200);
    EXPECT_EQ(events.back().type, EInputEventType::MouseDown);
    EXPECT_EQ(events.back().button, 1);
    EXPECT_EQ(events.back().clicks, 2);
    EXPECT_EQ(events.back().x, 0);
    EXPECT_EQ(events.back().y, 399);

    EXPECT_TRUE(display->setFullScreen(false));
    EXPECT_FALSE(display->isFullScreen());
}

TEST_F(SdlDummy, DesktopEventsBecomeEngineEvents) {
    auto display = createSdlDisplay(*m_video);
    ASSERT_TRUE(display->open(CDisplayMode{})) << display->lastError();
    CInput input(m_video.get(), display.get());
    input.pump();
    input.clear();

    SDL_Event e = keyEvent(SDL_KEYDOWN, SDL_SCANCODE_RALT);
    SDL_PushEvent(&e);
    e = keyEvent(SDL_KEYDOWN, SDL_SCANCODE_RALT, 1);
    SDL_PushEvent(&e);
    e = keyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER);
    SDL_PushEvent(&e);
    e = keyEvent(SDL_KEYUP, SDL_SCANCODE_KP_ENTER);
    SDL_PushEvent(&e);
    e = keyEvent(SDL_KEYDOWN, SDL_SCANCODE_AC_BACK); // no engine code
    SDL_PushEvent(&e);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    SDL_PushEvent(&wheel);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_PushEvent(&text);
    input.pump();

    std::vector<CInputEvent> events;
    input.take(events);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, EInputEventType::KeyDown);
    EXPECT_EQ(events[0].key, kKeyRightAlt);
    EXPECT_EQ(events[1].key, kKeyPadEnter);
    EXPECT_EQ(events[2].type, EInputEventType::KeyUp);
    EXPECT_EQ(events[3].type, EInputEventType::MouseWheel);
    EXPECT_EQ(events[3].wheelY, -1);
    EXPECT_TRUE(input.modifiers().alt);

    e = windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    SDL_PushEvent(&e);
    e = windowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_PushEvent(&e);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    input.pump();
    events.clear();
    input.take(events);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, EInputEventType::KeyUp);
    EXPECT_EQ(events[0].key, kKeyRightAlt);
    EXPECT_EQ(events[1].window, EWindowEvent::FocusLost);
    EXPECT_EQ(events[2].window, EWindowEvent::CloseRequested);
    EXPECT_FALSE(display->isActive());
    EXPECT_TRUE(display->isCloseRequested());
}

TEST_F(SdlDummy, CursorCallsAreSafeWithoutAPointer) {
    auto display = createSdlDisplay(*m_video);
    ASSERT_TRUE(display->open(CDisplayMode{})) << display->lastError();
    uint16_t pixels[16 * 16];
    uint8_t alpha[16 * 16];
    for (int i = 0; i < 256; ++i) {
        pixels[i] = 0xFFFF;
        alpha[i] = (i % 3) ? 255 : 0;
    }
    // The dummy driver has no pointer: cursors are refused with a reason, and nothing else breaks.
    int32_t id = display->createCursor(CCursorImage{16, 16, 16, pixels, alpha, 1, 1});
    if (id == 0) {
        EXPECT_FALSE(display->lastError().empty());
    }
    display->setCursor(CDisplay::systemCursorId(ESystemCursor::Wait));
    display->setCursorVisible(false);
    display->clipCursor(CPlatformRect{10, 10, 100, 100});
    display->warpCursor({50, 60});
    display->releaseCursorClip();
    display->raise();
    display->hide();
    display->show();
    display->setTitle("Tytu\xB3");
    display->present();
    display->close();
}
