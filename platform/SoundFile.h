#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace KavirelDLL {

// Sound files the engine does not read itself (compressed WAV such as ADPCM), decoded whole into 16-bit
// interleaved samples.
class CPlatformSoundFile {
public:
    struct CDecoded {
        int32_t samplesPerSecond = 0;
        int32_t channels = 0;
        std::vector<int16_t> samples;
    };
    // A native path; false (with a reason) when the file does not open or decode, or when its samples would
    // exceed maxBytes.
    static bool decode(const std::string& path, int64_t maxBytes, CDecoded& out, std::string& error);
};

} // namespace KavirelDLL
