#include "objects/MediaFixtures.h"

#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "harness/FontFiles.h"
#include "media/anim/Animo.h"
#include "media/controls/Button.h"
#include "media/controls/XDialog.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"
#include "objects/Animo.h"
#include "objects/Button.h"
#include "objects/Dialog.h"
#include "objects/EditBox.h"
#include "objects/Font.h"
#include "objects/Image.h"
#include "objects/Sound.h"
#include "objects/Text.h"
#include "platform/Display.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

// Regular letters are outlines, bold ones full blocks: a pixel inside a letter tells which font drew it.
std::string regularFont() { return fntBytes(FntFont{{letterH(), letterJ()}, {}, 0xFFFF}); }
std::string boldFont() {
    return fntBytes(FntFont{{blockGlyph('H', 8, 8, 1, 1), blockGlyph('J', 8, 8, 1, 1)}, {}, 0xFFFF});
}

// A 16-bit mono PCM file of one constant sample.
std::string tone(int samples) {
    auto le32 = [](uint32_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string data(static_cast<size_t>(samples) * 2, '\x10');
    std::string fmt =
        std::string("\x01\x00\x01\x00", 4) + le32(22050) + le32(44100) + std::string("\x02\x00\x10\x00", 4);
    std::string chunks = "fmt " + le32(16) + fmt + "data" + le32(static_cast<uint32_t>(data.size())) + data;
    return "RIFF" + le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

std::vector<std::pair<std::string, std::string>> files() {
    return {{"REG.FNT", regularFont()},
            {"BOLD.FNT", boldFont()},
            {"STD.IMG", solidPicture(40, 20, 0x001F, 300, 300)},
            {"MOV.IMG", solidPicture(40, 20, 0x07E0, 300, 300)},
            {"BOX.IMG", solidPicture(100, 40, 0x0000, 200, 100)},
            {"Wavs/TICK.WAV", tone(2000)}};
}

std::string font(const char* name = "F") {
    return object(name, {{"TYPE", "FONT"},
                         {"DEF_SANS_STANDARD_8", "REG.FNT"},
                         {"DEF_SANS_BOLD_8", "BOLD.FNT"},
                         {"DEF_SANS_ODD", "REG.FNT"}});
}

std::string text(const char* name, const char* value, const Properties& extra = {}) {
    Properties p = {
        {"TYPE", "TEXT"},     {"FONT", "F"},       {"TEXT", value},      {"RECT", "100,100,300,140"},
        {"HJUSTIFY", "LEFT"}, {"VJUSTIFY", "TOP"}, {"TOCANVAS", "TRUE"}, {"VISIBLE", "TRUE"},
        {"PRIORITY", "5"}};
    for (const auto& [key, value2] : extra) {
        bool replaced = false;
        for (auto& kv : p)
            if (kv.first == key) kv.second = value2, replaced = true;
        if (!replaced) p.emplace_back(key, value2);
    }
    return object(name, p);
}

std::string image(const char* name, const char* file, const char* visible = "TRUE") {
    return object(name, {{"TYPE", "IMAGE"},
                         {"FILENAME", file},
                         {"TOCANVAS", "TRUE"},
                         {"VISIBLE", visible},
                         {"PRIORITY", "7"}});
}

uint16_t pixel(MediaGame& game, int x, int y) {
    CDisplay* display = game.run->display();
    return display
        ->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + static_cast<size_t>(x)];
}

// The row's ink ('#') from x to x + n on the screen.
std::string inkRow(MediaGame& game, int x, int y, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += pixel(game, x + i, y) ? '#' : '.';
    return out;
}

std::string removed(MediaGame& game, const char* name) { return game.call("S1", "REMOVE", {name}); }

} // namespace

TEST(ScriptFont, StylesHeightColourAndKeysWithoutSize) {
    MediaGame game(font() + text("T", "H<B>H") + text("LATE", "H", {{"RECT", "100,200,300,240"}}), true,
                   files());
    auto* f = game.find<CMC_Font>("F");
    ASSERT_TRUE(f && f->getFontsList().size() == 3u);
    EXPECT_EQ(f->getFont()->getBaseFont(), f->getFontsList()[0]);
    EXPECT_EQ(f->getFontsList()[1]->getStyle(), CXString("BOLD"));
    EXPECT_EQ(f->getFontsList()[2]->getSize(), 0); // DEF_SANS_ODD
    EXPECT_EQ(game.call("F", "GETHEIGHT"), "8");
    game.run->frames(1);
    // The outline H, then "<B>" switches to the block H of the same family and size.
    EXPECT_EQ(inkRow(game, 100, 101, 20), "#....#..######......");
    // SETCOLOR reaches a text that takes the font afterwards, not one laid out already.
    uint16_t before = pixel(game, 100, 201);
    game.call("F", "SETCOLOR", {"255", "0", "0"});
    game.run->frames(1);
    EXPECT_EQ(pixel(game, 100, 201), before);
    game.call("LATE", "SETFONT", {"F"});
    game.run->frames(1);
    EXPECT_EQ(pixel(game, 100, 201), before); // a multi-line text keeps its own colour
    // A one-line text given the font now takes its colour.
    for (CSimpleFont6* each : f->getFontsList()) EXPECT_EQ(each->getDefColor(), 0xF800);
    CText6 line(f->getWindow(), false, nullptr);
    line.setFont(f->getFont());
    EXPECT_EQ(line.getColor(), 0xF800);
    // SETSTYLE and SETFAMILY record on the collection alone (each the other's field).
    game.call("F", "SETSTYLE", {"SERIF"});
    EXPECT_EQ(f->getFont()->getFamily(), CXString("SERIF"));
    EXPECT_EQ(f->getFontsList()[0]->getFamily(), CXString("SANS"));
}

TEST(ScriptFont, WithoutFontsOrFilesItAnswersZeroAndTextsShowNothing) {
    MediaGame game(object("E", {{"TYPE", "FONT"}}) +
                       object("BAD", {{"TYPE", "FONT"}, {"DEF_A_B_8", "NONE.FNT"}}) +
                       object("HUGE", {{"TYPE", "FONT"}, {"DEF_A_B_99999999999", "REG.FNT"}}) +
                       text("N", "HJ", {{"FONT", "NOPE"}}),
                   true, files());
    EXPECT_EQ(game.call("E", "GETHEIGHT"), "0");
    EXPECT_EQ(game.call("BAD", "GETHEIGHT"), "0");
    EXPECT_EQ(game.find<CMC_Font>("BAD")->getFontsList()[0]->getLetterCount(), 0);
    EXPECT_EQ(game.find<CMC_Font>("HUGE")->getFontsList()[0]->getSize(), 100000); // clamped
    auto* n = game.find<CMC_Text>("N");
    ASSERT_TRUE(n->getText());
    EXPECT_EQ(game.call("N", "GETWIDTH") + game.call("N", "GETHEIGHT"), "00");
    game.run->frames(1);
    EXPECT_EQ(inkRow(game, 100, 101, 10), "..........");
}

TEST(ScriptFont, ColoursArePackedForA15BitScreen) {
    MediaGame game(font(), true, files(), 15);
    game.call("F", "SETCOLOR", {"255", "0", "8"});
    EXPECT_EQ(game.find<CMC_Font>("F")->getFont()->getDefColor(), 0x7C01);
}

TEST(ScriptText, JustifyRectanglesAndTheirMethods) {
    MediaGame game(font() + image("PIC", "BOX.IMG") + text("R", "H J", {{"RECT", "PIC"}}) +
                       text("W", "H J H", {{"RECT", ""}}) + text("D", "", {{"ONCOLLISION", logged("col.")}}) +
                       text("C", "H", {{"RECT", "100,200,300,240"}}),
                   true, files());
    auto* r = game.find<CMC_Text>("R");
    // Only "LEFT", "RIGHT", "TOP" and "BOTTOM" as written: any other word centres the text.
    auto xOf = [&](const char* word) {
        game.call("C", "SETJUSTIFY", {"100", "200", "300", "240", word, "TOP"});
        return std::stoi(game.call("C", "GETPOSITIONX"));
    };
    EXPECT_EQ(xOf("LEFT"), 100);
    int centre = xOf("CENTER");
    EXPECT_GT(centre, 150);
    EXPECT_EQ(xOf("left"), centre);
    EXPECT_EQ(xOf("MIDDLE"), centre);
    EXPECT_EQ(r->getText()->getjustifyRect(), CXRect(200, 100, 300, 140));
    // No RECT: every word on a line of its own.
    EXPECT_EQ(game.find<CMC_Text>("W")->getText()->getLineCount(), 3);
    game.call("R", "SETPOSITION", {"10", "20"});
    EXPECT_EQ(r->getText()->getjustifyRect(), CXRect(10, 20, 110, 60));
    auto shown = [&](const char* digits) {
        game.call("D", "SETTEXTDOUBLE", {"3.14159", digits});
        return std::string(game.find<CMC_Text>("D")->getText()->getText().GetBuffer());
    };
    EXPECT_EQ(shown("2"), "3.14");
    EXPECT_EQ(shown("0"), "3.");
    EXPECT_EQ(shown("-1"), "3.14159");
    // SETFONT and SETCLIPPING naming nothing change nothing.
    game.call("R", "SETFONT", {"NOPE"});
    game.call("R", "SETCLIPPING", {"10", "20", "30", "40"});
    game.call("R", "SETCLIPPING", {"NOPE"});
    EXPECT_EQ(r->getText()->GetClippingRect(), CXRect(10, 20, 30, 40));
    EXPECT_EQ(game.call("R", "GETWIDTH") != "0", true);
    // A bound collision event never runs.
    EXPECT_TRUE(game.find<CMC_Text>("D")->hasHandler(3));
    game.call("D", "SETPOSITION", {"200", "100"});
    game.run->frames(2);
    EXPECT_EQ(game.log(), "");
}

TEST(ScriptText, WordsColoursAndPointsAfterAFrame) {
    MediaGame game(font() + text("T", "H J"), true, files());
    game.call("T", "SETWORDCOLOR", {"1", "0", "255", "0"});
    game.run->frames(1);
    int x = std::stoi(game.call("T", "GETWORDPOSX", {"1"}));
    int y = std::stoi(game.call("T", "GETWORDPOSY", {"1"}));
    EXPECT_EQ(pixel(game, x + 7, y + 1), 0x07E0); // J's stem
    EXPECT_EQ(pixel(game, 100, 101), 0xFFFF);     // H keeps the font's colour
    EXPECT_EQ(game.call("T", "GETWORDATXY", {std::to_string(x + 3), std::to_string(y + 3)}), "1");
    EXPECT_EQ(game.call("T", "GETWORDAT", {"1"}) + game.call("T", "GETNUMWORDS"), "J2");
    EXPECT_EQ(game.call("T", "SEARCH", {"J", "0"}), "1");
}

namespace {

std::string button(const char* name, const Properties& extra) {
    Properties p = {{"TYPE", "BUTTON"}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

std::string sound(const char* name) { return object(name, {{"TYPE", "SOUND"}, {"FILENAME", "TICK.WAV"}}); }

} // namespace

TEST(ScriptButton, InjectedEventsRaiseTheBoundEventsInOrder) {
    MediaGame game(image("STD", "STD.IMG") + image("MOV", "MOV.IMG", "FALSE") +
                       button("B", {{"GFXSTANDARD", "STD"},
                                    {"GFXONMOVE", "MOV"},
                                    {"RECT", "STD"},
                                    {"ENABLE", "TRUE"},
                                    {"ONFOCUSON", logged("on.")},
                                    {"ONCLICKED", logged("c.")},
                                    {"ONRELEASED", logged("r.")},
                                    {"ONACTION", logged("a.")},
                                    {"ONFOCUSOFF", logged("off.")}}) +
                       button("OFF", {{"RECT", "0,0,50,50"}, {"ONACTION", logged("never.")}}),
                   true, files());
    auto* b = game.find<CMC_Button>("B");
    // RECT naming an image: its rectangle and its screen priority.
    EXPECT_EQ(b->getButton()->getActiveRect(), CXRect(300, 300, 340, 320));
    EXPECT_EQ(game.call("B", "GETPRIORITY"), "7");
    game.move(310, 310);
    EXPECT_TRUE(game.find<CMC_Image>("MOV")->getImage()->isVisible()); // the on-move graphic
    game.press(0, 310, 310);
    game.move(10, 10);
    EXPECT_EQ(game.log(), "on.c.r.a.off.");
    EXPECT_EQ(game.call("B", "GETSTD") + game.call("B", "GETONMOVE"), "STDMOV");
    // Without ENABLE a button starts disabled.
    game.press(0, 10, 10);
    EXPECT_EQ(game.log(), "");
    game.call("OFF", "ENABLE");
    game.press(0, 10, 10);
    EXPECT_EQ(game.log(), "never.");
}

TEST(ScriptButton, SoundsDragsClonesAndCreatedButtons) {
    MediaGame game(image("STD", "STD.IMG") + image("MOV", "MOV.IMG", "FALSE") + sound("S") +
                       button("B", {{"RECT", "300,300,340,320"},
                                    {"ENABLE", "TRUE"},
                                    {"SNDONMOVE", "S"},
                                    {"SNDONCLICK", "STD"}}) +
                       button("D", {{"GFXSTANDARD", "STD"},
                                    {"RECT", "0,0,40,40"},
                                    {"ENABLE", "TRUE"},
                                    {"DRAGGABLE", "TRUE"},
                                    {"ONSTARTDRAGGING", "{LOG^ADD(\"s\");LOG^ADD(S1^GETDRAGGEDNAME());}"},
                                    {"ONENDDRAGGING", "{LOG^ADD(\"|e\");LOG^ADD(S1^GETDRAGGEDNAME());}"}}),
                   true, files());
    auto* b = game.find<CMC_Button>("B");
    CSound4* tick = game.find<CMC_Sound>("S")->getSound();
    // A hover sound without a hover graphic; SNDONCLICK naming an image gives no sound.
    EXPECT_EQ(b->getButton()->GetSOOnMove(), tick);
    EXPECT_EQ(b->getButton()->GetSOOnClick(), nullptr);
    game.move(310, 310);
    EXPECT_TRUE(b->getButton()->getHotSpot()->wasHoverSoundPlayed());
    EXPECT_EQ(b->getButton()->GetOnMove(), nullptr);
    game.call("B", "SETONMOVE", {"MOV"});
    EXPECT_EQ(b->getButton()->GetSOOnMove(), tick);
    // The SOUND object goes: the button forgets its sound and hovers in silence.
    removed(game, "S");
    EXPECT_EQ(b->getButton()->GetSOOnMove(), nullptr);
    game.move(10, 300);
    game.move(310, 310);
    // A drag sets the scene's dragged name until after ONENDDRAGGING.
    game.run->input()->injectMouseButton(0, true, 10, 10, 1);
    game.run->frames(1);
    game.move(30, 30);
    game.run->input()->injectMouseButton(0, false, 30, 30);
    game.run->frames(2);
    EXPECT_EQ(game.log(), "sSTD|eSTD");
    EXPECT_EQ(game.run->scene()->getDraggedName(), CXString(""));
    // CREATEOBJECT "BUTTON": enabled, reacting after SETRECT.
    game.call("S1", "CREATEOBJECT", {"BUTTON", "NEW"});
    auto* made = game.find<CMC_Button>("NEW");
    ASSERT_TRUE(made && made->getType() == TYPE_BUTTON && made->getButton()->IsEnabled());
    game.call("NEW", "SETRECT", {"STD"});
    EXPECT_EQ(made->getButton()->getActiveRect(), CXRect(320, 320, 360, 340)); // STD was dragged by 20
    // CREATEOBJECT "VGO": a visible virtual graphics object on the screen, awaiting its source.
    game.call("S1", "CREATEOBJECT", {"VGO", "SPOT"});
    auto* spot = game.find<CMC_Object>("SPOT");
    ASSERT_TRUE(spot && spot->getType() == TYPE_VIRTUALGRAPHICSOBJECT);
    game.call("SPOT", "SETSOURCE", {"STD"});
    game.run->frames(1);
    game.call("S1", "CREATEOBJECT", {"WIDGET", "NONE"});
    EXPECT_EQ(game.find<CMC_Object>("NONE"), nullptr);
}

TEST(ScriptEditBox, TypingReadOnlyLinesAndAddedText) {
    MediaGame game(font() + image("CUR", "STD.IMG", "FALSE") +
                       object("E", {{"TYPE", "EDITBOX"},
                                    {"RECT", "10,400,300,440"},
                                    {"FONT", "F"},
                                    {"TEXT", "HJ"},
                                    {"CURSOR", "CUR"},
                                    {"ONCHANGED", logged("ch.")},
                                    {"ONENTER", logged("en.")}}) +
                       object("NOFONT", {{"TYPE", "EDITBOX"}, {"FONT", "NOPE"}, {"TEXT", "x"}}),
                   true, files());
    CEditBox6* box = game.find<CMC_EditBox>("E")->getEditBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->getCursor(), game.find<CMC_Image>("CUR")->getImage());
    game.call("E", "ACTIVE");
    game.call("E", "SETCURSORPOS", {"1"});
    game.call("E", "ADDTEXT", {"H"});
    EXPECT_EQ(game.call("E", "GETTEXT") + std::to_string(box->getCursorPos()), "HJH1");
    EXPECT_EQ(game.log(), "");
    box->onChar('J');
    box->onKeyDown(28); // Enter
    EXPECT_EQ(game.log(), "ch.en.");
    EXPECT_EQ(game.call("E", "GETTEXT"), "HJJH|");
    game.call("E", "ENABLENL", {"FALSE"});
    box->onKeyDown(28);
    EXPECT_EQ(game.log(), "en.");
    EXPECT_EQ(game.call("E", "GETTEXT"), "HJJH|");
    game.call("E", "SETREADONLY", {"TRUE"});
    box->onChar('H');
    box->onKeyDown(28);
    box->onKeyDown(1); // Esc
    EXPECT_EQ(game.log(), "");
    EXPECT_EQ(game.call("E", "GETTEXT"), "HJJH|");
    // No FONT object: no box, and the methods do nothing.
    EXPECT_EQ(game.find<CMC_EditBox>("NOFONT")->getEditBox(), nullptr);
    game.call("NOFONT", "SETTEXT", {"y"});
    EXPECT_EQ(game.call("NOFONT", "GETTEXT"), "");
}

TEST(ScriptDialog, ItemsByTypeAndHidingThem) {
    MediaGame game(font() + image("BG", "BOX.IMG") + image("PIC", "STD.IMG") + sound("S") + text("T", "H") +
                       button("B", {{"RECT", "0,0,10,10"}, {"ENABLE", "TRUE"}}) +
                       object("D", {{"TYPE", "DIALOG"}}),
                   true, files());
    CXDialog* d = game.find<CMC_Dialog>("D")->getDialog();
    ASSERT_TRUE(d);
    game.call("D", "SETBACKGROUND", {"T"});
    game.call("D", "ADD", {"S"});
    game.call("D", "ADD", {"NOPE"});
    EXPECT_EQ(d->getBackground(), nullptr);
    EXPECT_EQ(d->getGraphicsCount() + d->getButtonsCount(), 0);
    game.call("D", "SETBACKGROUND", {"BG"});
    game.call("D", "ADD", {"PIC"});
    game.call("D", "ADD", {"T"});
    game.call("D", "ADD", {"B"});
    EXPECT_EQ(d->getBackground(), game.find<CMC_Image>("BG")->getImage());
    game.call("D", "HIDE");
    EXPECT_FALSE(game.find<CMC_Image>("PIC")->getImage()->isVisible());
    EXPECT_FALSE(game.find<CMC_Text>("T")->getText()->isVisible());
    EXPECT_FALSE(game.find<CMC_Button>("B")->getButton()->IsEnabled());
    game.call("D", "SHOW");
    EXPECT_TRUE(game.find<CMC_Image>("PIC")->getImage()->isVisible());
    EXPECT_TRUE(game.find<CMC_Text>("T")->getText()->isVisible());
    EXPECT_FALSE(game.find<CMC_Image>("BG")->getImage()->isVisible());
}

TEST(ScriptControls, ACachedSceneRebuildsAllFive) {
    MediaGame game(
        font() + image("STD", "STD.IMG") + text("T", "HJ") +
            button(
                "B",
                {{"GFXSTANDARD", "STD"}, {"RECT", "STD"}, {"ENABLE", "TRUE"}, {"ONACTION", logged("a.")}}) +
            object("E", {{"TYPE", "EDITBOX"}, {"RECT", "10,400,300,440"}, {"FONT", "F"}, {"TEXT", "J"}}) +
            button("OFF", {{"RECT", "0,0,50,50"}, {"DRAGGABLE", "TRUE"}, {"PRIORITY", "9"}}) +
            text("HID", "H", {{"VISIBLE", "FALSE"}}) + object("D", {{"TYPE", "DIALOG"}}),
        true, files());
    game.call("E", "SETRECT", {"20", "410", "310", "450"});
    game.call("E", "SETTEXT", {"HH"});
    game.call("T", "SETTEXT", {"JJ"});
    ASSERT_TRUE(game.run->storeCache());
    game.start(true);
    auto* f = game.find<CMC_Font>("F");
    ASSERT_TRUE(f && f->getFontsList().size() == 3u);
    EXPECT_EQ(f->getFontsList()[1]->getStyle(), CXString("BOLD"));
    auto* t = game.find<CMC_Text>("T");
    ASSERT_TRUE(t && t->getText());
    EXPECT_EQ(t->getText()->getText(), CXString("JJ"));
    EXPECT_TRUE(t->getText()->isVisible());
    EXPECT_EQ(t->getText()->getjustifyRect(), CXRect(100, 100, 300, 140));
    CEditBox6* box = game.find<CMC_EditBox>("E")->getEditBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->getBoundingRect(), CXRect(20, 410, 310, 450));
    EXPECT_EQ(box->getText(), CXString("HH"));
    EXPECT_TRUE(game.find<CMC_Dialog>("D")->getDialog());
    EXPECT_FALSE(game.find<CMC_Text>("HID")->getText()->isVisible());
    CButton* off = game.find<CMC_Button>("OFF")->getButton();
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->IsEnabled());
    EXPECT_TRUE(off->IsDraggingEnabled());
    EXPECT_EQ(off->getActiveRect(), CXRect(0, 0, 50, 50));
    EXPECT_EQ(game.call("OFF", "GETPRIORITY"), "9");
    game.press(0, 310, 310);
    EXPECT_EQ(game.log(), "a.");
}

TEST(ScriptControls, DeletedFontsGraphicsAndBoxesAreNeverTouched) {
    MediaGame game(
        font() + image("STD", "STD.IMG") + image("CUR", "MOV.IMG", "FALSE") + text("T", "HJ") +
            button("B", {{"GFXSTANDARD", "STD"}, {"RECT", "300,300,340,320"}, {"ENABLE", "TRUE"}}) +
            object("E", {{"TYPE", "EDITBOX"}, {"RECT", "10,400,300,440"}, {"FONT", "F"}, {"CURSOR", "CUR"}}) +
            object("D", {{"TYPE", "DIALOG"}}),
        true, files());
    game.call("D", "ADD", {"STD"});
    game.call("D", "ADD", {"T"});
    game.call("T", "DRAWONTO", {"CUR"});
    game.call("D", "ADD", {"B"});
    game.call("E", "ACTIVE");
    for (const char* name : {"F", "STD", "CUR"}) removed(game, name);
    game.run->frames(2);
    game.call("T", "SETTEXT", {"JH"});
    game.call("E", "SETTEXT", {"HJ"});
    game.move(310, 310);
    game.press(0, 310, 310);
    game.call("D", "HIDE");
    game.call("D", "SHOW");
    EXPECT_EQ(game.call("B", "GETSTD"), "");
    removed(game, "B");
    removed(game, "T");
    game.call("D", "HIDE");
    removed(game, "E");
    game.run->frames(2);
    EXPECT_EQ(game.find<CMC_Dialog>("D")->getDialog()->getGraphicsCount(), 0);
}

namespace {

std::string animation() {
    CAnimo animo(nullptr);
    CGraphicsObject image(nullptr, CXSize(4, 4), 16);
    animo.AddFrame(&image);
    _animoEvent e;
    e.setName("REST");
    e.frames = 1;
    animo.AddEvent(e);
    animo.SetBpp(16);
    std::vector<uint8_t> bytes;
    animo.save3(bytes, COMPRESSION_NONE);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(ScriptButton, RemovedWhileDraggedAndSoundObjectsSharingOneFile) {
    MediaGame game(
        image("STD", "STD.IMG") + sound("S") + sound("S2") +
            button(
                "B",
                {{"RECT", "300,300,340,320"}, {"ENABLE", "TRUE"}, {"SNDONMOVE", "S"}, {"SNDONCLICK", "S2"}}) +
            button("D", {{"GFXSTANDARD", "STD"},
                         {"RECT", "0,0,40,40"},
                         {"ENABLE", "TRUE"},
                         {"DRAGGABLE", "TRUE"},
                         {"ONSTARTDRAGGING", "{S1^REMOVE(\"D\");}"}}),
        true, files());
    // A button gone in its own drag leaves no dragged name behind.
    game.run->input()->injectMouseButton(0, true, 10, 10, 1);
    game.run->frames(1);
    game.move(30, 30);
    game.run->input()->injectMouseButton(0, false, 30, 30);
    game.run->frames(2);
    EXPECT_EQ(game.find<CMC_Button>("D"), nullptr);
    EXPECT_EQ(game.run->scene()->getDraggedName(), CXString(""));
    // S and S2 share one sound: removing S2 silences only the click it gave, in the button and its clone.
    CSound4* tick = game.find<CMC_Sound>("S")->getSound();
    ASSERT_TRUE(tick && tick == game.find<CMC_Sound>("S2")->getSound());
    game.call("B", "CLONE", {"1"});
    CButton* b = game.find<CMC_Button>("B")->getButton();
    CButton* copy = game.find<CMC_Button>("B_1")->getButton();
    ASSERT_TRUE(copy);
    removed(game, "S2");
    for (CButton* each : {b, copy}) {
        EXPECT_EQ(each->GetSOOnMove(), tick);
        EXPECT_EQ(each->GetSOOnClick(), nullptr);
    }
    removed(game, "S");
    EXPECT_EQ(b->GetSOOnMove(), nullptr);
    EXPECT_EQ(copy->GetSOOnMove(), nullptr);
}

TEST(ScriptButton, AScriptedCloneReactsOnlyAfterSetRect) {
    MediaGame game(button("B", {{"RECT", "300,300,340,320"}, {"ENABLE", "TRUE"}, {"ONACTION", logged("a.")}}),
                   true, files());
    game.call("B", "CLONE", {"1"});
    game.press(0, 10, 10);
    game.press(0, 310, 310);
    EXPECT_EQ(game.log(), "a."); // the clone has no rectangle yet
    game.call("B_1", "SETRECT", {"0", "0", "50", "50"});
    game.press(0, 10, 10);
    removed(game, "B");
    game.press(0, 10, 10);
    EXPECT_EQ(game.log(), "a.a.");
}

TEST(ScriptEditBox, FocusEventsAndASingleLineBoxRefusingOverflow) {
    MediaGame game(font() + object("E", {{"TYPE", "EDITBOX"},
                                         {"RECT", "10,400,40,440"},
                                         {"FONT", "F"},
                                         {"ONFOCUSON", logged("on.")},
                                         {"ONFOCUSOFF", logged("off.")},
                                         {"ONESC", logged("esc.")}}),
                   true, files());
    CEditBox6* box = game.find<CMC_EditBox>("E")->getEditBox();
    ASSERT_TRUE(box);
    game.call("E", "ACTIVE");
    box->onKeyDown(1); // Esc
    game.call("E", "DEACTIVE");
    EXPECT_EQ(game.log(), "on.esc.off.");
    game.call("E", "ACTIVE");
    game.call("E", "ENABLENL", {"FALSE"});
    for (int i = 0; i < 10; ++i) box->onChar('H');
    std::string single = game.call("E", "GETTEXT");
    EXPECT_GT(single.size(), 0u);
    EXPECT_LT(single.size(), 10u); // refused, not wrapped
    EXPECT_EQ(single.find('|'), std::string::npos);
    game.call("E", "ENABLENL", {"TRUE"});
    for (int i = 0; i < 10; ++i) box->onChar('H');
    EXPECT_GT(game.call("E", "GETTEXT").size(), single.size() + 5); // wrapped instead
}

TEST(ScriptDialog, AnAnimoAsBackgroundAndItemThenDeleted) {
    MediaGame game(object("A", {{"TYPE", "ANIMO"}, {"FILENAME", "A.ANN"}}) +
                       object("A2", {{"TYPE", "ANIMO"}, {"FILENAME", "A.ANN"}}) +
                       object("D", {{"TYPE", "DIALOG"}}),
                   true, {{"A.ANN", animation()}});
    CXDialog* d = game.find<CMC_Dialog>("D")->getDialog();
    game.call("D", "SETBACKGROUND", {"A"});
    game.call("D", "ADD", {"A2"});
    EXPECT_EQ(d->getBackground(), game.find<CMC_Animo>("A")->getAnimo());
    EXPECT_EQ(d->getGraphicsCount(), 1);
    removed(game, "A");
    removed(game, "A2");
    game.call("D", "HIDE");
    game.call("D", "SHOW");
    game.run->frames(2);
    EXPECT_EQ(d->getBackground(), nullptr);
    EXPECT_EQ(d->getGraphicsCount(), 0);
}

} // namespace KavirelTest
