// Bitmap fonts: the FNT reader byte by byte, letters measured and drawn with kerning and clipping, fonts made
// of animations, collections, and the older animation font.
#include <gtest/gtest.h>

#include <memory>

#include "core/FileFixture.h"
#include "core/Log.h"
#include "harness/FontFiles.h"
#include "media/text/Font5.h"
#include "media/text/SimpleFont6.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class FontTest : public GameFolderTest {
protected:
    // Writes the bytes as a file and loads it as a font.
    std::unique_ptr<CSimpleFont6> load(const std::string& bytes, const char* name = "f.fnt") {
        put(name, bytes);
        auto font = std::make_unique<CSimpleFont6>(nullptr);
        font->Load(CXString(root(std::string("/") + name).c_str()));
        return font;
    }
};

// Cells of 10 x 4: "a" with offsets 2/3 (ink 5), "l" with 1/1 (ink 8), "<" 0/0, "ą" and "ł" 4/4.
FntFont cellFont() {
    FntFont f;
    f.glyphs = {blockGlyph('a', 10, 4, 2, 3), blockGlyph('l', 10, 4, 1, 1), blockGlyph('<', 10, 4, 0, 0),
                blockGlyph(0xB9, 10, 4, 4, 4), blockGlyph(0xB3, 10, 4, 4, 4)};
    f.kerning[{'a', 'l'}] = 2;
    f.kerning[{'l', 'a'}] = -3;
    return f;
}

} // namespace

TEST_F(FontTest, FntFileIsReadFieldByField) {
    FntFont f;
    f.glyphs = {blockGlyph('A', 10, 10, 2, 3), blockGlyph('B', 10, 10, 1, 0)};
    f.kerning[{'A', 'B'}] = -2;
    f.kerning[{'B', 'A'}] = 5;
    f.ink = 0x1234;
    const std::string bytes = fntBytes(f);
    ASSERT_EQ(bytes.size(), 630u);
    EXPECT_EQ(bytes.substr(20, 2), "AB");
    EXPECT_EQ(bytes[23], char(-2)) << "kerning at 22, row A";
    EXPECT_EQ(bytes.substr(26, 2), std::string("\2\1", 2));
    EXPECT_EQ(bytes.substr(28, 2), std::string("\3\0", 2));
    EXPECT_EQ(uint8_t(bytes[430 + 2]), 255) << "alpha at 430";

    auto font = load(bytes);
    ASSERT_EQ(font->LastError(), 0);
    EXPECT_EQ(font->getLetterCount(), 2);
    EXPECT_EQ(font->Width(), 20);
    EXPECT_EQ(font->Height(), 10);
    EXPECT_EQ(font->getRealLetterWidth('A'), 5);
    EXPECT_EQ(font->getRealLetterWidth('B'), 9);
    EXPECT_EQ(font->getKerning('A', 'B'), -2);
    EXPECT_EQ(font->getKerning('B', 'A'), 5);
    EXPECT_EQ(font->getLetterWidth('A', 'B'), 11);
    EXPECT_EQ(at(*font, 2, 0), 0x1234);
    EXPECT_EQ(at(*font, 1, 0), 0);

    std::vector<uint8_t> again;
    ASSERT_TRUE(font->save(again));
    EXPECT_EQ(std::string(again.begin(), again.end()), bytes) << "the writer writes what the reader read";
}

TEST_F(FontTest, DamagedFntFilesLeaveAnEmptyFont) {
    FntFont f;
    f.glyphs = {blockGlyph('A', 10, 10, 2, 3), blockGlyph('B', 10, 10, 1, 0)};
    const std::string bytes = fntBytes(f);
    CLogCapture log;
    // Cut in every section: the header, letters, kerning, offsets, pixels and alpha.
    for (size_t cut : {0, 10, 19, 20, 21, 24, 27, 29, 30, 429, 430, 629}) {
        auto font = load(bytes.substr(0, cut));
        EXPECT_EQ(font->LastError(), ERR_FILE_DAMAGED) << cut;
        EXPECT_EQ(font->getLetterCount(), 0) << cut;
        EXPECT_EQ(font->getRealLetterWidth('A'), 0) << cut;
    }
    EXPECT_TRUE(log.contains("f.fnt"));

    // Counts far beyond the file are refused before anything is allocated.
    for (int field : {4, 8, 16}) {
        std::string big = bytes;
        big.replace(size_t(field), 4, std::string("\xFF\xFF\xFF\x7F", 4));
        auto font = load(big);
        EXPECT_EQ(font->LastError(), ERR_FILE_DAMAGED) << field;
        EXPECT_EQ(font->getLetterCount(), 0);
    }
    std::string vast = bytes;
    vast.replace(4, 8, std::string(8, '\xC3'));
    EXPECT_EQ(load(vast)->LastError(), ERR_FILE_DAMAGED) << "width x height does not overflow";
    // A width narrower than the letter count leaves no cell.
    std::string narrow = bytes;
    narrow.replace(4, 4, std::string("\1\0\0\0", 4));
    EXPECT_EQ(load(narrow)->LastError(), ERR_FILE_DAMAGED);

    // No letters: an empty font, nothing divided by zero.
    std::string none = bytes;
    none.replace(16, 4, std::string(4, '\0'));
    auto empty = load(none);
    EXPECT_EQ(empty->LastError(), 0);
    EXPECT_EQ(empty->getLetterCount(), 0);
    EXPECT_EQ(empty->drawLetter(0, 0, 0, 'A'), 2);

    CSimpleFont6 missing(nullptr, CXString(root("/missing.fnt").c_str()));
    EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
}

TEST_F(FontTest, LettersAreMeasuredAndDrawnWithKerning) {
    auto font = load(fntBytes(cellFont()));
    ASSERT_EQ(font->LastError(), 0);
    CGraphicsObject screen(nullptr, CXSize(60, 4), 16);
    font->SetDestiny(&screen);

    EXPECT_EQ(font->getRealLetterWidth('a'), 5);
    EXPECT_EQ(font->drawLetter(10, 0, 0, 'a'), 7) << "ink 5 and two blank pixels";
    EXPECT_EQ(row(screen, 0, 8, 18), "..#####...") << "the ink starts at x";

    // Kerning of both signs, only after a letter of the font.
    EXPECT_EQ(font->getLetterWidth('a', 'l'), 8 - 2);
    EXPECT_EQ(font->getLetterWidth('l', 'a'), 5 + 3);
    EXPECT_EQ(font->getLetterWidth(0, 'l'), 8);
    EXPECT_EQ(font->getLetterWidth('x', 'l'), 8);
    EXPECT_EQ(font->drawLetter(30, 1, 'a', 'l'), 8 - 2 + 2);
    EXPECT_EQ(row(screen, 1, 26, 40), "..########....") << "moved two pixels left";

    // Space, "~", unknown letters and the zero character.
    CGraphicsObject blank(nullptr, CXSize(60, 4), 16);
    font->SetDestiny(&blank);
    EXPECT_EQ(font->getRealLetterWidth(' '), 8) << "a space is as wide as l";
    EXPECT_EQ(font->drawLetter(0, 2, 'a', ' '), 10);
    EXPECT_EQ(font->getRealLetterWidth('~'), 1);
    EXPECT_EQ(font->drawLetter(0, 2, 0, '~'), 3);
    EXPECT_EQ(font->getRealLetterWidth('z'), 0);
    EXPECT_EQ(font->drawLetter(0, 2, 0, 'z'), 2);
    EXPECT_EQ(font->drawLetter(0, 2, 0, '\0'), 2);
    EXPECT_EQ(row(blank, 2, 0, 60), std::string(60, '.')) << "none of them draws";
    font->SetDestiny(&screen);

    // "@" and "$" are "<" and ">"; letters above 127 are letters too.
    EXPECT_EQ(font->getRealLetterWidth('@'), 10);
    EXPECT_EQ(font->getRealLetterWidth('$'), 0) << "the font has no >";
    EXPECT_EQ(font->getRealLetterWidth(char(0xB9)), 2) << "ą";
    EXPECT_EQ(font->getRealLetterWidth(char(0xB3)), 2) << "ł";
    EXPECT_EQ(font->drawLetter(50, 3, 0, char(0xB3)), 4);
    EXPECT_EQ(row(screen, 3, 48, 54), "..##..");
}

TEST_F(FontTest, ClippedLettersKeepTheirAdvanceAndColoursFollowTheFont) {
    auto font = load(fntBytes(cellFont()));
    CGraphicsObject screen(nullptr, CXSize(20, 4), 16);
    font->SetDestiny(&screen);
    font->SetClippingRect('a', CXRect(1, 1, 3, 3));
    EXPECT_EQ(font->drawLetter(5, 0, 0, 'a'), 7);
    EXPECT_EQ(row(screen, 0, 0, 20), std::string(20, '.'));
    EXPECT_EQ(row(screen, 1, 0, 20), "......##............") << "columns 1 and 2 of the ink, rows 1 and 2";
    EXPECT_EQ(row(screen, 3, 0, 20), std::string(20, '.'));
    font->SetClippingRect('a', CXRect(0, 0, 0, 0));

    font->setColor(0x07E0);
    EXPECT_EQ(font->getColor(), 0x07E0);
    font->drawLetter(0, 0, 0, 'l');
    EXPECT_EQ(at(screen, 1, 0), 0x07E0);
    EXPECT_EQ(at(*font, 25, 2), 0x07E0) << "the atlas shows the colour in every cell";
    EXPECT_EQ(at(*font, 0, 2), 0x07E0) << "blank columns too: the alpha plane alone shapes the letters";
    EXPECT_EQ(font->GetChannelAlpha()[2 * 50], 0);
}

TEST_F(FontTest, FontsAreMadeOfAnimations) {
    FntGlyph faint = {'f', {"......", ".+-...", ".+....", "......"}};
    FntGlyph blank = {' ', {"......", "......", "......", "......"}};
    FntGlyph bar = {'|', {"......", "..#...", "..#...", "......"}};
    FntGlyph edge = {'e', {"#.....", "#.....", "#.....", "#....."}};
    put("f.ann", fontAnimationBytes({faint, blank, bar, edge}));
    CSimpleFont6 font(nullptr);
    ASSERT_EQ(font.create(CXString(root("/f.ann").c_str()), CXString(root("/f.fnt").c_str())), 0);
    EXPECT_EQ(font.getLetterCount(), 4);
    EXPECT_EQ(font.Width(), 24);
    EXPECT_EQ(font.getRealLetterWidth('f'), 2) << "any alpha but 0 is ink for the offsets";
    EXPECT_EQ(font.getRealLetterWidth('e'), 0) << "the border is cleared first";
    EXPECT_EQ(font.getRealLetterWidth('|'), 1);
    // Kerning: f's ink is more than 20 only in column 1, and | starts on the same rows.
    EXPECT_EQ(font.getKerning('f', '|'), 1 - 1) << "column 2 holds only alpha 20";
    EXPECT_EQ(font.getKerning('|', '|'), 1);

    CSimpleFont6 read(nullptr, CXString(root("/f.fnt").c_str()));
    ASSERT_EQ(read.LastError(), 0);
    EXPECT_EQ(read.getKerning('|', '|'), 1);
    std::vector<uint8_t> made, again;
    font.save(made);
    read.save(again);
    EXPECT_EQ(made, again);
    const std::string file = this->read("f.fnt");
    EXPECT_EQ(file[20 + 4 + 16 + 1], 6) << "a blank letter: left offset the cell width";
    EXPECT_EQ(file[20 + 4 + 16 + 4 + 1], 0) << "and right offset 0";

    // Stems of full height: the next letter touches.
    put("hj.ann", fontAnimationBytes({letterH(), letterJ()}));
    CSimpleFont6 hj(nullptr);
    ASSERT_EQ(hj.create(CXString(root("/hj.ann").c_str()), CXString(root("/hj.fnt").c_str())), 0);
    EXPECT_EQ(hj.getKerning('H', 'H'), 1);
    EXPECT_EQ(hj.getKerning('J', 'H'), 1);
    EXPECT_EQ(hj.getKerning('H', 'J'), 1) << "J's first ink column meets H's stem on row 5";

    // Ink on rows apart lets the next letter in by every free column; on neighbouring rows by one.
    const std::string blankRow = "........";
    FntGlyph up = {'u', std::vector<std::string>(8, blankRow)}, down = up, middle = up;
    up.letter = 'u';
    down.letter = 'd';
    middle.letter = 'm';
    up.rows[1] = down.rows[6] = middle.rows[2] = "..####..";
    put("apart.ann", fontAnimationBytes({up, down, middle}));
    CSimpleFont6 apart(nullptr);
    ASSERT_EQ(apart.create(CXString(root("/apart.ann").c_str()), CXString(root("/apart.fnt").c_str())), 0);
    EXPECT_EQ(apart.getKerning('u', 'd'), 1 - 4);
    EXPECT_EQ(apart.getKerning('u', 'm'), 1 - 1);
    EXPECT_EQ(apart.getKerning('d', 'u'), 1 - 4);
}

TEST_F(FontTest, FontsAreNotMadeOfUnfitAnimations) {
    CLogCapture log;
    FntGlyph small = {'s', {"...", ".#.", "..."}};
    FntGlyph big = {'b', {"....", ".##.", ".##.", "...."}};
    put("mixed.ann", fontAnimationBytes({small, big}));
    CSimpleFont6 font(nullptr);
    EXPECT_EQ(font.create(CXString(root("/mixed.ann").c_str()), CXString(root("/mixed.fnt").c_str())),
              ERR_FILE_DAMAGED);
    EXPECT_FALSE(std::filesystem::exists(m_tmp.path() / "mixed.fnt"));

    put("wide.ann", fontAnimationBytes({blockGlyph('w', 128, 2, 1, 1)}));
    EXPECT_EQ(font.create(CXString(root("/wide.ann").c_str()), CXString(root("/wide.fnt").c_str())),
              ERR_FILE_DAMAGED);
    EXPECT_FALSE(std::filesystem::exists(m_tmp.path() / "wide.fnt"));

    EXPECT_EQ(font.create(CXString(root("/none.ann").c_str()), CXString(root("/none.fnt").c_str())),
              ERR_FILE_NOT_FOUND);

    put("ok.ann", fontAnimationBytes({small}));
    EXPECT_EQ(
        font.create(CXString(root("/ok.ann").c_str()), CXString(root("/no/such/folder/ok.fnt").c_str())),
        ERR_FILE_WRITE);
    EXPECT_TRUE(log.contains("mixed.ann"));
}

TEST_F(FontTest, CollectionsFindFontsAndForgetDeletedOnes) {
    const std::string bytes = fntBytes(cellFont());
    put("c.fnt", bytes);
    auto regular = std::make_unique<CSimpleFont6>(nullptr, CXString(root("/c.fnt").c_str()));
    auto bold = std::make_unique<CSimpleFont6>(nullptr, CXString(root("/c.fnt").c_str()));
    regular->setFamily("Arial");
    regular->setStyle("STANDARD");
    regular->setSize(12);
    bold->setFamily("Arial");
    bold->setStyle("BOLD");
    bold->setSize(12);

    CFontCollection collection(nullptr);
    EXPECT_EQ(collection.Height(), 0);
    EXPECT_EQ(collection.getLetterWidth(0, 'a'), 0);
    collection.addFont(regular.get());
    collection.addFont(bold.get());
    collection.addFont(regular.get());
    EXPECT_EQ(collection.getFontCount(), 2);
    EXPECT_EQ(collection.getBaseFont(), regular.get());
    EXPECT_TRUE(collection.isMultifont());
    EXPECT_EQ(collection.get("arial", "bold", 12), bold.get()) << "letter case is ignored";
    EXPECT_EQ(collection.get("ARIAL", "BOLD", 13), nullptr) << "the size is not";
    EXPECT_EQ(collection.Height(), 4);
    EXPECT_EQ(collection.getLetterWidth('a', 'l'), 6);

    collection.setColor(0x001F);
    collection.SetOpacity(128);
    EXPECT_EQ(bold->getColor(), 0x001F);
    EXPECT_EQ(bold->GetOpacity(), 128);

    regular.reset();
    EXPECT_EQ(collection.getFontCount(), 1);
    EXPECT_EQ(collection.getBaseFont(), nullptr);
    EXPECT_EQ(collection.get("Arial", "STANDARD", 12), nullptr);
    EXPECT_EQ(collection.get("Arial", "BOLD", 12), bold.get());
}

TEST_F(FontTest, AnimationFontsDrawTheirFrames) {
    FntGlyph a = {'A', {"###", "#.#", "###"}};
    FntGlyph b = {'b', {"####", "#..#", "####"}};
    FntGlyph unnamed = {0, {"#..", "...", "..."}};
    put("font5.ann", fontAnimationBytes({a, unnamed, b}, 0x4321));
    CFont5 font(nullptr, CXString(root("/font5.ann").c_str()));
    EXPECT_EQ(font.LastError(), 0);
    EXPECT_EQ(font.getAlphabet().GetLength(), 3) << "a frame without a name keeps its place";
    EXPECT_EQ(font.getLetterSize('b').cx, 4);
    EXPECT_EQ(font.getLetterHeight('A'), 3);
    EXPECT_EQ(font.getLetterWidth('z'), 0);
    EXPECT_EQ(font.getAlphabetHeight(), 3);
    EXPECT_EQ(font.getLengthInPixels("A bA", 1), 4 + 3 + 5 + 4);

    CGraphicsObject screen(nullptr, CXSize(10, 3), 16);
    font.setDestiny(&screen);
    EXPECT_EQ(font.drawLetter(2, 0, 'A'), 3);
    EXPECT_EQ(font.drawLetter(6, 0, 'q'), 0);
    EXPECT_EQ(row(screen, 1, 0, 10), "..#.#.....");
    EXPECT_EQ(row(screen, 0, 0, 10), "...#......") << "the frame's corners are cleared";

    CFont5 missing(nullptr, CXString(root("/none.ann").c_str()));
    EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.getAlphabetHeight(), 0);
}
