#include <gtest/gtest.h>
#include <ogg/ogg.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "core/File.h"
#include "core/Log.h"
#include "core/MemStream.h"
#include "media/SoundFixtures.h"
#include "media/sound/SpeexCodec.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

constexpr double kPi = 3.14159265358979;

// A 44-byte-header WAVE file of a sine at freq, the second channel at half its level.
std::string toneWave(int rate, int channels, int bits, double freq, int frames) {
    std::string data;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            double v = 0.5 / (c + 1) * std::sin(2 * kPi * freq * i / rate);
            if (bits == 8)
                data += static_cast<char>(static_cast<uint8_t>(128 + std::lround(v * 127)));
            else
                le16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
        }
    return riff(chunk("fmt ", formatBody(1, channels, rate, bits)) + chunk("data", data));
}

struct CPage {
    bool bos, eos;
    int64_t granule;
    std::vector<std::string> packets;
};

std::vector<CPage> readPages(const std::string& bytes) {
    std::vector<CPage> pages;
    ogg_sync_state sync;
    ogg_stream_state stream;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (pages.empty()) ogg_stream_init(&stream, ogg_page_serialno(&page));
        ogg_stream_pagein(&stream, &page);
        CPage p{ogg_page_bos(&page) != 0, ogg_page_eos(&page) != 0, ogg_page_granulepos(&page), {}};
        ogg_packet op;
        while (ogg_stream_packetout(&stream, &op) == 1)
            p.packets.emplace_back(reinterpret_cast<char*>(op.packet), static_cast<size_t>(op.bytes));
        pages.push_back(p);
    }
    if (!pages.empty()) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return pages;
}

// The stream's packets again, each page holding one, after edit had its way with them.
std::string restream(const std::string& bytes, const std::function<void(size_t, std::string&)>& edit) {
    ogg_stream_state out;
    ogg_stream_init(&out, 7);
    std::string result;
    size_t number = 0;
    std::vector<CPage> pages = readPages(bytes);
    size_t total = 0;
    for (const CPage& page : pages) total += page.packets.size();
    for (const CPage& page : pages)
        for (std::string packet : page.packets) {
            edit(number, packet);
            ogg_packet op{};
            op.packet = reinterpret_cast<unsigned char*>(packet.data());
            op.bytes = static_cast<long>(packet.size());
            op.b_o_s = number == 0;
            op.e_o_s = number + 1 == total;
            op.granulepos = page.granule;
            op.packetno = static_cast<int64_t>(number++);
            ogg_stream_packetin(&out, &op);
            ogg_page og;
            while (ogg_stream_flush(&out, &og)) {
                result.append(reinterpret_cast<char*>(og.header), static_cast<size_t>(og.header_len));
                result.append(reinterpret_cast<char*>(og.body), static_cast<size_t>(og.body_len));
            }
        }
    ogg_stream_clear(&out);
    return result;
}

void store32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
uint32_t load32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
    return v;
}

// The power of one frequency in a channel of 16-bit samples (Goertzel).
double power(const std::string& pcm, int channels, int channel, int rate, double freq) {
    const double k = 2 * std::cos(2 * kPi * freq / rate);
    double s1 = 0, s2 = 0;
    for (size_t at = 2 * channel; at + 1 < pcm.size(); at += 2 * channels) {
        double x =
            static_cast<int16_t>(static_cast<uint8_t>(pcm[at]) | static_cast<uint8_t>(pcm[at + 1]) << 8);
        double s = x + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

struct CSpeexFiles {
    CTempFolder folder{"speex"};
    std::string path(const std::string& name) const { return (folder.path() / name).string(); }
    // Encodes the WAVE bytes; the Speex file's bytes, empty when encoding failed.
    std::string encode(const std::string& wave) {
        folder.put("in.wav", wave);
        if (!CSpeexCodec::encode(path("in.wav").c_str(), path("out.spx").c_str())) return "";
        return readNative(path("out.spx"));
    }
    bool decode(const std::string& speex, const std::string& output = "back.wav") {
        folder.put("in.spx", speex);
        return CSpeexCodec::decode(path("in.spx").c_str(), path(output).c_str());
    }
};

} // namespace

TEST(Speex, EncodesOneFramePerPacketAndDecodesTheTone) {
    struct Case {
        int rate, channels, bits, frames;
        double freq;
    };
    for (Case c :
         {Case{8000, 1, 16, 8000, 440}, Case{22050, 2, 16, 11025, 1000}, Case{8000, 1, 8, 3000, 600}}) {
        SCOPED_TRACE(testing::Message()
                     << c.rate << " Hz, " << c.channels << " channels, " << c.bits << " bits");
        CSpeexFiles files;
        std::string speex = files.encode(toneWave(c.rate, c.channels, c.bits, c.freq, c.frames));
        std::vector<CPage> pages = readPages(speex);
        ASSERT_GE(pages.size(), 3u);
        EXPECT_TRUE(pages[0].bos);
        ASSERT_EQ(pages[0].packets.size(), 1u);
        const std::string& header = pages[0].packets[0];
        ASSERT_EQ(header.size(), 80u);
        EXPECT_EQ(header.substr(0, 8), "Speex   ");
        EXPECT_EQ(load32(header, 36), static_cast<uint32_t>(c.rate));
        EXPECT_EQ(load32(header, 40), 0u); // narrow band
        EXPECT_EQ(load32(header, 48), static_cast<uint32_t>(c.channels));
        EXPECT_EQ(load32(header, 60), 0u); // no VBR
        EXPECT_EQ(load32(header, 64), 1u); // frames a packet
        ASSERT_EQ(pages[1].packets.size(), 1u);
        EXPECT_EQ(pages[1].packets[0], std::string("\x1F\0\0\0Encoded with Speex speex-1.0rc3\0\0\0\0", 39));
        // Granules count the frames sent; the last page ends the stream.
        const int64_t frames = (c.frames + 159) / 160;
        int64_t packets = 0, granule = 0;
        for (size_t i = 2; i < pages.size(); ++i) {
            packets += static_cast<int64_t>(pages[i].packets.size());
            EXPECT_FALSE(pages[i].bos);
            EXPECT_EQ(pages[i].eos, i + 1 == pages.size());
            EXPECT_EQ(pages[i].granule, packets * 160);
            EXPECT_GT(pages[i].granule, granule);
            granule = pages[i].granule;
            for (const std::string& packet : pages[i].packets) EXPECT_LE(packet.size(), 2000u);
        }
        EXPECT_EQ(packets, frames);

        ASSERT_TRUE(files.decode(speex));
        std::string wave = readNative(files.path("back.wav"));
        ASSERT_EQ(wave.size(), 44 + frames * 160 * c.channels * 2);
        EXPECT_EQ(wave.substr(0, 4), "RIFF");
        EXPECT_EQ(load32(wave, 4), wave.size() - 8);
        EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(load32(wave, 24), static_cast<uint32_t>(c.rate));
        EXPECT_EQ(wave[22], c.channels);
        EXPECT_EQ(wave[34], 16);
        EXPECT_EQ(wave.substr(36, 4), "data");
        EXPECT_EQ(load32(wave, 40), wave.size() - 44);
        const std::string pcm = wave.substr(44);
        for (int ch = 0; ch < c.channels; ++ch) {
            const double tone = power(pcm, c.channels, ch, c.rate, c.freq);
            for (double other : {0.5, 1.5, 2.5})
                EXPECT_GT(tone, 10 * power(pcm, c.channels, ch, c.rate, c.freq * other));
        }
        // Stereo keeps its balance.
        if (c.channels == 2) {
            EXPECT_GT(power(pcm, 2, 0, c.rate, c.freq), 2 * power(pcm, 2, 1, c.rate, c.freq));
        }
        // Other names get the samples alone; only ".wav" and ".WAV" make a WAVE file.
        ASSERT_TRUE(files.decode(speex, "upper.WAV"));
        EXPECT_TRUE(readNative(files.path("upper.WAV")) == wave);
        ASSERT_TRUE(files.decode(speex, "samples.raw"));
        EXPECT_TRUE(readNative(files.path("samples.raw")) == pcm);
        ASSERT_TRUE(files.decode(speex, "mixed.Wav"));
        EXPECT_TRUE(readNative(files.path("mixed.Wav")) == pcm);
    }
}

TEST(Speex, EncoderRefusesWhatIsNotA44ByteHeaderPcmFile) {
    CSpeexFiles files;
    // No samples still give one frame, the one that ends the stream.
    EXPECT_EQ(readPages(files.encode(toneWave(8000, 1, 16, 440, 0))).back().granule, 160);
    const std::string good = toneWave(8000, 1, 16, 440, 400);
    auto changed = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const std::string refused[] = {
        changed(0, "RIFX"),
        changed(8, "WAVF"),
        changed(12, "fmt_"),
        changed(36, "date"),
        changed(20, std::string("\x02\0", 2)), // not PCM
        changed(22, std::string("\x03\0", 2)), // three channels
        changed(34, std::string("\x18\0", 2)), // 24 bits
        changed(24, std::string(4, '\0')),     // rate 0
        riff(chunk("fmt ", formatBody(1, 1, 8000, 16, 18)) + chunk("data", std::string(100, '\0'))),
        good.substr(0, 43)};
    for (const std::string& wave : refused) {
        std::filesystem::remove(files.path("out.spx"));
        EXPECT_EQ(files.encode(wave), "");
        EXPECT_FALSE(std::filesystem::exists(files.path("out.spx")));
    }
    // A missing input, an unwritable output and a full disk.
    files.folder.put("in.wav", good);
    EXPECT_FALSE(CSpeexCodec::encode(files.path("none.wav").c_str(), files.path("x.spx").c_str()));
    EXPECT_FALSE(CSpeexCodec::encode(files.path("in.wav").c_str(), files.path("no/x.spx").c_str()));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(CSpeexCodec::encode(files.path("in.wav").c_str(), "/dev/full"));
    }
}

TEST(Speex, DecoderRefusesDamagedStreams) {
    CSpeexFiles files;
    const std::string speex = files.encode(toneWave(8000, 2, 16, 440, 4000));
    ASSERT_FALSE(speex.empty());
    CLogCapture log;
    // Cut at every page and inside pages: never the whole stream.
    for (size_t at = speex.find("OggS", 1); at != std::string::npos; at = speex.find("OggS", at + 1)) {
        EXPECT_FALSE(files.decode(speex.substr(0, at)));
        EXPECT_FALSE(files.decode(speex.substr(0, at + 30)));
    }
    EXPECT_TRUE(log.contains("ends before its last packet"));
    auto header = [&](size_t at, uint32_t value) {
        return restream(speex, [&](size_t n, std::string& p) {
            if (n == 0) store32(p, at, value);
        });
    };
    EXPECT_TRUE(files.decode(header(76, 0))); // rebuilt whole, it still decodes
    // Extra headers the stream never gets past leave no samples: refused, as is a negative count.
    EXPECT_TRUE(files.decode(header(68, 1)));
    EXPECT_FALSE(files.decode(header(68, 0x7FFFFFFF)));
    EXPECT_TRUE(log.contains("ends within its 2147483647 extra headers"));
    EXPECT_FALSE(files.decode(header(68, 0xFFFFFFFF)));
    EXPECT_TRUE(log.contains("-1 extra headers"));
    // Counting every packet after the comments leaves none to decode; one fewer leaves the last frame.
    size_t packets = 0;
    for (const CPage& page : readPages(speex)) packets += page.packets.size();
    const uint32_t sound = static_cast<uint32_t>(packets - 2);
    EXPECT_FALSE(files.decode(header(68, sound)));
    ASSERT_TRUE(files.decode(header(68, sound - 1)));
    EXPECT_EQ(readNative(files.path("back.wav")).size(), 44u + 160 * 2 * 2);
    EXPECT_FALSE(files.decode(header(40, 3)));
    EXPECT_TRUE(log.contains("Mode number 3 does not (yet/any longer) exist in this version"));
    EXPECT_FALSE(files.decode(header(40, 0xFFFFFFFF)));
    EXPECT_FALSE(files.decode(header(28, 2)));
    EXPECT_TRUE(log.contains("Speex bit-stream version 2"));
    EXPECT_FALSE(files.decode(header(44, 5)));
    EXPECT_TRUE(log.contains("newer version of Speex"));
    EXPECT_FALSE(files.decode(header(44, 3)));
    EXPECT_TRUE(log.contains("older version of Speex"));
    for (auto [at, value] :
         {std::pair<size_t, uint32_t>{48, 3}, {48, 0}, {64, 0}, {64, 11}, {36, 0}, {36, 0x80000000}})
        EXPECT_FALSE(files.decode(header(at, value))) << at << " " << value;
    EXPECT_FALSE(files.decode(restream(speex, [](size_t n, std::string& p) {
        if (n == 0) p = "Speex   but short";
    })));
    EXPECT_TRUE(log.contains("Cannot read header"));
    // Comments whose lengths run past their packet are reported; the sound still decodes.
    for (uint32_t vendor : {31u, 0xFFFFFFF0u}) {
        log.clear();
        EXPECT_TRUE(files.decode(restream(speex, [&](size_t n, std::string& p) {
            if (n == 1) store32(p, 0, vendor), store32(p, 35, 0x7FFFFFFF);
        })));
        EXPECT_TRUE(log.contains("Invalid/corrupted comments"));
    }
    // Random bytes, and random frames after good headers.
    std::mt19937 random(34);
    std::string noise(3000, '\0');
    for (char& ch : noise) ch = static_cast<char>(random());
    EXPECT_FALSE(files.decode(noise));
    EXPECT_FALSE(files.decode(""));
    EXPECT_FALSE(CSpeexCodec::decode(files.path("none.spx").c_str(), files.path("x.wav").c_str()));
    EXPECT_FALSE(CSpeexCodec::decode(files.path("in.spx").c_str(), files.path("no/x.wav").c_str()));
    files.decode(restream(speex, [&](size_t n, std::string& p) {
        if (n >= 2)
            for (char& ch : p) ch = static_cast<char>(random());
    }));
}

namespace {

// A WAVE file on disk whose handle is closed once limit bytes were read from it.
class CClosingWave : public CFile {
public:
    CClosingWave(const std::string& path, int limit) : m_left(limit) {
        OpenDirect(path.c_str(), MODE_READ | MODE_BINARY);
    }
    int Read(void* buffer, int count) override {
        const int got = CFile::Read(buffer, count);
        m_left -= got;
        if (m_left <= 0) Close();
        return got;
    }

private:
    int m_left;
};

// A WAVE file in memory whose reads fail, short of its end, once limit bytes were served.
class CFailingWave : public CFile_Stream {
public:
    CFailingWave(std::string& bytes, int limit)
        : CFile_Stream(bytes.data(), static_cast<int>(bytes.size())), m_left(limit) {}
    int Read(void* buffer, int count) override {
        const int got = CFile_Stream::Read(buffer, std::min(count, m_left));
        m_left -= got;
        return got;
    }

private:
    int m_left;
};

} // namespace

TEST(Speex, EncoderFailsWhenItsInputCannotBeReadToTheEnd) {
    CSpeexFiles files;
    std::string wave = toneWave(8000, 1, 16, 440, 4000);
    CLogCapture log;
    for (int limit : {44 + 100, 44 + 320 * 5 + 7}) {
        CFailingWave failing(wave, limit);
        EXPECT_FALSE(CSpeexCodec::encode(failing, files.path("cut.spx").c_str())) << limit;
        // What was written is a closed, whole stream, and the failure is said.
        EXPECT_TRUE(readPages(readNative(files.path("cut.spx"))).back().eos);
    }
    EXPECT_TRUE(log.contains("reading"));
    // Served whole, the same stream encodes; a data chunk longer than the file ends with the file.
    CFile_Stream whole(wave.data(), static_cast<int>(wave.size()));
    EXPECT_TRUE(CSpeexCodec::encode(whole, files.path("whole.spx").c_str()));
    store32(wave, 40, 0x7FFFFFFF);
    CFile_Stream longer(wave.data(), static_cast<int>(wave.size()));
    EXPECT_TRUE(CSpeexCodec::encode(longer, files.path("longer.spx").c_str()));
    EXPECT_EQ(readNative(files.path("longer.spx")).size(), readNative(files.path("whole.spx")).size());
    // So does the other size writers leave unpatched; any other size the file does not reach is a file cut
    // short, whether the chunk claims more or the file lost its end.
    const std::string tone = toneWave(8000, 1, 16, 440, 4000);
    std::string unknown = tone;
    store32(unknown, 40, 0xFFFFFFFF);
    EXPECT_NE(files.encode(unknown), "");
    std::string claiming = tone;
    store32(claiming, 40, load32(tone, 40) + 1000);
    log.clear();
    EXPECT_TRUE(files.encode(claiming).empty());
    EXPECT_TRUE(log.contains("ends 1000 bytes before the end of its data"));
    EXPECT_TRUE(readPages(readNative(files.path("out.spx"))).back().eos);
    for (size_t cut : {size_t(44), size_t(44 + 320 * 3 + 1), tone.size() - 1}) {
        EXPECT_TRUE(files.encode(tone.substr(0, cut)).empty()) << cut;
    }

    // A handle closed before the header or partway through the samples, and a file whose reads fail.
    files.folder.put("in.wav", tone);
    CFile closed;
    ASSERT_EQ(closed.OpenDirect(files.path("in.wav").c_str(), CFile::MODE_READ | CFile::MODE_BINARY), 0);
    closed.Close();
    log.clear();
    EXPECT_FALSE(CSpeexCodec::encode(closed, files.path("closed.spx").c_str()));
    EXPECT_TRUE(log.contains("reading"));
    for (int limit : {44 + 320, 44 + 320 * 7}) {
        CClosingWave closing(files.path("in.wav"), limit);
        log.clear();
        EXPECT_FALSE(CSpeexCodec::encode(closing, files.path("closing.spx").c_str())) << limit;
        EXPECT_TRUE(log.contains("reading")) << limit;
    }
    CFile memory;
    if (memory.OpenDirect("/proc/self/mem", CFile::MODE_READ | CFile::MODE_BINARY) == 0) {
        log.clear();
        EXPECT_FALSE(CSpeexCodec::encode(memory, files.path("mem.spx").c_str()));
        EXPECT_TRUE(log.contains("reading"));
        EXPECT_FALSE(log.contains("is not a 44-byte-header"));
    }
}
