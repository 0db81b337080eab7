// The mixer: 1, 8 and 32 looping voices of 22,050 Hz 16-bit sound (each its own volume, pan and frequency)
// mixed into one second of 44.1 kHz stereo. "second_share" is the time one second of output takes, as a share
// of that second; "voice_share" the same per voice (the goal: under 0.001). The peer is a plain sum of the
// voices' samples into the output, without resampling, levels or saturation, measured the same way.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/Audio.h"

using namespace KavirelDLL;

namespace {

constexpr int kOutputFrames = CAudioDevice::kOutputRate;
constexpr int kVoiceFrames = 22050;

std::vector<int16_t> noise(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int16_t> samples(static_cast<size_t>(count));
    for (int16_t& s : samples) s = static_cast<int16_t>(rng() % 20000 - 10000);
    return samples;
}

void report(benchmark::State& state, int voices) {
    state.counters["second_share"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["voice_share"] = benchmark::Counter(voices, benchmark::Counter::kIsIterationInvariantRate |
                                                                   benchmark::Counter::kInvert);
}

void mixVoices(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto device = CAudioDevice::openMemory();
    std::vector<std::unique_ptr<CAudioVoice>> voices;
    for (int v = 0; v < count; ++v) {
        auto voice = device->createVoice({kVoiceFrames, 1, 16}, kVoiceFrames * 2);
        auto samples = noise(kVoiceFrames, static_cast<unsigned>(v));
        {
            CAudioVoice::CLock lock(*voice, 0, voice->size());
            std::memcpy(lock.part1, samples.data(), samples.size() * 2);
        }
        voice->setVolume(-(v * 97) % 3000);
        voice->setPan((v * 1311) % 20001 - 10000);
        voice->setFrequency(v % 3 == 0 ? 0 : 11025 + v * 1000);
        voice->play(true);
        voices.push_back(std::move(voice));
    }
    std::vector<int16_t> out(static_cast<size_t>(kOutputFrames) * 2);
    for (auto _ : state) {
        device->render(out.data(), kOutputFrames);
        benchmark::DoNotOptimize(out.data());
    }
    report(state, count);
}

// The peer: each voice's samples summed straight into both sides of the output.
void sumVoices(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::vector<int16_t>> voices;
    for (int v = 0; v < count; ++v) voices.push_back(noise(kOutputFrames, static_cast<unsigned>(v)));
    std::vector<int32_t> mix(static_cast<size_t>(kOutputFrames) * 2);
    for (auto _ : state) {
        std::fill(mix.begin(), mix.end(), 0);
        for (const auto& voice : voices)
            for (int i = 0; i < kOutputFrames; ++i) {
                mix[2 * i] += voice[i];
                mix[2 * i + 1] += voice[i];
            }
        benchmark::DoNotOptimize(mix.data());
    }
    report(state, count);
}

} // namespace

BENCHMARK(mixVoices)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(sumVoices)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);
