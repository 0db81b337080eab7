#include <gtest/gtest.h>

#include "media/SoundFixtures.h"
#include "media/sound/Music.h"
#include "media/sound/SndStream.h"

using namespace KavirelDLL;
using namespace KavirelTest;

// The scene's music plays from its first frame; every loop of it is the scene's ONMUSICLOOPED, raised on the
// main thread at the next frame, once per loop.
TEST(MusicGame, LoopsAreSceneEventsOncePerLoop) {
    CGameFolder folder;
    folder.write("Dane/application.def",
                 object("APP", {{"TYPE", "APPLICATION"}, {"EPISODES", "E"}, {"STARTWITH", "E"}}) +
                     object("E", {{"TYPE", "EPISODE"}, {"SCENES", "S"}, {"PATH", "E"}}) +
                     object("S", {{"TYPE", "SCENE"}, {"PATH", "E\\S"}, {"MUSIC", "tune.wav"}}));
    folder.write("Dane/E/S/S.cnv",
                 object("S", {{"ONMUSICLOOPED", "{PETLE^INC();}"}}) +
                     object("PETLE", {{"TYPE", "INTEGER"}, {"VALUE", "0"}, {"TOINI", "TRUE"}}));
    std::vector<int16_t> tune;
    for (int i = 0; i < 11025; ++i) tune.push_back(static_cast<int16_t>(i % 100 == 0 ? 20000 : 1000));
    folder.write("tune.wav", pcmWav(tune));
    folder.write("Kavirel.ini", "");
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    run.frames(1);
    CMusic* music = run.window()->getMusic();
    ASSERT_NE(music->getStream(), nullptr);
    EXPECT_TRUE(run.window()->isMusicPlaying());
    // 3 s of half-second loops: six rewinds of the data, each one event.
    run.frames(150);
    EXPECT_EQ(run.iniInt("S", "PETLE"), 6);
    EXPECT_EQ(CSndStream::pendingLoops(), 0);
    // The tune is heard: its loud samples come back every 100 source frames.
    const auto& audio = run.audio();
    ASSERT_GT(audio.size(), 44100u);
    int loud = 0;
    for (size_t i = 0; i < audio.size(); i += 2) loud += audio[i] == 20000;
    EXPECT_GT(loud, 200);
}
