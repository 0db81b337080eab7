#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/Movie.h"

namespace KavirelTest {

// The colour of frame i of the test movies: 24-bit RGB whose low bits are zero in 5-6-5 and 5-5-5 alike.
struct MovieColour {
    uint8_t r, g, b;
    uint16_t rgb565() const { return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); }
    uint16_t rgb555() const { return static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); }
};
inline MovieColour movieColour(int i) {
    return {static_cast<uint8_t>((i * 40) & 0xF8), static_cast<uint8_t>((i * 24 + 64) & 0xF8),
            static_cast<uint8_t>((255 - i * 8) & 0xF8)};
}

// Every frame one solid colour, movieColour(frame).
inline void paintSolid(int index, uint8_t* rgb, int pitch, int width, int height) {
    MovieColour c = movieColour(index);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = rgb + y * pitch + x * 3;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
}

// The bytes of a movie the writer made, each frame painted solid.
inline std::string movieBytes(KavirelDLL::CMovieWriterOptions options) {
    static std::mt19937_64 names{std::random_device{}()};
    auto path = std::filesystem::temp_directory_path() / ("kavirel_movie_" + std::to_string(names()) + ".avi");
    const int w = options.width, h = options.height;
    bool ok = KavirelDLL::writeMovie(path.string(), options, [w, h](int i, uint8_t* rgb, int pitch) {
        paintSolid(i, rgb, pitch, w, h);
    });
    std::string bytes;
    if (ok) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return bytes;
}

} // namespace KavirelTest
