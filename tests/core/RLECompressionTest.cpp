#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "core/CodecData.h"
#include "core/Compression.h"

using namespace KavirelDLL;
using codecdata::Bytes;

namespace {

Bytes bytes(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

Bytes encode8(const Bytes& in) {
    int n = -1;
    char* out = CRLECompression::__compresschar(in.data(), static_cast<int>(in.size()), n);
    EXPECT_NE(out, nullptr);
    return codecdata::own(out, n);
}

Bytes encode16(const Bytes& in) {
    int n = -1;
    char* out = CRLECompression::__compress(in.data(), static_cast<int>(in.size()), n);
    EXPECT_NE(out, nullptr);
    return codecdata::own(out, n);
}

// Null comes back as an empty vector plus ok = false.
Bytes decode8(const Bytes& in, int size, bool* ok = nullptr) {
    char* out = CRLECompression::__decompresschar(in.data(), static_cast<int>(in.size()), size);
    if (ok) *ok = out != nullptr;
    return codecdata::own(out, size);
}

Bytes decode16(const Bytes& in, int size, bool* ok = nullptr) {
    char* out = CRLECompression::__decompress(in.data(), static_cast<int>(in.size()), size);
    if (ok) *ok = out != nullptr;
    return codecdata::own(out, size);
}

// Walks the packets of an 8-bit stream and returns the run lengths in order.
std::vector<int> runsOf(const Bytes& stream) {
    std::vector<int> runs;
    for (size_t i = 0; i < stream.size();) {
        const auto control = static_cast<unsigned char>(stream[i]);
        if (control & 0x80) {
            runs.push_back(control & 0x7F);
            i += 2;
        } else {
            i += 1 + control;
        }
    }
    return runs;
}

} // namespace

TEST(RLECompression, ByteExamples) {
    EXPECT_EQ(encode8(Bytes(10, 'q')), bytes({0x8A, 'q'}));
    EXPECT_EQ(encode8(bytes({1, 2, 3})), bytes({0x03, 1, 2, 3}));
    EXPECT_EQ(encode8(bytes({1, 1, 2})), bytes({0x02, 1, 1, 0x01, 2}));
    EXPECT_EQ(encode8(Bytes(200, 5)), bytes({0xFF, 5, 0xC9, 5}));
    // Runs of up to three stay literal.
    EXPECT_EQ(encode8(bytes({4, 4, 4})), bytes({0x03, 4, 4, 4}));
    EXPECT_EQ(encode8(bytes({4, 4, 4, 4})), bytes({0x84, 4}));
}

TEST(RLECompression, SixteenBitElementsAreLittleEndianPairs) {
    Bytes plane;
    for (int i = 0; i < 10; ++i) plane.insert(plane.end(), {0x34, 0x12});
    EXPECT_EQ(encode16(plane), bytes({0x8A, 0x34, 0x12}));
    // Equal bytes in unequal elements are no run.
    EXPECT_EQ(encode16(bytes({1, 2, 2, 1})), bytes({0x02, 1, 2, 2, 1}));
    EXPECT_EQ(decode16(bytes({0x83, 0x34, 0x12, 0x01, 9, 8}), 8),
              bytes({0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 9, 8}));
}

TEST(RLECompression, FullLiteralGroupDoesNotInventARun) {
    // 127 distinct bytes fill a literal group; what follows must be counted, not assumed to repeat.
    Bytes in;
    for (int i = 0; i < 127; ++i) in.push_back(static_cast<char>(i + 10));
    in.insert(in.end(), {'X', 'Y', 'X', 'X'});
    const Bytes stream = encode8(in);
    EXPECT_TRUE(runsOf(stream).empty());
    EXPECT_EQ(decode8(stream, static_cast<int>(in.size())), in);

    Bytes wide;
    for (int i = 0; i < 127; ++i) wide.insert(wide.end(), {static_cast<char>(i), 7});
    wide.insert(wide.end(), {'X', 0, 'Y', 0, 'X', 0, 'X', 0});
    EXPECT_EQ(decode16(encode16(wide), static_cast<int>(wide.size())), wide);

    // A real run after a full group is still a run.
    in.resize(127);
    in.insert(in.end(), 6, 'Z');
    EXPECT_EQ(runsOf(encode8(in)), std::vector<int>{6});
}

TEST(RLECompression, RoundTrips) {
    const std::vector<Bytes> inputs = {
        Bytes(),
        Bytes(1, 'a'),
        Bytes(2, 'a'),
        Bytes(1 << 20, 0),
        codecdata::randomBytes(300 * 1024, 1),
        codecdata::mixedBytes(200 * 1024, 2),
    };
    for (const Bytes& in : inputs) {
        const Bytes s8 = encode8(in);
        EXPECT_EQ(decode8(s8, static_cast<int>(in.size())), in) << in.size();
        Bytes even = in;
        even.resize(in.size() & ~size_t(1));
        const Bytes s16 = encode16(even);
        EXPECT_EQ(decode16(s16, static_cast<int>(even.size())), even) << even.size();
    }
    // Worst case stays within twice the input.
    const Bytes noisy = codecdata::randomBytes(64 * 1024, 3);
    EXPECT_LE(encode8(noisy).size(), noisy.size() * 2);
    EXPECT_EQ(encode8(Bytes(1 << 20, 0)).size(), 2u * ((1 << 20) / 127 + 1));
}

TEST(RLECompression, EncodersRefuseBadLengths) {
    int n = 5;
    const char three[3] = {1, 2, 3};
    EXPECT_EQ(CRLECompression::__compress(three, 3, n), nullptr);
    EXPECT_EQ(n, 0);
    n = 5;
    EXPECT_EQ(CRLECompression::__compresschar(three, -1, n), nullptr);
    EXPECT_EQ(n, 0);
    char* empty = CRLECompression::__compresschar(nullptr, 0, n);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(n, 0);
    delete[] empty;
}

TEST(RLECompression, DecoderStopsAtTheRequestedSize) {
    EXPECT_EQ(decode8(bytes({0x8A, 'q'}), 4), Bytes(4, 'q'));
    EXPECT_EQ(decode8(bytes({0x05, 1, 2, 3, 4, 5}), 3), bytes({1, 2, 3}));
    // The literal's missing tail is never needed.
    EXPECT_EQ(decode8(bytes({0x05, 1, 2}), 2), bytes({1, 2}));
    EXPECT_EQ(decode16(bytes({0x8A, 1, 2}), 3), bytes({1, 2, 1}));
    // A run of zero writes nothing but uses its element.
    EXPECT_EQ(decode8(bytes({0x80, 9, 0x82, 4}), 2), bytes({4, 4}));
    bool ok = false;
    EXPECT_TRUE(decode8(Bytes(), 0, &ok).empty());
    EXPECT_TRUE(ok);
}

TEST(RLECompression, TruncatedOrImpossibleInputFails) {
    bool ok = true;
    decode8(bytes({0x8A, 'q'}), 11, &ok);
    EXPECT_FALSE(ok);
    decode8(bytes({0x8A}), 1, &ok); // run without its element
    EXPECT_FALSE(ok);
    decode8(bytes({0x03, 1, 2}), 3, &ok);
    EXPECT_FALSE(ok);
    decode16(bytes({0x82, 1}), 4, &ok);
    EXPECT_FALSE(ok);
    decode8(Bytes(), 1, &ok);
    EXPECT_FALSE(ok);
    decode8(bytes({0x00, 0x00}), -1, &ok);
    EXPECT_FALSE(ok);
    // More than two bytes of runs could ever give: refused before anything is allocated.
    EXPECT_EQ(CRLECompression::__decompresschar("\xFF\x01", 2, 1 << 30), nullptr);
    EXPECT_EQ(CRLECompression::__decompress("\xFF\x01\x02", 3, INT32_MAX), nullptr);
    EXPECT_EQ(CRLECompression::__decompresschar(nullptr, 4, 4), nullptr);

    // Every proper prefix of a stream fails.
    const Bytes in = codecdata::mixedBytes(4000, 4);
    const Bytes stream = encode8(in);
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        char* out = CRLECompression::__decompresschar(stream.data(), static_cast<int>(cut),
                                                      static_cast<int>(in.size()));
        ASSERT_EQ(out, nullptr) << cut;
    }
}

namespace {

// The packets read one element at a time: what the fast decoder must give, for every stream it accepts.
Bytes reference16(const Bytes& in, int size) {
    Bytes out;
    for (size_t at = 0; at < in.size() && out.size() < size_t(size);) {
        const auto control = static_cast<unsigned char>(in[at++]);
        const int count = control & 0x7F;
        const bool run = control & 0x80;
        for (int i = 0; i < count && at + (run ? 1 : 2 * i + 1) < in.size(); ++i)
            for (int b = 0; b < 2; ++b) out.push_back(in[at + (run ? b : 2 * i + b)]);
        at += run ? 2 : 2 * size_t(count);
    }
    out.resize(std::min(out.size(), size_t(size)));
    return out;
}

} // namespace

TEST(RLECompression, RandomStreamsFailCleanly) {
    std::mt19937 rng(1234);
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        const Bytes junk = codecdata::randomBytes(rng() % 200, rng());
        const int size = static_cast<int>(rng() % 3000);
        bool ok = false;
        const Bytes out8 = decode8(junk, size, &ok);
        if (ok) {
            ASSERT_EQ(out8.size(), static_cast<size_t>(size));
        }
        // Sizes the stream can fill, so most rounds decode; the wide stores near the end write nothing wrong.
        const int fillable = static_cast<int>(reference16(junk, INT32_MAX).size());
        for (int wanted : {size, fillable, fillable - 1 - int(rng() % 40)}) {
            if (wanted < 0) continue;
            const Bytes out16 = decode16(junk, wanted, &ok);
            const Bytes expected = reference16(junk, wanted);
            ASSERT_EQ(ok, expected.size() == size_t(wanted)) << round;
            if (ok) {
                ASSERT_EQ(out16, expected) << round;
                Bytes into(size_t(wanted) + 1, '?');
                ASSERT_TRUE(
                    CRLECompression::__decompressInto(junk.data(), int(junk.size()), into.data(), wanted));
                EXPECT_EQ(Bytes(into.begin(), into.end() - 1), expected);
                EXPECT_EQ(into.back(), '?');
                decoded += wanted > 300;
            }
        }
    }
    EXPECT_GT(decoded, 100);
    EXPECT_FALSE(CRLECompression::__decompressInto("\x81\x01\x02", 3, nullptr, 2));
}

// Row-wise decoder.

namespace {

// PackBits rows as layered image files store them.
Bytes packRow(const unsigned char* row, int width) {
    Bytes out;
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < 128 && row[i + run] == row[i]) ++run;
        if (run >= 2) {
            out.push_back(static_cast<char>(1 - run));
            out.push_back(static_cast<char>(row[i]));
            i += run;
            continue;
        }
        int lit = 1;
        while (i + lit < width && lit < 128 && !(i + lit + 1 < width && row[i + lit] == row[i + lit + 1]))
            ++lit;
        out.push_back(static_cast<char>(lit - 1));
        out.insert(out.end(), row + i, row + i + lit);
        i += lit;
    }
    return out;
}

struct Packed {
    Bytes data;
    std::vector<short> rows;
};

Packed packPlane(const Bytes& plane, int width, int height) {
    Packed p;
    for (int y = 0; y < height; ++y) {
        const Bytes row = packRow(reinterpret_cast<const unsigned char*>(plane.data()) + y * width, width);
        p.rows.push_back(static_cast<short>(row.size()));
        p.data.insert(p.data.end(), row.begin(), row.end());
    }
    return p;
}

Bytes unpack(int width, int height, const std::vector<short>& rows, Bytes data, int* error = nullptr) {
    short* lengths = new short[rows.size() + 1];
    std::copy(rows.begin(), rows.end(), lengths);
    CRLECompression2 codec(CXSize(width, height), lengths, data.data(), static_cast<int>(data.size()));
    char* out = codec.Decompress(0);
    if (error) *error = codec.LastError();
    return codecdata::own(out, out ? width * height : 0);
}

} // namespace

TEST(RLECompression2, Examples) {
    EXPECT_EQ(unpack(4, 1, {2}, bytes({0xFD, 7})), Bytes(4, 7));
    EXPECT_EQ(unpack(2, 1, {2}, bytes({0xFF, 3})), Bytes(2, 3));
    EXPECT_EQ(unpack(129, 1, {2}, bytes({0x80, 5})), Bytes(129, 5));
    EXPECT_EQ(unpack(3, 2, {4, 2}, bytes({0x02, 1, 2, 3, 0xFE, 9})), bytes({1, 2, 3, 9, 9, 9}));
    // The next row starts after the row's length, whatever its packets used.
    EXPECT_EQ(unpack(2, 2, {5, 2}, bytes({0xFF, 1, 0x7F, 0x7F, 0x7F, 0xFF, 2})), bytes({1, 1, 2, 2}));
    // Bytes beyond the width are dropped, not spilled into the next row.
    EXPECT_EQ(unpack(2, 2, {2, 2}, bytes({0xFC, 1, 0xFF, 2})), bytes({1, 1, 2, 2}));
    EXPECT_EQ(unpack(0, 3, {0, 0, 0}, Bytes()), Bytes());
}

TEST(RLECompression2, RoundTripOfAPlane) {
    const int width = 333, height = 57;
    const Bytes plane = codecdata::mixedBytes(static_cast<size_t>(width) * height, 5);
    Packed p = packPlane(plane, width, height);
    EXPECT_EQ(unpack(width, height, p.rows, p.data), plane);
}

TEST(RLECompression2, DamagedRowsFail) {
    int error = 0;
    EXPECT_TRUE(unpack(4, 1, {3}, bytes({0xFD, 7}), &error).empty()); // row longer than the data
    EXPECT_EQ(error, ERR_CODEC_DAMAGED);
    EXPECT_TRUE(unpack(5, 1, {2}, bytes({0xFD, 7}), &error).empty()); // row short of its width
    EXPECT_EQ(error, ERR_CODEC_DAMAGED);
    EXPECT_TRUE(unpack(4, 1, {1}, bytes({0xFD, 7}), &error).empty()); // run's byte outside the row
    EXPECT_TRUE(
        unpack(3, 2, {2, 2}, bytes({0x02, 1, 2, 3}), &error).empty()); // literal spills out of its row
    EXPECT_TRUE(unpack(-1, 1, {2}, bytes({0xFD, 7}), &error).empty());
    EXPECT_EQ(error, ERR_CODEC_TOO_LARGE);
    EXPECT_TRUE(unpack(1 << 20, 1 << 12, std::vector<short>(1 << 12, 2), Bytes(1 << 13, 0), &error).empty());
    EXPECT_EQ(unpack(4, 1, {2}, bytes({0xFD, 7}), &error), Bytes(4, 7));
    EXPECT_EQ(error, 0);

    CRLECompression2 codec(CXSize(1, 1), new short[1]{0}, nullptr, 0);
    int n = 9;
    EXPECT_EQ(codec.Compress(n), nullptr);
    EXPECT_EQ(n, 0);
}

TEST(RLECompression2, RandomRowsFailCleanly) {
    std::mt19937 rng(99);
    const Bytes plane = codecdata::mixedBytes(64 * 16, 6);
    const Packed good = packPlane(plane, 64, 16);
    for (int round = 0; round < 3000; ++round) {
        Packed p = good;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) p.data[rng() % p.data.size()] = static_cast<char>(rng());
        if (rng() % 4 == 0) p.rows[rng() % p.rows.size()] = static_cast<short>(rng());
        if (rng() % 4 == 0) p.data.resize(rng() % p.data.size());
        int error = 0;
        const Bytes out = unpack(64, 16, p.rows, p.data, &error);
        ASSERT_TRUE(out.empty() ? error != 0 : error == 0);
    }
}
