#pragma once
#include <cstdint>

#include "core/Geometry.h"

namespace KavirelDLL {

// A block of 16-bit pixels with rows pitch pixels apart: the common ground of the display surfaces' copies.
struct CPixelView {
    uint16_t* pixels = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool isValid() const { return pixels && width > 0 && height > 0 && pitch >= width; }
};

// Copies the source rectangle to (x, y) of the destination, cut to both blocks; false when nothing was
// copied. The blocks may be one and the same.
bool copyPixels(const CPixelView& source, CXRect sourceRect, const CPixelView& dest, int x, int y);
// Nearest-pixel scaling of the source rectangle into the destination rectangle, cut to the destination.
bool stretchPixels(const CPixelView& source, CXRect sourceRect, const CPixelView& dest, CXRect destRect);
void fillPixels(const CPixelView& dest, CXRect rect, uint16_t value);
// The engine's grey: the mean of the three five-bit channels written back into each (5-5-5 or 5-6-5).
void grayPixels(const CPixelView& dest, bool sixBitGreen);
// One pixel in the engine's grey.
inline uint16_t grayWord(unsigned v, bool sixBitGreen) {
    return sixBitGreen ? static_cast<uint16_t>(((v & 31u) + ((v >> 6) & 31u) + ((v >> 11) & 31u)) / 3u * 2113u)
                       : static_cast<uint16_t>(((v & 31u) + ((v >> 5) & 31u) + ((v >> 10) & 31u)) / 3u * 1057u);
}

} // namespace KavirelDLL
