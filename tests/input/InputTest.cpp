#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/LanguageOSVer.h"
#include "display/MouseListener.h"
#include "display/WindowFixtures.h"
#include "input/DXMouse.h"
#include "input/HotSpot.h"
#include "input/KeyListener.h"
#include "input/Keyboard.h"
#include "media/controls/Unit6.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"
#include "shell/Application.h"

using namespace KavirelTest;

namespace {

uint64_t g_nowMs = 0;
uint64_t fakeMicros() { return g_nowMs * 1000; }

using Log = std::vector<std::string>;

class QuietApplication : public CApplication {
public:
    bool domodal() override { return false; }
    int OnKeyDown(int code, int) override { return code == kKeyF12 ? 7 : 0; }
};

// A game window with its input and both pollers, driven by an injected clock.
struct InputGame {
    explicit InputGame(CLanguageOSVer* language = nullptr)
        : line("-window"), display(createHeadlessDisplay()), input(nullptr, display.get()),
          window(display.get(), &input, &line, language, CXSize(320, 240), 0, "", "", "", false) {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
        window.SetApplicationInterface(&application);
    }
    // One frame, far enough from the last for the keyboard to deliver.
    void frame(uint64_t ms = 20) {
        g_nowMs += ms;
        window.Tick();
    }
    void tap(int code) {
        input.injectKey(code, true);
        input.injectKey(code, false);
    }

    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CInput input;
    QuietApplication application;
    CWindow window;
};

class Spot : public CHotSpot {
public:
    Spot(CWindow* window, const char* name, Log* log, CXRect rect, int priority = 0)
        : CHotSpot(window), m_name(name), m_log(log) {
        SetActiveRect(rect, HS_NONE, 0);
        setPriority(priority);
    }
    int OnMouseMove(CXPoint p, int, void*) override { return note("move", p, moveAnswer); }
    int OnLButtonDown(CXPoint p, int, void*) override { return note("down", p, downAnswer); }
    int OnLButtonUp(CXPoint p, int, void*) override { return note("up", p, upAnswer); }
    int OnRButtonDown(CXPoint p, int, void*) override { return note("rdown", p, 0); }
    int OnFocusOn(CXPoint p, int, void*) override { return note("focusOn", p, 0); }
    int OnFocusOff(CXPoint p, int, void*) override { return note("focusOff", p, 0); }

    int moveAnswer = 0;
    int downAnswer = 0;
    int upAnswer = 0;

private:
    int note(const char* what, CXPoint p, int answer) {
        m_log->push_back(m_name + ":" + what + "@" + std::to_string(p.x) + "," + std::to_string(p.y));
        return answer;
    }
    std::string m_name;
    Log* m_log;
};

class Recorder : public CMouseListener {
public:
    Recorder(const char* name, Log* log, bool takes = false) : m_name(name), m_log(log), m_takes(takes) {}
    bool onMouseMove(CXPoint p) override { return note("move", p); }
    bool onClick(int button, CXPoint p) override { return note("click" + std::to_string(button), p); }
    bool onClick(CXPoint p) override { return note("click", p, false); }
    bool onRelease(int button, CXPoint p) override { return note("release" + std::to_string(button), p); }
    bool onRelease(CXPoint p) override { return note("release", p, false); }
    bool onDblClick(CXPoint p) override { return note("dblclick", p); }

private:
    bool note(const std::string& what, CXPoint p, bool answer = true) {
        m_log->push_back(m_name + ":" + what + "@" + std::to_string(p.x) + "," + std::to_string(p.y));
        return answer && m_takes;
    }
    std::string m_name;
    Log* m_log;
    bool m_takes;
};

class Keys : public CKeyListener {
public:
    void onKeyDown(int code) override { log.push_back("down " + std::to_string(code)); }
    void onKeyUp(int code) override { log.push_back("up " + std::to_string(code)); }
    void onChar(unsigned char ch) override {
        chars.push_back(static_cast<char>(ch));
        log.push_back(std::string("char ") + char(ch));
    }
    Log log;
    std::string chars;
};

class InputTest : public testing::Test {
protected:
    void SetUp() override {
        g_nowMs = 1'000'000;
        CPlatformClock::inject(&fakeMicros);
    }
    void TearDown() override {
        CHotSpot::setMinPriority(0);
        CHotSpot::setMaxPriority(10000000);
        CPlatformClock::inject(nullptr);
    }
};

} // namespace

// ---------------------------------------------------------------- mouse

TEST_F(InputTest, HotSpotsComeBeforeListenersAndAConsumedPressIsHidden) {
    InputGame game;
    Log log;
    Spot spot(&game.window, "spot", &log, CXRect(10, 10, 50, 50));
    Recorder listener("L", &log);
    game.window.registerMouseListener(&listener, 100);

    // A press the hot spot does not take goes on; one it takes does not.
    game.input.injectMouseButton(0, true, 20, 20);
    game.frame();
    EXPECT_EQ(log, (Log{"spot:down@20,20", "L:click@20,20", "L:click0@20,20"}));
    EXPECT_TRUE(spot.hasFocus());
    log.clear();
    spot.downAnswer = spot.upAnswer = 1;
    game.input.injectMouseButton(0, false, 20, 20);
    game.input.injectMouseButton(0, true, 21, 20);
    game.frame();
    // The release reaches the listeners whatever the hot spot answered.
    EXPECT_EQ(log, (Log{"spot:up@20,20", "L:release@20,20", "L:release0@20,20", "spot:down@21,20"}));

    // Hovering: focus on with the first move, then moves; a move the hot spot takes stays with it.
    log.clear();
    game.input.injectMouseButton(0, false, 21, 20);
    game.input.injectMouseMove(60, 60);
    game.frame();
    log.clear();
    game.input.injectMouseMove(30, 30);
    game.frame();
    EXPECT_EQ(log, (Log{"spot:move@30,30", "spot:focusOn@30,30", "L:move@30,30"}));
    log.clear();
    spot.moveAnswer = 1;
    game.input.injectMouseMove(31, 30);
    game.frame();
    EXPECT_EQ(log, (Log{"spot:move@31,30"}));
    // Leaving it: focus off, and the move goes to the listeners.
    log.clear();
    game.input.injectMouseMove(100, 100);
    game.frame();
    EXPECT_EQ(log, (Log{"spot:focusOff@100,100", "L:move@100,100"}));
    EXPECT_FALSE(spot.hasFocus());

    // Disabled under the pointer it hears no move, yet hears the pointer leave, once.
    game.input.injectMouseMove(30, 30);
    game.frame();
    spot.Enable(false);
    log.clear();
    for (int x : {31, 100, 110}) {
        game.input.injectMouseMove(x, 30);
        game.frame();
    }
    EXPECT_EQ(log, (Log{"L:move@31,30", "spot:focusOff@100,30", "L:move@100,30", "L:move@110,30"}));
    game.window.removeMouseListener(&listener);
}

TEST_F(InputTest, TheGreatestPriorityInsideTheWindowWins) {
    InputGame game;
    Log log;
    Spot low(&game.window, "low", &log, CXRect(0, 0, 100, 100), 5);
    Spot high(&game.window, "high", &log, CXRect(0, 0, 100, 100), 7);
    Spot twin(&game.window, "twin", &log, CXRect(0, 0, 100, 100), 7);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(5, 5)), &high);

    CHotSpot::setMaxPriority(6);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(5, 5)), &low);
    CHotSpot::setMinPriority(6);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(5, 5)), nullptr);
    CHotSpot::setMinPriority(0);
    CHotSpot::setMaxPriority(10000000);

    // A disabled hot spot, or one of an inactive unit, is passed over.
    high.Enable(false);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(5, 5)), &twin);
    CUnit6 unit(&game.window, "unit");
    twin.setUnit(&unit);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(5, 5)), &low);
    unit.setActivity(true);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(5, 5)), &twin);

    // A focused hot spot outside the priority window keeps its focus when the pointer leaves it.
    game.input.injectMouseMove(5, 5);
    game.frame();
    EXPECT_TRUE(twin.hasFocus());
    CHotSpot::setMaxPriority(6);
    game.input.injectMouseMove(200, 200);
    game.frame();
    EXPECT_TRUE(twin.hasFocus());
    EXPECT_FALSE(low.hasFocus());

    // The right button goes to every hot spot under the point, in list order, with no priority window.
    log.clear();
    high.Enable(true);
    game.input.injectMouseButton(1, true, 5, 5);
    game.frame();
    EXPECT_EQ(log, (Log{"low:rdown@5,5", "high:rdown@5,5", "twin:rdown@5,5"}));
}

TEST_F(InputTest, AShapedHotSpotTakesTheScreenPriorityOfItsGraphicsAndTestsPixels) {
    InputGame game;
    Log log;
    std::unique_ptr<CGraphicsObject> shape(solid(20, 20, 0xFFFF, 255));
    // The left half is transparent.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) shape->GetChannelAlpha()[y * 20 + x] = 0;
    shape->SetPosition(100, 100);
    Spot spot(&game.window, "shape", &log, CXRect());
    spot.Set(shape.get(), true);
    EXPECT_EQ(spot.getPriority(), -1);
    EXPECT_FALSE(CHotSpot::findAt(CHotSpot::getList(), CXPoint(115, 105)));
    game.window.GetRefreshScreenInterface()->put(shape.get(), 3);
    EXPECT_EQ(spot.getPriority(), 3);
    EXPECT_EQ(CHotSpot::findAt(CHotSpot::getList(), CXPoint(115, 105)), &spot);
    EXPECT_FALSE(spot.TestHit(CXPoint(105, 105)));
    spot.Set(shape.get(), false);
    EXPECT_TRUE(spot.TestHit(CXPoint(105, 105)));
    *game.window.GetRefreshScreenInterface() >> shape.get();
}

TEST_F(InputTest, ListenersAreAskedFromTheTopAndLaterEqualsFirst) {
    InputGame game;
    Log log;
    Recorder first("first", &log), second("second", &log), top("top", &log);
    game.window.registerMouseListener(&first, 100);
    game.window.registerMouseListener(&second, 100);
    game.window.registerMouseListener(&top, 1000);

    game.input.injectMouseButton(1, true, 7, 8);
    game.input.injectMouseButton(2, true, 7, 8);
    game.frame();
    EXPECT_EQ(log, (Log{"top:click2@7,8", "second:click2@7,8", "first:click2@7,8", "top:click1@7,8",
                        "second:click1@7,8", "first:click1@7,8"}));

    // One that takes the event ends the walk.
    log.clear();
    Recorder taker("taker", &log, true);
    game.window.registerMouseListener(&taker, 500);
    game.input.injectMouseButton(1, false, 7, 8);
    game.frame();
    EXPECT_EQ(log, (Log{"top:release2@7,8", "taker:release2@7,8"}));

    // Double clicks come from the second press of the left button.
    log.clear();
    game.window.removeMouseListener(&taker);
    game.window.removeMouseListener(&top);
    game.window.removeMouseListener(&first);
    game.input.injectMouseButton(0, true, 9, 9, 2);
    game.frame();
    EXPECT_EQ(log, (Log{"second:click@9,9", "second:click0@9,9", "second:dblclick@9,9"}));

    // Nothing is routed while the mouse is disabled, and a non-zero flag makes the handlers ignore an event.
    log.clear();
    game.window.enableMouse(false);
    game.input.injectMouseMove(50, 50);
    game.frame();
    EXPECT_TRUE(log.empty());
    game.window.enableMouse(true);
    EXPECT_EQ(game.window.OnLButtonDown(CXPoint(1, 1), 1), 0);
    EXPECT_TRUE(log.empty());
    game.window.OnLButtonDblClk(CXPoint(1, 1), 1);
    EXPECT_EQ(log, (Log{"second:dblclick@1,1"}));
    game.window.removeMouseListener(&second);
}

TEST_F(InputTest, MovesAreCoalescedAndButtonsKeepTheirOrder) {
    InputGame game;
    Log log;
    Recorder listener("L", &log);
    game.window.registerMouseListener(&listener, 1);
    game.input.injectMouseMove(10, 10);
    game.input.injectMouseButton(0, true, 10, 10);
    game.input.injectMouseMove(40, 40);
    game.input.injectMouseMove(400, 41); // clamped to the screen
    game.input.injectMouseButton(0, false, 319, 41);
    game.frame();
    EXPECT_EQ(log, (Log{"L:move@319,41", "L:click@10,10", "L:click0@10,10", "L:release@319,41",
                        "L:release0@319,41"}));
    EXPECT_EQ(game.window.getDXMouseInterface()->getPosition(), CXPoint(319, 41));
    EXPECT_EQ(CDXMouse::getSingleton(), game.window.getDXMouseInterface());

    // An inactive window reads no input; what waited is delivered once it is active again.
    log.clear();
    game.window.OnActivateApp(false);
    game.input.injectMouseMove(5, 6);
    game.frame();
    EXPECT_TRUE(log.empty());
    game.window.OnActivateApp(true);
    game.frame();
    EXPECT_EQ(log, (Log{"L:move@5,6"}));
    game.window.removeMouseListener(&listener);
}

TEST_F(InputTest, AHandlerMayDeleteHotSpotsAndListenersWhileTheyAreWalked) {
    InputGame game;
    Log log;
    struct Killer : Spot {
        using Spot::Spot;
        int OnFocusOff(CXPoint, int, void*) override {
            delete *victim;
            *victim = nullptr;
            return 0;
        }
        Spot** victim = nullptr;
    };
    Killer killer(&game.window, "killer", &log, CXRect(0, 0, 10, 10), 2);
    Spot* victimSlot = new Spot(&game.window, "victim", &log, CXRect(0, 0, 50, 50), 1);
    killer.victim = &victimSlot;
    game.input.injectMouseMove(5, 5);
    game.frame();
    victimSlot->setFocus(true);
    // Leaving both: the killer's focus-off deletes the other, which must not be asked afterwards.
    game.input.injectMouseMove(100, 100);
    game.frame();
    EXPECT_EQ(victimSlot, nullptr);

    struct Remover : CMouseListener {
        bool onMouseMove(CXPoint) override {
            window->removeMouseListener(other);
            return false;
        }
        CWindow* window = nullptr;
        CMouseListener* other = nullptr;
    };
    Recorder later("later", &log);
    Remover remover;
    remover.window = &game.window;
    remover.other = &later;
    game.window.registerMouseListener(&later, 1);
    game.window.registerMouseListener(&remover, 2);
    log.clear();
    game.input.injectMouseMove(101, 100);
    game.frame();
    EXPECT_TRUE(log.empty());
    game.window.removeMouseListener(&remover);
}

TEST_F(InputTest, DraggingMovesTheWindowByThePointersOffset) {
    InputGame game;
    game.window.startDraggingWindow(10, 10);
    game.input.injectMouseMove(30, 25);
    game.frame();
    EXPECT_EQ(game.display->windowPosition().x, 20);
    EXPECT_EQ(game.display->windowPosition().y, 15);
    game.window.stopDraggingWindow();
    game.input.injectMouseMove(60, 60);
    game.frame();
    EXPECT_EQ(game.display->windowPosition().x, 20);
}

// ---------------------------------------------------------------- keys

TEST_F(InputTest, KeysGoDownTypeAndComeUpWithShift) {
    InputGame game;
    Keys keys;
    game.window.registerKeyListener(&keys);

    game.input.injectKey(kKeyLeftShift, true);
    game.input.injectKey(kKeyA, true);
    game.frame();
    game.window.getKeyboardInterface()->setAutoRepeat(false);
    game.input.injectKey(kKeyA, false);
    game.input.injectKey(kKeyLeftShift, false);
    game.frame();
    EXPECT_EQ(keys.log, (Log{"down 42", "down 30", "char A", "up 30", "up 42"}));

    // Shift's own forms of a few keys.
    keys.chars.clear();
    for (int code : {kKey1, kKeyComma, kKeyPeriod, kKeySlash}) {
        game.input.injectKey(kKeyRightShift, true);
        game.tap(code);
        game.input.injectKey(kKeyRightShift, false);
    }
    for (int code :
         {kKey1, kKeyPad1, kKeyLeftBracket, kKeyRightBracket, kKeyPadPlus, kKeySpace, kKeyEnter, kKeyF1})
        game.tap(code);
    game.frame();
    EXPECT_EQ(keys.chars, "!<>?11()+ ");
    game.window.removeKeyListener(&keys);
}

TEST_F(InputTest, AKeyTappedBetweenTwoFramesStillGoesDownAndTypesBeforeItComesUp) {
    InputGame game;
    Keys keys;
    game.window.registerKeyListener(&keys);
    ASSERT_TRUE(game.window.getKeyboardInterface()->isAutoRepeat());

    game.input.injectKey(kKeyLeftShift, true);
    game.tap(kKeyK);
    game.input.injectKey(kKeyLeftShift, false);
    game.tap(kKeyK);
    game.frame();
    EXPECT_EQ(keys.log,
              (Log{"down 42", "down 37", "char K", "up 37", "up 42", "down 37", "char k", "up 37"}));

    // Nothing repeats afterwards.
    keys.log.clear();
    game.frame();
    EXPECT_TRUE(keys.log.empty());

    // Released and pressed again within one frame: the old press ends before the new one starts, and the new
    // one goes on repeating.
    game.input.injectKey(kKeyB, true);
    game.frame();
    keys.log.clear();
    game.input.injectKey(kKeyB, false);
    game.input.injectKey(kKeyB, true);
    game.frame();
    EXPECT_EQ(keys.log, (Log{"up 48", "down 48", "char b"}));
    keys.log.clear();
    game.frame();
    EXPECT_EQ(keys.log, (Log{"down 48", "char b"}));
    game.input.injectKey(kKeyB, false);
    game.window.removeKeyListener(&keys);
}

TEST_F(InputTest, HeldKeysRepeatOnFlushesTenMillisecondsApart) {
    InputGame game;
    Keys keys;
    game.window.registerKeyListener(&keys);
    CKeyboard* keyboard = game.window.getKeyboardInterface();

    game.input.injectKey(kKeyD, true);
    game.frame();
    EXPECT_EQ(keys.log, (Log{"down 32", "char d"}));
    game.frame(5);
    EXPECT_EQ(keys.log.size(), 2u);
    game.frame(5);
    EXPECT_EQ(keys.log, (Log{"down 32", "char d", "down 32", "char d"}));
    EXPECT_TRUE(keyboard->isKeyPressed("D"));
    EXPECT_TRUE(keyboard->isAnyKeyPressed());

    // A release waits for a flush that delivers, and no key-down comes with it.
    keys.log.clear();
    game.input.injectKey(kKeyD, false);
    game.frame(3);
    EXPECT_TRUE(keys.log.empty());
    game.frame(20);
    EXPECT_EQ(keys.log, (Log{"up 32"}));

    // Without auto-repeat a held key goes down and types once.
    keyboard->setAutoRepeat(false);
    keys.log.clear();
    game.input.injectKey(kKeyD, true);
    for (int i = 0; i < 4; ++i) game.frame();
    EXPECT_EQ(keys.log, (Log{"down 32", "char d"}));
    game.input.injectKey(kKeyD, false);
    game.frame();
    EXPECT_FALSE(keyboard->isAnyKeyPressed());
    game.window.removeKeyListener(&keys);
}

TEST_F(InputTest, LosingTheFocusReleasesHeldKeysAndButtonsInsteadOfRepeatingThem) {
    InputGame game;
    Keys keys;
    Log log;
    Recorder listener("L", &log);
    game.window.registerKeyListener(&keys);
    game.window.registerMouseListener(&listener, 1);
    CKeyboard* keyboard = game.window.getKeyboardInterface();
    game.input.injectKey(kKeyLeft, true);
    game.input.injectMouseButton(0, true, 10, 10);
    game.frame();
    EXPECT_EQ(keys.log, (Log{"down 203"}));
    keys.log.clear();
    log.clear();

    // As the program does: the desktop's focus-lost event, taken with the window's events, deactivates it.
    game.input.injectWindow(EWindowEvent::FocusLost);
    std::vector<CInputEvent> windowEvents;
    game.input.take(windowEvents, kInputWindow);
    game.window.OnActivateApp(false);
    for (int i = 0; i < 5; ++i) game.frame();
    EXPECT_EQ(keys.log, (Log{"up 203"}));
    EXPECT_EQ(log, (Log{"L:release@10,10", "L:release0@10,10"}));
    EXPECT_FALSE(keyboard->isKeyPressed("left"));
    EXPECT_FALSE(game.window.getDXMouseInterface()->isLeftDown());

    // Back in front, keys are read again.
    keys.log.clear();
    game.input.injectWindow(EWindowEvent::FocusGained);
    game.input.take(windowEvents, kInputWindow);
    game.window.OnActivateApp(true);
    game.tap(kKeyA);
    game.frame();
    EXPECT_EQ(keys.log, (Log{"down 30", "char a", "up 30"}));
    game.window.removeMouseListener(&listener);
    game.window.removeKeyListener(&keys);
}

TEST_F(InputTest, NationalMapsTurnAltLettersAndRefuseWhatTheyCannotType) {
    {
        InputGame game;
        Keys keys;
        game.window.registerKeyListener(&keys);
        game.input.injectKey(kKeyRightAlt, true);
        game.tap(kKeyS);
        game.tap(kKeyZ);
        game.input.injectKey(kKeyLeftShift, true);
        game.tap(kKeyA);
        game.input.injectKey(kKeyLeftShift, false);
        game.input.injectKey(kKeyRightAlt, false);
        game.tap(kKeyS);
        game.frame();
        EXPECT_EQ(keys.chars, "\x9C\xBF\xA5s");
        game.window.removeKeyListener(&keys);
    }
    CLanguageOSVer czech;
    czech.setLanguageFolder("0405");
    ASSERT_EQ(czech.getLang(), CLanguageOSVer::LANG_CZECH);
    InputGame game(&czech);
    Keys keys;
    game.window.registerKeyListener(&keys);
    game.tap(kKeyZ);
    game.tap(kKeyY);
    game.tap((kKey1 + 4));
    game.tap(kKeySpace);
    game.frame();
    EXPECT_EQ(keys.chars, "yz");
    // Digits are refused as characters, not as keys.
    EXPECT_EQ(std::count(keys.log.begin(), keys.log.end(), "down 6"), 1);

    // The language may change while the game runs.
    czech.setWindowIfc(&game.window);
    czech.setLanguageFolder("0415");
    keys.chars.clear();
    game.tap(kKeyZ);
    game.tap((kKey1 + 4));
    game.frame();
    EXPECT_EQ(keys.chars, "z5");
    game.window.removeKeyListener(&keys);
}

TEST_F(InputTest, KeyNamesAndTheShellsShareOfKeyDowns) {
    InputGame game;
    CKeyboard* keyboard = game.window.getKeyboardInterface();
    game.input.injectKey(kKeyRightCtrl, true);
    game.input.injectKey(kKeyLeft, true);
    game.input.injectKey(kKeyQ, true);
    game.input.injectKey(kKey0, true);
    game.frame();
    EXPECT_TRUE(keyboard->isKeyPressed("ctrl"));
    EXPECT_TRUE(keyboard->isKeyPressed("RCTRL"));
    EXPECT_FALSE(keyboard->isKeyPressed("lctrl"));
    EXPECT_TRUE(keyboard->isKeyPressed("Left"));
    EXPECT_TRUE(keyboard->isKeyPressed("Q"));
    EXPECT_TRUE(keyboard->isKeyPressed("Quit"));
    EXPECT_FALSE(keyboard->isKeyPressed("q"));
    EXPECT_TRUE(keyboard->isKeyPressed("0"));
    EXPECT_FALSE(keyboard->isKeyPressed("alt"));
    EXPECT_FALSE(keyboard->isKeyPressed(""));

    // The shell answers first; the listeners still hear the key.
    Keys keys;
    game.window.registerKeyListener(&keys);
    EXPECT_EQ(game.window.OnKeyDown(kKeyF12, 0), 7);
    EXPECT_EQ(game.window.OnKeyDown(kKeyF11, 0), 0);
    EXPECT_EQ(keys.log, (Log{"down 88", "down 87"}));
    // Without a shell no key is routed.
    game.window.SetApplicationInterface(nullptr);
    EXPECT_EQ(game.window.OnKeyDown(kKeyF11, 0), 0);
    EXPECT_EQ(keys.log.size(), 2u);
    game.window.removeKeyListener(&keys);
}

TEST(InputTables, VirtualKeysAndScanCodeCharacters) {
    EXPECT_EQ(CWindow::__get_virtualkey_code(13, 0), -50);
    EXPECT_EQ(CWindow::__get_virtualkey_code(16, 0x2A0001), -45);
    EXPECT_EQ(CWindow::__get_virtualkey_code(16, 0x360001), -44);
    EXPECT_EQ(CWindow::__get_virtualkey_code(17, 0x1D0001), -48);
    EXPECT_EQ(CWindow::__get_virtualkey_code(17, 0x1D0002), -47);
    EXPECT_EQ(CWindow::__get_virtualkey_code(37, 0), -43);
    EXPECT_EQ(CWindow::__get_virtualkey_code(46, 0), -55);
    EXPECT_EQ(CWindow::__get_virtualkey_code(65, 0), 65);
    EXPECT_EQ(CWindow::tranlateToChar(kKeyM), 'M');
    EXPECT_EQ(CWindow::tranlateToChar(kKey1 + 8), '9');
    EXPECT_EQ(CWindow::tranlateToChar(kKey0), '0');
    EXPECT_EQ(CWindow::tranlateToChar(kKeySpace), ' ');
    EXPECT_EQ(CWindow::tranlateToChar(kKeyEnter), 0);
}
