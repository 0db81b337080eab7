// The sample game's pictures, as the build paints them, read back through the engine's image reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/Color.h"
#include "display/Image.h"
#include "main/MenuFont.h"
#include "media/SoundFixtures.h"
#include "media/anim/Animo6.h"
#include "media/text/SimpleFont6.h"
#include "media/text/Text6.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

uint16_t rgb(int r, int g, int b) {
    return static_cast<uint16_t>(CColor(uint8_t(r), uint8_t(g), uint8_t(b)).GetInBPP(16));
}

} // namespace

TEST(SamplePictures, EverySceneHasItsBackgroundWithItsMarker) {
    const std::string scenes = std::string(KAVIREL_BINARY_DIR) + "/samples/Przyklad/Dane/DZIEN/";
    struct {
        const char* name;
        uint16_t marker, skyTop, ground;
    } expected[] = {
        {"PORANEK", rgb(255, 0, 0), rgb(96, 160, 255), rgb(80, 160, 64)},
        {"POLUDNIE", rgb(0, 255, 0), rgb(40, 120, 255), rgb(96, 176, 48)},
        {"WIECZOR", rgb(0, 0, 255), rgb(40, 20, 80), rgb(40, 60, 40)},
    };
    for (const auto& scene : expected) {
        const std::string file = scenes + scene.name + "/" + scene.name + ".IMG";
        CImage image(nullptr);
        ASSERT_EQ(image.Load(CXString(CPlatformFiles::toEngineName(file).c_str()), false), 0) << file;
        ASSERT_EQ(image.Width(), 800);
        ASSERT_EQ(image.Height(), 600);
        auto* pixels = reinterpret_cast<const uint16_t*>(image.GetDataPtr());
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(pixels[540 * 800 + 80], scene.marker) << scene.name;
        EXPECT_EQ(pixels[400], scene.skyTop) << scene.name;
        EXPECT_EQ(pixels[599 * 800 + 799], scene.ground) << scene.name;
    }
}

// The morning scene's bird, as the build writes it with the engine's animation writer, loads and draws, and
// its wings beat audibly on the down stroke, from the game's sound folder.
TEST(SamplePictures, TheMorningBirdFlies) {
    const std::string game = std::string(KAVIREL_BINARY_DIR) + "/samples/Przyklad";
    KavirelTest::CSoundWorld world;
    world.window.SetSoundFXPath(CXString(CPlatformFiles::toEngineName(game + "/Wavs").c_str()));
    CAnimo6 bird(&world.window,
                 CXString(CPlatformFiles::toEngineName(game + "/Dane/DZIEN/PORANEK/PTAK.ANN").c_str()));
    ASSERT_EQ(bird.LastError(), 0);
    ASSERT_EQ(bird.GetNOF(), 4);
    EXPECT_EQ(bird.GetEventNo(CXString("lot")), 0);
    EXPECT_EQ(bird.GetFrame(0)->GetCompression(), COMPRESSION_RLE);
    bird.Play(CXString("LOT"), 0);
    bird.next();
    EXPECT_EQ(world.frame()[0], 0);
    CGraphicsObject sky(nullptr, CXSize(400, 200), 16);
    bird.redraw(&sky);
    const auto* pixels = reinterpret_cast<const uint16_t*>(sky.GetDataPtr());
    EXPECT_EQ(pixels[155 * 400 + 314], rgb(40, 30, 30)) << "the body, 6 pixels on in the second frame";
    EXPECT_EQ(pixels[150 * 400 + 306], 0) << "transparent around it";
    bird.next();
    EXPECT_EQ(world.frame()[0], 9000) << "the wing beat starts with the down stroke";
    for (int i = 0; i < 2; ++i) bird.next();
    EXPECT_EQ(bird.GetCurrentFrameInSequence(), 0) << "it loops";
    EXPECT_TRUE(bird.IsPlaying());
}

// The sample's fonts, made at build time of the menu's lettering, draw it; the bold one doubles its strokes.
TEST(SamplePictures, TheMenuLetteringIsAFontInTwoWeights) {
    const std::string folder = std::string(KAVIREL_BINARY_DIR) + "/samples/Przyklad/Dane/FONTY/";
    CSimpleFont6 regular(nullptr, CXString(CPlatformFiles::toEngineName(folder + "MENU.FNT").c_str()));
    CSimpleFont6 bold(nullptr, CXString(CPlatformFiles::toEngineName(folder + "MENUB.FNT").c_str()));
    ASSERT_EQ(regular.LastError(), 0);
    ASSERT_EQ(bold.LastError(), 0);
    EXPECT_EQ(regular.Height(), kMenuGlyphHeight + 2);
    EXPECT_EQ(regular.getLetterCount(), bold.getLetterCount());
    EXPECT_GE(regular.findLetter(char(0xB3)), 0) << "code page 1250 letters are there";

    CGraphicsObject line(nullptr, CXSize(40, regular.Height()), 16);
    regular.SetDestiny(&line);
    regular.setColor(rgb(255, 255, 0));
    const int advance = regular.drawLetter(3, 0, 0, 'H');
    EXPECT_EQ(advance, regular.getRealLetterWidth('H') + 2);
    const auto* pixels = reinterpret_cast<const uint16_t*>(line.GetDataPtr());
    const uint8_t* glyph = menuGlyph('H');
    // The menu's H has its stems in columns 0 and 4 of the glyph: the ink starts at the first.
    for (int y = 0; y < kMenuGlyphHeight; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixels[(y + 1) * 40 + 3 + x] != 0, (glyph[y] & (0x80 >> x)) != 0) << x << "," << y;
    EXPECT_EQ(pixels[5 * 40 + 3], rgb(255, 255, 0));
    EXPECT_EQ(bold.getRealLetterWidth('H'), regular.getRealLetterWidth('H') + 1);

    // The morning's title as the scene shows it: its letters stand evenly, 2 columns apart, in both weights and
    // across the change of weight ("r" then "a" once stood 5 apart, the comma after the bold word 2 against 1).
    for (CSimpleFont6* font : {&regular, &bold}) {
        font->setFamily("MENU");
        font->setSize(13);
    }
    regular.setStyle("STANDARD");
    bold.setStyle("BOLD");
    CFontCollection fonts(nullptr);
    fonts.addFont(&regular);
    fonts.addFont(&bold);
    CGraphicsObject title(nullptr, CXSize(200, regular.Height()), 16);
    CText6 text(nullptr, true, nullptr);
    text.SetDestiny(&title);
    text.setFont(&fonts);
    text.setText("<B>Poranek<B>, godzina \xF3sma");
    text.Redraw();
    // The runs of columns with ink, and the gaps between them ("_" for a space).
    const auto* drawn = reinterpret_cast<const uint16_t*>(title.GetDataPtr());
    std::vector<int> widths;
    std::string gaps;
    for (int x = 0, gap = 0; x < title.Width(); ++x) {
        bool ink = false;
        for (int y = 0; y < title.Height(); ++y) ink = ink || drawn[y * title.Width() + x] != 0;
        if (!ink) {
            ++gap;
            continue;
        }
        if (gap > 0 && !widths.empty()) gaps += gap > 4 ? "_" : std::to_string(gap);
        if (gap > 0 || widths.empty()) widths.push_back(0);
        ++widths.back();
        gap = 0;
    }
    EXPECT_EQ(gaps, "2222222_222222_222");
    ASSERT_EQ(widths.size(), 19u);
    EXPECT_EQ(widths[1], widths[9] + 1) << "the first o is bold, the second standard";
}
