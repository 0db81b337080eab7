#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>

#include "media/SoundFixtures.h"
#include "platform/SoundFile.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// A second of a 440 Hz tone, written by libsndfile in Microsoft ADPCM.
void writeAdpcm(const std::string& path, int channels) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> samples;
    for (int i = 0; i < 22050; ++i)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<short>(8000 * std::sin(2 * M_PI * 440 * i / 22050.0)));
    sf_writef_short(file, samples.data(), 22050);
    sf_close(file);
}

} // namespace

TEST(PlatformSoundFile, DecodesAdpcmWithinItsLimit) {
    CTempFolder folder("adpcm");
    std::string path = (folder.path() / "tone.wav").string();
    writeAdpcm(path, 2);
    CPlatformSoundFile::CDecoded decoded;
    std::string error;
    ASSERT_TRUE(CPlatformSoundFile::decode(path, 1 << 20, decoded, error)) << error;
    EXPECT_EQ(decoded.samplesPerSecond, 22050);
    EXPECT_EQ(decoded.channels, 2);
    // The last block is padded to its full size.
    ASSERT_GE(decoded.samples.size(), 44100u);
    ASSERT_LT(decoded.samples.size(), 44100u + 2048);
    EXPECT_NEAR(decoded.samples[2 * 25], 8000 * std::sin(2 * M_PI * 440 * 25 / 22050.0), 400);
    // Samples beyond the limit are refused before anything is allocated; damage and absence fail.
    EXPECT_FALSE(CPlatformSoundFile::decode(path, 1000, decoded, error));
    folder.put("bad.wav", "RIFF....WAVEfmt ");
    EXPECT_FALSE(CPlatformSoundFile::decode((folder.path() / "bad.wav").string(), 1 << 20, decoded, error));
    EXPECT_FALSE(CPlatformSoundFile::decode((folder.path() / "none.wav").string(), 1 << 20, decoded, error));
}

TEST(PlatformSoundFile, AnAdpcmSoundPlaysAsPcm) {
    CSoundWorld world;
    std::string path = (world.folder.path() / "tone.wav").string();
    writeAdpcm(path, 1);
    CSound4 sound(&world.window, CXString(path.c_str()), false, true);
    ASSERT_TRUE(sound.isLoaded());
    EXPECT_EQ(sound.getVoice()->format().bitsPerSample, 16);
    EXPECT_GE(sound.getVoice()->size(), 22050 * 2);
    EXPECT_LT(sound.getVoice()->size(), 22050 * 2 + 2048);
}
