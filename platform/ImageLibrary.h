#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace KavirelDLL {

// The image library (DevIL with its utilities) that the scale filter uses. Every engine window starts it and
// stops it again; it runs while at least one window holds it. Main thread only.
class CImageLibrary {
public:
    static void start();
    static void stop();
    static bool isRunning();

    // Reads a picture file of a kind the library knows (icons, BMP, PNG, ...), an engine name, as 8-bit RGBA
    // pixels, top row first. False (nothing read) when the library is not running, the file does not read, or
    // the picture is larger than maxSide pixels a side.
    static bool loadRgba(const std::string& name, std::vector<uint8_t>& rgba, int32_t& width, int32_t& height,
                         int32_t maxSide = 4096);

    // Scales a picture of channels bytes a pixel (3: blue, green, red; 4: with alpha) to width x height
    // with the library's filter chosen by filter (1 linear, 2 bilinear, 3 box, 4 triangle, 5 bell,
    // 6 B-spline, 7 Lanczos 3, 8 Mitchell; above 8 as 8). False, out empty, when the library is not
    // running, a size is not positive or the library refuses.
    static bool scale(const std::vector<uint8_t>& pixels, int32_t width, int32_t height, int channels,
                      int filter, int32_t newWidth, int32_t newHeight, std::vector<uint8_t>& out);
};

} // namespace KavirelDLL
