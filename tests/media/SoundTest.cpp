#include <gtest/gtest.h>

#include "core/Log.h"
#include "media/SoundFixtures.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

std::vector<int16_t> steady(int count, int16_t value) { return std::vector<int16_t>(count, value); }

} // namespace

TEST(WaveReading, ChunksFormatsAndDamage) {
    CSoundWorld world;
    auto loads = [&](const std::string& bytes, const char* name = "a.wav") {
        CSound4 sound(&world.window, world.file(name, bytes), false, false);
        bool ok = sound.load();
        return std::make_pair(ok, sound.LastError());
    };
    // An odd chunk before "data" is skipped as stored, with no pad byte.
    std::string odd = riff(chunk("fmt ", formatBody(1, 1, 22050, 16)) + chunk("LIST", "abc") +
                           chunk("data", samples16(steady(100, 1000))));
    EXPECT_EQ(loads(odd), std::make_pair(true, 0));
    for (size_t size : {16u, 18u, 20u})
        EXPECT_TRUE(
            loads(riff(chunk("fmt ", formatBody(1, 2, 44100, 8, size)) + chunk("data", "abcd"))).first)
            << size;
    // Float and extensible formats, a short "fmt ", Speex, a missing file, no RIFF head.
    for (int tag : {3, 0xFFFE})
        EXPECT_EQ(loads(riff(chunk("fmt ", formatBody(tag, 1, 22050, 16)) + chunk("data", "ab"))),
                  std::make_pair(false, int(ERR_FILE_DAMAGED)))
            << tag;
    EXPECT_EQ(loads(riff(chunk("fmt ", formatBody(1, 1, 22050, 16, 14)) + chunk("data", "ab"))),
              std::make_pair(false, int(ERR_FILE_DAMAGED)));
    EXPECT_EQ(loads(riff(chunk("fmt ", formatBody(1, 3, 22050, 16)) + chunk("data", "abcdef"))),
              std::make_pair(false, int(ERR_FILE_DAMAGED)));
    EXPECT_EQ(loads(pcmWav(steady(10, 1)), "voice.SPX"), std::make_pair(false, int(ERR_FILE_DAMAGED)));
    EXPECT_EQ(loads("RIFX....WAVE"), std::make_pair(false, int(ERR_FILE_DAMAGED)));
    {
        CLogCapture log;
        CSound4 missing(&world.window, world.file("x", "") + "missing.wav", false, true);
        EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
        EXPECT_TRUE(log.contains("missing.wav"));
    }
    // Every truncation fails cleanly, but for a data chunk cut short, which plays what it holds.
    std::string whole = pcmWav(steady(8, 500));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        auto [ok, error] = loads(whole.substr(0, cut));
        size_t dataStart = whole.size() - 16;
        EXPECT_EQ(ok, cut >= dataStart + 2) << cut;
        if (!ok) {
            EXPECT_EQ(error, ERR_FILE_DAMAGED) << cut;
        }
    }
    // A data chunk that claims more than the file holds reads what is there.
    std::string claims = riff(chunk("fmt ", formatBody(1, 1, 22050, 16)));
    claims += "data";
    le32(claims, 0x7FFFFFF0);
    claims += samples16(steady(4, 7));
    CSound4 big(&world.window, world.file("big.wav", claims), false, true);
    ASSERT_TRUE(big.isLoaded());
    EXPECT_EQ(big.getVoice()->size(), 8);
}

TEST(StaticSound, PlaysFinishesPausesAndResumes) {
    CSoundWorld world;
    // 0.1 s at 22,050 Hz.
    CSound4 sound(&world.window, world.file("a.wav", pcmWav(steady(2205, 3000))), false, false);
    CPlayableLog log;
    sound.addNotifier(&log);
    EXPECT_FALSE(sound.isLoaded());
    sound.play();
    EXPECT_TRUE(sound.isLoaded());
    EXPECT_TRUE(sound.IsPlaying());
    auto out = world.frame();
    EXPECT_EQ(out[0], 3000);
    EXPECT_EQ(log.events, std::vector<std::string>{"started"});
    // Paused, it is not reported; resumed, it continues from where it stood.
    sound.pause();
    EXPECT_TRUE(sound.isPaused());
    world.frame();
    world.frame();
    EXPECT_EQ(log.events.size(), 1u);
    world.manager()->resume();
    EXPECT_EQ(log.events.back(), "resumed");
    EXPECT_EQ(sound.getVoice()->playCursor(), 441 * 2);
    for (int i = 0; i < 5; ++i) world.frame();
    EXPECT_EQ(log.events, (std::vector<std::string>{"started", "resumed", "finished"}));
    // Played again, it starts from the beginning.
    sound.Play();
    EXPECT_EQ(sound.getVoice()->playCursor(), 0);
    // stop(false) ends it without a finished event, and only once.
    sound.stop(false);
    world.frame();
    EXPECT_EQ(log.events.size(), 4u);
    sound.Play();
    for (int i = 0; i < 6; ++i) world.frame();
    EXPECT_EQ(log.events.back(), "finished");
    EXPECT_EQ(log.events.size(), 6u);
    // Looping never finishes.
    sound.Play(true);
    for (int i = 0; i < 20; ++i) world.frame();
    EXPECT_TRUE(sound.IsPlaying());
    EXPECT_EQ(log.events.back(), "started");
    sound.Stop();
    // Levels out of range are refused and the old ones kept; they reach a voice made later too.
    sound.setVolume(-600);
    sound.setVolume(100);
    EXPECT_EQ(sound.getVolume(), -600);
    sound.Flush();
    sound.setPanning(-10000);
    sound.Play();
    out = world.frame();
    EXPECT_NEAR(out[0], 3000 * 0.501, 2);
    EXPECT_EQ(out[1], 0);
}

TEST(StaticSound, ManagerWalksSafely) {
    CSoundWorld world;
    CXString name = world.file("a.wav", pcmWav(steady(100, 1)));
    // A sound deleted by its own finished handler leaves the list in the same step.
    auto* doomed = new CSound4(&world.window, name, true, false);
    CSound4 other(&world.window, name, false, false);
    CPlayableLog log;
    log.onFinished = [&](CPlayable* p) {
        if (p == doomed) delete doomed;
    };
    doomed->addNotifier(&log);
    other.addNotifier(&log);
    EXPECT_EQ(world.manager()->getCount(), 2);
    doomed->play();
    other.play();
    world.frame();
    EXPECT_EQ(log.events, (std::vector<std::string>{"started", "started", "finished", "finished"}));
    EXPECT_EQ(world.manager()->getCount(), 1);
    // Owned sounds go with the flush; others stay, and may be deleted after the shell and the device.
    auto* kept = new CSound4(&world.window, name, false, true);
    world.manager()->add(new CSound4(&world.window), true);
    world.manager()->Flush();
    EXPECT_EQ(world.manager()->getCount(), 0);
    kept->play();
    delete world.shell;
    world.shell = new CSoundShell(&world.window);
    CSound4::DestroySoundBuffer();
    kept->Play();
    delete kept;
}

TEST(StaticSound, RandomizedPicksAMember) {
    CSoundWorld world;
    CRandomizedSound none(&world.window, "", false, false);
    none.Play();
    EXPECT_FALSE(none.IsPlaying());
    world.window.SetSoundFXPath(CXString(world.folder.str().c_str()));
    world.file("a.wav", pcmWav(steady(100, 1)));
    world.file("b.wav", pcmWav(steady(100, 2)));
    CRandomizedSound both(&world.window, "a.wav;b.wav", false, false);
    EXPECT_EQ(both.getCount(), 2);
    both.setVolume(-100);
    both.Play();
    ASSERT_NE(both.getLast(), nullptr);
    EXPECT_TRUE(both.IsPlaying());
    EXPECT_EQ(both.getLast()->getVolume(), -100);
    both.Stop();
    EXPECT_FALSE(both.IsPlaying());
}
