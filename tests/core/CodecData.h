#pragma once
// Inputs shared by the codec tests.
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace codecdata {

using Bytes = std::vector<char>;

inline Bytes randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<char>(rng());
    return out;
}

// Runs of every short length and literal stretches, so that packet boundaries land everywhere.
inline Bytes mixedBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    out.reserve(n);
    while (out.size() < n) {
        const int kind = static_cast<int>(rng() % 4);
        const size_t len = 1 + rng() % (kind == 0 ? 300 : 8);
        const char value = static_cast<char>(rng() % 4);
        for (size_t i = 0; i < len && out.size() < n; ++i)
            out.push_back(kind == 1 ? static_cast<char>(rng()) : value);
    }
    return out;
}

// A 16-bit plane that looks like a game picture: a banded sky, a noisy textured ground, flat
// panels and a transparent margin.
inline Bytes imagePlane(int width, int height, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> px(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint16_t v;
            if (x < 16 || x >= width - 16) {
                v = 0;
            } else if (y < height / 2) {
                const int blue = 31 - y * 16 / height;
                v = static_cast<uint16_t>((y * 12 / height) << 11 | (20 + y * 20 / height) << 5 | blue);
            } else {
                const int base = 8 + ((x / 24 + y / 24) & 3);
                v = static_cast<uint16_t>((base + rng() % 3) << 11 | (16 + rng() % 4) << 5 | (4 + rng() % 2));
            }
            if (x > width / 3 && x < width / 3 + 120 && y > height / 5 && y < height / 5 + 80) v = 0x7BEF;
            px[static_cast<size_t>(y) * width + x] = v;
        }
    }
    Bytes out(px.size() * 2);
    for (size_t i = 0; i < px.size(); ++i) {
        out[2 * i] = static_cast<char>(px[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(px[i] >> 8);
    }
    return out;
}

inline Bytes own(char* p, int n) {
    std::unique_ptr<char[]> hold(p);
    return p ? Bytes(p, p + n) : Bytes();
}

} // namespace codecdata
