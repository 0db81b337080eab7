// Synthesises the sample game's tune, and the sun's chime, and writes them with the engine's own WAV writer:
//   MakeSampleTune <tune file> [<chime file>]
// 22,050 Hz, mono, 16 bits. The tune: eight notes of a quarter second, each a sine with a short attack and
// decay, peaking at 12,000. The chime: 0.3 s of 1,760 Hz fading out from 6,000. The tests know those peaks.
#include <cmath>
#include <cstdio>
#include <vector>

#include "media/sound/WaveFile.h"

using namespace KavirelDLL;

namespace {

bool write(const char* file, const std::vector<int16_t>& samples) {
    CWaveFile wave;
    if (!wave.Open(CXString(file), CWaveFormat::pcm(1, 22050, 16)) ||
        !wave.Write(samples.data(), static_cast<int>(samples.size() * 2)) || !wave.Close()) {
        std::fprintf(stderr, "MakeSampleTune: %s cannot be written\n", file);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: MakeSampleTune <tune file> [<chime file>]\n");
        return 2;
    }
    constexpr int kRate = 22050;
    constexpr int kNote = kRate / 4;
    constexpr double kPeak = 12000.0;
    // A rising and falling phrase (C major, in Hz).
    const double notes[] = {261.63, 329.63, 392.00, 523.25, 392.00, 329.63, 293.66, 261.63};
    std::vector<int16_t> samples;
    for (double frequency : notes)
        for (int i = 0; i < kNote; ++i) {
            double t = static_cast<double>(i) / kRate;
            double envelope = std::min(1.0, i / 200.0) * std::min(1.0, (kNote - i) / 600.0);
            samples.push_back(
                static_cast<int16_t>(std::lround(kPeak * envelope * std::sin(2 * M_PI * frequency * t))));
        }
    if (!write(argv[1], samples)) return 1;
    if (argc == 3) {
        std::vector<int16_t> chime;
        constexpr int kChime = kRate * 3 / 10;
        for (int i = 0; i < kChime; ++i) {
            double t = static_cast<double>(i) / kRate;
            double envelope = std::min(1.0, i / 50.0) * (kChime - i) / static_cast<double>(kChime);
            chime.push_back(
                static_cast<int16_t>(std::lround(6000.0 * envelope * std::sin(2 * M_PI * 1760.0 * t))));
        }
        if (!write(argv[2], chime)) return 1;
    }
    return 0;
}
