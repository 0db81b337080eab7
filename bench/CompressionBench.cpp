// Decode (and encode) speed of the codecs on an 800x600 16-bit plane that looks like a game picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "core/Compression.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 800, kHeight = 600;

// Banded sky, a noisy textured ground, a flat panel and a transparent margin.
const std::vector<char>& plane() {
    static const std::vector<char> bytes = [] {
        std::mt19937 rng(42);
        std::vector<char> out(static_cast<size_t>(kWidth) * kHeight * 2);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                uint16_t v;
                if (x < 16 || x >= kWidth - 16) {
                    v = 0;
                } else if (y < kHeight / 2) {
                    v = static_cast<uint16_t>((y * 12 / kHeight) << 11 | (20 + y * 20 / kHeight) << 5 |
                                              (31 - y * 16 / kHeight));
                } else {
                    const int base = 8 + ((x / 24 + y / 24) & 3);
                    v = static_cast<uint16_t>((base + rng() % 3) << 11 | (16 + rng() % 4) << 5 |
                                              (4 + rng() % 2));
                }
                if (x > 260 && x < 380 && y > 120 && y < 200) v = 0x7BEF;
                const size_t at = (static_cast<size_t>(y) * kWidth + x) * 2;
                out[at] = static_cast<char>(v & 0xFF);
                out[at + 1] = static_cast<char>(v >> 8);
            }
        }
        return out;
    }();
    return bytes;
}

const int kPlaneBytes = kWidth * kHeight * 2;

void report(benchmark::State& state, size_t packed) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPlaneBytes));
    state.counters["packed_bytes"] = static_cast<double>(packed);
}

void BM_RLE16Decode(benchmark::State& state) {
    int n = 0;
    std::unique_ptr<char[]> packed(CRLECompression::__compress(plane().data(), kPlaneBytes, n));
    for (auto _ : state) {
        std::unique_ptr<char[]> out(CRLECompression::__decompress(packed.get(), n, kPlaneBytes));
        benchmark::DoNotOptimize(out.get());
    }
    report(state, n);
}
BENCHMARK(BM_RLE16Decode)->Unit(benchmark::kMicrosecond);

void BM_RLE16Encode(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        std::unique_ptr<char[]> out(CRLECompression::__compress(plane().data(), kPlaneBytes, n));
        benchmark::DoNotOptimize(out.get());
    }
    report(state, n);
}
BENCHMARK(BM_RLE16Encode)->Unit(benchmark::kMicrosecond);

// The row-wise decoder reads byte planes, as layered image files store their channels: the plane is
// split into its low and high bytes, each packed row by row.
struct PackedPlane {
    std::vector<char> data;
    std::vector<short> rows;
};

PackedPlane packBytePlane(int which) {
    PackedPlane p;
    std::vector<unsigned char> row(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            row[x] = static_cast<unsigned char>(plane()[(static_cast<size_t>(y) * kWidth + x) * 2 + which]);
        const size_t start = p.data.size();
        int i = 0;
        while (i < kWidth) {
            int run = 1;
            while (i + run < kWidth && run < 128 && row[i + run] == row[i]) ++run;
            if (run >= 2) {
                p.data.push_back(static_cast<char>(1 - run));
                p.data.push_back(static_cast<char>(row[i]));
                i += run;
                continue;
            }
            int lit = 1;
            while (i + lit < kWidth && lit < 128 &&
                   !(i + lit + 1 < kWidth && row[i + lit] == row[i + lit + 1]))
                ++lit;
            p.data.push_back(static_cast<char>(lit - 1));
            p.data.insert(p.data.end(), row.begin() + i, row.begin() + i + lit);
            i += lit;
        }
        p.rows.push_back(static_cast<short>(p.data.size() - start));
    }
    return p;
}

void BM_RLE2Decode(benchmark::State& state) {
    PackedPlane planes[2] = {packBytePlane(0), packBytePlane(1)};
    for (auto _ : state) {
        for (PackedPlane& p : planes) {
            short* lengths = new short[p.rows.size()];
            std::copy(p.rows.begin(), p.rows.end(), lengths);
            CRLECompression2 codec(CXSize(kWidth, kHeight), lengths, p.data.data(),
                                   static_cast<int>(p.data.size()));
            std::unique_ptr<char[]> out(codec.Decompress(0));
            benchmark::DoNotOptimize(out.get());
        }
    }
    report(state, planes[0].data.size() + planes[1].data.size());
}
BENCHMARK(BM_RLE2Decode)->Unit(benchmark::kMicrosecond);

void BM_LZWDecode(benchmark::State& state) {
    std::vector<char> in = plane();
    CLZWCompression encoder(in.data(), kPlaneBytes);
    int n = 0;
    std::unique_ptr<char[]> packed(encoder.compress(n));
    for (auto _ : state) {
        CLZWCompression codec(packed.get(), n);
        std::unique_ptr<char[]> out(codec.decompress(kPlaneBytes));
        benchmark::DoNotOptimize(out.get());
    }
    report(state, n);
}
BENCHMARK(BM_LZWDecode)->Unit(benchmark::kMicrosecond);

void BM_LZWEncode(benchmark::State& state) {
    std::vector<char> in = plane();
    int n = 0;
    for (auto _ : state) {
        CLZWCompression codec(in.data(), kPlaneBytes);
        std::unique_ptr<char[]> out(codec.compress(n));
        benchmark::DoNotOptimize(out.get());
    }
    report(state, n);
}
BENCHMARK(BM_LZWEncode)->Unit(benchmark::kMicrosecond);

void BM_LZODecode(benchmark::State& state) {
    std::vector<char> in = plane();
    CLZWCompression2 encoder(in.data(), kPlaneBytes);
    int n = 0;
    std::unique_ptr<char[]> packed(encoder.compress(n));
    for (auto _ : state) {
        CLZWCompression2 codec(packed.get(), n + 8);
        std::unique_ptr<char[]> out(codec.decompress());
        benchmark::DoNotOptimize(out.get());
    }
    report(state, n + 8);
}
BENCHMARK(BM_LZODecode)->Unit(benchmark::kMicrosecond);

void BM_LZOEncode(benchmark::State& state) {
    std::vector<char> in = plane();
    int n = 0;
    for (auto _ : state) {
        CLZWCompression2 codec(in.data(), kPlaneBytes);
        std::unique_ptr<char[]> out(codec.compress(n));
        benchmark::DoNotOptimize(out.get());
    }
    report(state, n + 8);
}
BENCHMARK(BM_LZOEncode)->Unit(benchmark::kMicrosecond);

} // namespace
