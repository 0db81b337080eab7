#include <gtest/gtest.h>

#include <thread>

#include "core/BigFile.h"
#include "core/File.h"
#include "core/XTimer.h"
#include "media/sound/Sound4.h"
#include "platform/Audio.h"
#include "harness/GameHarness.h"
#include "harness/MovieFiles.h"
#include "media/anim/Movie.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

struct Recorder : CPlayableObserver {
    std::thread::id main = std::this_thread::get_id();
    bool offMain = false;
    int started = 0, ticks = 0, finished = 0;
    bool onPlayableStarted(CPlayable*) override {
        offMain |= std::this_thread::get_id() != main;
        ++started;
        return false;
    }
    bool onPlayableTick(CPlayable*) override {
        offMain |= std::this_thread::get_id() != main;
        ++ticks;
        return false;
    }
    bool onPlayableFinished(CPlayable*) override {
        offMain |= std::this_thread::get_id() != main;
        ++finished;
        return false;
    }
};

struct MovieWorld {
    CTempFolder folder{"movie"};
    CHarnessWindow window;
    MovieWorld() { window.Activate(true); }
    CXString file(const std::string& name, const std::string& bytes) {
        return CXString(folder.put(name, bytes).string().c_str());
    }
    // Runs the window's timers on this thread until done says so (bounded, so a fault fails instead of hanging).
    template <class Done>
    bool runUntil(Done done) {
        for (int i = 0; i < 3000; ++i) {
            if (done()) return true;
            CPlatformClock::sleepMilliseconds(5);
            window.GetTimerInterface()->domodal();
        }
        return done();
    }
};

CMovieWriterOptions film(int frames, int fps) {
    CMovieWriterOptions o;
    o.frames = frames;
    o.fps = fps;
    return o;
}

} // namespace

TEST(MovieThreaded, TheWorkerDecodesAndObserversHearOnTheMainThread) {
    MovieWorld world;
    CXString name = world.file("film.avi", movieBytes(film(10, 25)));
    CMovie movie(&world.window, name);
    ASSERT_TRUE(movie.hasStream());
    Recorder recorder;
    movie.addNotifier(&recorder);
    movie.play();
    ASSERT_TRUE(world.runUntil([&] { return recorder.finished > 0; }));
    EXPECT_FALSE(recorder.offMain);
    EXPECT_EQ(recorder.started, 1);
    EXPECT_EQ(recorder.ticks, 10); // one per frame
    EXPECT_EQ(recorder.finished, 1);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(movie.GetDataPtr())[0], movieColour(9).rgb565());
    EXPECT_FALSE(movie.isPlaying());
    movie.removeNotifier(&recorder);
}

TEST(MovieThreaded, PlaySeekStopLoadAndDeleteWhileDecoding) {
    MovieWorld world;
    CXString a = world.file("a.avi", movieBytes(film(50, 100)));
    CXString b = world.file("b.avi", movieBytes(film(20, 50)));
    for (int round = 0; round < 100; ++round) {
        auto* movie = new CMovie(&world.window, round % 2 ? a : b);
        movie->setPlayRange(0, round % 3 ? -1 : 0);
        movie->play();
        CPlatformClock::sleepMilliseconds(round % 4);
        movie->seekTime(static_cast<int64_t>(round % 5) * 1000000);
        world.window.GetTimerInterface()->domodal();
        if (round % 3 == 0) movie->stop(round % 2);
        if (round % 5 == 0) movie->load(round % 2 ? b : a);
        if (round % 7 == 0) movie->play();
        delete movie;
        world.window.GetTimerInterface()->domodal();
    }
    SUCCEED();
}

TEST(Movie, PlaysFromTheBigFileAndWithoutSoundWhenTheWindowHasNone) {
    MovieWorld world;
    CSound4::useDevice(CAudioDevice::openMemory());
    CMovieWriterOptions o = film(10, 25);
    o.toneHz = 441;
    world.folder.put("src/Dane/film.avi", movieBytes(o));
    CBigFile builder(false);
    std::string root = world.folder.str();
    ASSERT_TRUE(builder.Create((root + "/src").c_str(), "x", (root + "/data.bf").c_str()));
    std::filesystem::remove_all(world.folder.path() / "src");
    ASSERT_TRUE(CFile::openBigFile((root + "/data.bf").c_str()));
    CMovie::decodeOnMainThread(true);
    {
        CMovie movie(&world.window, (root + "\\Dane\\film.avi").c_str());
        ASSERT_TRUE(movie.hasStream());
        ASSERT_NE(movie.getVoice(), nullptr);
        Recorder recorder;
        movie.addNotifier(&recorder);
        movie.play();
        EXPECT_TRUE(movie.getVoice()->isPlaying());
        ASSERT_TRUE(world.runUntil([&] { return recorder.finished > 0; }));
        EXPECT_EQ(recorder.ticks, 10);
        EXPECT_EQ(reinterpret_cast<uint16_t*>(movie.GetDataPtr())[0], movieColour(9).rgb565());
        EXPECT_FALSE(movie.getVoice()->isPlaying());
        movie.removeNotifier(&recorder);

        world.window.SoundOn(false); // -nosound
        ASSERT_TRUE(movie.load((root + "\\Dane\\film.avi").c_str()));
        EXPECT_EQ(movie.getVoice(), nullptr);
    }
    CMovie::decodeOnMainThread(false);
    CFile::closeBigFile();
    CSound4::DestroySoundBuffer();
}
