// Synthesises the sample game's tune and writes it with the engine's own WAV writer:
//   MakeSampleTune <file>
// 22,050 Hz, mono, 16 bits: eight notes of a quarter second, each a sine with a short attack and decay,
// peaking at 12,000. The end-to-end test knows that peak.
#include <cmath>
#include <cstdio>
#include <vector>

#include "media/sound/WaveFile.h"

using namespace KavirelDLL;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeSampleTune <file>\n");
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
    CWaveFile wave;
    if (!wave.Open(CXString(argv[1]), CWaveFormat::pcm(1, kRate, 16)) ||
        !wave.Write(samples.data(), static_cast<int>(samples.size() * 2)) || !wave.Close()) {
        std::fprintf(stderr, "MakeSampleTune: %s cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
