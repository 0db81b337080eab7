#include "script/GameFixtures.h"

#include <memory>

#include "display/MouseListener.h"
#include "input/HotSpot.h"
#include "objects/Joystick.h"
#include "objects/Keyboard.h"
#include "objects/Mouse.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "script/Array.h"

namespace KavirelTest {

namespace {

// A game whose first scene holds the objects given, with an application STRING LOG for handlers to append
// to; its window has input, injected by the tests.
struct InputGame {
    explicit InputGame(const std::string& sceneObjects, bool fromCache = false) {
        EpisodeGame game(folder, object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}), "",
                         {sceneObjects, "", ""});
        start(fromCache);
    }
    void start(bool fromCache) {
        run.reset();
        CGameOptions options;
        options.input = true;
        options.fromCache = fromCache;
        run = std::make_unique<CGameRun>(folder, options);
    }
    ~InputGame() {
        run.reset();
        CMC_Mouse::reset(true);
    }
    CInput& input() { return *run->input(); }
    std::string log() {
        std::string text = logOf(*run);
        callMethod(run->app()->getObject(CXString("LOG")), "SET", {""});
        return text;
    }
    std::string call(const char* object, const char* method, std::vector<std::string> args = {}) {
        return text(callMethod(run->find(object), method, std::move(args)));
    }
    void press(int button, int x, int y, int clicks = 1) {
        input().injectMouseButton(button, true, x, y, clicks);
        input().injectMouseButton(button, false, x, y);
        run->frames(1);
    }
    void tap(std::initializer_list<int> keys) {
        for (int key : keys) input().injectKey(key, true);
        for (int key : keys) input().injectKey(key, false);
        run->frames(1);
    }

    CGameFolder folder;
    std::unique_ptr<CGameRun> run;
};

std::string logged(const char* text) { return std::string("{LOG^ADD(\"") + text + "\");}"; }

const std::string kMouse = object("MOUSE", {{"TYPE", "MOUSE"},
                                            {"ONMOVE", logged("M.")},
                                            {"ONCLICK^RIGHT", logged("R.")},
                                            {"ONCLICK", logged("C.")},
                                            {"ONRELEASE^LEFT", logged("r.")},
                                            {"ONDBLCLICK", logged("D.")}});

class Below : public CMouseListener {
public:
    bool onClick(int button, CXPoint) override {
        clicks.push_back(button);
        return true;
    }
    std::vector<int> clicks;
};

class Spot : public CHotSpot {
public:
    explicit Spot(CWindow* window) : CHotSpot(window) { SetActiveRect(CXRect(0, 0, 20, 20), HS_NONE, 0); }
    int OnLButtonDown(CXPoint, int, void*) override {
        ++downs;
        return 0;
    }
    int downs = 0;
};

} // namespace

TEST(ScriptMouse, ButtonsRaiseTheirDetailedEventFirstAndNeverTakeTheClick) {
    InputGame game(kMouse);
    Below below;
    game.run->window()->registerMouseListener(&below, 0);

    game.press(1, 30, 40); // the platform's right button
    EXPECT_EQ(game.log(), "R.");
    EXPECT_EQ(game.call("MOUSE", "GETLASTCLICKPOSX"), "0");
    game.press(0, 10, 20);
    EXPECT_EQ(game.log(), "C.r.");
    EXPECT_EQ(game.call("MOUSE", "GETLASTCLICKPOSX") + "," + game.call("MOUSE", "GETLASTCLICKPOSY"), "10,20");
    game.press(2, 5, 5); // middle
    EXPECT_EQ(game.log(), "C.");
    EXPECT_EQ(below.clicks, (std::vector<int>{2, 0, 1}));
    game.press(0, 12, 20, 2);
    EXPECT_EQ(game.log(), "C.D.r.");

    game.input().injectMouseMove(100, 110);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "M.");
    EXPECT_EQ(game.call("MOUSE", "GETPOSX") + "," + game.call("MOUSE", "GETPOSY"), "100,110");
    game.run->window()->removeMouseListener(&below);
}

TEST(ScriptMouse, TheActiveRectangleAndDisabledSignalsHoldBackEventsButNotThePosition) {
    InputGame game(kMouse);
    auto* mouse = static_cast<CMC_Mouse*>(game.run->find("MOUSE"));
    game.call("MOUSE", "SETACTIVERECT", {"0", "0", "100", "100"});
    game.input().injectMouseMove(200, 150);
    game.press(1, 200, 150);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(game.call("MOUSE", "GETPOSX"), "200");
    EXPECT_EQ(mouse->getLastButton(), 2);
    game.press(0, 50, 50);
    EXPECT_EQ(game.log(), "C.r.");

    game.call("MOUSE", "DISABLESIGNAL");
    game.input().injectMouseMove(60, 60);
    game.press(0, 60, 60, 2);
    EXPECT_EQ(game.log(), "M.");
    game.call("MOUSE", "ENABLESIGNAL");
    game.press(1, 60, 60);
    EXPECT_EQ(game.log(), "R.");

    // DISABLE turns off the window's mouse: nothing moves, nothing is raised, until ENABLE.
    game.call("MOUSE", "DISABLE");
    EXPECT_FALSE(game.run->window()->isMouseEnabled());
    game.input().injectMouseMove(70, 70);
    game.press(0, 70, 70);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(game.call("MOUSE", "GETPOSX"), "60");
    game.call("MOUSE", "ENABLE");
    game.input().injectMouseMove(80, 80);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "M.");
}

TEST(ScriptMouse, ClicksAndReleasesOfScriptsGoThroughTheWindow) {
    InputGame game(kMouse);
    Spot spot(game.run->window());
    game.call("MOUSE", "CLICK", {"5", "5", "left"});
    EXPECT_EQ(spot.downs, 0);
    EXPECT_EQ(game.log(), "");
    game.call("MOUSE", "CLICK", {"5", "5"});
    game.call("MOUSE", "MOUSERELEASE", {"5", "5", "LEFT"});
    game.call("MOUSE", "CLICK", {"7", "8", "RIGHT"});
    EXPECT_EQ(spot.downs, 1);
    EXPECT_EQ(game.log(), "C.r.R.");
    EXPECT_EQ(game.call("MOUSE", "GETLASTCLICKPOSX"), "5");
}

TEST(ScriptMouse, AClickInsideTheHandlerItRaisesEndsAtTheInterpretersDepthLimit) {
    InputGame loop(object("MOUSE", {{"TYPE", "MOUSE"}, {"ONCLICK", "{LOG^ADD(\"c\");MOUSE^CLICK(1,1);}"}}));
    loop.call("MOUSE", "CLICK", {"1", "1"});
    const std::string clicks = loop.log();
    EXPECT_GT(clicks.size(), 10u);
    EXPECT_LT(clicks.size(), 2000u);
}

TEST(ScriptMouse, PositionClipCursorAndButtonStates) {
    InputGame game(kMouse);
    CDisplay* display = game.run->display();
    game.call("MOUSE", "SETPOSITION", {"70", "80"});
    EXPECT_EQ(game.call("MOUSE", "GETPOSX"), "70");
    game.run->frames(2); // the warp comes back as a move with the pump
    EXPECT_EQ(game.log(), "M.");
    game.call("MOUSE", "MOVE", {"5", "-5"});
    game.run->frames(2);
    EXPECT_EQ(game.call("MOUSE", "GETPOSX") + "," + game.call("MOUSE", "GETPOSY"), "75,75");

    game.call("MOUSE", "SETCLIPRECT", {"10", "10", "50", "60"});
    ASSERT_TRUE(display->cursorClip().has_value());
    EXPECT_EQ(display->cursorClip()->right, 50);
    game.input().injectMouseMove(300, 5);
    game.run->frames(1);
    EXPECT_EQ(game.call("MOUSE", "GETPOSX") + "," + game.call("MOUSE", "GETPOSY"), "49,10");
    // Away from the game the clip is lifted; back, the last one holds again.
    game.input().injectWindow(EWindowEvent::FocusLost);
    game.run->frames(1);
    EXPECT_FALSE(display->cursorClip().has_value());
    game.input().injectWindow(EWindowEvent::FocusGained);
    game.run->frames(1);
    ASSERT_TRUE(display->cursorClip().has_value());
    EXPECT_EQ(display->cursorClip()->bottom, 60);
    game.call("MOUSE", "SETCLIPRECT", {"0", "0", "0", "0"});
    EXPECT_FALSE(display->cursorClip().has_value());
    game.input().injectWindow(EWindowEvent::FocusLost);
    game.input().injectWindow(EWindowEvent::FocusGained);
    game.run->frames(1);
    EXPECT_FALSE(display->cursorClip().has_value());

    game.input().injectMouseButton(1, true, 20, 20);
    EXPECT_EQ(game.call("MOUSE", "ISRBUTTONDOWN") + game.call("MOUSE", "ISLBUTTONDOWN"), "TRUEFALSE");
    game.call("MOUSE", "HIDE");
    game.call("MOUSE", "HIDE");
    EXPECT_FALSE(display->isCursorVisible());
    game.call("MOUSE", "SHOW");
    EXPECT_TRUE(display->isCursorVisible());
}

TEST(ScriptMouse, AMouseReadFromTheSceneCacheKeepsItsHandlers) {
    InputGame game(kMouse);
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    ASSERT_NE(game.run->find("MOUSE"), nullptr);
    game.press(1, 3, 3);
    EXPECT_EQ(game.log(), "R.");
}

TEST(ScriptKeyboard, KeysRaiseTheirNamesFirstAndCharactersTheirByte) {
    InputGame game(object("KEYBOARD", {{"TYPE", "KEYBOARD"},
                                       {"ONKEYDOWN^7", logged("7.")},
                                       {"ONKEYDOWN^SPACE", logged("S.")},
                                       {"ONKEYDOWN", logged("K.")},
                                       {"ONKEYUP^7", logged("u7.")},
                                       {"ONKEYUP", logged("U.")},
                                       {"ONCHAR^\xB9", logged("a.")}}));
    game.tap({kKeyPad7});
    game.tap({kKey1 + 6});
    EXPECT_EQ(game.log(), "7.u7.7.u7.");
    game.tap({kKeyBackspace});
    EXPECT_EQ(game.log(), "K.U.");
    EXPECT_EQ(game.call("KEYBOARD", "GETLATESTKEY"), "");
    game.tap({kKeySpace});
    EXPECT_EQ(game.log(), "S.U.");
    // Right Alt with A types the Polish letter of code page 1250; held, they do not repeat.
    game.call("KEYBOARD", "SETAUTOREPEAT", {"FALSE"});
    game.input().injectKey(kKeyRightAlt, true);
    game.input().injectKey(kKeyA, true);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "K.K.a.");
    EXPECT_EQ(game.call("KEYBOARD", "GETLATESTKEY"), "\xB9");
    game.input().injectKey(kKeyA, false);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "U.");
    EXPECT_EQ(game.call("KEYBOARD", "GETLATESTKEY"), "A");
}

TEST(ScriptKeyboard, DisablingStopsEventsAndNamedQueriesOnly) {
    InputGame game(object("KEYBOARD", {{"TYPE", "KEYBOARD"}, {"ONCHAR", logged("c.")}}) +
                   object("KEYS", {{"TYPE", "ARRAY"}}) + object("N", {{"TYPE", "INTEGER"}, {"VALUE", "0"}}));
    game.tap({kKeyQ});
    EXPECT_EQ(game.log(), "c.");
    EXPECT_EQ(game.call("KEYBOARD", "GETLATESTKEY"), "q");
    // Without an ONKEYDOWN handler a key leaves the latest key alone.
    game.tap({kKeyF1});
    EXPECT_EQ(game.call("KEYBOARD", "GETLATESTKEY"), "q");

    game.call("KEYBOARD", "DISABLE");
    game.input().injectKey(kKeyA, true);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(game.call("KEYBOARD", "ISENABLED"), "FALSE");
    EXPECT_EQ(game.call("KEYBOARD", "ISKEYDOWN"), "TRUE");
    EXPECT_EQ(game.call("KEYBOARD", "ISKEYDOWN", {"A"}), "FALSE");
    game.call("KEYBOARD", "ENABLE");
    EXPECT_EQ(game.call("KEYBOARD", "ISKEYDOWN", {"A"}), "TRUE");

    // Nothing fills the latest keys: the array stays empty, and a name that is no array changes nothing.
    game.call("KEYBOARD", "GETLATESTKEYS", {"KEYS"});
    game.call("KEYBOARD", "GETLATESTKEYS", {"N"});
    game.call("KEYBOARD", "GETLATESTKEYS", {"NOTHERE"});
    EXPECT_EQ(game.call("KEYS", "GETSIZE"), "0");
    EXPECT_EQ(game.call("N", "GET"), "0");
}

TEST(ScriptKeyboard, KeyNames) {
    const std::pair<int, const char*> names[] = {
        {1, "ESC"},     {11, "0"},       {82, "0"},       {79, "1"},   {73, "9"},     {15, "TAB"},
        {16, "Q"},      {25, "P"},       {30, "A"},       {38, "L"},   {44, "Z"},     {50, "M"},
        {28, "ENTER"},  {59, "F1"},      {68, "F10"},     {87, "F11"}, {88, "F12"},   {58, "CAPSLOCK"},
        {157, "RCTRL"}, {184, "RALT"},   {199, "HOME"},   {200, "UP"}, {201, "PGUP"}, {202, ""},
        {203, "LEFT"},  {204, ""},       {205, "RIGHT"},  {206, ""},   {207, "END"},  {208, "DOWN"},
        {209, "PGDN"},  {210, "INSERT"}, {211, "DELETE"}, {14, ""},    {74, ""},      {0, ""},
    };
    for (const auto& [code, name] : names)
        EXPECT_EQ(std::string(CMC_Keyboard::getKeySignal(code).GetBuffer()), name) << code;
    EXPECT_EQ(std::string(CMC_Mouse::getButton(2).GetBuffer()), "RIGHT");
    EXPECT_EQ(std::string(CMC_Mouse::getButton(3).GetBuffer()), "");
}

} // namespace KavirelTest

namespace KavirelTest {

namespace {

const std::string kJoysticks = object("J", {{"TYPE", "JOYSTICK"},
                                            {"PORT", "0"},
                                            {"ONMOVE^RIGHT", logged("R.")},
                                            {"ONMOVE^LEFT", logged("L.")},
                                            {"ONMOVE^DOWN", logged("D.")},
                                            {"ONMOVE", logged("m.")},
                                            {"ONBUTTONDOWN^3", logged("d3.")},
                                            {"ONBUTTONUP", logged("u.")}}) +
                               object("K", {{"TYPE", "JOYSTICK"}, {"PORT", "0"}, {"ONMOVE^X", logged("X.")}});

} // namespace

TEST(ScriptJoystick, AxesSignalPastTheirThresholdsInTheirOrder) {
    InputGame game(kJoysticks);
    const int32_t pad = game.input().injectControllerAdded(4);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "");
    auto moveTo = [&](int axis, int value, int frames = 1) {
        game.input().injectControllerAxis(pad, axis, value);
        game.run->frames(frames);
        return game.log();
    };
    EXPECT_EQ(moveTo(0, 49), "");
    EXPECT_EQ(moveTo(0, 50), "R.X.");
    EXPECT_EQ(moveTo(0, -100), "L.X.");
    // Y signals a deflection held for four polls, once.
    EXPECT_EQ(moveTo(1, 1000, 3), "");
    EXPECT_EQ(moveTo(1, 1000), "D.");
    EXPECT_EQ(moveTo(1, 1000, 5), "");
    EXPECT_EQ(moveTo(1, 800, 5), "");
    // Z too, but its next large move signals at once.
    EXPECT_EQ(moveTo(2, 1000, 4), "m.");
    EXPECT_EQ(moveTo(2, 600), "m.");
    EXPECT_EQ(moveTo(2, 500, 5), "");

    EXPECT_EQ(game.call("J", "ISLEFT") + game.call("J", "ISRIGHT"), "TRUEFALSE");
    EXPECT_EQ(game.call("J", "GETPOSITION", {"X"}), "-1");
    EXPECT_EQ(game.call("J", "GETPOSITION", {"Y"}), "12");
    EXPECT_EQ(game.call("J", "GETPOSITION", {"Z"}), "0");
    EXPECT_EQ(game.call("J", "GETPOSITION", {"W"}), "0");
}

TEST(ScriptJoystick, ButtonEdgesComeInOrderAndAReturningControllerReleasesWhatWasHeld) {
    InputGame game(kJoysticks);
    const int32_t pad = game.input().injectControllerAdded(4);
    game.run->frames(1);
    auto* j = static_cast<CMC_Joystick*>(game.run->find("J"));
    game.input().injectControllerButton(pad, 3, true);
    j->tick();
    EXPECT_EQ(game.call("J", "GETBUTTONSTATE", {"3"}), "1");
    game.input().injectControllerButton(pad, 3, false);
    game.run->frames(1);
    EXPECT_EQ(game.log(), "d3.u.");
    for (const char* button : {"3", "4", "-1"}) EXPECT_EQ(game.call("J", "GETBUTTONSTATE", {button}), "0");

    game.input().injectControllerButton(pad, 1, true);
    game.run->frames(1);
    EXPECT_EQ(game.call("J", "GETBUTTONSTATE", {"1"}), "1");
    game.input().injectControllerRemoved(pad);
    game.run->frames(3);
    EXPECT_EQ(j->getDXIfc(), -1);
    EXPECT_EQ(game.call("J", "GETBUTTONSTATE", {"1"}), "0");
    EXPECT_EQ(game.log(), "");
    game.input().injectControllerAdded(2);
    game.run->frames(1);
    EXPECT_NE(j->getDXIfc(), -1);
    EXPECT_EQ(game.log(), "u.");
}

TEST(ScriptJoystick, ControllersAreTakenAtTheirPortAndOnlyWhileTheGameIsActive) {
    InputGame game(object("J", {{"TYPE", "JOYSTICK"}, {"ONBUTTONDOWN", logged("b.")}}));
    auto* j = static_cast<CMC_Joystick*>(game.run->find("J"));
    // No controller: the first state answers, nothing is raised.
    EXPECT_EQ(game.call("J", "ISLEFT"), "TRUE");
    EXPECT_EQ(game.call("J", "GETPOSITION", {"X"}) + game.call("J", "GETBUTTONSTATE", {"0"}), "00");
    const int32_t first = game.input().injectControllerAdded(2);
    game.input().injectControllerButton(first, 0, true);
    game.run->frames(2);
    EXPECT_EQ(j->getDXIfc(), -1);
    EXPECT_EQ(game.log(), "");
    // The second one is at the default port.
    const int32_t second = game.input().injectControllerAdded(2);
    game.run->frames(1);
    EXPECT_EQ(j->getDXIfc(), second);

    game.input().injectWindow(EWindowEvent::FocusLost);
    game.run->frames(1);
    game.input().injectControllerButton(second, 1, true);
    game.run->frames(3);
    EXPECT_EQ(game.log(), "");
    game.input().injectWindow(EWindowEvent::FocusGained);
    game.run->frames(2);
    EXPECT_EQ(game.log(), "b.");
}

} // namespace KavirelTest
