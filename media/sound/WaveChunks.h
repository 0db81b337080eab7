#pragma once
#include <cstdint>

namespace KavirelDLL {

class CFile;

// A WAVE format record as stored in a "fmt " chunk (18 bytes, little-endian, read field by field).
struct CWaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;

    enum : uint16_t { TAG_PCM = 1, TAG_ADPCM = 2 };
    static constexpr int kStoredSize = 18;
    // The 16 bytes every format has.
    static constexpr int kMinimumSize = 16;

    // A PCM format the mixer plays: 8 or 16 bits, one or two channels, 100 Hz to 200 kHz, its block and rate
    // consistent.
    bool isPlayablePcm() const;
    static CWaveFormat pcm(int channels, int samplesPerSec, int bitsPerSample);
    void store(uint8_t* bytes) const;
    void load(const uint8_t* bytes, int size);
};

// The RIFF WAVE chunk walk: the 12-byte head, then chunk heads (identifier, 32-bit size) skipped exactly as
// stored, with no pad byte after a chunk of odd size.
class CWaveChunks {
public:
    // "RIFF", a size, "WAVE".
    static bool readHead(CFile* file);
    // From the file's position: true with the file at the chunk's data and size its stored size; false at the
    // end of the file.
    static bool find(CFile* file, const char* id, uint32_t& size);
    // From the head: "fmt " (at least 16 bytes, at most 18 kept, the rest skipped), then "data". True with
    // the file at the data and size the bytes the file really holds of it (never more than it stores).
    static bool readFormatAndData(CFile* file, CWaveFormat& format, uint32_t& size);
    // The bytes left from the file's position to its end.
    static uint32_t bytesLeft(CFile* file);
};

} // namespace KavirelDLL
