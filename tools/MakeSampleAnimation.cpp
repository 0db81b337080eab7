// Paints the bird of the sample game's morning scene and writes it with the engine's animation writer:
//   MakeSampleAnimation <episode folder> <sound folder>
// writes PORANEK\PTAK.ANN: four 24 x 12 images (a dark bird on a transparent ground, wings up, level, down
// and level), an event "LOT" of the four images in place that loops for ever at 10 frames a second (the
// scene plays it from its start), and the button's event "ONCLICK": the four images in place, twice, at 20
// frames a second, once. The images are stored run-length coded. The wings' down stroke (the third
// frame) sounds "SKRZYDLA.WAV", a 60 ms beat at 22,050 Hz that the tool writes into the sound folder.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "display/Color.h"
#include "media/anim/Animo.h"
#include "media/sound/WaveFile.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 12;

// The wing tips' row for each image: up, level, down, level.
constexpr int kWingRows[4] = {1, 5, 10, 5};

void paintBird(CGraphicsObject& image, int wingRow) {
    auto* pixels = reinterpret_cast<uint16_t*>(image.GetDataPtr());
    auto* alpha = new char[kWidth * kHeight]();
    const auto body = static_cast<uint16_t>(CColor(40, 30, 30).GetInBPP(16));
    auto put = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
        pixels[y * kWidth + x] = body;
        alpha[y * kWidth + x] = char(255);
    };
    for (int x = 8; x < 16; ++x)
        for (int y = 5; y < 7; ++y) put(x, y);
    // Each wing runs from the body's edge to its tip on wingRow.
    for (int step = 0; step <= 8; ++step) {
        const int y = 5 + (wingRow - 5) * step / 8;
        put(8 - step, y);
        put(15 + step, y);
    }
    image.AlphaChannel(alpha);
}

// A beat of the wings: a falling tone that fades as it falls, from 9000 at its start.
bool writeWingBeat(const std::string& path) {
    constexpr int kRate = 22050, kSamples = kRate * 60 / 1000;
    constexpr double kTurn = 2 * 3.14159265358979;
    std::vector<int16_t> samples;
    double phase = kTurn / 4;
    for (int i = 0; i < kSamples; ++i) {
        const double left = 1.0 - double(i) / kSamples;
        samples.push_back(static_cast<int16_t>(9000 * left * std::sin(phase)));
        phase += kTurn * (180 + 240 * left) / kRate;
    }
    CWaveFile wave;
    return wave.Open(CXString(path.c_str()), CWaveFormat::pcm(1, kRate, 16)) &&
           wave.Write(samples.data(), static_cast<int>(samples.size() * 2)) && wave.Close();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <episode folder> <sound folder>\n", argv[0]);
        return 2;
    }
    CAnimo bird(nullptr);
    for (int wingRow : kWingRows) {
        CGraphicsObject image(nullptr, CXSize(kWidth, kHeight), 16);
        paintBird(image, wingRow);
        image.SetPosition(300, 150);
        bird.AddFrame(&image);
    }
    _animoEvent flight;
    flight.setName("LOT");
    flight.frames = 4;
    flight.loopEnd = 3;
    flight.fps = 10;
    bird.AddEvent(flight);
    _animoEvent* event = bird.GetEventInfo(0);
    for (int i = 0; i < 4; ++i) event->images[size_t(i)] = uint16_t(i);
    bird.GetFrameInfo(0, 2)->soundField = 1;
    bird.GetFrameInfo(0, 2)->sound = "SKRZYDLA.WAV";
    _animoEvent click;
    click.setName("ONCLICK");
    click.frames = 8;
    click.fps = 20;
    bird.AddEvent(click);
    for (int i = 0; i < 8; ++i) bird.GetEventInfo(1)->images[size_t(i)] = uint16_t(i % 4);
    if (!writeWingBeat(std::string(argv[2]) + "/SKRZYDLA.WAV")) return 1;
    bird.SetBpp(16);
    bird.SetFPS(10);
    bird.setDescription(CXString("Ptak"));

    std::vector<uint8_t> bytes;
    if (!bird.save3(bytes, COMPRESSION_RLE)) return 1;
    std::ofstream out(std::string(argv[1]) + "/PORANEK/PTAK.ANN", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
