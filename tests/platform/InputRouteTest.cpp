// Desktop events through the whole route, under SDL's dummy video driver: SDL's queue, the platform's
// translation, the window's pollers, the hot spots and the listeners.
#include "core/CommandLine6.h"
#include "display/MouseListener.h"
#include "display/Window.h"
#include "harness/Environment.h"
#include "input/HotSpot.h"
#include "input/KeyListener.h"
#include "input/Keyboard.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"
#include "platform/Video.h"
#include "shell/Application.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace KavirelDLL;

namespace {

using Log = std::vector<std::string>;

uint64_t g_nowMs = 0;
uint64_t fakeMicros() { return g_nowMs * 1000; }

std::string at(const char* what, CXPoint p) {
    return std::string(what) + "@" + std::to_string(p.x) + "," + std::to_string(p.y);
}

class Shell : public CApplication {
public:
    bool domodal() override { return false; }
};

class Spot : public CHotSpot {
public:
    Spot(CWindow* window, Log* log) : CHotSpot(window), m_log(log) {}
    int OnLButtonDown(CXPoint p, int, void*) override {
        m_log->push_back(at("spot:down", p));
        return 1;
    }
    int OnFocusOn(CXPoint p, int, void*) override {
        m_log->push_back(at("spot:focusOn", p));
        return 0;
    }

private:
    Log* m_log;
};

class Listener : public CMouseListener, public CKeyListener {
public:
    bool onMouseMove(CXPoint p) override { return note(at("move", p)); }
    bool onClick(int button, CXPoint p) override {
        return note(at(("click" + std::to_string(button)).c_str(), p));
    }
    bool onRelease(int button, CXPoint p) override {
        return note(at(("release" + std::to_string(button)).c_str(), p));
    }
    void onKeyDown(int code) override { note("down " + std::to_string(code)); }
    void onKeyUp(int code) override { note("up " + std::to_string(code)); }
    void onChar(unsigned char ch) override { note(std::string("char ") + char(ch)); }
    Log log;

private:
    bool note(const std::string& what) {
        log.push_back(what);
        return false;
    }
};

SDL_Event key(Uint32 type, SDL_Scancode code) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    return e;
}

void push(SDL_Event e) { SDL_PushEvent(&e); }

void pushKey(SDL_Scancode code, bool down) { push(key(down ? SDL_KEYDOWN : SDL_KEYUP, code)); }

void pushTap(SDL_Scancode code) {
    pushKey(code, true);
    pushKey(code, false);
}

void pushButton(Uint8 button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    push(e);
}

void pushFocus(bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    push(e);
}

class InputRoute : public KavirelTest::CVideoDriverTest {
protected:
    void SetUp() override {
        g_nowMs = 5'000'000;
        CPlatformClock::inject(&fakeMicros);
        ASSERT_TRUE(startVideo("dummy")) << m_video->lastError();
    }
    void TearDown() override {
        CVideoDriverTest::TearDown();
        CPlatformClock::inject(nullptr);
    }
};

// One pass of the program's loop: the frame, then the desktop's events, the window's own taken by the
// program.
void pass(CWindow& window, CInput& input) {
    g_nowMs += 20;
    window.domodal();
    input.pump();
    std::vector<CInputEvent> events;
    input.take(events, kInputWindow);
    for (const CInputEvent& e : events) {
        if (e.window == EWindowEvent::FocusGained) window.OnActivateApp(true);
        if (e.window == EWindowEvent::FocusLost) window.OnActivateApp(false);
    }
}

} // namespace

TEST_F(InputRoute, DesktopEventsReachHotSpotsListenersAndKeysInTheGamesCoordinates) {
    // Full screen on the dummy desktop's 1024x768: scaled by 1.6 with bars of 64 rows above and below.
    auto display = createSdlDisplay(*m_video);
    CDisplayMode mode;
    mode.width = 640;
    mode.height = 400;
    mode.fullScreen = true;
    ASSERT_TRUE(display->open(mode)) << display->lastError();
    CInput input(m_video.get(), display.get());
    input.pump();
    input.clear();

    CCommandLine6 line("");
    Shell shell;
    CWindow window(display.get(), &input, &line, nullptr, CXSize(640, 400), 0, "", "", "", false);
    window.SetApplicationInterface(&shell);
    window.OnActivateApp(true);
    Listener listener;
    window.registerMouseListener(&listener, 10);
    window.registerKeyListener(&listener);
    {
        Spot spot(&window, &listener.log);
        spot.SetActiveRect(CXRect(300, 180, 340, 220), HS_NONE, 0);

        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.x = 512;
        motion.motion.y = 64 + 320;
        push(motion);
        pushButton(SDL_BUTTON_LEFT, true, 512, 64 + 320);
        pushButton(SDL_BUTTON_RIGHT, true, 0, 767);
        pass(window, input);
        pass(window, input);
        // The hot spot takes the left press, so the listeners never see it; the right one reaches them.
        EXPECT_EQ(listener.log,
                  (Log{"spot:focusOn@320,200", "move@320,200", "spot:down@320,200", "click2@0,399"}));
    }

    listener.log.clear();
    pushKey(SDL_SCANCODE_LSHIFT, true);
    pushTap(SDL_SCANCODE_K);
    pushKey(SDL_SCANCODE_LSHIFT, false);
    pushTap(SDL_SCANCODE_K);
    pushKey(SDL_SCANCODE_RALT, true);
    pushTap(SDL_SCANCODE_S);
    pushKey(SDL_SCANCODE_RALT, false);
    pass(window, input);
    pass(window, input);
    EXPECT_EQ(listener.log, (Log{"down 42", "down 37", "char K", "up 37", "up 42", "down 37", "char k",
                                 "up 37", "down 184", "down 31", "char \x9C", "up 31", "up 184"}));

    // A key held as the focus goes is released once; the focus coming back makes the window read keys again.
    listener.log.clear();
    pushKey(SDL_SCANCODE_LEFT, true);
    pass(window, input);
    pass(window, input);
    ASSERT_EQ(listener.log, (Log{"down 203"}));
    listener.log.clear();
    pushFocus(false);
    for (int i = 0; i < 4; ++i) pass(window, input);
    EXPECT_FALSE(window.isActive());
    // The frame before the desktop's news still repeats the key; after it, one release and nothing more.
    EXPECT_EQ(listener.log, (Log{"down 203", "up 203", "release0@0,399", "release2@0,399"}));
    listener.log.clear();
    pushFocus(true);
    pass(window, input);
    EXPECT_TRUE(window.isActive());
    pushTap(SDL_SCANCODE_A);
    pass(window, input);
    pass(window, input);
    EXPECT_EQ(listener.log, (Log{"down 30", "char a", "up 30"}));
    window.removeMouseListener(&listener);
    window.removeKeyListener(&listener);
}
