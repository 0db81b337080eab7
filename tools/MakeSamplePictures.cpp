// Paints the sample game's scene backgrounds and writes them as "PIK" images with the engine's own writer:
//   MakeSamplePictures <episode folder>
// writes PORANEK\PORANEK.IMG, POLUDNIE\POLUDNIE.IMG and WIECZOR\WIECZOR.IMG (800x600, 16 bits, LZO) into the
// scene folders below it, and the morning's rising sun, PORANEK\SLONCE.IMG (a 64 x 64 disc on a transparent
// ground, placed at 560, 330), the evening's setting sun, WIECZOR\SLONCE.IMG (the same disc at 600, 300), the
// evening's black curtain, WIECZOR\ZASLONA.IMG (800x600, LZO) that fades away as the scene comes in, and into
// every scene folder the "next scene" button's three pictures, DALEJ.IMG, DALEJ2.IMG (pointer over it) and
// DALEJ3.IMG (pressed): 80 x 40 at 680, 520, a frame round a face that lightens as the button is touched, and
// the noon's pieces: the path's two tiles POLUDNIE\KAFEL1.IMG and KAFEL2.IMG (40 x 40) and the spotlight's round
// mask POLUDNIE\KRAG.IMG (120 x 120, opaque inside its circle, placed at 340, 20 so that it picks the noon sun
// out of the background). The end-to-end tests know the marker, sun and tile colours painted here.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "display/Color.h"
#include "display/GraphicsObject.h"

using namespace KavirelDLL;

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kHorizon = 400;

struct SRgb {
    int r, g, b;
};

struct SScene {
    const char* name;
    SRgb skyTop, skyBottom, ground, disc;
    int discX, discY;
    // A flat patch in the lower left that tells the scenes apart.
    SRgb marker;
};

const SScene kScenes[] = {
    // The morning's sun is a picture of its own that rises (SLONCE.IMG): its disc is below the ground here.
    {"PORANEK", {96, 160, 255}, {200, 230, 255}, {80, 160, 64}, {255, 255, 0}, 640, 800, {255, 0, 0}},
    {"POLUDNIE", {40, 120, 255}, {150, 200, 255}, {96, 176, 48}, {255, 255, 255}, 400, 80, {0, 255, 0}},
    {"WIECZOR", {40, 20, 80}, {255, 120, 40}, {40, 60, 40}, {255, 255, 255}, 160, 120, {0, 0, 255}},
};

uint16_t pixel(SRgb c) {
    return static_cast<uint16_t>(CColor(uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)).GetInBPP(16));
}

SRgb mix(SRgb a, SRgb b, int step, int steps) {
    return {a.r + (b.r - a.r) * step / steps, a.g + (b.g - a.g) * step / steps,
            a.b + (b.b - a.b) * step / steps};
}

bool paint(const SScene& scene, const std::string& folder) {
    CGraphicsObject picture(nullptr, CXSize(kWidth, kHeight), 16);
    auto* pixels = reinterpret_cast<uint16_t*>(picture.GetDataPtr());
    if (!pixels) return false;
    for (int y = 0; y < kHeight; ++y) {
        const uint16_t row =
            y < kHorizon ? pixel(mix(scene.skyTop, scene.skyBottom, y, kHorizon)) : pixel(scene.ground);
        for (int x = 0; x < kWidth; ++x) pixels[y * kWidth + x] = row;
    }
    for (int y = std::max(0, scene.discY - 50); y <= std::min(kHeight - 1, scene.discY + 50); ++y)
        for (int x = std::max(0, scene.discX - 50); x <= std::min(kWidth - 1, scene.discX + 50); ++x)
            if (std::hypot(x - scene.discX, y - scene.discY) <= 50.0)
                pixels[y * kWidth + x] = pixel(scene.disc);
    for (int y = 500; y < 580; ++y)
        for (int x = 20; x < 140; ++x) pixels[y * kWidth + x] = pixel(scene.marker);

    std::vector<uint8_t> bytes;
    if (!picture.writePik(bytes, COMPRESSION_LZO)) return false;
    const std::string name = scene.name;
    std::ofstream out(folder + "/" + name + "/" + name + ".IMG", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The sun: an orange disc, opaque inside its circle and transparent around it.
bool paintSun(const std::string& folder, const char* scene, int x, int y) {
    constexpr int kSize = 64;
    CGraphicsObject sun(nullptr, CXSize(kSize, kSize), 16);
    auto* pixels = reinterpret_cast<uint16_t*>(sun.GetDataPtr());
    if (!pixels) return false;
    auto* alpha = new char[kSize * kSize];
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            bool inside = std::hypot(x - 31.5, y - 31.5) <= 31.0;
            pixels[y * kSize + x] = inside ? pixel({255, 160, 0}) : 0;
            alpha[y * kSize + x] = static_cast<char>(inside ? 255 : 0);
        }
    sun.AlphaChannel(alpha);
    sun.SetPosition(x, y);
    std::vector<uint8_t> bytes;
    if (!sun.writePik(bytes, COMPRESSION_NONE)) return false;
    std::ofstream out(folder + "/" + scene + "/SLONCE.IMG", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The evening's curtain: black over the whole screen.
bool paintCurtain(const std::string& folder) {
    CGraphicsObject curtain(nullptr, CXSize(kWidth, kHeight), 16);
    if (!curtain.GetDataPtr()) return false;
    std::vector<uint8_t> bytes;
    if (!curtain.writePik(bytes, COMPRESSION_LZO)) return false;
    std::ofstream out(folder + "/WIECZOR/ZASLONA.IMG", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// The button's picture: a dark frame 3 pixels wide round a face of the colour given.
bool paintButton(const std::string& path, SRgb face) {
    constexpr int kW = 80, kH = 40;
    CGraphicsObject button(nullptr, CXSize(kW, kH), 16);
    auto* pixels = reinterpret_cast<uint16_t*>(button.GetDataPtr());
    if (!pixels) return false;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            bool frame = x < 3 || y < 3 || x >= kW - 3 || y >= kH - 3;
            pixels[y * kW + x] = pixel(frame ? SRgb{32, 32, 32} : face);
        }
    button.SetPosition(680, 520);
    std::vector<uint8_t> bytes;
    if (!button.writePik(bytes, COMPRESSION_NONE)) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool paintButtons(const std::string& folder) {
    for (const SScene& scene : kScenes) {
        const std::string base = folder + "/" + scene.name + "/DALEJ";
        if (!paintButton(base + ".IMG", {160, 96, 32}) || !paintButton(base + "2.IMG", {224, 160, 64}) ||
            !paintButton(base + "3.IMG", {255, 224, 128}))
            return false;
    }
    return true;
}

bool writePicture(CGraphicsObject& picture, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!picture.writePik(bytes, COMPRESSION_NONE)) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// A paving stone: a flat face with a darker rim.
bool paintTile(const std::string& path, SRgb face, SRgb rim) {
    constexpr int kSize = 40;
    CGraphicsObject tile(nullptr, CXSize(kSize, kSize), 16);
    auto* pixels = reinterpret_cast<uint16_t*>(tile.GetDataPtr());
    if (!pixels) return false;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const bool edge = x < 2 || y < 2 || x >= kSize - 2 || y >= kSize - 2;
            pixels[y * kSize + x] = pixel(edge ? rim : face);
        }
    return writePicture(tile, path);
}

// The spotlight's mask: only its alpha plane counts.
bool paintRound(const std::string& path) {
    constexpr int kSize = 120;
    CGraphicsObject round(nullptr, CXSize(kSize, kSize), 16);
    if (!round.GetDataPtr()) return false;
    auto* alpha = new char[kSize * kSize];
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            alpha[y * kSize + x] = static_cast<char>(std::hypot(x - 59.5, y - 59.5) <= 58.0 ? 255 : 0);
    round.AlphaChannel(alpha);
    round.SetPosition(340, 20);
    return writePicture(round, path);
}

bool paintNoon(const std::string& folder) {
    return paintTile(folder + "/POLUDNIE/KAFEL1.IMG", {200, 180, 140}, {120, 100, 80}) &&
           paintTile(folder + "/POLUDNIE/KAFEL2.IMG", {160, 160, 160}, {96, 96, 96}) &&
           paintRound(folder + "/POLUDNIE/KRAG.IMG");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    for (const SScene& scene : kScenes) {
        if (!paint(scene, argv[1])) {
            std::fprintf(stderr, "%s: could not write the picture of %s below %s\n", argv[0], scene.name,
                         argv[1]);
            return 1;
        }
    }
    if (!paintSun(argv[1], "PORANEK", 560, 330) || !paintSun(argv[1], "WIECZOR", 600, 300) ||
        !paintCurtain(argv[1])) {
        std::fprintf(stderr, "%s: could not write the suns and the curtain below %s\n", argv[0], argv[1]);
        return 1;
    }
    if (!paintButtons(argv[1])) {
        std::fprintf(stderr, "%s: could not write the button's pictures below %s\n", argv[0], argv[1]);
        return 1;
    }
    if (!paintNoon(argv[1])) {
        std::fprintf(stderr, "%s: could not write the noon's tiles and mask below %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
