#include "main/ScenesMenu.h"

#include <gtest/gtest.h>

#include "core/CommandLine6.h"
#include "display/Color.h"
#include "display/RefreshScreen.h"
#include "display/ValidationQuene.h"
#include "display/Window.h"
#include "main/MenuFont.h"
#include "main/ProgramIcon.h"
#include "platform/Display.h"
#include "platform/Input.h"

using namespace KavirelDLL;

namespace {

CInputEvent key(int32_t code, bool down = true) {
    CInputEvent e;
    e.type = down ? EInputEventType::KeyDown : EInputEventType::KeyUp;
    e.key = code;
    return e;
}

CInputEvent mouse(EInputEventType type, CXPoint at, int button = 0) {
    CInputEvent e;
    e.type = type;
    e.x = at.x;
    e.y = at.y;
    e.button = button;
    return e;
}

// Presses and releases a key through the menu; answers whether it took both.
bool tap(CScenesMenu& menu, int32_t code) {
    const bool down = menu.filter(key(code, true));
    const bool up = menu.filter(key(code, false));
    return down && up;
}

bool click(CScenesMenu& menu, CXPoint at) {
    const bool down = menu.filter(mouse(EInputEventType::MouseDown, at));
    const bool up = menu.filter(mouse(EInputEventType::MouseUp, at));
    return down && up;
}

CXPoint centre(const CXRect& r) { return CXPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

CScenesMenu::SPopup scenes(int count) {
    CScenesMenu::SPopup popup{"Gra", {}};
    for (int i = 0; i < count; ++i) popup.items.push_back({CXString("Scena") + CXString::toString(i), i});
    popup.items.push_back({"", 0, true});
    popup.items.push_back({"Kavirel.1.0.9", CScenesMenu::ID_VERSION});
    return popup;
}

struct CGame {
    CGame()
        : line("-window"), display(createHeadlessDisplay()),
          window(display.get(), nullptr, &line, nullptr, CXSize(320, 240), 0, "", "", "", true) {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
        window.SetBackground(&ground);
        window.Redraw(true);
    }
    uint16_t shown(int x, int y) { return display->presentedPixel(x, y); }
    uint16_t colour(int r, int g, int b) { return static_cast<uint16_t>(CColor(r, g, b).GetInBPP(16)); }

    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CWindow window;
    CColor ground{0, 128, 0};
};

} // namespace

TEST(ScenesMenu, TheProgramMenuAndItsShownTexts) {
    auto popups = CScenesMenu::programMenu();
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_STREQ(CScenesMenu::shownText(popups[0].title).GetBuffer(), "Program");
    ASSERT_EQ(popups[0].items.size(), 3u);
    EXPECT_EQ(popups[0].items[0].id, CScenesMenu::CMD_REDRAW);
    EXPECT_TRUE(popups[0].items[1].checked);
    EXPECT_EQ(popups[0].items[2].id, CScenesMenu::CMD_EXIT);
    EXPECT_EQ(popups[1].items.size(), 4u);
    EXPECT_STREQ(CScenesMenu::shownText("A&ll").GetBuffer(), "All");
    EXPECT_STREQ(CScenesMenu::shownText("R&&D&").GetBuffer(), "R&D");
}

TEST(ScenesMenu, F10OpensItOnlyWhereAMenuBarWouldBe) {
    CScenesMenu menu;
    EXPECT_FALSE(menu.filter(key(kKeyF10)));
    EXPECT_FALSE(menu.filter(key(kKeyF10, false)));
    EXPECT_FALSE(menu.isOpen());
    menu.setAvailable(true);
    EXPECT_TRUE(tap(menu, kKeyF10));
    EXPECT_TRUE(menu.isOpen());
    EXPECT_EQ(menu.currentPopup(), 0);
    EXPECT_EQ(menu.currentItem(), 0);
    EXPECT_TRUE(tap(menu, kKeyF10));
    EXPECT_FALSE(menu.isOpen());
    // Closed, the game's keys and mouse pass.
    EXPECT_FALSE(menu.filter(key(kKeyA)));
    EXPECT_FALSE(menu.filter(mouse(EInputEventType::MouseDown, CXPoint(5, 5))));
    EXPECT_FALSE(menu.filter(mouse(EInputEventType::MouseUp, CXPoint(5, 5))));
    menu.open();
    menu.setAvailable(false);
    EXPECT_FALSE(menu.isOpen());
}

TEST(ScenesMenu, WhatItTookThePressOfItKeepsTheReleaseOfAndTheRestPasses) {
    CScenesMenu menu;
    menu.setAvailable(true);
    // A key held before the menu opened goes on to the game when released.
    EXPECT_FALSE(menu.filter(key(kKeyLeftShift)));
    EXPECT_TRUE(menu.filter(key(kKeyF10)));
    EXPECT_TRUE(menu.filter(key(kKeyA)));
    EXPECT_TRUE(menu.filter(mouse(EInputEventType::MouseWheel, CXPoint(0, 0))));
    EXPECT_TRUE(menu.filter(key(kKeyEscape)));
    EXPECT_FALSE(menu.isOpen());
    EXPECT_FALSE(menu.filter(key(kKeyLeftShift, false)));
    EXPECT_TRUE(menu.filter(key(kKeyA, false)));
    EXPECT_TRUE(menu.filter(key(kKeyF10, false)));
    EXPECT_TRUE(menu.filter(key(kKeyEscape, false)));
    EXPECT_TRUE(menu.takeCommands().empty());
    // Losing the focus closes it; the window's own events always pass.
    menu.open();
    CInputEvent lost;
    lost.type = EInputEventType::Window;
    lost.window = EWindowEvent::FocusLost;
    EXPECT_FALSE(menu.filter(lost));
    EXPECT_FALSE(menu.isOpen());
}

TEST(ScenesMenu, KeysWalkTheItemsOverSeparatorsAndAcrossPopups) {
    CScenesMenu menu;
    menu.insertPopup(0, scenes(2));
    menu.setAvailable(true);
    tap(menu, kKeyF10);
    EXPECT_EQ(menu.currentItem(), 0);
    tap(menu, kKeyDown);
    tap(menu, kKeyDown);
    // Over the separator to the version item.
    EXPECT_EQ(menu.currentItem(), 3);
    tap(menu, kKeyDown);
    EXPECT_EQ(menu.currentItem(), 0);
    tap(menu, kKeyUp);
    EXPECT_EQ(menu.currentItem(), 3);
    tap(menu, kKeyLeft);
    EXPECT_EQ(menu.currentPopup(), 2);
    tap(menu, kKeyRight);
    tap(menu, kKeyRight);
    EXPECT_EQ(menu.currentPopup(), 1);
    tap(menu, kKeyDown);
    tap(menu, kKeyDown);
    tap(menu, kKeyEnter);
    EXPECT_FALSE(menu.isOpen());
    EXPECT_EQ(menu.takeCommands(), std::vector<int>{CScenesMenu::CMD_EXIT});
    EXPECT_TRUE(menu.takeCommands().empty());
}

TEST(ScenesMenu, TheMouseOpensPopupsChoosesItemsAndClosesOutside) {
    CScenesMenu menu;
    menu.insertPopup(0, scenes(3));
    menu.setAvailable(true);
    menu.open(0);
    // A click on a title shows its popup; one on an item chooses it.
    EXPECT_TRUE(click(menu, centre(menu.titleRect(1))));
    EXPECT_EQ(menu.currentPopup(), 1);
    EXPECT_TRUE(menu.filter(mouse(EInputEventType::MouseMove, centre(menu.itemRect(1, 0)))));
    EXPECT_EQ(menu.currentItem(), 0);
    EXPECT_TRUE(click(menu, centre(menu.itemRect(1, 0))));
    EXPECT_FALSE(menu.isOpen());
    EXPECT_EQ(menu.takeCommands(), std::vector<int>{CScenesMenu::CMD_REDRAW});

    // A separator is no choice; a click outside closes without one.
    menu.open(0);
    EXPECT_TRUE(click(menu, centre(menu.itemRect(0, 3))));
    EXPECT_TRUE(menu.isOpen());
    EXPECT_TRUE(click(menu, CXPoint(700, 500)));
    EXPECT_FALSE(menu.isOpen());
    EXPECT_TRUE(menu.takeCommands().empty());
    // The release of that closing press was the menu's too; later ones are the game's.
    EXPECT_FALSE(menu.filter(mouse(EInputEventType::MouseUp, CXPoint(700, 500))));
}

TEST(ScenesMenu, AListLongerThanTheScreenGoesOnInColumns) {
    CGame game;
    CScenesMenu menu;
    menu.insertPopup(0, scenes(20));
    menu.setAvailable(true);
    menu.open(0);
    menu.update(&game.window);
    const CXRect box = menu.popupRect(0);
    EXPECT_LE(box.bottom, 240);
    EXPECT_LE(box.right, 320);
    const CXRect first = menu.itemRect(0, 0);
    const CXRect last = menu.itemRect(0, 21);
    EXPECT_GT(last.left, first.left);
    EXPECT_LE(last.bottom, 240);
    for (int i = 0; i < 22; ++i) {
        EXPECT_GE(menu.itemRect(0, i).top, CScenesMenu::kBarHeight);
        EXPECT_LE(menu.itemRect(0, i).bottom, box.bottom);
    }
}

TEST(ScenesMenu, ItIsDrawnOverTheGameAndTheGameShowsAgainWhenItCloses) {
    CGame game;
    const uint16_t green = game.colour(0, 128, 0);
    ASSERT_EQ(game.shown(10, 8), green);
    CScenesMenu menu;
    menu.insertPopup(0, scenes(2));
    menu.setAvailable(true);
    menu.open(0);
    menu.update(&game.window);
    game.window.Redraw(false);
    // The bar's face, the highlighted title and the popup's first item.
    const uint16_t face = game.colour(212, 208, 200);
    const uint16_t highlight = game.colour(10, 36, 106);
    EXPECT_EQ(game.shown(319, 2), face);
    EXPECT_EQ(game.shown(menu.titleRect(0).left + 1, 1), highlight);
    const CXRect item = menu.itemRect(0, 0);
    EXPECT_EQ(game.shown(item.right - 2, item.top + 1), highlight);
    EXPECT_EQ(game.shown(menu.itemRect(0, 1).right - 2, menu.itemRect(0, 1).top + 1), face);
    // Lettering: the 'S' of "Scena0" has ink in its top row of strokes.
    const uint8_t* glyph = menuGlyph('S');
    int inkRow = 0;
    while (inkRow < kMenuGlyphHeight && !glyph[inkRow]) ++inkRow;
    int inkCol = 0;
    while (!(glyph[inkRow] & (0x80 >> inkCol))) ++inkCol;
    EXPECT_EQ(game.shown(item.left + 20 + inkCol, item.top + 2 + inkRow), game.colour(255, 255, 255));

    // Another item highlighted is drawn again.
    tap(menu, kKeyDown);
    menu.update(&game.window);
    game.window.Redraw(false);
    EXPECT_EQ(game.shown(item.right - 2, item.top + 1), face);
    EXPECT_EQ(game.shown(menu.itemRect(0, 1).right - 2, menu.itemRect(0, 1).top + 1), highlight);

    menu.close();
    menu.update(&game.window);
    game.window.Redraw(false);
    EXPECT_EQ(game.shown(319, 2), green);
    EXPECT_EQ(game.shown(item.right - 2, item.top + 1), green);
    EXPECT_EQ(game.window.GetRefreshScreenInterface()->getDrawList()->getSize(), 0);
}

TEST(ProgramIcon, ATileWithALetterOnIt) {
    std::vector<uint8_t> icon = programIcon();
    ASSERT_EQ(icon.size(), size_t(kProgramIconSide) * kProgramIconSide * 4);
    auto at = [&](int x, int y) { return &icon[size_t(y * kProgramIconSide + x) * 4]; };
    // Corners cut, the tile opaque, some of the letter white.
    EXPECT_EQ(at(0, 0)[3], 0);
    EXPECT_EQ(at(kProgramIconSide - 1, kProgramIconSide - 1)[3], 0);
    EXPECT_EQ(at(3, 16)[3], 255);
    int white = 0;
    for (int i = 0; i < kProgramIconSide * kProgramIconSide; ++i)
        if (icon[size_t(i) * 4] == 255 && icon[size_t(i) * 4 + 3] == 255) ++white;
    EXPECT_GT(white, 40);
}
