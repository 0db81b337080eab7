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
};

} // namespace KavirelDLL
