// Texts in bitmap fonts: format codes parsed, measured, justified and drawn; words kept for scripts;
// multi-line texts wrapped, with edit fields handed to the scene unit.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/FileFixture.h"
#include "core/Log.h"
#include "display/WindowFixtures.h"
#include "harness/FontFiles.h"
#include "media/controls/EditBox6.h"
#include "media/controls/Unit6.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"
#include "media/text/Text6.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// Letters of 8 x 10 cells: the standard ones 4 pixels of ink wide (advance 6), the bold ones 6 (advance 8);
// "w" is 8 wide in both.
std::string fontBytes(bool bold) {
    FntFont f;
    for (unsigned char c : std::string("abcdefghijklmnopqrstuvxyz_<>"))
        f.glyphs.push_back(blockGlyph(c, 8, 10, bold ? 1 : 2, bold ? 1 : 2));
    f.glyphs.push_back(blockGlyph('w', 8, 10, 0, 0));
    return fntBytes(f);
}

class TextTest : public GameFolderTest {
protected:
    void SetUp() override {
        GameFolderTest::SetUp();
        put("regular.fnt", fontBytes(false));
        put("bold.fnt", fontBytes(true));
        regular = make("regular.fnt", "STANDARD");
        bold = make("bold.fnt", "BOLD");
        fonts = std::make_unique<CFontCollection>(nullptr);
        fonts->addFont(regular.get());
        fonts->addFont(bold.get());
    }
    std::unique_ptr<CSimpleFont6> make(const char* file, const char* style) {
        auto font = std::make_unique<CSimpleFont6>(nullptr, CXString(root(std::string("/") + file).c_str()));
        EXPECT_EQ(font->LastError(), 0);
        font->setFamily("T");
        font->setStyle(style);
        font->setSize(10);
        return font;
    }
    // The codes of a text: "[run]", "S<B>", "T", "|", "E(width,name,text)", "C<value>".
    static std::string codes(CText6& text) {
        std::string out;
        for (int i = 0; i < text.getCodes()->getSize(); ++i) {
            auto* code = static_cast<CTextFormatCode*>(text.getCodes()->at(i));
            switch (code->getMode()) {
            case CTextFormatCode::STYLE:
                out += "S" + std::string(code->getText().GetBuffer());
                break;
            case CTextFormatCode::RUN:
                out += "[" + std::string(code->getText().GetBuffer()) + "]";
                break;
            case CTextFormatCode::TAB:
                out += "T";
                break;
            case CTextFormatCode::LINE_BREAK:
                out += "|";
                break;
            case CTextFormatCode::EDIT_FIELD:
                out += "E(" + std::to_string(code->getWidth()) + "," + code->getName().GetBuffer() + "," +
                       code->getText().GetBuffer() + ")";
                break;
            default:
                out += "C" + std::to_string(code->getColor());
            }
        }
        return out;
    }
    std::string parsed(CSimpleFont6* font, const char* text) {
        CText6 t(nullptr, true, nullptr);
        t.setFont(font);
        t.setColor(0);
        t.setText(text);
        return codes(t);
    }

    std::unique_ptr<CSimpleFont6> regular, bold;
    std::unique_ptr<CFontCollection> fonts;
};

// A scene unit that hands out edit boxes and remembers what it was asked.
class RecordingUnit : public CUnit6 {
public:
    RecordingUnit() : CUnit6(nullptr, CXString("U")) {}
    CEditBox6* addEditBox(CSimpleFont6* font, CXRect rect, int, CXString text) override {
        this->font = font;
        rects.push_back(rect);
        texts.push_back(text.GetBuffer());
        made.push_back(new CEditBox6(nullptr, this, font, rect, 0, text));
        return made.back();
    }
    // Counted once a box: the text takes it out, then the box's own destructor asks again.
    void removeEditBox(CEditBox6* box) override {
        if (std::erase(made, box)) ++removed;
    }
    std::vector<CEditBox6*> made;
    CSimpleFont6* font = nullptr;
    std::vector<CXRect> rects;
    std::vector<std::string> texts;
    int removed = 0;
};

} // namespace

TEST_F(TextTest, CodesAreParsedAsWrittenAndUnknownOnesStayText) {
    CSimpleFont6* all = fonts.get();
    EXPECT_EQ(parsed(all, "a<XYZ>b"), "[aXYZ>b]") << "the \"<\" of an unknown code is dropped";
    EXPECT_EQ(parsed(all, "a<b<I>c"), "[a<b][I>c]") << "the second \"<\" is lost";
    EXPECT_EQ(parsed(all, "ab<cd"), "[ab<cd]");
    EXPECT_EQ(parsed(all, "a\rb|c\nd"), "[a]|[b]|[cd]");
    EXPECT_EQ(parsed(all, "a\tb"), "[a        b]") << "tabs are spaces";
    EXPECT_EQ(CText6::convTab("\t").GetLength(), 8);
    EXPECT_EQ(parsed(all, "x<E,120,f,hello, you>y"), "[x]E(120,f,hello, you)[y]");
    EXPECT_EQ(parsed(all, "<E,>"), "E(0,,)");
    EXPECT_EQ(parsed(all, "<COLOR255,0,0>r<COLOR1234><COLOR>"), "C63488[r]C1234C0");
    EXPECT_EQ(parsed(all, "<B>x<b>y"), "S<B>[x]S<b>[y]");
    EXPECT_EQ(parsed(all, "<I>x<U>y"), "[x][y]") << "styles the collection lacks are left out";
    EXPECT_EQ(parsed(regular.get(), "<B>x<COLOR7>y"), "[x]C7[y]") << "a single font finds no style";

    CText6 text(nullptr, true, nullptr);
    text.setFont(fonts.get());
    text.setText("<B>x<B>y");
    EXPECT_EQ(codes(text), "C65535S<B>[x]S<B>[y]C0") << "the font's colour wraps the text";
    EXPECT_EQ(static_cast<CTextFormatCode*>(text.getCodes()->at(1))->getFont(), bold.get());
    EXPECT_EQ(static_cast<CTextFormatCode*>(text.getCodes()->at(3))->getFont(), regular.get())
        << "the second code goes back to the standard style";
    text.setColor(0x001F);
    EXPECT_STREQ(text.getText().GetBuffer(), "<COLOR31><B>x<B>y<COLOR>");

    // r,g,b are packed for the screen: 5-6-5, or 5-5-5 on a 15-bit screen.
    HeadlessGame game;
    game.window.GetRefreshScreenInterface()->SetBpp(15);
    CText6 fifteen(&game.window, true, nullptr);
    fifteen.setFont(regular.get());
    fifteen.setColor(0);
    fifteen.setText("<COLOR255,0,0>r");
    EXPECT_EQ(codes(fifteen), "C31744[r]");
}

TEST_F(TextTest, TextsAreMeasuredAndJustified) {
    CText6 text(nullptr, true, nullptr);
    text.setFont(fonts.get());
    text.setText("wwww");
    EXPECT_EQ(text.getLength(), 40);
    EXPECT_EQ(text.Width(), 40);
    EXPECT_EQ(text.Height(), 10);
    text.setJustify(CXRect(10, 20, 110, 60), CENTER, CENTER);
    EXPECT_EQ(text.GetPosition(), CXPoint(40, 35));
    text.setJustify(CXRect(10, 20, 110, 60), RIGHT, BOTTOM);
    EXPECT_EQ(text.GetPosition(), CXPoint(70, 50));
    text.setJustify(CXRect(10, 20, 110, 60), LEFT, TOP);
    EXPECT_EQ(text.GetPosition(), CXPoint(10, 20));
    text.Move(5, 1);
    EXPECT_EQ(text.getjustifyRect(), CXRect(15, 21, 115, 61));
    EXPECT_EQ(text.GetPosition(), CXPoint(15, 21));

    text.setText("<B>a<B>a");
    EXPECT_EQ(text.getLength(), 8 + 6) << "measured with the font each part is drawn in";
    EXPECT_EQ(CText6::getLength(regular.get(), "aa"), 12);
    // A new font measures the text parsed with it.
    text.setFont(regular.get());
    EXPECT_EQ(text.Width(), 12);

    CText6 none(nullptr, true, nullptr);
    none.setText("abc");
    EXPECT_EQ(none.getLength(), 0);
    EXPECT_EQ(none.getNumWords(), 1);
}

TEST_F(TextTest, TextsDrawTheirCodesNotAsLetters) {
    CGraphicsObject screen(nullptr, CXSize(60, 10), 16);
    CText6 text(nullptr, true, nullptr);
    text.SetDestiny(&screen);
    text.setFont(fonts.get());
    text.setText("<B>x<B>y");
    text.Redraw();
    EXPECT_EQ(row(screen, 3, 0, 16), "######..####....") << "x bold, then y standard";
    EXPECT_EQ(at(screen, 0, 0), 0xFFFF);

    // A single font draws "<COLOR65535>ab<COLOR>" as "ab".
    CGraphicsObject coded(nullptr, CXSize(60, 10), 16), plain(nullptr, CXSize(60, 10), 16);
    CText6 one(nullptr, true, nullptr);
    one.setFont(regular.get());
    one.setColor(0);
    one.SetDestiny(&coded);
    one.setText("<COLOR65535>ab<COLOR>");
    EXPECT_EQ(one.getLength(), 12);
    one.Redraw();
    one.SetDestiny(&plain);
    one.setColor(0xFFFF);
    one.setText("ab");
    one.Redraw();
    EXPECT_EQ(std::memcmp(coded.GetDataPtr(), plain.GetDataPtr(), 60 * 10 * 2), 0);

    // Colours of the text and of single words; the font gets its own colour back.
    CGraphicsObject words(nullptr, CXSize(60, 10), 16);
    CText6 coloured(nullptr, true, nullptr);
    coloured.setFont(fonts.get());
    coloured.setColor(0x001F);
    coloured.setText("ab cd ef");
    coloured.SetDestiny(&words);
    coloured.setWordColor(1, 0x07E0);
    coloured.setWordColor(3, 0xF800);
    coloured.setWordColor(-1, 0xF800);
    coloured.Redraw();
    EXPECT_EQ(at(words, 0, 0), 0x001F);
    EXPECT_EQ(at(words, 18, 0), 0x07E0) << "c";
    EXPECT_EQ(at(words, 36, 0), 0x001F) << "e";
    EXPECT_EQ(fonts->getColor(), 0) << "the font's colour before the draw";

    // Words as drawn: 6 pixels a letter, a space 6 (the width of "l" and 2).
    EXPECT_EQ(coloured.getNumWords(), 3);
    EXPECT_EQ(coloured.getWordAtXY(CXPoint(20, 3)), 1);
    EXPECT_EQ(coloured.getWordAtXY(CXPoint(59, 3)), -1);
    EXPECT_EQ(coloured.getWordPosition(1), CXPoint(12, -1)) << "a word starts at the space before it";
    EXPECT_EQ(coloured.getWordWidth(1), 17);
    EXPECT_STREQ(coloured.getWordAt(2).GetBuffer(), "ef");
    EXPECT_STREQ(coloured.getWordAt(3).GetBuffer(), "");
    EXPECT_EQ(coloured.getWordPosition(3), CXPoint(-1, -1));
    EXPECT_EQ(coloured.getWordWidth(-1), 0);
    EXPECT_EQ(coloured.search("ef", 0), 2);
    EXPECT_EQ(coloured.search("ab", 1), -1);

    // A word a code runs through keeps its start: "cd" is one word from its space to its end.
    CText6 split(nullptr, true, nullptr);
    split.setFont(fonts.get());
    split.setText("ab <B>c<B>d ef");
    split.SetDestiny(&words);
    split.Redraw();
    EXPECT_EQ(split.getNumWords(), 3);
    EXPECT_EQ(split.getWordPosition(1), CXPoint(12, -1));
    EXPECT_GT(split.getWordWidth(1), 12);
    EXPECT_EQ(split.getWordAtXY(CXPoint(20, 3)), 1);

    // Clipped to columns 2 to 8: parts of the first two letters, each letter still advancing its width.
    CGraphicsObject clipped(nullptr, CXSize(60, 10), 16);
    text.SetDestiny(&clipped);
    text.SetPosition(1, 0);
    text.SetClippingRect(CXRect(2, 1, 9, 3));
    text.Redraw();
    EXPECT_EQ(row(clipped, 1, 0, 16), "...####..#......");
    EXPECT_EQ(row(clipped, 0, 0, 16), std::string(16, '.'));
    EXPECT_EQ(row(clipped, 3, 0, 16), std::string(16, '.'));
}

TEST_F(TextTest, MultiLineTextsWrapAndBreak) {
    CMultilineText6 text(nullptr, true, nullptr);
    text.setFont(fonts.get());
    text.setJustify(CXRect(0, 0, 100, 100), LEFT, TOP);
    text.setText("a|b");
    ASSERT_EQ(text.getLineCount(), 3);
    EXPECT_EQ(text.getLine(1), nullptr);
    EXPECT_EQ(text.getHeight(), 10 + 10 - 2 * 2);
    text.setText("a||b");
    ASSERT_EQ(text.getLineCount(), 5);
    EXPECT_EQ(text.getLine(2)->getNumWords(), 0) << "the middle line is empty";

    CGraphicsObject screen(nullptr, CXSize(100, 40), 16);
    text.SetDestiny(&screen);
    text.setText("aa|bb");
    text.SetPosition(0, 2);
    text.Redraw();
    EXPECT_EQ(row(screen, 2, 0, 14), "####..####....");
    EXPECT_EQ(at(screen, 2, 2 + 10 - 4), 0xFFFF) << "the second line 4 pixels up into the first";
    EXPECT_EQ(at(screen, 2, 2 + 10 - 4 + 10), 0);

    // Narrower than any word: a word a line, none empty; "&NBSP;" is a space where lines wrap.
    text.setJustify(CXRect(0, 0, 1, 100), LEFT, TOP);
    text.setText("ab cd&NBSP;ef");
    ASSERT_EQ(text.getLineCount(), 3);
    EXPECT_EQ(text.getLine(0)->getLength(), 12);
    EXPECT_STREQ(text.getWordAt(2).GetBuffer(), "ef");

    // Bold goes on after a wrap, but not once a second code ended it.
    text.setJustify(CXRect(0, 0, 40, 100), LEFT, TOP);
    text.setText("<B>aa bb cc");
    ASSERT_EQ(text.getLineCount(), 2);
    EXPECT_EQ(codes(*text.getLine(1)), "C65535S<B>[cc]");
    text.setText("<B>aa<B> bb cc");
    EXPECT_EQ(codes(*text.getLine(1)), "C65535[cc]");
    text.setText("<COLOR31>aa bb cc");
    EXPECT_EQ(codes(*text.getLine(1)), "C65535C31[cc]") << "and so does a colour";
    EXPECT_EQ(text.getLength(), 5 * 6) << "the longest line";
}

TEST_F(TextTest, MultiLineWordsRunOnAcrossLines) {
    CMultilineText6 text(nullptr, true, nullptr);
    text.setFont(regular.get());
    text.setJustify(CXRect(10, 20, 200, 100), LEFT, TOP);
    text.setText("aa bb|cc dd");
    EXPECT_EQ(text.getNumWords(), 4);
    EXPECT_STREQ(text.getWordAt(2).GetBuffer(), "cc");
    EXPECT_STREQ(text.getWordAt(4).GetBuffer(), "");
    EXPECT_EQ(text.search("dd", 0), 3);
    EXPECT_EQ(text.search("aa", 1), -1);

    CGraphicsObject screen(nullptr, CXSize(200, 100), 16);
    text.SetDestiny(&screen);
    text.setWordColor(3, 0x07E0);
    text.setWordColor(9, 0x07E0);
    text.Redraw();
    EXPECT_EQ(text.getWordAtXY(CXPoint(12, 32)), 2) << "the second line starts at 20 + 10 - 4";
    EXPECT_EQ(text.getWordAtXY(CXPoint(12, 22)), 0);
    EXPECT_EQ(text.getWordAtXY(CXPoint(12, 60)), -1);
    EXPECT_EQ(text.getWordPosition(3), CXPoint(10 + 12, 26));
    EXPECT_EQ(text.getWordWidth(3), 18);
    EXPECT_EQ(at(screen, 10 + 18 + 2, 28), 0x07E0);
    EXPECT_EQ(text.getHeight(), 10 + 10 - 2 * 2);

    // Clipped to the second line's top rows.
    CGraphicsObject clipped(nullptr, CXSize(200, 100), 16);
    text.SetDestiny(&clipped);
    text.SetClippingRect(CXRect(0, 6, 200, 8));
    text.Redraw();
    EXPECT_EQ(row(clipped, 26, 10, 16), "####..");
    EXPECT_EQ(row(clipped, 25, 10, 16), "......");
    EXPECT_EQ(row(clipped, 28, 10, 16), "......");

    put("text.txt", "aa bb\r\ncc|dd\r\n");
    EXPECT_EQ(text.Load(CXString(root("/text.txt").c_str())), 0);
    EXPECT_EQ(text.getNumWords(), 3) << "line ends are no breaks: \"bbcc\" is one word";
    CLogCapture log;
    EXPECT_EQ(text.Load(CXString(root("/none.txt").c_str())), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(text.getNumWords(), 0);
}

TEST_F(TextTest, EditFieldsAreBoxesOfTheUnit) {
    RecordingUnit unit;
    {
        CMultilineText6 text(nullptr, true, &unit);
        text.setFont(regular.get());
        text.setJustify(CXRect(0, 0, 300, 100), LEFT, TOP);
        text.setText("x<E,120,f,hello>");
        // s, the width of a space's letter "l", is 4: 120 / (4 + 2) = 20 cells, a space and 18 underscores.
        EXPECT_EQ(codes(*text.getLine(0)), "C65535[x " + std::string(18, '_') + "]");
        ASSERT_EQ(unit.rects.size(), 1u);
        EXPECT_EQ(unit.rects[0], CXRect(6 + 4, 0, 6 + 4 + 120, 10));
        EXPECT_EQ(unit.texts[0], "hello");
        EXPECT_EQ(unit.font, regular.get());
        EXPECT_EQ(text.getEditBoxes()->getSize(), 1);

        // A field that does not fit goes to the next line, 6 pixels down.
        text.setText("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx<E,120,g,>");
        EXPECT_EQ(unit.removed, 1) << "the boxes before are taken out of the unit";
        ASSERT_EQ(unit.rects.size(), 2u);
        EXPECT_EQ(unit.rects[1], CXRect(4, 6, 124, 16));
    }
    EXPECT_EQ(unit.removed, 2);

    // A unit without a window makes boxes that work without one, and the text deletes them.
    CUnit6 windowless(nullptr, CXString("P"));
    CMultilineText6 text(nullptr, true, &windowless);
    text.setFont(regular.get());
    text.setText("<E,30,f,hi>");
    ASSERT_EQ(text.getEditBoxes()->getSize(), 1);
    auto* box = static_cast<CEditBox6*>(text.getEditBoxes()->at(0));
    windowless.activateEditBox(box);
    box->onChar('a');
    EXPECT_STREQ(box->getText().GetBuffer(), "hia");
    EXPECT_EQ(codes(*text.getLine(0)), "C65535[ ___]");
}

TEST_F(TextTest, TextsForgetFontsThatAreDestroyed) {
    CGraphicsObject screen(nullptr, CXSize(60, 10), 16);
    CText6 text(nullptr, true, nullptr);
    CMultilineText6 lines(nullptr, true, nullptr);
    text.SetDestiny(&screen);
    lines.SetDestiny(&screen);
    text.setFont(fonts.get());
    lines.setFont(fonts.get());
    text.setText("<B>x<B>y");
    lines.setText("<B>x<B>y|z");
    bold.reset();
    text.Redraw();
    EXPECT_EQ(row(screen, 3, 0, 12), "####..####..") << "drawn on in the standard font";
    fonts.reset();
    text.Redraw();
    lines.Redraw();
    EXPECT_EQ(text.getFont(), nullptr);
    EXPECT_EQ(lines.getFont(), nullptr);
    text.setText("again");
    lines.setText("again");
    EXPECT_EQ(text.getLength(), 0);
}
