// The bundled sample game run headless through the game harness: its scenes follow their timers, its
// behaviours keep their values in the ini file, its tune plays and loops, and its scenes make the menu's
// first popup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/XVersion.h"
#include "display/Color.h"
#include "harness/GameHarness.h"
#include "main/ScenesMenu.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "script/Application.h"
#include "script/RunnerFactory.h"
#include "script/Variable.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

void copySample(CGameFolder& folder) {
    const std::filesystem::path sample = std::filesystem::path(KAVIREL_BINARY_DIR) / "samples" / "Przyklad";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(sample))
        if (entry.is_regular_file())
            folder.copy(entry.path(), entry.path().lexically_relative(sample).generic_string());
}

// 20 ms frames: a scene's clock of 3000 ms ticks within 151 frames, and its change happens on the next step.
constexpr int kSceneFrames = 152;

// What the object's method (one without arguments) returns, as text; "<null>" for no result.
std::string methodValue(CMC_Object* object, const char* method) {
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(object->getType());
    CMC_Variable* result = runner->run(CXString(method), object, object->getScene(), nullptr);
    std::string text = result ? result->toString().GetBuffer() : "<null>";
    CMC_Object::flush(result);
    return text;
}

// The screen's pixel at (x, y).
uint16_t pixelAt(CGameRun& run, int x, int y) {
    CDisplay* display = run.display();
    return display->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + size_t(x)];
}

// A left click at (x, y), then the given frames.
void click(CGameRun& run, int x, int y, int frames = 1) {
    run.input()->injectMouseButton(0, true, x, y, 1);
    run.input()->injectMouseButton(0, false, x, y);
    run.frames(frames);
}

} // namespace

TEST(SampleGame, ScenesFollowTheirClocksAndTheGameKeepsWhatItComputed) {
    CGameFolder folder;
    copySample(folder);
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(run.sceneName(), "PORANEK");
    run.frames(kSceneFrames);
    EXPECT_EQ(run.sceneName(), "POLUDNIE");
    run.frames(kSceneFrames);
    EXPECT_EQ(run.sceneName(), "WIECZOR");
    run.frames(kSceneFrames);
    EXPECT_EQ(run.sceneName(), "PORANEK");
    EXPECT_EQ(run.iniInt("KSIEGA", "ODWIEDZINY"), 4);
    EXPECT_EQ(run.ini("KSIEGA", "OSTATNIA"), "PORANEK");
    EXPECT_EQ(run.iniInt("KSIEGA", "GODZINY"), 8 + 12 + 20 + 8);
    EXPECT_EQ(run.iniInt("KSIEGA", "SREDNIA"), 48 / 4);
    // The day's tune (2 s) plays on through the scenes and each of its loops is counted.
    EXPECT_GE(run.iniInt("KSIEGA", "PETLE"), 3);
    int peak = 0;
    for (int16_t sample : run.audio()) peak = std::max(peak, std::abs(static_cast<int>(sample)));
    EXPECT_GE(peak, 11500);
    EXPECT_LE(peak, 12000);
    // The last three scenes, in the application's section.
    EXPECT_EQ(run.ini("PRZYKLAD", "OSTATNIE"), "POLUDNIE,WIECZOR,PORANEK");
}

TEST(SampleGame, TheLastScenesCarryOverToTheNextRun) {
    CGameFolder folder;
    copySample(folder);
    {
        CGameRun run(folder);
        run.frames(kSceneFrames);
        EXPECT_EQ(run.ini("PRZYKLAD", "OSTATNIE"), "PORANEK,POLUDNIE");
    }
    CGameRun run(folder);
    EXPECT_EQ(run.ini("PRZYKLAD", "OSTATNIE"), "PORANEK,POLUDNIE,PORANEK");
    run.frames(kSceneFrames);
    EXPECT_EQ(run.ini("PRZYKLAD", "OSTATNIE"), "POLUDNIE,PORANEK,POLUDNIE");
}

TEST(SampleGame, ItsScenesMakeTheMenusFirstPopup) {
    CGameFolder folder;
    copySample(folder);
    CGameRun run(folder);
    ASSERT_NE(run.app(), nullptr);
    CScenesMenu menu;
    buildScenesMenu(run.app(), menu);
    ASSERT_EQ(menu.popups().size(), 3u);
    const CScenesMenu::SPopup& scenes = menu.popups()[0];
    EXPECT_STREQ(scenes.title.GetBuffer(), "PRZYKLAD");
    ASSERT_EQ(scenes.items.size(), 5u);
    const char* names[] = {"PORANEK", "POLUDNIE", "WIECZOR"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(scenes.items[size_t(i)].text.GetBuffer(), names[i]);
        EXPECT_EQ(scenes.items[size_t(i)].id, i);
    }
    EXPECT_TRUE(scenes.items[3].separator);
    EXPECT_EQ(scenes.items[4].id, CScenesMenu::ID_VERSION);
    EXPECT_STREQ(scenes.items[4].text.GetBuffer(), CXVersion::getCurrentVersion()->toString().GetBuffer());
    EXPECT_STREQ(menu.popups()[1].title.GetBuffer(), "&Program");

    // Choosing a scene changes nothing: only Exit and Redraw are commands the program carries out.
    menu.setAvailable(true);
    menu.open(0);
    CInputEvent down;
    down.type = EInputEventType::KeyDown;
    down.key = kKeyDown;
    menu.filter(down);
    down.key = kKeyEnter;
    menu.filter(down);
    EXPECT_EQ(menu.takeCommands(), std::vector<int>{1});
    run.frames(2);
    EXPECT_EQ(run.sceneName(), "PORANEK");
}

// The morning's sun (an IMAGE) rises on the screen and, clicked, plays its chime (a SOUND of the sound
// folder).
TEST(SampleGame, TheMorningSunRisesAndChimesWhenClicked) {
    CGameFolder folder;
    copySample(folder);
    CGameOptions options;
    options.screen = true;
    options.soundFolder = "Wavs";
    CGameRun run(folder, options);
    ASSERT_TRUE(run.started());
    CMC_Object* sun = run.find("SLONCE");
    CMC_Object* chime = run.find("DZWONEK");
    ASSERT_TRUE(sun && chime);
    EXPECT_EQ(methodValue(sun, "GETPOSITIONY"), "330");
    run.frames(21); // eight ticks of its 50 ms timer
    EXPECT_EQ(methodValue(sun, "GETPOSITIONY"), "314");
    const uint16_t orange = static_cast<uint16_t>(CColor(255, 160, 0).GetInBPP(16));
    EXPECT_EQ(pixelAt(run, 592, 346), orange) << "the sun's middle";
    EXPECT_NE(pixelAt(run, 561, 315), orange) << "its transparent corner shows the sky";

    EXPECT_EQ(methodValue(chime, "ISPLAYING"), "FALSE");
    click(run, 592, 346);
    EXPECT_EQ(methodValue(chime, "ISPLAYING"), "TRUE");
    run.frames(kSceneFrames);
    EXPECT_EQ(run.sceneName(), "POLUDNIE");
}

// The morning's bird flaps by itself from the scene's start (the animation's looping event "LOT"), its
// wings' down stroke sounding their beat (Wavs/SKRZYDLA.WAV), heard alone once the day's tune is stopped.
TEST(SampleGame, TheMorningBirdFlapsWithTheSoundOfItsWings) {
    CGameFolder folder;
    copySample(folder);
    CGameOptions options;
    options.screen = true;
    options.soundFolder = "Wavs";
    CGameRun run(folder, options);
    ASSERT_EQ(run.sceneName(), "PORANEK");
    CMC_Object* bird = run.find("PTAK");
    ASSERT_TRUE(bird);
    run.frames(1);
    run.window()->StopMusic();
    const size_t before = run.audio().size();
    EXPECT_EQ(methodValue(bird, "GETEVENTNAME"), "LOT");
    EXPECT_EQ(methodValue(bird, "ISPLAYING"), "TRUE");
    // The bird's box (24 x 12 at 300, 150) over a whole loop of four frames at 10 a second.
    auto box = [&run]() {
        std::vector<uint16_t> pixels;
        for (int y = 150; y < 162; ++y)
            for (int x = 300; x < 324; ++x) pixels.push_back(pixelAt(run, x, y));
        return pixels;
    };
    std::vector<std::vector<uint16_t>> seen;
    for (int i = 0; i < 25; ++i) {
        run.frames(1);
        if (std::find(seen.begin(), seen.end(), box()) == seen.end()) seen.push_back(box());
    }
    EXPECT_EQ(seen.size(), 3u) << "wings up, level and down";
    const uint16_t body = static_cast<uint16_t>(CColor(40, 30, 30).GetInBPP(16));
    EXPECT_EQ(pixelAt(run, 312, 155), body) << "the bird flaps in its place";
    int peak = 0;
    for (size_t i = before; i < run.audio().size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(run.audio()[i])));
    EXPECT_GE(peak, 8500) << "the wings' beat peaks at 9000";
    EXPECT_LE(peak, 9000);
}

// The morning's bird (an ANIMO button): a click beside it does nothing; one over it flaps its wings (the
// animation's ONCLICK event, once, without the wings' beat) and rings the chime, heard alone once the day's
// tune is stopped; then it flaps on as before.
TEST(SampleGame, ClickingTheMorningBirdFlapsItsWingsAndRingsTheChime) {
    CGameFolder folder;
    copySample(folder);
    CGameOptions options;
    options.input = true;
    options.soundFolder = "Wavs";
    CGameRun run(folder, options);
    ASSERT_EQ(run.sceneName(), "PORANEK");
    CMC_Object* bird = run.find("PTAK");
    CMC_Object* chime = run.find("DZWONEK");
    ASSERT_TRUE(bird && chime);
    run.frames(2);
    run.window()->StopMusic();
    click(run, 280, 156);
    EXPECT_EQ(methodValue(chime, "ISPLAYING"), "FALSE");
    EXPECT_EQ(methodValue(bird, "GETEVENTNAME"), "LOT");
    const size_t before = run.audio().size();
    click(run, 312, 156);
    EXPECT_EQ(methodValue(bird, "GETEVENTNAME"), "ONCLICK");
    EXPECT_EQ(methodValue(bird, "ISPLAYING"), "TRUE");
    EXPECT_EQ(methodValue(chime, "ISPLAYING"), "TRUE");
    run.frames(20);
    EXPECT_EQ(methodValue(chime, "ISPLAYING"), "FALSE");
    int peak = 0;
    for (size_t i = before; i < run.audio().size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(run.audio()[i])));
    EXPECT_GE(peak, 5000) << "the chime peaks near 6000";
    EXPECT_LE(peak, 6000);
    run.frames(50);
    EXPECT_EQ(methodValue(bird, "GETEVENTNAME"), "LOT") << "the click's flap plays once";
    EXPECT_EQ(methodValue(bird, "ISPLAYING"), "TRUE");
}

// Each scene shows its name and hour (a TEXT in the menu's lettering) and a BUTTON to the next scene; the
// button's clicks are counted in the player's ini file.
TEST(SampleGame, TheSceneShowsItsTextAndItsButtonLeadsOn) {
    CGameFolder folder;
    copySample(folder);
    CGameOptions options;
    options.input = true;
    options.screen = true;
    CGameRun run(folder, options);
    ASSERT_EQ(run.sceneName(), "PORANEK");
    run.frames(1);
    // The sky is one colour a row: the letters are what differs from the row's far end.
    auto inked = [&]() {
        int ink = 0;
        for (int y = 20; y < 40; ++y)
            for (int x = 20; x < 300; ++x) ink += pixelAt(run, x, y) != pixelAt(run, 790, y);
        return ink;
    };
    EXPECT_GT(inked(), 100);
    const uint16_t face = static_cast<uint16_t>(CColor(160, 96, 32).GetInBPP(16));
    EXPECT_EQ(pixelAt(run, 720, 540), face) << "the button's standard picture";
    run.input()->injectMouseMove(720, 540);
    run.frames(2);
    EXPECT_EQ(pixelAt(run, 720, 540), static_cast<uint16_t>(CColor(224, 160, 64).GetInBPP(16)))
        << "pointer over it";
    click(run, 720, 540, 2);
    EXPECT_EQ(run.sceneName(), "POLUDNIE");
    EXPECT_EQ(run.iniInt("PRZYKLAD", "KLIKNIECIA"), 1);
    run.frames(1);
    EXPECT_GT(inked(), 100) << "the noon's own text";
}

// The evening comes in from black (its curtain's FILTER FADEOUT) and, once the curtain is gone, its setting
// sun turns grey (a STATICFILTER GRAYSCALE).
TEST(SampleGame, TheEveningFadesInAndItsSettingSunTurnsGrey) {
    CGameFolder folder;
    copySample(folder);
    CGameOptions options;
    options.screen = true;
    options.soundFolder = "Wavs";
    CGameRun run(folder, options);
    ASSERT_TRUE(run.started());
    run.frames(2 * kSceneFrames);
    ASSERT_EQ(run.sceneName(), "WIECZOR");
    const uint16_t marker = static_cast<uint16_t>(CColor(0, 0, 255).GetInBPP(16));
    EXPECT_NE(pixelAt(run, 60, 540), marker) << "the curtain still covers the scene";
    run.frames(30);
    EXPECT_EQ(pixelAt(run, 60, 540), marker) << "the curtain is gone";
    // Orange (31, 40, 0) in grey: (0 + 20 + 31) / 3 in each field.
    EXPECT_EQ(pixelAt(run, 632, 332), 17 * 2113) << "the sun's middle, grey";
}

// The noon lays its path (a PATTERN of two tiles) and shows its sun again low over the meadow (a
// VIRTUALGRAPHICSOBJECT showing the background picture through a round mask).
TEST(SampleGame, TheNoonPavesItsPathAndShowsItsSunThroughARoundMask) {
    CGameFolder folder;
    copySample(folder);
    CGameOptions options;
    options.screen = true;
    CGameRun run(folder, options);
    ASSERT_TRUE(run.started());
    run.frames(kSceneFrames);
    ASSERT_EQ(run.sceneName(), "POLUDNIE");
    run.frames(2);
    CDisplay* display = run.display();
    auto screen = [display](int x, int y) {
        return display->pixels()[static_cast<size_t>(y) * static_cast<size_t>(display->pitch()) + size_t(x)];
    };
    auto colour = [](int r, int g, int b) { return static_cast<uint16_t>(CColor(r, g, b).GetInBPP(16)); };
    // Tiles from (200, 440), 40 px each, the two kinds in turn (tools/MakeSamplePictures.cpp).
    EXPECT_EQ(screen(220, 460), colour(200, 180, 140));
    EXPECT_EQ(screen(260, 460), colour(160, 160, 160));
    EXPECT_EQ(screen(580, 460), colour(160, 160, 160));
    EXPECT_EQ(screen(200, 440), colour(120, 100, 80)) << "a tile's rim";
    EXPECT_EQ(screen(620, 460), colour(96, 176, 48)) << "the meadow past the path";
    // The mask at (340, 20) picks the sun (400, 80) out of the background; the spotlight shows it at (600, 240).
    EXPECT_EQ(screen(660, 300), colour(255, 255, 255)) << "the sun in the spotlight";
    EXPECT_NE(screen(602, 242), colour(255, 255, 255)) << "the mask's clear corner shows the sky";
    EXPECT_NE(screen(660, 300 - 70), colour(255, 255, 255)) << "above the spotlight";
}
