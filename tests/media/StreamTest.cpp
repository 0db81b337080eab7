#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/BigFile.h"
#include "core/File.h"
#include "media/SoundFixtures.h"
#include "media/sound/Music.h"
#include "media/sound/SndStream.h"
#include "media/sound/StreamedWAV.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// Samples that say where they are: 1, 2, 3, ...
std::vector<int16_t> counting(int count) {
    std::vector<int16_t> values;
    for (int i = 0; i < count; ++i) values.push_back(static_cast<int16_t>(i % 30000 + 1));
    return values;
}

// 22,050 Hz mono 16-bit: 1.2 s of buffer is 52,920 bytes.
constexpr int kBufferFrames = 26460;

struct CStreamWorld : CSoundWorld {
    CStreamWorld() { CSndStream::setRefillThreads(false); }
    ~CStreamWorld() { CSndStream::setRefillThreads(true); }
    // Renders ms of sound, then one refill.
    std::vector<int16_t> step(CSndStream& stream, int ms = 50) {
        std::vector<int16_t> out(static_cast<size_t>(44100 * ms / 1000) * 2);
        CSound4::getDevice()->render(out.data(), static_cast<int>(out.size() / 2));
        stream.TimeFunc();
        return out;
    }
};

int16_t sampleOf(CSndStream& stream, int frame) {
    CAudioVoice::CLock lock(*stream.getBuffer(), frame * 2, 2);
    return static_cast<int16_t>(lock.part1[0] | (lock.part1[1] << 8));
}

} // namespace

TEST(Stream, AShortLoopRepeatsAndCountsEachLoop) {
    CStreamWorld world;
    int loopsBefore = CSndStream::pendingLoops();
    // Half a second of data: the first fill holds it more than twice.
    CSndStream stream(&world.window, world.file("m.wav", pcmWav(counting(11025))));
    ASSERT_EQ(stream.LastError(), 0);
    ASSERT_NE(stream.getBuffer(), nullptr);
    EXPECT_EQ(stream.GetBufferSize(), kBufferFrames * 2);
    EXPECT_EQ(sampleOf(stream, 0), 1);
    EXPECT_EQ(sampleOf(stream, 11025), 1);
    EXPECT_EQ(sampleOf(stream, 22050 + 7), 8);
    stream.Play(true);
    EXPECT_TRUE(stream.IsPlaying());
    // Every refill writes what the cursor consumed.
    std::vector<int16_t> heard;
    for (int i = 0; i < 60; ++i) {
        auto out = world.step(stream);
        heard.insert(heard.end(), out.begin(), out.end());
    }
    // Output frame 2n is source frame n of the looped data, everywhere.
    for (size_t n = 0; n < heard.size() / 4; n += 97)
        ASSERT_EQ(heard[4 * n], static_cast<int16_t>(n % 11025 + 1)) << n;
    // Six loops in 3 s: the refills rewound each time the data ran out (the first fill's copies are no loop).
    EXPECT_EQ(CSndStream::pendingLoops() - loopsBefore, 6);
    EXPECT_TRUE(stream.IsPlaying());
    EXPECT_EQ(stream.GetProgress(), 3 * 44100);
    EXPECT_EQ(stream.GetNextWriteOffset(), 3 * 44100 % stream.GetBufferSize());
    CSndStream::raiseLoopEvents(nullptr);
    EXPECT_EQ(CSndStream::pendingLoops(), 0);
}

TEST(Stream, EndsAtTheDataAndResumesNearWhereItWas) {
    CStreamWorld world;
    // Two seconds of data, then a chunk that is not sound.
    std::string bytes =
        riff(chunk("fmt ", formatBody(1, 1, 22050, 16)) + chunk("data", samples16(counting(44100))) +
             chunk("LIST", samples16(std::vector<int16_t>(2000, 0x7F7F))));
    CSndStream stream(&world.window, world.file("m.wav", bytes));
    stream.Play(false);
    std::vector<int16_t> heard;
    int steps = 0;
    while (stream.IsPlaying() && steps < 200) {
        auto out = world.step(stream);
        heard.insert(heard.end(), out.begin(), out.end());
        ++steps;
    }
    EXPECT_FALSE(stream.IsPlaying());
    EXPECT_TRUE(stream.FoundEnd());
    EXPECT_EQ(stream.GetBytesRemaining(), 0);
    // The data played once, whole, then silence: never the chunk after it.
    ASSERT_GE(heard.size(), 4u * 44100);
    for (int n = 0; n < 44100; n += 101) ASSERT_EQ(heard[4 * n], static_cast<int16_t>(n % 30000 + 1)) << n;
    for (size_t i = 4 * 44100; i < heard.size(); ++i) ASSERT_EQ(heard[i], 0) << i;
    EXPECT_LT(steps, 2 * 20 + 30);

    // Paused less than 2.4 s in, it resumes from the data's start.
    CSndStream again(&world.window, world.file("m.wav", bytes));
    again.Play(false);
    for (int i = 0; i < 10; ++i) world.step(again);
    again.Pause();
    EXPECT_FALSE(again.IsPlaying());
    again.Resume();
    EXPECT_TRUE(again.IsPlaying());
    EXPECT_FALSE(again.IsLooped());
    EXPECT_EQ(sampleOf(again, 0), 1);
}

TEST(Stream, EmptyDataAndBadFilesNeverHang) {
    CStreamWorld world;
    CSndStream empty(&world.window, world.file("e.wav", pcmWav({})));
    EXPECT_EQ(empty.LastError(), 0);
    empty.Play(true);
    for (int i = 0; i < 40 && empty.IsPlaying(); ++i) {
        auto out = world.step(empty);
        for (int16_t v : out) ASSERT_EQ(v, 0);
    }
    EXPECT_FALSE(empty.IsPlaying());

    CSndStream missing(&world.window, world.file("x", "") + "none.wav");
    EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
    CSndStream bad(&world.window, world.file("b.wav", "RIFF0000WAVEfmt "));
    EXPECT_EQ(bad.LastError(), ERR_FILE_DAMAGED);
    CSndStream adpcm(&world.window, world.file("a.wav", riff(chunk("fmt ", formatBody(2, 1, 22050, 4, 20)) +
                                                             chunk("data", "abcd"))));
    EXPECT_EQ(adpcm.LastError(), ERR_FILE_DAMAGED);
    bad.Play(true);
    bad.Stop();
    bad.Resume();
    bad.Close();

    // A looping stream whose file was closed under it ends instead of rewinding for ever.
    CSndStream closed(&world.window, world.file("c.wav", pcmWav(counting(100))));
    closed.Play(true);
    closed.SWClose();
    closed.Resume();
    for (int i = 0; i < 40 && closed.IsPlaying(); ++i) world.step(closed);
    EXPECT_FALSE(bad.IsPlaying());
    EXPECT_EQ(bad.getVolume(), 0);

    // Music that does not open keeps the name of the music before.
    CMusic music(&world.window);
    EXPECT_EQ(music.getVolume(), 0);
    CXString good = world.file("m.wav", pcmWav(counting(2000)));
    music.play(good, true);
    EXPECT_TRUE(music.isPlaying());
    music.setVolume(-600);
    EXPECT_EQ(music.getVolume(), -600);
    music.play(world.file("x", "") + "none.wav", true);
    EXPECT_EQ(music.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_TRUE(music.getFileName().equals(good));
    EXPECT_FALSE(music.isPlaying());
    music.stop();
}

TEST(Stream, ABigFileEntryLeavesTheArchivesPosition) {
    CStreamWorld world;
    world.folder.put("src/Wavs/m.wav", pcmWav(counting(30000)));
    world.folder.put("src/Wavs/other.txt", "other");
    CBigFile builder(false);
    std::string root = world.folder.str();
    ASSERT_TRUE(builder.Create((root + "/src").c_str(), "x", (root + "/data.bf").c_str()));
    std::filesystem::remove_all(world.folder.path() / "src");
    ASSERT_TRUE(CFile::openBigFile((root + "/data.bf").c_str()));
    CFile* shared = CFile::getBigFileHandle();
    ASSERT_NE(shared, nullptr);
    shared->Seek(5, 0);
    {
        CSndStream stream(&world.window, (root + "\\Wavs\\m.wav").c_str());
        ASSERT_EQ(stream.LastError(), 0);
        stream.Play(false);
        for (int i = 0; i < 10; ++i) world.step(stream);
        EXPECT_EQ(shared->Tell(), 5);
        // Half a second was refilled with what followed the first fill.
        EXPECT_EQ(sampleOf(stream, 0), kBufferFrames + 1);
    }
    CFile::closeBigFile();
}

TEST(StreamThreaded, StreamsStopAndDieWhileTheyRefill) {
    CSoundWorld world;
    CSound4::useDevice(CAudioDevice::openSdl(true));
    ASSERT_NE(CSound4::getDevice(), nullptr);
    CXString name = world.file("m.wav", pcmWav(counting(2205)));
    int before = CSndStream::pendingLoops();
    {
        CSndStream looping(&world.window, name);
        looping.Play(true);
        // 0.1 s of data loops on the device's own time; the refill thread counts the loops.
        for (int i = 0; i < 500 && CSndStream::pendingLoops() == before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_GT(CSndStream::pendingLoops(), before);
        looping.Pause();
        looping.Resume();
        looping.setVolume(-100);
    }
    for (int i = 0; i < 1000; ++i) {
        auto* stream = new CSndStream(&world.window, name);
        stream->Play(i % 2 == 0);
        if (i % 100 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(60));
        delete stream;
    }
    CSndStream::raiseLoopEvents(nullptr);
}
