#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "harness/MovieFiles.h"
#include "platform/Movie.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

std::unique_ptr<CMovieDecoder> openBytes(const std::string& bytes, int bpp = 16) {
    return CMovieDecoder::open(movieSourceFromMemory(std::vector<uint8_t>(bytes.begin(), bytes.end())), bpp);
}

CMovieWriterOptions options(CMovieWriterOptions::Codec codec, int frames = 10, int fps = 25, int w = 64,
                            int h = 48) {
    CMovieWriterOptions o;
    o.codec = codec;
    o.frames = frames;
    o.fps = fps;
    o.width = w;
    o.height = h;
    return o;
}

int channelError(uint16_t a, uint16_t b) {
    return std::max({std::abs((a >> 11) - (b >> 11)), std::abs(((a >> 5) & 63) - ((b >> 5) & 63)) / 2,
                     std::abs((a & 31) - (b & 31))});
}

} // namespace

TEST(MovieDecoder, UncompressedFramesGiveExactWordsAtTheirTimes) {
    std::string bytes = movieBytes(options(CMovieWriterOptions::RAW));
    ASSERT_FALSE(bytes.empty());
    for (int bpp : {16, 15}) {
        auto decoder = openBytes(bytes, bpp);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->info().width, 64);
        EXPECT_EQ(decoder->info().height, 48);
        EXPECT_EQ(decoder->info().frameUs, 40000);
        EXPECT_FALSE(decoder->info().hasAudio);
        std::vector<uint16_t> pixels(64 * 48);
        int64_t t = -1;
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(decoder->nextFrame(pixels.data(), 64, &t), CMovieDecoder::RESULT_FRAME) << i;
            EXPECT_EQ(t, i * 40000);
            uint16_t want = bpp == 16 ? movieColour(i).rgb565() : movieColour(i).rgb555();
            EXPECT_EQ(pixels[0], want) << i;
            EXPECT_EQ(pixels[64 * 48 - 1], want) << i;
        }
        EXPECT_EQ(decoder->nextFrame(pixels.data(), 64, &t), CMovieDecoder::RESULT_END);
    }
}

TEST(MovieDecoder, CompressedFramesComeCloseToTheirColours) {
    for (auto codec : {CMovieWriterOptions::MPEG4, CMovieWriterOptions::MSVIDEO1}) {
        auto decoder = openBytes(movieBytes(options(codec)));
        ASSERT_TRUE(decoder) << codec;
        std::vector<uint16_t> pixels(64 * 48);
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(decoder->nextFrame(pixels.data(), 64, nullptr), CMovieDecoder::RESULT_FRAME);
            EXPECT_LE(channelError(pixels[64 * 24 + 32], movieColour(i).rgb565()), 3) << codec << " frame " << i;
        }
    }
}

TEST(MovieDecoder, SeeksBeyondThirtyTwoBitsOfHundredNanoseconds) {
    // 250 s at 1 fps: 220 s is 2.2e9 units of 100 ns, past 2^31.
    auto decoder = openBytes(movieBytes(options(CMovieWriterOptions::RAW, 250, 1, 16, 16)));
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->info().durationUs, 250000000);
    ASSERT_TRUE(decoder->seek(220000000));
    std::vector<uint16_t> pixels(16 * 16);
    int64_t t = 0;
    ASSERT_EQ(decoder->nextFrame(pixels.data(), 16, &t), CMovieDecoder::RESULT_FRAME);
    EXPECT_EQ(t, 220000000);
    EXPECT_EQ(pixels[0], movieColour(220).rgb565());
}

TEST(MovieDecoder, TimesCountFromTheFirstFrame) {
    // An MPEG-TS stream whose clock starts at 2 s: its first frame is still at 0, and seeks land where asked.
    CMovieWriterOptions o = options(CMovieWriterOptions::MPEG4);
    o.container = "mpegts";
    o.firstFrame = 50;
    std::string bytes = movieBytes(o);
    auto decoder = openBytes(bytes);
    ASSERT_TRUE(decoder);
    std::vector<uint16_t> pixels(64 * 48);
    int64_t t = -1;
    ASSERT_EQ(decoder->nextFrame(pixels.data(), 64, &t), CMovieDecoder::RESULT_FRAME);
    EXPECT_EQ(t, 0);
    ASSERT_TRUE(decoder->seek(200000));
    ASSERT_EQ(decoder->nextFrame(pixels.data(), 64, &t), CMovieDecoder::RESULT_FRAME);
    EXPECT_EQ(t, 200000);
    EXPECT_LE(channelError(pixels[64 * 24 + 32], movieColour(5).rgb565()), 3);
}

TEST(MovieDecoder, SoundComesAsStereoAtTheAskedRate) {
    CMovieWriterOptions o = options(CMovieWriterOptions::RAW, 25);
    o.toneHz = 441;
    auto decoder = openBytes(movieBytes(o));
    ASSERT_TRUE(decoder);
    EXPECT_TRUE(decoder->info().hasAudio);
    std::vector<int16_t> samples;
    ASSERT_TRUE(decoder->decodeAudio(samples, 44100, 1 << 20));
    // One second of a 441 Hz tone: 44100 frames, both channels alike, a period of 100 frames.
    ASSERT_NEAR(static_cast<double>(samples.size()) / 2, 44100, 64);
    int peak = 0;
    for (size_t i = 0; i < samples.size(); i += 2) {
        EXPECT_EQ(samples[i], samples[i + 1]);
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    EXPECT_GT(peak, 6000);
    // The cap holds before the buffer grows, not after.
    std::vector<int16_t> capped;
    EXPECT_TRUE(openBytes(movieBytes(o))->decodeAudio(capped, 44100, 100));
    EXPECT_EQ(capped.size(), 200u);
    EXPECT_LE(capped.capacity(), 400u);
    // A track at a rate no sound has is refused, not stretched.
    o.audioRate = 100;
    auto slow = openBytes(movieBytes(o));
    ASSERT_TRUE(slow);
    std::vector<int16_t> none;
    EXPECT_FALSE(slow->decodeAudio(none, 44100, 1 << 20));
    EXPECT_TRUE(none.empty());
}

// A smoke test: damaged files are refused or decoded in part, without a crash (the fuzz target goes further).
TEST(MovieDecoder, DamagedFilesFailWithoutCrashing) {
    std::string good = movieBytes(options(CMovieWriterOptions::RAW));
    EXPECT_FALSE(openBytes(""));
    EXPECT_FALSE(openBytes(std::string(4096, '\x5A')));
    EXPECT_FALSE(openBytes(good.substr(0, 64)));
    // Cut in the middle of the frames: it opens, gives the frames it has, then ends or fails.
    auto cut = openBytes(good.substr(0, good.size() / 2));
    if (cut) {
        std::vector<uint16_t> pixels(64 * 48);
        int frames = 0, result;
        while ((result = cut->nextFrame(pixels.data(), 64, nullptr)) == CMovieDecoder::RESULT_FRAME) ++frames;
        EXPECT_LT(frames, 10);
    }
    // Bytes flipped all over the frames.
    std::string noisy = good;
    for (size_t i = 400; i < noisy.size(); i += 97) noisy[i] = static_cast<char>(noisy[i] ^ 0x5A);
    if (auto decoder = openBytes(noisy)) {
        std::vector<uint16_t> pixels(64 * 48);
        for (int i = 0; i < 20 && decoder->nextFrame(pixels.data(), 64, nullptr) == 1; ++i) {
        }
    }
}

TEST(MovieDecoder, PlaylistsOpenNoOtherFile) {
    // A playable movie beside the working folder; a playlist naming it is refused, not followed.
    const std::string name = "kavirel_nested_target.avi";
    ASSERT_TRUE(writeMovie(name, options(CMovieWriterOptions::RAW), [](int, uint8_t*, int) {}));
    EXPECT_FALSE(openBytes("ffconcat version 1.0\nfile '" + name + "'\n"));
    EXPECT_FALSE(openBytes("#EXTM3U\n#EXTINF:1,\n" + name + "\n"));
    std::remove(name.c_str());
}

// swscale writes whole words at a row's end: a picture of any width, decoded into a block that ends at its last
// pixel, leaves what follows the block, and the gaps between rows of a wider pitch, untouched.
TEST(MovieDecoder, NarrowPicturesStayInsideTheirBlock) {
    constexpr size_t kGuard = 64;
    constexpr uint16_t kMark = 0xA55A;
    const int height = 3;
    for (auto codec : {CMovieWriterOptions::RAW, CMovieWriterOptions::MPEG4}) {
        for (int width = 1; width <= 17; ++width) {
            std::string bytes = movieBytes(options(codec, 2, 25, width, height));
            ASSERT_FALSE(bytes.empty()) << codec << " width " << width;
            for (int bpp : {16, 15}) {
                auto decoder = openBytes(bytes, bpp);
                ASSERT_TRUE(decoder) << codec << " width " << width;
                // The first frame in rows of the picture's width, the second with two pixels between rows.
                for (int i = 0; i < 2; ++i) {
                    const int pitch = width + 2 * i;
                    const size_t end = static_cast<size_t>(pitch) * (height - 1) + width;
                    std::vector<uint16_t> block(end + kGuard, kMark);
                    ASSERT_EQ(decoder->nextFrame(block.data(), pitch, nullptr), CMovieDecoder::RESULT_FRAME);
                    const uint16_t want = bpp == 16 ? movieColour(i).rgb565() : movieColour(i).rgb555();
                    int outside = 0, wrong = 0;
                    for (size_t k = 0; k < block.size(); ++k) {
                        if (k >= end || static_cast<int>(k % pitch) >= width)
                            outside += block[k] != kMark;
                        else
                            wrong += codec == CMovieWriterOptions::RAW && block[k] != want;
                    }
                    EXPECT_EQ(outside, 0) << codec << " width " << width << " bpp " << bpp << " pitch " << pitch;
                    EXPECT_EQ(wrong, 0) << "width " << width << " bpp " << bpp << " pitch " << pitch;
                }
            }
        }
    }
}
