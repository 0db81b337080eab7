// Makes the sample game's evening film and the pictures its evening scrolls:
//   MakeSampleMovie <evening scene folder>
// writes FILM.AVI (160 x 120, 10 fps, 2 s, MPEG-4: a yellow field with a band that sweeps across it) and
// OBRAZ1.IMG .. OBRAZ3.IMG (60 x 40 pictures, each one colour). The end-to-end test knows the yellow.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "display/Color.h"
#include "display/GraphicsObject.h"
#include "platform/Movie.h"

using namespace KavirelDLL;

namespace {

bool writePicture(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
    CGraphicsObject picture(nullptr, CXSize(60, 40), 16);
    auto* pixels = reinterpret_cast<uint16_t*>(picture.GetDataPtr());
    if (!pixels) return false;
    const auto word = static_cast<uint16_t>(CColor(r, g, b).GetInBPP(16));
    for (int i = 0; i < 60 * 40; ++i) pixels[i] = word;
    std::vector<uint8_t> bytes;
    if (!picture.writePik(bytes, COMPRESSION_NONE)) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s EVENING_SCENE_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    CMovieWriterOptions options;
    options.width = 160;
    options.height = 120;
    options.fps = 10;
    options.frames = 20;
    options.codec = CMovieWriterOptions::MPEG4;
    bool ok = writeMovie(folder + "/FILM.AVI", options, [](int index, uint8_t* rgb, int pitch) {
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                uint8_t* p = rgb + y * pitch + x * 3;
                // The band covers 16 columns; the rest stays yellow, where the test looks.
                bool band = x >= index * 8 && x < index * 8 + 16 && y < 60;
                p[0] = band ? 200 : 255;
                p[1] = band ? 40 : 255;
                p[2] = 0;
            }
    });
    const char* names[] = {"OBRAZ1", "OBRAZ2", "OBRAZ3"};
    const uint8_t colours[3][3] = {{220, 60, 60}, {60, 200, 90}, {70, 90, 230}};
    for (int i = 0; i < 3 && ok; ++i)
        ok = writePicture(folder + "/" + names[i] + ".IMG", colours[i][0], colours[i][1], colours[i][2]);
    if (!ok) {
        std::fprintf(stderr, "%s: could not write the evening's film or pictures below %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
