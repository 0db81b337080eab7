#include <gtest/gtest.h>

#include "media/SoundFixtures.h"
#include "media/sound/WaveRoutines.h"

using namespace KavirelDLL;
using namespace KavirelTest;
using namespace std::string_literals;

namespace {

CWaveFormatBlock block(const CWaveFormat& format, const std::string& extra = "") {
    CWaveFormatBlock b{format, std::vector<uint8_t>(extra.begin(), extra.end())};
    b.format.extraSize = static_cast<uint16_t>(extra.size());
    return b;
}

std::string bytesOf(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

} // namespace

TEST(WaveRoutines, SaveAndLoadRoundTripWithPadAndFact) {
    CTempFolder folder("waveio");
    const std::string path = (folder.path() / "a.wav").string();
    const std::string samples = "\x10\x20\x30\x40\x50";
    ASSERT_EQ(saveWaveFile(path.c_str(), 5, 5, block(CWaveFormat::pcm(1, 11025, 8)),
                           reinterpret_cast<const uint8_t*>(samples.data())),
              WAVE_OK);
    // "fmt " of 16 bytes, "fact" with the sample count, the odd data chunk padded.
    std::string expected = riff(chunk("fmt ", formatBody(1, 1, 11025, 8)) + chunk("fact", "\x05\0\0\0"s) +
                                chunk("data", samples) + '\0');
    EXPECT_EQ(readNative(path), expected);
    uint32_t size = 0;
    std::unique_ptr<CWaveFormatBlock> format;
    std::vector<uint8_t> data;
    ASSERT_EQ(loadWaveFile(path.c_str(), size, format, data), WAVE_OK);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(bytesOf(data), samples);
    ASSERT_TRUE(format);
    EXPECT_TRUE(format->format.isPlayablePcm());
    EXPECT_TRUE(format->extra.empty());

    // Other formats keep 18 bytes and their extra ones.
    CWaveFormat adpcm = CWaveFormat::pcm(1, 22050, 4);
    adpcm.formatTag = CWaveFormat::TAG_ADPCM;
    ASSERT_EQ(saveWaveFile(path.c_str(), 4, 8, block(adpcm, "\x12\x34\x56"),
                           reinterpret_cast<const uint8_t*>("abcd")),
              WAVE_OK);
    const std::string stored = readNative(path);
    EXPECT_EQ(stored.substr(12, 8), "fmt \x15\0\0\0"s);
    EXPECT_EQ(stored.substr(36, 6), "\x03\0\x12\x34\x56\0"s); // the extra size and bytes, the pad byte
    EXPECT_EQ(stored.substr(42, 12), "fact\x04\0\0\0\x08\0\0\0"s);
    ASSERT_EQ(loadWaveFile(path.c_str(), size, format, data), WAVE_OK);
    EXPECT_EQ(format->format.formatTag, CWaveFormat::TAG_ADPCM);
    EXPECT_EQ(bytesOf(format->extra), "\x12\x34\x56");
    EXPECT_EQ(bytesOf(data), "abcd");
}

TEST(WaveRoutines, StreamsThroughTheBuffersAndCopiesDisplayAndPlaylistChunks) {
    CTempFolder folder("waveio");
    std::string samples;
    for (int i = 0; i < 20000; ++i) samples += static_cast<char>(i * 7);
    const std::string disp = chunk("DISP", "abc") + '\0';
    const std::string plst = chunk("plst", std::string(8, '\x01'));
    folder.put("in.wav", riff(chunk("fmt ", formatBody(1, 2, 8000, 16)) + chunk("LIST", "INFOxxxx") + disp +
                              chunk("junk", "zz") + plst + chunk("data", samples)));
    const std::string in = (folder.path() / "in.wav").string();
    const std::string out = (folder.path() / "out.wav").string();

    std::unique_ptr<CWaveHandle> source, destination;
    std::unique_ptr<CWaveFormatBlock> format;
    CRiffChunk sourceRiff, sourceData, last, outRiff, data;
    ASSERT_EQ(openWaveFile(in.c_str(), source, format, sourceRiff), WAVE_OK);
    ASSERT_EQ(createWaveFile(out.c_str(), destination, *format, last, outRiff), WAVE_OK);
    ASSERT_EQ(copyOtherWaveChunks(source.get(), sourceRiff, destination.get()), WAVE_OK);
    ASSERT_EQ(startWaveRead(source.get(), sourceData, sourceRiff), WAVE_OK);
    CWaveIOInfo io;
    ASSERT_EQ(startWaveWrite(destination.get(), data, io), WAVE_OK);
    std::vector<uint8_t> piece(3001);
    uint32_t read = 0, written = 0, total = 0;
    do {
        ASSERT_EQ(readWaveData(source.get(), 3001, piece.data(), sourceData, read), WAVE_OK);
        ASSERT_EQ(writeWaveData(destination.get(), read, piece.data(), written, io), WAVE_OK);
        EXPECT_EQ(written, read);
        total += read;
    } while (read > 0);
    EXPECT_EQ(total, samples.size());
    EXPECT_EQ(closeWaveWrite(destination, data, outRiff, io, 5000), WAVE_OK);
    EXPECT_FALSE(destination);
    EXPECT_EQ(closeWaveRead(source, format), WAVE_OK);
    EXPECT_FALSE(source || format);

    const std::string copied = readNative(out);
    EXPECT_EQ(copied.substr(36), chunk("fact", "\x88\x13\0\0"s) + disp + plst + chunk("data", samples));
    EXPECT_EQ(copied.find("LIST"), std::string::npos);
    EXPECT_EQ(copied.find("junk"), std::string::npos);
}

TEST(WaveRoutines, AnswerTheirResultCodes) {
    CTempFolder folder("waveio");
    auto load = [&](const std::string& bytes) {
        folder.put("t.wav", bytes);
        uint32_t size = 1;
        std::unique_ptr<CWaveFormatBlock> format;
        std::vector<uint8_t> data;
        int result = loadWaveFile((folder.path() / "t.wav").string().c_str(), size, format, data);
        EXPECT_TRUE(result == WAVE_OK || (!format && data.empty() && size == 0));
        return result;
    };
    const std::string fmt = chunk("fmt ", formatBody(1, 1, 8000, 16));
    EXPECT_EQ(load(riff(fmt + chunk("data", "abcd"))), WAVE_OK);
    std::unique_ptr<CWaveHandle> handle;
    std::unique_ptr<CWaveFormatBlock> format;
    CRiffChunk riffChunk;
    EXPECT_EQ(openWaveFile((folder.path() / "none.wav").string().c_str(), handle, format, riffChunk),
              WAVE_ERR_CANNOT_OPEN);
    EXPECT_FALSE(handle);
    EXPECT_EQ(load("RIFF\x04\0\0\0AVI "s), WAVE_ERR_NOT_WAVE);
    EXPECT_EQ(load("RIFX\x04\0\0\0WAVE"s), WAVE_ERR_NOT_WAVE);
    EXPECT_EQ(load(riff(chunk("fmt ", formatBody(1, 1, 8000, 16, 14)) + chunk("data", "ab"))),
              WAVE_ERR_NOT_WAVE);
    // A format other than PCM whose extra bytes would run past "fmt ".
    std::string adpcm = formatBody(2, 1, 8000, 4, 18);
    adpcm[16] = 4;
    EXPECT_EQ(load(riff(chunk("fmt ", adpcm) + chunk("data", "ab"))), WAVE_ERR_NOT_WAVE);
    EXPECT_EQ(load(riff(chunk("fmt ", formatBody(2, 1, 8000, 4)) + chunk("data", "ab"))), WAVE_ERR_NOT_WAVE);
    EXPECT_EQ(load(""), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(load(riff(chunk("data", "ab"))), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(load(riff(fmt)), WAVE_ERR_CANNOT_READ);
    // A data chunk claiming more than the file holds: nothing is allocated for it.
    std::string early = riff(fmt + chunk("data", "abcd"));
    early[early.size() - 8] = '\xFF';
    early[early.size() - 5] = '\x7F';
    EXPECT_EQ(load(early), WAVE_ERR_CORRUPT);

    const std::string nowhere = (folder.path() / "no" / "x.wav").string();
    EXPECT_EQ(saveWaveFile(nowhere.c_str(), 2, 1, block(CWaveFormat::pcm(1, 8000, 16)),
                           reinterpret_cast<const uint8_t*>("ab")),
              WAVE_ERR_CANNOT_WRITE);
    CRiffChunk chunk;
    EXPECT_EQ(createWaveFile(nowhere.c_str(), handle, block(CWaveFormat::pcm(1, 8000, 16)), chunk, riffChunk),
              WAVE_ERR_CANNOT_WRITE);
    EXPECT_FALSE(handle);
    // Samples before their data chunk has started.
    const std::string path = (folder.path() / "w.wav").string();
    ASSERT_EQ(createWaveFile(path.c_str(), handle, block(CWaveFormat::pcm(1, 8000, 16)), chunk, riffChunk),
              WAVE_OK);
    CWaveIOInfo io;
    uint32_t written = 7;
    EXPECT_EQ(writeWaveData(handle.get(), 2, reinterpret_cast<const uint8_t*>("ab"), written, io),
              WAVE_ERR_CANNOT_WRITE);
    EXPECT_EQ(written, 0u);
}

TEST(WaveRoutines, RefuseANullHandleWithTheirReadOrWriteCode) {
    std::unique_ptr<CWaveHandle> none;
    CRiffChunk data, riff;
    CWaveIOInfo io;
    io.buffer.resize(16);
    uint8_t bytes[4] = {};
    uint32_t count = 9;
    EXPECT_EQ(startWaveRead(nullptr, data, riff), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(readWaveData(nullptr, 4, bytes, data, count), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(startWaveWrite(nullptr, data, io), WAVE_ERR_CANNOT_WRITE);
    count = 9;
    EXPECT_EQ(writeWaveData(nullptr, 4, bytes, count, io), WAVE_ERR_CANNOT_WRITE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(closeWaveWrite(none, data, riff, io, 1), WAVE_ERR_CANNOT_WRITE);
    EXPECT_TRUE(io.buffer.empty());
    std::unique_ptr<CWaveFormatBlock> format;
    EXPECT_EQ(closeWaveRead(none, format), WAVE_OK);

    // With one side open, the other missing; and null bytes to move.
    CTempFolder folder("waveio");
    const std::string path = (folder.path() / "n.wav").string();
    std::unique_ptr<CWaveHandle> open;
    ASSERT_EQ(createWaveFile(path.c_str(), open, block(CWaveFormat::pcm(1, 8000, 16)), data, riff), WAVE_OK);
    EXPECT_EQ(copyWaveChunk(nullptr, open.get(), data), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(copyWaveChunk(open.get(), nullptr, data), WAVE_ERR_CANNOT_WRITE);
    EXPECT_EQ(copyOtherWaveChunks(nullptr, riff, open.get()), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(copyOtherWaveChunks(open.get(), riff, nullptr), WAVE_ERR_CANNOT_WRITE);
    CRiffChunk dataChunk;
    ASSERT_EQ(startWaveWrite(open.get(), dataChunk, io), WAVE_OK);
    EXPECT_EQ(writeWaveData(open.get(), 4, nullptr, count, io), WAVE_ERR_CANNOT_WRITE);
    EXPECT_EQ(readWaveData(open.get(), 4, nullptr, dataChunk, count), WAVE_ERR_CANNOT_READ);
    EXPECT_EQ(saveWaveFile(path.c_str(), 4, 2, block(CWaveFormat::pcm(1, 8000, 16)), nullptr),
              WAVE_ERR_CANNOT_WRITE);
}
