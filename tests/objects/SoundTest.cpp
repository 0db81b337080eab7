#include "objects/MediaFixtures.h"

#include <climits>
#include <cmath>
#include <filesystem>

#include "objects/Sound.h"

namespace KavirelTest {

namespace {

// A 16-bit mono PCM file of one constant sample.
std::string tone(int16_t value, int samples) {
    std::string data;
    for (int i = 0; i < samples; ++i) {
        data += static_cast<char>(value & 0xFF);
        data += static_cast<char>((value >> 8) & 0xFF);
    }
    auto le32 = [](uint32_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string fmt =
        std::string("\x01\x00\x01\x00", 4) + le32(22050) + le32(44100) + std::string("\x02\x00\x10\x00", 4);
    std::string chunks = "fmt " + le32(16) + fmt + "data" + le32(static_cast<uint32_t>(data.size())) + data;
    return "RIFF" + le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

const std::vector<std::pair<std::string, std::string>> kWaves = {{"Wavs/TONE.WAV", tone(8000, 22050)},
                                                                 {"Wavs/SHORT.WAV", tone(8000, 441)}};

std::string sound(const char* name, const char* file, const Properties& extra = {}) {
    Properties p = {{"TYPE", "SOUND"}, {"FILENAME", file}, {"PRELOAD", "TRUE"}};
    p.insert(p.end(), extra.begin(), extra.end());
    return object(name, p);
}

// The loudest sample of the last frame the mixer rendered, left (0) or right (1).
int lastFrameLevel(CGameRun& run, size_t channel = 0) {
    const std::vector<int16_t>& audio = run.audio();
    size_t frame = 2 * 44100 * 20 / 1000;
    int level = 0;
    for (size_t i = (audio.size() >= frame ? audio.size() - frame : 0) + channel; i < audio.size(); i += 2)
        level = std::max(level, std::abs(static_cast<int>(audio[i])));
    return level;
}

} // namespace

TEST(ScriptSound, VolumeAndPanAreComputedInSixtyFourBits) {
    EXPECT_EQ(CMC_Sound::volumeOf(800), 0);
    EXPECT_EQ(CMC_Sound::volumeOf(26), -3096);
    EXPECT_EQ(CMC_Sound::volumeOf(25), -10000);
    EXPECT_EQ(CMC_Sound::volumeOf(INT_MIN), -10000); // 32 bits would wrap to a loud positive value
    EXPECT_EQ(CMC_Sound::panOf(400), 0);
    EXPECT_EQ(CMC_Sound::panOf(0), -800);
    EXPECT_EQ(CMC_Sound::panOf(2000), 10000);
    EXPECT_EQ(CMC_Sound::panOf(INT_MAX), 10000);
    EXPECT_EQ(CMC_Sound::panOf(INT_MIN), -10000);
}

TEST(ScriptSound, PlaysThroughTheMixerAtItsVolumeAndRaisesItsEvents) {
    MediaGame game(sound("S", "TONE.WAV",
                         {{"ONSTARTED", logged("start.")},
                          {"ONFINISHED", logged("end.")},
                          {"ONRESUMED", logged("resume.")}}) +
                       sound("SHORT", "SHORT.WAV", {{"ONFINISHED", logged("short.")}}),
                   false, kWaves);
    auto* s = game.find<CMC_Sound>("S");
    ASSERT_TRUE(s && s->getSound() && s->getSound()->isLoaded());
    game.call("S", "PLAY");
    game.run->frames(2);
    EXPECT_EQ(lastFrameLevel(*game.run), 8000);
    EXPECT_EQ(game.call("S", "ISPLAYING"), "TRUE");
    EXPECT_EQ(game.log(), "start.");

    game.call("S", "SETVOLUME", {"26"});
    game.run->frames(2);
    EXPECT_NEAR(lastFrameLevel(*game.run), 8000 * std::pow(10.0, -3096 / 2000.0), 1.0);
    game.call("S", "SETVOLUME", {"25"});
    game.run->frames(2);
    EXPECT_EQ(lastFrameLevel(*game.run), 0);
    game.call("S", "SETVOLUME", {"800"});
    // SETPAN 0 is -800: the right side falls by 8 dB.
    game.call("S", "SETPAN", {"0"});
    game.run->frames(2);
    EXPECT_EQ(lastFrameLevel(*game.run), 8000);
    EXPECT_NEAR(lastFrameLevel(*game.run, 1), 8000 * std::pow(10.0, -800 / 2000.0), 1.0);
    game.call("S", "SETPAN", {"400"});

    game.call("S", "PAUSE");
    game.call("S", "RESUME");
    game.run->frames(1);
    EXPECT_EQ(game.log(), "resume.");

    game.call("S", "STOP", {"FALSE"});
    game.run->frames(3);
    EXPECT_EQ(lastFrameLevel(*game.run), 0);
    EXPECT_EQ(game.log(), "");
    game.call("S", "PLAY");
    game.call("S", "STOP");
    game.run->frames(2);
    EXPECT_EQ(game.log(), "start.end.");

    game.call("SHORT", "PLAY");
    game.run->frames(4);
    EXPECT_EQ(game.log(), "short.");
    EXPECT_EQ(game.call("SHORT", "LOAD", {"NOWHERE.WAV"}), "FALSE");
    EXPECT_EQ(game.call("SHORT", "LOAD", {"..\\..\\..\\Wavs\\TONE.WAV"}), "TRUE");
}

TEST(ScriptSound, SoundsOfOneFileAreSharedAndADeletedSoundNoLongerHearsThem) {
    MediaGame game(sound("A", "TONE.WAV", {{"ONSTARTED", logged("a.")}}) +
                       sound("B", "tone.wav", {{"ONSTARTED", logged("b.")}}),
                   false, kWaves);
    auto* a = game.find<CMC_Sound>("A");
    auto* b = game.find<CMC_Sound>("B");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->getSound(), b->getSound());
    delete a;
    game.call("B", "PLAY");
    game.run->frames(1);
    EXPECT_EQ(game.log(), "b.");
    b->done(false);
    EXPECT_EQ(b->getSound(), nullptr);
    EXPECT_EQ(b->getCacheUses(), 0);
}

TEST(ScriptSound, ASoundReadFromACacheInAMovedGameFolderPlaysTheFileOfItsNewFolder) {
    MediaGame game(sound("S", "TONE.WAV", {{"FLUSHAFTERPLAYED", "TRUE"}}), false, kWaves);
    ASSERT_TRUE(game.run->storeCache());
    game.run.reset();
    // The cache keeps the name as the definition gave it: the moved game plays its own sound folder.
    CGameFolder moved;
    std::filesystem::copy(game.folder.path(), moved.path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove_all(game.folder.path() / "Wavs");
    CGameOptions options;
    options.fromCache = true;
    options.soundFolder = "Wavs";
    CGameRun run(moved, options);
    auto* s = static_cast<CMC_Sound*>(run.find("S"));
    ASSERT_TRUE(s && s->getSound());
    EXPECT_EQ(std::string(s->getSound()->getFileName().GetBuffer()),
              std::string((moved.engineRoot() + "Wavs\\TONE.WAV").GetBuffer()));
    EXPECT_TRUE(s->getPreload() && s->getFlushAfterPlayed());
    callMethod(s, "PLAY");
    run.frames(2);
    EXPECT_EQ(lastFrameLevel(run), 8000);
}

} // namespace KavirelTest
