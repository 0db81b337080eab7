#include "platform/Input.h"

#include "harness/Environment.h"
#include "platform/PlatformTime.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <set>

using namespace KavirelDLL;

namespace {

std::vector<CInputEvent> takeAll(CInput& input, uint32_t categories = kInputAll) {
    std::vector<CInputEvent> out;
    input.take(out, categories);
    return out;
}

uint64_t g_fakeMicros = 0;
uint64_t fakeClock() { return g_fakeMicros; }

struct InjectedClock {
    explicit InjectedClock(uint64_t ms) {
        g_fakeMicros = ms * 1000;
        CPlatformClock::inject(&fakeClock);
    }
    ~InjectedClock() { CPlatformClock::inject(nullptr); }
};

} // namespace

TEST(ScanCodes, EveryKeyOfA105KeyKeyboardHasItsOwnCode) {
    const std::pair<SDL_Scancode, int32_t> expected[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},
        {SDL_SCANCODE_1, 0x02},
        {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_Q, 0x10},
        {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_M, 0x32},
        {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_F1, 0x3B},
        {SDL_SCANCODE_F10, 0x44},
        {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_F12, 0x58},
        {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_HOME, 0xC7},
        {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_PAGEUP, 0xC9},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},
        {SDL_SCANCODE_END, 0xCF},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_PAGEDOWN, 0xD1},
        {SDL_SCANCODE_INSERT, 0xD2},
        {SDL_SCANCODE_DELETE, 0xD3},
        {SDL_SCANCODE_LGUI, 0xDB},
        {SDL_SCANCODE_RGUI, 0xDC},
        {SDL_SCANCODE_APPLICATION, 0xDD},
        {SDL_SCANCODE_PAUSE, 0xC5},
        {SDL_SCANCODE_PRINTSCREEN, 0xB7},
        {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
        {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
        {SDL_SCANCODE_LSHIFT, 0x2A},
        {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LCTRL, 0x1D},
        {SDL_SCANCODE_LALT, 0x38},
        {SDL_SCANCODE_CAPSLOCK, 0x3A},
        {SDL_SCANCODE_KP_7, 0x47},
        {SDL_SCANCODE_KP_0, 0x52},
        {SDL_SCANCODE_KP_PERIOD, 0x53},
        {SDL_SCANCODE_KP_MULTIPLY, 0x37},
        {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_BACKSPACE, 0x0E},
        {SDL_SCANCODE_GRAVE, 0x29},
    };
    for (const auto& [sdl, code] : expected)
        EXPECT_EQ(scanCodeFromSdl(sdl), code) << SDL_GetScancodeName(sdl);

    // The 105 keys: letters, digits, punctuation, function row, editing block, arrows, keypad, modifiers.
    std::vector<SDL_Scancode> keys;
    for (int s = SDL_SCANCODE_A; s <= SDL_SCANCODE_0; ++s) keys.push_back(SDL_Scancode(s));
    for (int s = SDL_SCANCODE_RETURN; s <= SDL_SCANCODE_SLASH; ++s)
        if (s != SDL_SCANCODE_NONUSHASH) keys.push_back(SDL_Scancode(s));
    for (int s = SDL_SCANCODE_CAPSLOCK; s <= SDL_SCANCODE_KP_PERIOD; ++s) keys.push_back(SDL_Scancode(s));
    keys.push_back(SDL_SCANCODE_NONUSBACKSLASH);
    keys.push_back(SDL_SCANCODE_APPLICATION);
    for (int s = SDL_SCANCODE_LCTRL; s <= SDL_SCANCODE_RGUI; ++s) keys.push_back(SDL_Scancode(s));
    EXPECT_EQ(keys.size(), 105u);
    std::set<int32_t> codes;
    for (SDL_Scancode s : keys) {
        int32_t code = scanCodeFromSdl(s);
        EXPECT_GT(code, 0) << SDL_GetScancodeName(s);
        EXPECT_LT(code, 256) << SDL_GetScancodeName(s);
        codes.insert(code);
    }
    EXPECT_EQ(codes.size(), keys.size());
    // The ISO key beside Enter is the backslash key's position.
    EXPECT_EQ(scanCodeFromSdl(SDL_SCANCODE_NONUSHASH), 0x2B);
    EXPECT_EQ(scanCodeFromSdl(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(scanCodeFromSdl(SDL_SCANCODE_AC_BACK), 0);
    EXPECT_EQ(scanCodeFromSdl(-5), 0);
    EXPECT_EQ(scanCodeFromSdl(100000), 0);
}

TEST(Input, KeysTrackStateAndDropRepeatsAndStrayReleases) {
    InjectedClock clock(1234);
    CInput input;
    input.injectKey(kKeyA, true);
    input.injectKey(kKeyA, true);  // auto-repeat
    input.injectKey(kKeyB, false); // never pressed
    EXPECT_TRUE(input.isKeyDown(kKeyA));
    EXPECT_TRUE(input.isAnyKeyDown());
    input.injectKey(kKeyA, false);
    EXPECT_FALSE(input.isKeyDown(kKeyA));
    EXPECT_FALSE(input.isAnyKeyDown());
    input.injectKey(0, true);
    input.injectKey(300, true);
    EXPECT_FALSE(input.isKeyDown(300));
    auto events = takeAll(input);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, EInputEventType::KeyDown);
    EXPECT_EQ(events[0].key, kKeyA);
    EXPECT_EQ(events[0].timeMs, 1234u);
    EXPECT_EQ(events[1].type, EInputEventType::KeyUp);
    EXPECT_EQ(input.pending(), 0u);
}

TEST(Input, ModifiersCountEitherSideAndCapsLockToggles) {
    CInput input;
    EXPECT_FALSE(input.modifiers().shift);
    input.injectKey(kKeyRightShift, true);
    input.injectKey(kKeyRightCtrl, true);
    input.injectKey(kKeyLeftAlt, true);
    CModifierState m = input.modifiers();
    EXPECT_TRUE(m.shift);
    EXPECT_TRUE(m.ctrl);
    EXPECT_TRUE(m.alt);
    EXPECT_FALSE(m.capsLock);
    input.injectKey(kKeyCapsLock, true);
    input.injectKey(kKeyCapsLock, false);
    EXPECT_TRUE(input.modifiers().capsLock);
    input.injectKey(kKeyCapsLock, true);
    EXPECT_FALSE(input.modifiers().capsLock);
}

TEST(Input, TakeByCategoryKeepsTheRestInOrder) {
    CInput input;
    input.injectKey(kKeyEscape, true);
    input.injectMouseMove(5, 6);
    input.injectWindow(EWindowEvent::Exposed);
    input.injectMouseButton(0, true, 7, 8);
    input.injectKey(kKeyEscape, false);
    EXPECT_EQ(input.pending(kInputMouse), 2u);
    auto mouse = takeAll(input, kInputMouse);
    ASSERT_EQ(mouse.size(), 2u);
    EXPECT_EQ(mouse[0].type, EInputEventType::MouseMove);
    EXPECT_EQ(mouse[1].type, EInputEventType::MouseDown);
    EXPECT_EQ(mouse[1].x, 7);
    EXPECT_EQ(mouse[1].clicks, 1);
    auto rest = takeAll(input);
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].type, EInputEventType::KeyDown);
    EXPECT_EQ(rest[1].type, EInputEventType::Window);
    EXPECT_EQ(rest[1].window, EWindowEvent::Exposed);
    EXPECT_EQ(rest[2].type, EInputEventType::KeyUp);
}

TEST(Input, MouseButtonsWheelAndDoubleClicks) {
    CInput input;
    input.injectMouseButton(1, true, 10, 10);
    input.injectMouseButton(1, true, 11, 11); // already down
    EXPECT_TRUE(input.isButtonDown(1));
    input.injectMouseButton(1, false, 12, 12);
    input.injectMouseButton(2, false, 12, 12); // never pressed
    input.injectMouseButton(7, true, 0, 0);    // no such button
    input.injectMouseButton(0, true, 20, 30, 2);
    input.injectWheel(-2);
    input.injectWheel(0);
    auto events = takeAll(input);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].button, 1);
    EXPECT_EQ(events[1].type, EInputEventType::MouseUp);
    EXPECT_EQ(events[1].x, 12);
    EXPECT_EQ(events[2].clicks, 2);
    EXPECT_EQ(events[3].type, EInputEventType::MouseWheel);
    EXPECT_EQ(events[3].wheelY, -2);
    EXPECT_EQ(events[3].x, 20);
    EXPECT_EQ(events[3].y, 30);
    EXPECT_EQ(input.mousePosition().x, 20);
}

TEST(Input, LosingFocusReleasesHeldKeysAndButtons) {
    auto display = createHeadlessDisplay();
    ASSERT_TRUE(display->open(CDisplayMode{}));
    CInput input(nullptr, display.get());
    input.injectKey(kKeyLeftShift, true);
    input.injectKey(kKeyUp, true);
    input.injectMouseButton(0, true, 40, 50);
    takeAll(input);
    input.injectWindow(EWindowEvent::FocusLost);
    EXPECT_FALSE(display->isActive());
    EXPECT_FALSE(input.isKeyDown(kKeyUp));
    EXPECT_FALSE(input.isButtonDown(0));
    auto events = takeAll(input);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, EInputEventType::KeyUp);
    EXPECT_EQ(events[0].key, kKeyLeftShift);
    EXPECT_EQ(events[1].key, kKeyUp);
    EXPECT_EQ(events[2].type, EInputEventType::MouseUp);
    EXPECT_EQ(events[2].x, 40);
    EXPECT_EQ(events[3].window, EWindowEvent::FocusLost);
    // The desktop's own late releases do not double up.
    input.injectKey(kKeyUp, false);
    EXPECT_EQ(input.pending(), 0u);
    input.injectWindow(EWindowEvent::FocusGained);
    EXPECT_TRUE(display->isActive());
}

TEST(Input, CloseRequestIsQueuedOnceUntilTaken) {
    auto display = createHeadlessDisplay();
    ASSERT_TRUE(display->open(CDisplayMode{}));
    CInput input(nullptr, display.get());
    input.injectWindow(EWindowEvent::CloseRequested);
    input.injectWindow(EWindowEvent::CloseRequested);
    EXPECT_TRUE(display->isCloseRequested());
    EXPECT_EQ(input.pending(kInputWindow), 1u);
    takeAll(input);
    input.injectWindow(EWindowEvent::CloseRequested);
    EXPECT_EQ(input.pending(kInputWindow), 1u);
}

TEST(Input, PointerStaysOnTheScreenAndInsideItsClip) {
    auto display = createHeadlessDisplay();
    CDisplayMode mode;
    mode.width = 320;
    mode.height = 200;
    ASSERT_TRUE(display->open(mode));
    CInput input(nullptr, display.get());
    input.injectMouseMove(-10, 500);
    EXPECT_EQ(input.mousePosition().x, 0);
    EXPECT_EQ(input.mousePosition().y, 199);
    display->clipCursor(CPlatformRect{100, 50, 150, 60});
    input.injectMouseButton(0, true, 5, 5);
    auto events = takeAll(input);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].x, 100);
    EXPECT_EQ(events[1].y, 50);
    // A warp is reported as a move at the next pump.
    display->warpCursor({140, 55});
    input.pump();
    events = takeAll(input);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, EInputEventType::MouseMove);
    EXPECT_EQ(events[0].x, 140);
    EXPECT_EQ(events[0].y, 55);
}

TEST(Input, AFullQueueDropsTheOldestAndMergesMoves) {
    CInput input;
    for (int i = 0; i < 10000; ++i) input.injectMouseMove(i % 100, 1);
    EXPECT_EQ(input.pending(), CInput::kMaxQueued);
    EXPECT_EQ(input.droppedEvents(), 0u);
    input.clear();
    for (int i = 0; i < 2100; ++i) {
        input.injectKey(kKeyA, true);
        input.injectKey(kKeyA, false);
    }
    EXPECT_EQ(input.pending(), CInput::kMaxQueued);
    EXPECT_EQ(input.droppedEvents(), 4200u - CInput::kMaxQueued);
    auto events = takeAll(input);
    EXPECT_EQ(events.back().type, EInputEventType::KeyUp);
    EXPECT_EQ(events.front().type, EInputEventType::KeyDown);
}

TEST(Input, AFilterKeepsWhatItTakesOutOfTheQueueButNotOutOfTheState) {
    auto display = createHeadlessDisplay();
    ASSERT_TRUE(display->open(CDisplayMode{}));
    CInput input(nullptr, display.get());
    std::vector<CInputEvent> seen;
    input.setFilter([&seen](const CInputEvent& e) {
        seen.push_back(e);
        return e.type == EInputEventType::KeyDown || e.type == EInputEventType::KeyUp;
    });
    input.injectKey(kKeyF10, true);
    input.injectMouseButton(0, true, 5, 6);
    EXPECT_TRUE(input.isKeyDown(kKeyF10));
    // Losing the focus sends its releases through the filter too.
    input.injectWindow(EWindowEvent::FocusLost);
    auto queued = takeAll(input);
    ASSERT_EQ(queued.size(), 3u);
    EXPECT_EQ(queued[0].type, EInputEventType::MouseDown);
    EXPECT_EQ(queued[1].type, EInputEventType::MouseUp);
    EXPECT_EQ(queued[2].window, EWindowEvent::FocusLost);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[2].type, EInputEventType::KeyUp);
    EXPECT_EQ(seen[2].key, kKeyF10);
    // Dropped repeats never reach it.
    input.setFilter({});
    input.injectKey(kKeyA, true);
    input.injectKey(kKeyA, true);
    EXPECT_EQ(takeAll(input).size(), 1u);
    EXPECT_EQ(seen.size(), 5u);
}

TEST(Input, AMovedWindowReportsWhereItIs) {
    CInput input;
    CInputEvent moved;
    moved.type = EInputEventType::Window;
    moved.window = EWindowEvent::Moved;
    moved.x = 120;
    moved.y = 900;
    input.inject(moved);
    auto events = takeAll(input, kInputWindow);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, EWindowEvent::Moved);
    EXPECT_EQ(events[0].x, 120);
    EXPECT_EQ(events[0].y, 900);
}

namespace {

class ControllerInput : public KavirelTest::CVideoDriverTest {};
class DesktopInput : public KavirelTest::CVideoDriverTest {};

} // namespace

// Code that holds the main thread sees a close request among the desktop's events without taking them: the
// next pump delivers them all, in their order.
TEST_F(DesktopInput, ACloseRequestIsSeenBeforeThePumpThatDeliversIt) {
    if (!startVideo("dummy")) GTEST_SKIP() << m_video->lastError();
    CInput input(m_video.get(), nullptr);
    input.pump();
    takeAll(input);
    EXPECT_FALSE(input.closeRequestPending());
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    ASSERT_EQ(SDL_PushEvent(&key), 1) << SDL_GetError();
    SDL_Event moved{};
    moved.type = SDL_WINDOWEVENT;
    moved.window.event = SDL_WINDOWEVENT_MOVED;
    SDL_PushEvent(&moved);
    EXPECT_FALSE(input.closeRequestPending());
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    key.type = SDL_KEYUP;
    SDL_PushEvent(&key);
    EXPECT_TRUE(input.closeRequestPending());
    EXPECT_TRUE(input.closeRequestPending());
    EXPECT_EQ(input.pending(), 0u);
    input.pump();
    std::vector<CInputEvent> events = takeAll(input);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, EInputEventType::KeyDown);
    EXPECT_EQ(events[0].key, kKeyA);
    EXPECT_EQ(events[1].window, EWindowEvent::Moved);
    EXPECT_EQ(events[2].window, EWindowEvent::CloseRequested);
    EXPECT_EQ(events[3].type, EInputEventType::KeyUp);
    EXPECT_FALSE(input.closeRequestPending());

    // The session's quit, and a request queued but not yet taken, count as well.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_TRUE(input.closeRequestPending());
    input.pump();
    EXPECT_TRUE(input.closeRequestPending());
    takeAll(input);
    EXPECT_FALSE(input.closeRequestPending());
}

TEST_F(ControllerInput, DesktopControllersArriveWithTheirAxesOnTheEngineScaleAndLeave) {
    if (!startVideo("dummy")) GTEST_SKIP() << m_video->lastError();
    CInput input(m_video.get(), nullptr);
    input.pump();
    const int32_t before = input.controllerCount();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 2;
    desc.nbuttons = 5;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    input.pump();
    ASSERT_EQ(input.controllerCount(), before + 1);
    const int32_t id = input.controllerAt(before);
    EXPECT_EQ(input.controllerAt(before + 1), -1);

    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr);
    SDL_JoystickSetVirtualAxis(joystick, 0, -32768);
    SDL_JoystickSetVirtualAxis(joystick, 1, 32767);
    SDL_JoystickSetVirtualButton(joystick, 4, SDL_PRESSED);
    input.pump();
    CControllerState state;
    ASSERT_TRUE(input.readController(id, state));
    EXPECT_EQ(state.axes[0], -1000);
    EXPECT_EQ(state.axes[1], 1000);
    EXPECT_EQ(state.axes[2], 0); // an axis the controller lacks
    ASSERT_EQ(state.buttons.size(), 5u);
    EXPECT_EQ(state.buttons[4], 1);
    EXPECT_EQ(state.buttons[0], 0);
    SDL_JoystickSetVirtualAxis(joystick, 0, 0);
    input.pump();
    ASSERT_TRUE(input.readController(id, state));
    EXPECT_EQ(state.axes[0], 0);

    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    input.pump();
    EXPECT_EQ(input.controllerCount(), before);
    EXPECT_FALSE(input.readController(id, state));
}

TEST(Controllers, TestControllersAreListedInTheOrderAttached) {
    CInput input;
    EXPECT_EQ(input.controllerAt(0), -1);
    const int32_t a = input.injectControllerAdded(3);
    const int32_t b = input.injectControllerAdded(1);
    EXPECT_EQ(input.controllerAt(1), b);
    input.injectControllerAxis(b, 2, 5000);
    input.injectControllerButton(b, 1, true); // beyond its buttons
    CControllerState state;
    ASSERT_TRUE(input.readController(b, state));
    EXPECT_EQ(state.axes[2], 1000);
    EXPECT_EQ(state.buttons, std::vector<uint8_t>{0});
    input.injectControllerRemoved(a);
    EXPECT_EQ(input.controllerAt(0), b);
    EXPECT_EQ(input.controllerCount(), 1);
    EXPECT_EQ(CInput::controllerAxis(-1), -1);
    EXPECT_EQ(CInput::controllerAxis(1), 0);
    EXPECT_EQ(CInput::controllerAxis(16384), 500);
}
