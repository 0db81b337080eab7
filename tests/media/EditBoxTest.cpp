// Edit boxes: keys and characters from a headless window's input, the key table, wrap, the blinking cursor
// drawn on the screen, the focus rules and the Tab ring of the scene unit, and boxes deleted by whoever
// comes first.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Containers.h"
#include "core/FileFixture.h"
#include "core/LanguageOSVer.h"
#include "display/WindowFixtures.h"
#include "harness/FontFiles.h"
#include "media/controls/Button.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"
#include "shell/Application.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

uint64_t g_nowMs = 0;
uint64_t fakeMicros() { return g_nowMs * 1000; }

class QuietApplication : public CApplication {
public:
    bool domodal() override { return false; }
};

class CountingUnit : public CUnit6 {
public:
    explicit CountingUnit(CWindow* window) : CUnit6(window, CXString("U")) {}
    int getEditBoxCount() { return m_editBoxes->getSize(); }
};

// A game window with its input, an injected clock and an active scene unit that has had its first frame.
struct BoxGame {
    explicit BoxGame(CLanguageOSVer* language = nullptr)
        : line("-window"), display(createHeadlessDisplay()), input(nullptr, display.get()),
          window(display.get(), &input, &line, language, CXSize(320, 240), 0, "", "", "", false) {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
        window.SetApplicationInterface(&application);
        unit = std::make_unique<CountingUnit>(&window);
        unit->initialize(nullptr, nullptr);
        unit->onInitialUpdate();
    }
    ~BoxGame() { unit.reset(); }
    void frame(uint64_t ms = 20) {
        g_nowMs += ms;
        window.Tick();
    }
    // A key pressed and released, then a frame.
    void tap(int code) {
        input.injectKey(code, true);
        input.injectKey(code, false);
        frame();
    }
    // Shift+Tab with Shift held over a frame, as players hold it: the unit reads Shift when Tab arrives.
    void backTab() {
        input.injectKey(kKeyLeftShift, true);
        tap(kKeyTab);
        input.injectKey(kKeyLeftShift, false);
        frame();
    }
    void chord(int modifier, int code) {
        input.injectKey(modifier, true);
        tap(code);
        input.injectKey(modifier, false);
    }
    // Lower-case letters and spaces, as keys.
    void type(const std::string& text) {
        static const std::string rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
        static const int firsts[] = {kKeyQ, kKeyA, kKeyZ};
        for (char c : text) {
            if (c == ' ') tap(kKeySpace);
            for (int r = 0; r < 3; ++r)
                if (size_t at = rows[r].find(c); at != std::string::npos) tap(firsts[r] + int(at));
        }
        frame();
    }
    void press(int x, int y) {
        input.injectMouseButton(0, true, x, y);
        frame();
    }
    void release(int x, int y) {
        input.injectMouseButton(0, false, x, y);
        frame();
    }
    void click(int x, int y) {
        press(x, y);
        release(x, y);
    }

    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CInput input;
    QuietApplication application;
    CWindow window;
    std::unique_ptr<CountingUnit> unit;
};

// Tells what the box says, as "on", "off", "changed", "enter", "esc"; may delete the box on a word, or run a
// hook.
class Heard : public CEditBoxNotifier {
public:
    void onFocusOn(CEditBox6* b) override { note(b, "on"); }
    void onFocusOff(CEditBox6* b) override { note(b, "off"); }
    void onChanged(CEditBox6* b) override { note(b, "changed"); }
    void onEnter(CEditBox6* b) override { note(b, "enter"); }
    void onEsc(CEditBox6* b) override { note(b, "esc"); }
    std::vector<std::string> log;
    std::string deleteOn;
    CEditBox6** deleteSlot = nullptr;
    std::function<void(CEditBox6*, const std::string&)> hook;

private:
    void note(CEditBox6* b, const char* what) {
        log.push_back(what);
        if (hook) hook(b, what);
        if (deleteOn == what && deleteSlot) delete *deleteSlot;
    }
};

// Letters of 8 x 10 cells with 4 pixels of ink: every character, the space too, is 6 pixels wide.
std::string fontBytes() {
    FntFont f;
    for (unsigned char c : std::string("abcdefghijklmnopqrstuvwxyz<>\xB9"))
        f.glyphs.push_back(blockGlyph(c, 8, 10, 2, 2));
    return fntBytes(f);
}

class EditBoxTest : public GameFolderTest {
protected:
    void SetUp() override {
        GameFolderTest::SetUp();
        // Forward from the last test: the keyboard keeps the time of its last flush.
        g_nowMs += 1'000'000;
        CPlatformClock::inject(&fakeMicros);
        put("f.fnt", fontBytes());
        font = std::make_unique<CSimpleFont6>(nullptr, CXString(root("/f.fnt").c_str()));
        ASSERT_EQ(font->LastError(), 0);
    }
    void TearDown() override {
        CPlatformClock::inject(nullptr);
        GameFolderTest::TearDown();
    }
    // A box 6 characters wide at (10, 20), focused by the unit.
    CEditBox6* focused(BoxGame& game, const char* text = "", int width = 36) {
        CEditBox6* box = game.unit->addEditBox(font.get(), CXRect(10, 20, 10 + width, 60), 5, CXString(text));
        box->addNotifier(&heard);
        game.unit->activateEditBox(box);
        heard.log.clear();
        return box;
    }
    static std::string text(CEditBox6* box) { return box->getText().GetBuffer(); }

    std::unique_ptr<CSimpleFont6> font;
    Heard heard;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(EditBoxTest, CharactersComeFromTheKeyboardsTablesAndTheKeyTableEdits) {
    BoxGame game;
    CEditBox6* box = focused(game);
    ASSERT_EQ(CText6::getLength(font.get(), CXString("a b")), 18);

    // Shift with comma and period types "<" and ">", stored as "@" and "$"; Right Alt with A is the Polish
    // a with ogonek.
    game.chord(kKeyLeftShift, kKeyComma);
    game.chord(kKeyRightShift, kKeyPeriod);
    game.chord(kKeyRightAlt, kKeyA);
    game.frame();
    EXPECT_EQ(text(box), "@$\xB9");
    EXPECT_EQ(heard.log, (Log{"changed", "changed", "changed"}));

    // Insertion before the last character; Enter mid-text appends the break at the end, cursor one right.
    box->setText("ab");
    box->setCursorPos(1);
    heard.log.clear();
    game.type("x");
    EXPECT_EQ(text(box), "axb");
    EXPECT_EQ(box->getCursorPos(), 2);
    game.tap(kKeyEnter);
    EXPECT_EQ(text(box), "axb|");
    EXPECT_EQ(box->getCursorPos(), 3);

    // Backspace at 0 and Delete at the end change nothing; elsewhere they remove one character.
    game.tap(kKeyHome);
    game.tap(kKeyBackspace);
    game.tap(kKeyRight);
    game.tap(kKeyDelete);
    game.tap(kKeyEnd);
    game.tap(kKeyDelete);
    game.tap(kKeyBackspace);
    game.tap(kKeyEscape);
    EXPECT_EQ(text(box), "ab");
    EXPECT_EQ(box->getCursorPos(), 2);
    EXPECT_EQ(heard.log, (Log{"changed", "enter", "esc"})) << "only characters are changes";

    // The cursor stays inside the text: far past the end, Backspace still edits the text's own end.
    box->setCursorPos(999);
    EXPECT_EQ(box->getCursorPos(), 2);
    box->setCursorPos(-5);
    EXPECT_EQ(box->getCursorPos(), 0);
    box->setCursorPos(999);
    box->setText("a");
    EXPECT_EQ(box->getCursorPos(), 1);
    game.tap(kKeyBackspace);
    EXPECT_EQ(text(box), "");

    // Read only, disabled or without the focus: keys and characters do nothing.
    box->setText("q");
    heard.log.clear();
    box->setReadOnly(true);
    game.type("a");
    game.tap(kKeyBackspace);
    box->setReadOnly(false);
    box->enable(false);
    EXPECT_FALSE(box->isActive());
    game.type("b");
    box->enable(true);
    game.type("c");
    EXPECT_EQ(text(box), "q");
    EXPECT_EQ(heard.log, (Log{"off"}));

    // A single-line box: Enter adds no break but is told.
    game.unit->activateEditBox(box);
    box->setSingleLine(true);
    heard.log.clear();
    game.tap(kKeyEnter);
    EXPECT_EQ(text(box), "q");
    EXPECT_EQ(heard.log, (Log{"enter"}));
}

TEST_F(EditBoxTest, TheCzechMapSwapsYAndZ) {
    CLanguageOSVer czech;
    czech.setLanguageFolder("0405");
    BoxGame game(&czech);
    CEditBox6* box = focused(game);
    game.type("zy");
    EXPECT_EQ(text(box), "yz");
}

TEST_F(EditBoxTest, TextThatDoesNotFitWrapsAfterTheLastSpaceOrBeforeTheLastCharacter) {
    BoxGame game;
    CEditBox6* box = focused(game);
    game.type("abc de");
    EXPECT_EQ(text(box), "abc de") << "36 pixels hold six characters";
    game.type("f");
    EXPECT_EQ(text(box), "abc |def");
    EXPECT_EQ(box->getCursorPos(), 8) << "two to the right";
    game.type("ghi");
    EXPECT_EQ(text(box), "abc |defghi");
    game.type("j");
    EXPECT_EQ(text(box), "abc |defghi|j") << "no space on the last line: before its last character";
    EXPECT_EQ(box->getCursorPos(), 13);
    EXPECT_EQ(heard.log.size(), 11u);

    // A single-line box refuses what does not fit.
    CEditBox6* single = focused(game, "abcdef");
    single->setSingleLine(true);
    game.type("g");
    EXPECT_EQ(text(single), "abcdef");
    EXPECT_TRUE(heard.log.empty());
}

TEST_F(EditBoxTest, TheCursorFollowsTheTextAndBlinksEvery400MsOnlyWhileFocused) {
    BoxGame game;
    CRefreshScreen* screen = game.window.GetRefreshScreenInterface();
    // A black background, which every frame paints under what changed.
    std::unique_ptr<CGraphicsObject> black(solid(320, 240, 0, -1, &game.window));
    screen->put(black.get(), 0);
    CGraphicsObject* cursor = solid(2, 8, 0xF800, -1, &game.window);
    screen->put(cursor, 50);
    game.unit->setCursor(cursor);
    CEditBox6* box = focused(game);
    game.frame();
    EXPECT_EQ(cursor->GetPosition(), CXPoint(10, 21));

    game.type("ab");
    EXPECT_EQ(cursor->GetPosition(), CXPoint(10 + 12, 21));
    // The glyphs on the screen (a frame draws before it takes the input): ink at each letter's columns, none
    // in the gap between them.
    game.frame(1);
    EXPECT_EQ(game.display->presentedPixel(10 + 1, 25), 0xFFFF);
    EXPECT_EQ(game.display->presentedPixel(10 + 4, 25), 0);
    EXPECT_EQ(game.display->presentedPixel(10 + 6 + 1, 25), 0xFFFF);
    EXPECT_EQ(game.display->presentedPixel(10 + 12, 25), 0xF800) << "the cursor after them";

    // The next row is the font's height less 4 pixels lower.
    game.tap(kKeyEnter);
    EXPECT_EQ(cursor->GetPosition(), CXPoint(10, 21 + 6));
    game.tap(kKeyLeft);
    EXPECT_EQ(cursor->GetPosition(), CXPoint(10 + 12, 21 + 6)) << "drawn on the last line's row";

    // Blinking: toggled at every 400 ms from the focus.
    box->activate(false);
    cursor->Show();
    game.unit->activateEditBox(box);
    std::string seen;
    for (int i = 0; i < 12; ++i) {
        game.frame(100);
        seen += cursor->isVisible() ? '#' : '.';
    }
    EXPECT_EQ(seen, "###....####.");
    game.frame(1);
    EXPECT_EQ(cursor->GetPosition(), CXPoint(10, 27));
    EXPECT_EQ(game.display->presentedPixel(10 + 1, 31), 0) << "hidden";
    game.unit->activateEditBox(nullptr);
    const bool kept = cursor->isVisible();
    for (int i = 0; i < 10; ++i) game.frame(100);
    EXPECT_EQ(cursor->isVisible(), kept) << "no blink without the focus";

    // A cursor graphic destroyed while boxes use it is forgotten.
    game.unit->activateEditBox(box);
    delete cursor;
    game.type("c");
    for (int i = 0; i < 5; ++i) game.frame(100);
    EXPECT_EQ(box->getCursor(), nullptr);
    // The unit forgets it too, also when it was dragged meanwhile: later boxes get none.
    EXPECT_EQ(game.unit->addEditBox(font.get(), CXRect(0, 0, 40, 20), 5, "")->getCursor(), nullptr);
    CGraphicsObject* dragged = solid(2, 8, 0xF800, -1, &game.window);
    game.unit->setCursor(dragged);
    game.unit->onStartDragging(dragged, CXPoint(0, 0), nullptr);
    game.unit->onEndDragging(CXPoint(5, 5));
    delete dragged;
    EXPECT_EQ(game.unit->addEditBox(font.get(), CXRect(0, 0, 40, 20), 5, "")->getCursor(), nullptr);
}

TEST_F(EditBoxTest, FocusFollowsReleasesOnBoxesAndPressesOutsideThemButNotOnButtons) {
    Heard a, b; // outlive the boxes, which tell them onFocusOff when deleted
    BoxGame game;
    CEditBox6* first = game.unit->addEditBox(font.get(), CXRect(10, 10, 100, 30), 5, CXString(""));
    CEditBox6* second = game.unit->addEditBox(font.get(), CXRect(10, 50, 100, 70), 5, CXString(""));
    first->addNotifier(&a);
    second->addNotifier(&b);
    CButton button(&game.window, CXRect(200, 10, 250, 30), 7, nullptr);
    button.setUnit(game.unit.get());

    game.click(20, 20);
    EXPECT_TRUE(first->isActive());
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), 0);
    game.click(220, 20);
    EXPECT_TRUE(first->isActive()) << "a press on a button keeps the focus";
    game.press(20, 60);
    EXPECT_TRUE(first->isActive()) << "a press on another box does not move it yet";
    game.release(20, 60);
    EXPECT_FALSE(first->isActive());
    EXPECT_TRUE(second->isActive());
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), 1);
    game.type("z");
    EXPECT_EQ(text(second), "z");
    EXPECT_EQ(text(first), "");
    game.click(150, 150);
    EXPECT_FALSE(second->isActive()) << "a press outside every box drops it";
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), -1);
    game.type("y");
    EXPECT_EQ(text(second), "z");
    EXPECT_EQ(a.log, (Log{"on", "off"}));
    EXPECT_EQ(b.log, (Log{"on", "changed", "off"}));

    // A disabled box takes no click.
    second->enable(false);
    game.click(20, 60);
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), -1);

    // A focus-off handler that moves the focus itself has the last word, and one box only is active.
    second->enable(true);
    CEditBox6* third = game.unit->addEditBox(font.get(), CXRect(10, 100, 100, 120), 5, CXString(""));
    game.unit->activateEditBox(first);
    bool once = true;
    a.hook = [&](CEditBox6*, const std::string& what) {
        if (what == "off" && std::exchange(once, false)) game.unit->activateEditBox(third);
    };
    game.unit->activateEditBox(second);
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), 2);
    EXPECT_EQ(std::vector<bool>({first->isActive(), second->isActive(), third->isActive()}),
              std::vector<bool>({false, false, true}));

    // Every call is told, enabling the focused box drops its focus, and a deleted box tells onFocusOff. A
    // handler's own call for the same side is not told again.
    b.log.clear();
    second->activate(true);
    second->activate(true);
    second->enable(true);
    EXPECT_FALSE(second->isActive());
    second->activate(false);
    b.hook = [](CEditBox6* box, const std::string& what) {
        if (what == "off") box->activate(false);
    };
    second->activate(false);
    b.hook = nullptr;
    delete second;
    EXPECT_EQ(b.log, (Log{"on", "on", "off", "off", "off", "off"}));
}

TEST_F(EditBoxTest, TabAndShiftTabWalkTheEnabledBoxesInARing) {
    BoxGame game;
    std::vector<CEditBox6*> boxes;
    for (int i = 0; i < 3; ++i)
        boxes.push_back(game.unit->addEditBox(font.get(), CXRect(10, 10 + 30 * i, 100, 30 + 30 * i), 5, ""));
    auto current = [&] { return game.unit->getCurrentEditBoxIndex(); };
    game.tap(kKeyTab);
    EXPECT_EQ(current(), -1) << "no box focused: Tab does nothing";

    boxes[1]->enable(false);
    game.unit->activateEditBox(boxes[0]);
    std::string walk;
    for (bool back : {false, false, true, true, true}) {
        back ? game.backTab() : game.tap(kKeyTab);
        walk += std::to_string(current());
        EXPECT_TRUE(boxes[size_t(current())]->isActive());
    }
    EXPECT_EQ(walk, "20202") << "the disabled box is skipped both ways, with wrap-around";

    // A lone enabled box keeps the focus, and hears nothing.
    boxes[0]->enable(false);
    heard.log.clear();
    boxes[2]->addNotifier(&heard);
    game.tap(kKeyTab);
    game.backTab();
    EXPECT_EQ(current(), 2);
    EXPECT_TRUE(heard.log.empty());

    // A box taken out of the unit is no longer current or walked; it works on its own, past the unit's life
    // too, until the caller deletes it.
    game.unit->removeEditBox(boxes[2]);
    EXPECT_EQ(current(), -1);
    EXPECT_EQ(game.unit->getEditBoxCount(), 2);
    game.unit.reset();
    game.click(150, 200);
    EXPECT_FALSE(boxes[2]->isActive());
    game.click(20, 80);
    game.type("a");
    EXPECT_EQ(text(boxes[2]), "a");
    delete boxes[2];
}

TEST_F(EditBoxTest, EachBoxIsDeletedOnceByWhoeverComesFirst) {
    BoxGame game;
    // The unit first, then the text that holds the field's box.
    {
        CMultilineText6 lines(&game.window, true, game.unit.get());
        lines.setFont(font.get());
        lines.setJustify(CXRect(0, 0, 300, 100), LEFT, TOP);
        lines.setText("a<E,60,f,hi>");
        ASSERT_EQ(lines.getEditBoxes()->getSize(), 1);
        EXPECT_EQ(text(static_cast<CEditBox6*>(lines.getEditBoxes()->at(0))), "hi");
        game.unit->flushEditBoxes();
        EXPECT_EQ(lines.getEditBoxes()->getSize(), 0);
    }
    // The text first, then the unit.
    {
        CMultilineText6 lines(&game.window, true, game.unit.get());
        lines.setFont(font.get());
        lines.setJustify(CXRect(0, 0, 300, 100), LEFT, TOP);
        lines.setText("<E,60,f,hi><E,60,g,ho>");
        ASSERT_EQ(game.unit->getEditBoxCount(), 2);
        game.unit->activateEditBox(static_cast<CEditBox6*>(lines.getEditBoxes()->at(1)));
        lines.flush();
        EXPECT_EQ(game.unit->getEditBoxCount(), 0);
        EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), -1);
        game.unit->flushEditBoxes();
    }
    // A pointer that holds a box is cleared when the unit deletes it.
    CEditBox6* held = game.unit->addEditBox(font.get(), CXRect(0, 0, 50, 20), 5, "");
    held->addHolder(&held);
    game.unit->flushEditBoxes();
    EXPECT_EQ(held, nullptr);

    // A handler deleting its box on Enter, or on the focus, ends the box's handling: later notifiers are not
    // told, and the unit forgets it.
    CEditBox6* box = focused(game, "ab");
    Heard later;
    box->addNotifier(&later);
    heard.deleteOn = "enter";
    heard.deleteSlot = &box;
    box->addHolder(&box);
    game.tap(kKeyEnter);
    game.type("c");
    EXPECT_EQ(box, nullptr);
    EXPECT_EQ(heard.log, (Log{"enter", "off"})) << "a box deleted with the focus loses it";
    EXPECT_EQ(later.log, (Log{"off"}));
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), -1);

    box = game.unit->addEditBox(font.get(), CXRect(10, 20, 100, 40), 5, "");
    box->addHolder(&box);
    box->addNotifier(&heard);
    heard.deleteOn = "on";
    heard.log.clear();
    game.click(20, 30);
    EXPECT_EQ(box, nullptr) << "deleted by its focus, from its button's release";
    EXPECT_EQ(game.unit->getCurrentEditBoxIndex(), -1);
    EXPECT_EQ(game.unit->getEditBoxCount(), 0);

    // Focus-off handlers that make a box for each one deleted, and give the dying box a cursor: the flush
    // deletes the boxes it found, front to back, and stops; the dying box takes no cursor.
    std::unique_ptr<CGraphicsObject> late(solid(2, 8, 0, -1, &game.window));
    Heard maker;
    std::string order;
    maker.hook = [&](CEditBox6* dying, const std::string&) {
        order += text(dying);
        dying->setCursor(late.get());
        game.unit->addEditBox(font.get(), CXRect(0, 0, 50, 20), 5, "n")->addNotifier(&maker);
    };
    for (const char* t : {"1", "2", "3"})
        game.unit->addEditBox(font.get(), CXRect(0, 0, 50, 20), 5, t)->addNotifier(&maker);
    game.unit->flushEditBoxes();
    EXPECT_EQ(order, "123");
    EXPECT_EQ(game.unit->getEditBoxCount(), 3);
    maker.hook = nullptr;
    game.unit->flushEditBoxes();
    EXPECT_EQ(game.unit->getEditBoxCount(), 0);
    late.reset();
    // A unit deleted meanwhile leaves such a box to its maker, without a unit.
    CUnit6* unit = game.unit.get();
    CEditBox6* left = nullptr;
    maker.hook = [&](CEditBox6*, const std::string&) {
        if (!left) left = unit->addEditBox(font.get(), CXRect(0, 0, 50, 20), 5, "n");
    };
    unit->addEditBox(font.get(), CXRect(0, 0, 50, 20), 5, "")->addNotifier(&maker);
    game.unit.reset();
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->getUnit(), nullptr);
    delete left;
}
