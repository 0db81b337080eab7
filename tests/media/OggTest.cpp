#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/File.h"
#include "media/SoundFixtures.h"
#include "media/sound/Ogg.h"
#include "media/sound/WaveFile.h"

using namespace KavirelDLL;
using namespace KavirelTest;

TEST(WaveFile, WritesItsChunksByteByByte) {
    CTempFolder folder("wave");
    std::string path = (folder.path() / "out.wav").string();
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(path.c_str(), CWaveFormat::pcm(1, 22050, 16)));
        EXPECT_TRUE(wave.Write(samples16({1, -1}).data(), 4));
        EXPECT_TRUE(wave.Write(samples16({2}).data(), 2));
        EXPECT_TRUE(wave.Close());
    }
    std::string expected = "RIFF";
    le32(expected, 4 + 24 + 12 + 8 + 6);
    expected += "WAVE" + chunk("fmt ", formatBody(1, 1, 22050, 16)) + chunk("fact", std::string(4, '\0')) +
                chunk("data", samples16({1, -1, 2}));
    EXPECT_EQ(readNative(path), expected);
    // A format other than PCM keeps its 18 bytes and extra ones.
    CWaveFormat adpcm = CWaveFormat::pcm(1, 22050, 4);
    adpcm.formatTag = CWaveFormat::TAG_ADPCM;
    adpcm.extraSize = 2;
    {
        CWaveFile wave;
        ASSERT_TRUE(wave.Open(path.c_str(), adpcm));
    }
    std::string bytes = readNative(path);
    ASSERT_GE(bytes.size(), 20u + 20);
    EXPECT_EQ(bytes.substr(12, 8), std::string("fmt \x14\0\0\0", 8));
    // A folder that does not exist cannot be written.
    CWaveFile nowhere;
    EXPECT_FALSE(nowhere.Open((path + "/none/out.wav").c_str(), CWaveFormat::pcm(1, 22050, 16)));
}

TEST(Ogg, EncodesAndDecodesThroughTheEncoder) {
    CTempFolder folder("ogg");
    std::string wav = (folder.path() / "tone.wav").string();
    std::string ogg = (folder.path() / "tone.ogg").string();
    std::string back = (folder.path() / "back.wav").string();
    std::vector<int16_t> stereo;
    for (int i = 0; i < 44100; ++i)
        for (int c = 0; c < 2; ++c)
            stereo.push_back(static_cast<int16_t>(9000 * std::sin(i * 0.05 * (c + 1))));
    folder.put("tone.wav",
               riff(chunk("fmt ", formatBody(1, 2, 44100, 16)) + chunk("data", samples16(stereo))));
    ASSERT_TRUE(COgg::encodeWav(wav.c_str(), ogg.c_str()));
    ASSERT_TRUE(COgg::decodeToWav(ogg.c_str(), back.c_str()));
    CFile file;
    ASSERT_EQ(file.OpenDirect(back.c_str(), CFile::MODE_READ | CFile::MODE_BINARY), 0);
    CWaveFormat format;
    uint32_t size = 0;
    ASSERT_TRUE(CWaveChunks::readFormatAndData(&file, format, size));
    EXPECT_TRUE(format.isPlayablePcm());
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(size, 44100u * 4);

    // Damage gives false and makes no output; a missing input neither; a failed encoding is false.
    folder.put("bad.ogg", "OggS but nothing a decoder takes");
    std::string none = (folder.path() / "none.wav").string();
    EXPECT_FALSE(COgg::decodeToWav((folder.path() / "bad.ogg").string().c_str(), none.c_str()));
    EXPECT_FALSE(COgg::decodeToWav((folder.path() / "missing.ogg").string().c_str(), none.c_str()));
    EXPECT_FALSE(std::filesystem::exists(none));
    std::string bytes = readNative(ogg);
    // Cut inside its headers, a stream does not open.
    EXPECT_FALSE(COgg::decodeToWav(reinterpret_cast<const unsigned char*>(bytes.data()), 60, none.c_str()));
    EXPECT_FALSE(std::filesystem::exists(none));
    EXPECT_FALSE(COgg::encodeWav((folder.path() / "missing.wav").string().c_str(),
                                 (folder.path() / "x.ogg").string().c_str()));
    folder.put("notwav.wav", "plain text");
    EXPECT_FALSE(COgg::encodeWav((folder.path() / "notwav.wav").string().c_str(),
                                 (folder.path() / "y.ogg").string().c_str()));
}
