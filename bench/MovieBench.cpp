// One 640 x 480 movie frame decoded and converted to 16-bit pixels, for an MPEG-4 and an uncompressed movie
// made at start; the time per iteration is the time per frame (the goal: under 4 ms, a tenth of the 40 ms
// period). The peer is a plain copy of one 640 x 480 16-bit frame, measured the same way.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/Movie.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

std::vector<uint8_t> makeMovie(CMovieWriterOptions::Codec codec) {
    auto path = std::filesystem::temp_directory_path() / "kavirel_movie_bench.avi";
    CMovieWriterOptions options;
    options.width = kWidth;
    options.height = kHeight;
    options.frames = 25;
    options.codec = codec;
    writeMovie(path.string(), options, [](int index, uint8_t* rgb, int pitch) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth * 3; ++x) rgb[y * pitch + x] = static_cast<uint8_t>(x + y * 2 + index * 9);
    });
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    return bytes;
}

void decodeFrames(benchmark::State& state, CMovieWriterOptions::Codec codec) {
    auto decoder = CMovieDecoder::open(movieSourceFromMemory(makeMovie(codec)), 16);
    if (!decoder) {
        state.SkipWithError("the movie was not made");
        return;
    }
    std::vector<uint16_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        if (decoder->nextFrame(pixels.data(), kWidth, nullptr) != CMovieDecoder::RESULT_FRAME) {
            state.PauseTiming();
            decoder->seek(0);
            decoder->nextFrame(pixels.data(), kWidth, nullptr);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(pixels.data());
    }
}

void mpeg4Frame(benchmark::State& state) { decodeFrames(state, CMovieWriterOptions::MPEG4); }
void uncompressedFrame(benchmark::State& state) { decodeFrames(state, CMovieWriterOptions::RAW); }

// The peer: one frame's pixels copied.
void plainCopy(benchmark::State& state) {
    std::vector<uint16_t> from(static_cast<size_t>(kWidth) * kHeight, 0x1234), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(uint16_t));
        benchmark::DoNotOptimize(to.data());
    }
}

} // namespace

BENCHMARK(mpeg4Frame)->Unit(benchmark::kMillisecond);
BENCHMARK(uncompressedFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(plainCopy)->Unit(benchmark::kMillisecond);
