#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "harness/Environment.h"
#include "platform/Audio.h"

using namespace KavirelDLL;

namespace {

// A 16-bit mono voice holding the samples.
std::unique_ptr<CAudioVoice> monoVoice(CAudioDevice& device, const std::vector<int16_t>& samples, int rate) {
    auto voice = device.createVoice({rate, 1, 16}, static_cast<int32_t>(samples.size() * 2));
    CAudioVoice::CLock lock(*voice, 0, voice->size());
    std::memcpy(lock.part1, samples.data(), samples.size() * 2);
    return voice;
}

std::vector<int16_t> render(CAudioDevice& device, int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    device.render(out.data(), frames);
    return out;
}

std::vector<int16_t> ramp(int count, int from, int stepBy) {
    std::vector<int16_t> samples;
    for (int i = 0; i < count; ++i) samples.push_back(static_cast<int16_t>(from + i * stepBy));
    return samples;
}

} // namespace

TEST(AudioMixer, FullVolumePassesSamplesAtEveryRate) {
    auto device = CAudioDevice::openMemory();
    // The output's own rate: exact, on both sides.
    auto samples = ramp(3000, -20000, 13);
    auto same = monoVoice(*device, samples, 44100);
    same->play(false);
    auto out = render(*device, 3000);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(out[2 * i], samples[i]) << i;
        ASSERT_EQ(out[2 * i + 1], samples[i]) << i;
    }
    EXPECT_FALSE(same->isPlaying());
    same.reset();

    // Half the rate: every source sample, and the midpoints between them within one step.
    auto half = monoVoice(*device, samples, 22050);
    half->play(false);
    out = render(*device, 5998);
    for (int i = 0; i + 1 < 3000; ++i) {
        ASSERT_EQ(out[4 * i], samples[i]) << i;
        double mid = (samples[i] + samples[i + 1]) / 2.0;
        ASSERT_LE(std::abs(out[4 * i + 2] - mid), 1.0) << i;
    }
    half.reset();
    // Rates between resample too and keep the signal's level.
    for (int rate : {32000, 37800}) {
        auto voice = monoVoice(*device, std::vector<int16_t>(4000, 12345), rate);
        voice->play(false);
        out = render(*device, 1000);
        for (int i = 0; i < 1000; ++i) ASSERT_NEAR(out[2 * i], 12345, 1) << rate;
    }
}

TEST(AudioMixer, VolumePanSilenceAndSaturation) {
    auto device = CAudioDevice::openMemory();
    auto voice = monoVoice(*device, std::vector<int16_t>(100, 20000), 44100);
    voice->play(true);
    EXPECT_TRUE(voice->setVolume(-600));
    auto out = render(*device, 10);
    EXPECT_NEAR(out[0] / 20000.0, 0.501, 0.001);
    EXPECT_EQ(out[0], out[1]);
    EXPECT_TRUE(voice->setVolume(-10000));
    out = render(*device, 10);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);

    // Pan lowers the other side only.
    EXPECT_TRUE(voice->setVolume(0));
    EXPECT_TRUE(voice->setPan(10000));
    out = render(*device, 10);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 20000);
    EXPECT_TRUE(voice->setPan(-10000));
    out = render(*device, 10);
    EXPECT_EQ(out[0], 20000);
    EXPECT_EQ(out[1], 0);
    EXPECT_TRUE(voice->setPan(-600));
    out = render(*device, 10);
    EXPECT_EQ(out[0], 20000);
    EXPECT_NEAR(out[1] / 20000.0, 0.501, 0.001);

    // Refused values leave the old ones.
    EXPECT_FALSE(voice->setVolume(1));
    EXPECT_FALSE(voice->setVolume(-10001));
    EXPECT_FALSE(voice->setPan(10001));
    EXPECT_FALSE(voice->setFrequency(99));
    EXPECT_FALSE(voice->setFrequency(200001));
    EXPECT_EQ(voice->volume(), 0);
    EXPECT_EQ(voice->pan(), -600);
    EXPECT_EQ(voice->frequency(), 0);
    EXPECT_TRUE(voice->setFrequency(200000));
    EXPECT_TRUE(voice->setFrequency(0));
    EXPECT_TRUE(voice->setPan(0));

    // Two loud voices saturate instead of wrapping.
    auto second = monoVoice(*device, std::vector<int16_t>(100, 20000), 44100);
    second->play(true);
    out = render(*device, 10);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], 32767);

    // 8-bit silence is 0x80; stereo keeps its sides.
    voice.reset();
    second.reset();
    auto eight = device->createVoice({22050, 2, 8}, 200);
    {
        CAudioVoice::CLock lock(*eight, 0, 200);
        for (int i = 0; i < 200; i += 2) {
            lock.part1[i] = 0x80;
            lock.part1[i + 1] = 0xC0;
        }
    }
    eight->play(false);
    out = render(*device, 10);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0x40 << 8);
}

TEST(AudioMixer, FrequencyLoopsAndTheCursor) {
    auto device = CAudioDevice::openMemory();
    auto voice = monoVoice(*device, ramp(1000, 0, 1), 22050);
    // Its own rate takes 2000 output frames; twice that takes 1000.
    voice->play(false);
    render(*device, 1998);
    EXPECT_TRUE(voice->isPlaying());
    render(*device, 4);
    EXPECT_FALSE(voice->isPlaying());
    EXPECT_EQ(voice->playCursor(), 0);
    EXPECT_TRUE(voice->setFrequency(44100));
    voice->play(false);
    render(*device, 999);
    EXPECT_TRUE(voice->isPlaying());
    EXPECT_EQ(voice->playCursor(), 999 * 2);
    render(*device, 2);
    EXPECT_FALSE(voice->isPlaying());

    // A looping voice wraps and plays on; the cursor says where.
    voice->play(true);
    auto out = render(*device, 1500);
    EXPECT_TRUE(voice->isPlaying());
    EXPECT_EQ(out[2 * 1200], 200);
    EXPECT_EQ(voice->playCursor(), 500 * 2);
    voice->stop();
    EXPECT_FALSE(voice->isPlaying());
    out = render(*device, 4);
    EXPECT_EQ(out[0], 0);
    EXPECT_TRUE(voice->setPlayCursor(100 * 2 + 1));
    EXPECT_EQ(voice->playCursor(), 200);
    EXPECT_FALSE(voice->setPlayCursor(2001));

    // Regions wrap at the end; regions larger than the voice are refused.
    CAudioVoice::CLock wrapped(*voice, 1996, 8);
    EXPECT_EQ(wrapped.size1, 4);
    EXPECT_EQ(wrapped.size2, 4);
    EXPECT_EQ(wrapped.part2, wrapped.part1 - 1996);
}

TEST(AudioMixer, RefusesUnplayableFormatsAndOutlivesItsDevice) {
    auto device = CAudioDevice::openMemory();
    EXPECT_EQ(device->createVoice({22050, 3, 16}, 600), nullptr);
    EXPECT_EQ(device->createVoice({22050, 1, 24}, 600), nullptr);
    EXPECT_EQ(device->createVoice({50, 1, 16}, 600), nullptr);
    EXPECT_EQ(device->createVoice({22050, 1, 16}, 0), nullptr);
    EXPECT_EQ(device->createVoice({22050, 1, 16}, CAudioDevice::kMaxVoiceBytes + 2), nullptr);
    {
        auto tiny = device->createVoice({22050, 1, 16}, 4);
        CAudioVoice::CLock refused(*tiny, 0, 6);
        EXPECT_FALSE(refused.ok());
    }
    auto voice = device->createVoice({22050, 1, 16}, 400);
    device.reset();
    voice->play(true);
    EXPECT_TRUE(voice->setVolume(-100));
    voice.reset();
}

TEST(AudioThreaded, TheDummyDriverKeepsTime) {
    auto device = CAudioDevice::openSdl(true);
    ASSERT_NE(device, nullptr) << CAudioDevice::lastOpenError();
    EXPECT_EQ(device->driverName(), "dummy");
    auto voice = monoVoice(*device, std::vector<int16_t>(2205, 1000), 22050);
    voice->play(false);
    // A tenth of a second of sound ends on the device's own thread.
    for (int i = 0; i < 500 && voice->isPlaying(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(voice->isPlaying());
    // Voices come and go while the device mixes.
    for (int i = 0; i < 200; ++i) {
        auto brief = monoVoice(*device, std::vector<int16_t>(64, 1), 44100);
        brief->play(true);
        CAudioVoice::CLock lock(*brief, 32, 64);
        std::memset(lock.part1, 0, static_cast<size_t>(lock.size1));
    }
}

TEST(AudioThreaded, ASoundCardThatDoesNotAnswerIsSaidInOneLineAndTheDummyTakesOver) {
    // ALSA without the device it is asked for: its own lines stay back, the program's one says why.
    KavirelTest::CScopedEnv driver("SDL_AUDIODRIVER", "alsa");
    KavirelTest::CScopedEnv device("AUDIODEV", "kavirel_no_such_pcm");
    testing::internal::CaptureStderr();
    auto opened = CAudioDevice::openSdl(false);
    const std::string out = testing::internal::GetCapturedStderr();
    ASSERT_NE(opened, nullptr) << CAudioDevice::lastOpenError();
    EXPECT_EQ(opened->driverName(), "dummy");
    EXPECT_EQ(out.find("ALSA lib"), std::string::npos) << out;
    const size_t said = out.find("the game runs without sound");
    ASSERT_NE(said, std::string::npos) << out;
    EXPECT_EQ(out.find("the game runs without sound", said + 1), std::string::npos) << out;
    EXPECT_NE(out.find("kavirel_no_such_pcm"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
}
