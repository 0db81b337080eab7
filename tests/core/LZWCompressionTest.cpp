#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "core/CodecData.h"
#include "core/Compression.h"

using namespace KavirelDLL;
using codecdata::Bytes;

namespace {

uint32_t le32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

void putLE32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
}

Bytes lzwCompress(Bytes in) {
    CLZWCompression codec(in.data(), static_cast<int>(in.size()));
    int n = -1;
    char* out = codec.compress(n);
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(codec.LastError(), 0);
    return codecdata::own(out, n);
}

// Null comes back as ok = false; error and size take LastError() and GetSize() afterwards.
Bytes lzwDecompress(Bytes stream, bool* ok = nullptr, int* error = nullptr, int maxSize = 0) {
    CLZWCompression codec(stream.data(), static_cast<int>(stream.size()));
    char* out = codec.decompress(maxSize);
    if (ok) *ok = out != nullptr;
    if (error) *error = codec.LastError();
    if (!out) {
        EXPECT_EQ(codec.GetSize(), 0);
    }
    return codecdata::own(out, codec.GetSize());
}

// Builds a stream from (code, width) pairs.
Bytes lzwStream(uint32_t rawSize, const std::vector<std::pair<uint32_t, int>>& codes) {
    Bytes packed;
    uint64_t bits = 0;
    int count = 0;
    for (auto [code, width] : codes) {
        bits |= static_cast<uint64_t>(code) << count;
        count += width;
        while (count >= 8) {
            packed.push_back(static_cast<char>(bits));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) packed.push_back(static_cast<char>(bits));
    Bytes out;
    putLE32(out, rawSize);
    putLE32(out, static_cast<uint32_t>(packed.size()));
    putLE32(out, static_cast<uint32_t>(codes.size()));
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

// Counts the clear codes of a stream, following the widths a reader uses.
int clearsIn(const Bytes& stream) {
    const uint32_t codes = le32(stream, 8);
    uint64_t bit = 0;
    int width = 9, clears = 0;
    uint32_t next = 257;
    bool afterClear = false;
    for (uint32_t k = 0; k < codes; ++k) {
        uint32_t code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= ((static_cast<unsigned char>(stream[12 + bit / 8]) >> (bit % 8)) & 1u) << i;
        if (code == 256) {
            ++clears;
            width = 9;
            next = 257;
            afterClear = true;
        } else if (afterClear) {
            afterClear = false;
        } else if (next < 65536 && ++next == (1u << width) && width < 16) {
            ++width;
        }
    }
    return clears;
}

} // namespace

TEST(LZWCompression, StreamLayout) {
    const Bytes in(1000, 'k');
    const Bytes stream = lzwCompress(in);
    ASSERT_GE(stream.size(), 14u);
    EXPECT_EQ(le32(stream, 0), 1000u);
    EXPECT_EQ(le32(stream, 4), stream.size() - 12);
    // Opens with a clear code and the first byte as a 9-bit literal.
    const uint32_t first18 = le32(stream, 12) & 0x3FFFF;
    EXPECT_EQ(first18 & 0x1FF, 256u);
    EXPECT_EQ(first18 >> 9, static_cast<uint32_t>('k'));
    EXPECT_EQ(clearsIn(stream), 1);
}

TEST(LZWCompression, HandMadeStreams) {
    // A clear and one literal.
    EXPECT_EQ(lzwDecompress(lzwStream(1, {{256, 9}, {'A', 9}})), Bytes(1, 'A'));
    // A code defined by its own use: "a" then "aa".
    EXPECT_EQ(lzwDecompress(lzwStream(3, {{256, 9}, {'a', 9}, {257, 9}})), Bytes(3, 'a'));
    // Straight after a later clear the same rule takes the previous string's first byte.
    EXPECT_EQ(lzwDecompress(lzwStream(5, {{256, 9}, {'x', 9}, {'y', 9}, {256, 9}, {'b', 9}, {257, 9}})),
              Bytes({'x', 'y', 'b', 'b', 'b'}));
    // A clear that closes the stream.
    EXPECT_EQ(lzwDecompress(lzwStream(1, {{256, 9}, {'A', 9}, {256, 9}})), Bytes(1, 'A'));
    // The width grows to 10 bits once the decoder's next code reaches 512.
    std::vector<std::pair<uint32_t, int>> codes = {{256, 9}};
    for (int i = 0; i < 256; ++i) codes.push_back({static_cast<uint32_t>(i), 9});
    codes.push_back({'Z', 10});
    Bytes expect;
    for (int i = 0; i < 256; ++i) expect.push_back(static_cast<char>(i));
    expect.push_back('Z');
    EXPECT_EQ(lzwDecompress(lzwStream(257, codes)), expect);
}

TEST(LZWCompression, RoundTrips) {
    Bytes textThenNoise;
    for (int i = 0; i < 20000; ++i) {
        const char* word = i % 3 ? "tile " : "sprite ";
        textThenNoise.insert(textThenNoise.end(), word, word + std::strlen(word));
    }
    const Bytes noise = codecdata::randomBytes(200 * 1024, 8);
    textThenNoise.insert(textThenNoise.end(), noise.begin(), noise.end());

    const std::vector<Bytes> inputs = {
        Bytes(),
        Bytes(1, '\xFF'),
        Bytes(1 << 20, 0),
        codecdata::randomBytes(300 * 1024, 7),
        codecdata::mixedBytes(300 * 1024, 9),
        codecdata::imagePlane(320, 200, 10),
        textThenNoise,
    };
    for (const Bytes& in : inputs) {
        const Bytes stream = lzwCompress(in);
        bool ok = false;
        EXPECT_EQ(lzwDecompress(stream, &ok), in) << in.size();
        EXPECT_TRUE(ok);
    }
    EXPECT_LT(lzwCompress(Bytes(1 << 20, 0)).size(), 4096u);
    // A stream that turns from repetitive to noisy starts a fresh dictionary.
    EXPECT_GT(clearsIn(lzwCompress(textThenNoise)), 1);
}

TEST(LZWCompression, DecompressReportsItsSize) {
    Bytes stream = lzwCompress(Bytes(5000, 'z'));
    CLZWCompression codec(stream.data(), static_cast<int>(stream.size()));
    std::unique_ptr<char[]> out(codec.decompress(0));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(codec.GetSize(), 5000);
    // A caller that knows the size it expects refuses larger claims up front.
    int error = 0;
    bool ok = true;
    lzwDecompress(stream, &ok, &error, 4999);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, ERR_CODEC_TOO_LARGE);
    EXPECT_EQ(lzwDecompress(stream, &ok, &error, 5000).size(), 5000u);
}

TEST(LZWCompression, DamagedStreamsFail) {
    const Bytes in = codecdata::mixedBytes(20000, 11);
    const Bytes good = lzwCompress(in);
    bool ok = true;
    int error = 0;
    for (size_t cut = 0; cut < good.size(); cut += (cut < 40 ? 1 : 97)) {
        lzwDecompress(Bytes(good.begin(), good.begin() + cut), &ok, &error);
        ASSERT_FALSE(ok) << cut;
        ASSERT_EQ(error, ERR_CODEC_DAMAGED) << cut;
    }
    auto patched = [&](size_t at, uint32_t value) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(value >> (8 * i));
        return b;
    };
    lzwDecompress(patched(0, le32(good, 0) + 1), &ok); // claims more than the codes give
    EXPECT_FALSE(ok);
    lzwDecompress(patched(0, le32(good, 0) - 1), &ok); // codes give more than it claims
    EXPECT_FALSE(ok);
    lzwDecompress(patched(4, le32(good, 4) + 1), &ok); // packed length beyond the data
    EXPECT_FALSE(ok);
    lzwDecompress(patched(8, le32(good, 8) + 1), &ok); // a code more than the bits hold
    EXPECT_FALSE(ok);
    lzwDecompress(patched(0, 0x7FFFFFFF), &ok, &error); // absurd claim: refused before allocating
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, ERR_CODEC_DAMAGED);
    lzwDecompress(patched(0, 0x80000000u), &ok, &error);
    EXPECT_EQ(error, ERR_CODEC_TOO_LARGE);

    // Codes not yet defined, and a clear followed by a non-literal.
    lzwDecompress(lzwStream(4, {{256, 9}, {'a', 9}, {300, 9}}), &ok);
    EXPECT_FALSE(ok);
    lzwDecompress(lzwStream(2, {{256, 9}, {257, 9}}), &ok);
    EXPECT_FALSE(ok);
}

TEST(LZWCompression, RandomDamageFailsCleanly) {
    std::mt19937 rng(2024);
    const Bytes good = lzwCompress(codecdata::mixedBytes(6000, 12));
    for (int round = 0; round < 2000; ++round) {
        Bytes b = good;
        const int flips = 1 + static_cast<int>(rng() % 6);
        for (int f = 0; f < flips; ++f) {
            // Mostly the codes, sometimes the header.
            const size_t at = rng() % 8 ? 12 + rng() % (b.size() - 12) : rng() % 12;
            b[at] = static_cast<char>(rng());
        }
        bool ok = false;
        int error = 0;
        const Bytes out = lzwDecompress(b, &ok, &error);
        ASSERT_EQ(ok, error == 0);
    }
    for (int round = 0; round < 1000; ++round) {
        Bytes b;
        putLE32(b, rng() % 5000);
        const uint32_t packed = rng() % 300;
        putLE32(b, packed);
        putLE32(b, rng() % (packed * 8 / 9 + 1));
        const Bytes junk = codecdata::randomBytes(packed, rng());
        b.insert(b.end(), junk.begin(), junk.end());
        lzwDecompress(b);
    }
}

// LZO blocks.

namespace {

Bytes lzoCompress(Bytes in, int* outLength = nullptr) {
    CLZWCompression2 codec(in.data(), static_cast<int>(in.size()));
    int n = -1;
    char* out = codec.compress(n);
    EXPECT_NE(out, nullptr);
    if (outLength) *outLength = n;
    return codecdata::own(out, out ? n + 8 : 0);
}

Bytes lzoDecompress(Bytes block, bool* ok = nullptr, int* error = nullptr) {
    CLZWCompression2 codec(block.data(), static_cast<int>(block.size()));
    char* out = codec.decompress();
    if (ok) *ok = out != nullptr;
    if (error) *error = codec.LastError();
    return codecdata::own(out, out ? static_cast<int>(le32(block, 0)) : 0);
}

} // namespace

TEST(LZWCompression2, BlockLayoutAndRoundTrips) {
    const std::vector<Bytes> inputs = {
        Bytes(),
        Bytes(1, 'q'),
        Bytes(1 << 20, 0),
        codecdata::randomBytes(300 * 1024, 13),
        codecdata::imagePlane(320, 200, 14),
    };
    for (const Bytes& in : inputs) {
        int n = 0;
        const Bytes block = lzoCompress(in, &n);
        ASSERT_GE(block.size(), 8u);
        EXPECT_EQ(le32(block, 0), in.size());
        EXPECT_EQ(le32(block, 4), static_cast<uint32_t>(n)); // the length given back leaves out the header
        bool ok = false;
        EXPECT_EQ(lzoDecompress(block, &ok), in) << in.size();
        EXPECT_TRUE(ok);
    }
}

TEST(LZWCompression2, DamagedBlocksFail) {
    const Bytes good = lzoCompress(codecdata::mixedBytes(30000, 15));
    bool ok = true;
    int error = 0;
    for (size_t cut = 0; cut < good.size(); cut += (cut < 40 ? 1 : 53)) {
        lzoDecompress(Bytes(good.begin(), good.begin() + cut), &ok, &error);
        ASSERT_FALSE(ok) << cut;
        ASSERT_EQ(error, ERR_CODEC_DAMAGED);
    }
    Bytes more = good;
    more[0] = static_cast<char>(more[0] + 1); // claims a byte more than the block gives
    lzoDecompress(more, &ok);
    EXPECT_FALSE(ok);
    Bytes absurd;
    putLE32(absurd, 0x7FFFFFFF);
    putLE32(absurd, 3);
    absurd.insert(absurd.end(), {0x11, 0, 0});
    lzoDecompress(absurd, &ok, &error); // refused before allocating
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, ERR_CODEC_DAMAGED);
    // An empty block decodes to nothing, and a negative size is refused.
    Bytes empty = lzoCompress(Bytes());
    EXPECT_TRUE(lzoDecompress(empty, &ok).empty());
    EXPECT_TRUE(ok);
    empty[3] = '\x80';
    lzoDecompress(empty, &ok, &error);
    EXPECT_EQ(error, ERR_CODEC_TOO_LARGE);
}

TEST(LZWCompression2, RandomDamageFailsCleanly) {
    std::mt19937 rng(77);
    const Bytes good = lzoCompress(codecdata::mixedBytes(8000, 16));
    for (int round = 0; round < 3000; ++round) {
        Bytes b = good;
        const int flips = 1 + static_cast<int>(rng() % 6);
        for (int f = 0; f < flips; ++f) b[8 + rng() % (b.size() - 8)] = static_cast<char>(rng());
        bool ok = false;
        int error = 0;
        lzoDecompress(b, &ok, &error);
        ASSERT_EQ(ok, error == 0);
    }
}
