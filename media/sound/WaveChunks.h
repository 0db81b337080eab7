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

// A chunk as the RIFF layer knows it. A "RIFF" or "LIST" chunk's data start with its form type.
struct CRiffChunk {
    uint32_t id = 0;         // four characters, the first in the low byte
    uint32_t size = 0;       // data bytes, without the pad byte
    uint32_t formType = 0;   // "RIFF" and "LIST" chunks only
    uint32_t dataOffset = 0; // where the data (the form type first) start in the file
    bool dirty = false;      // written since made: its size and pad byte are fixed when it is left

    static constexpr uint32_t fourcc(const char* s) {
        return static_cast<uint8_t>(s[0]) | static_cast<uint8_t>(s[1]) << 8 |
               static_cast<uint8_t>(s[2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
    }
    bool hasForm() const { return id == fourcc("RIFF") || id == fourcc("LIST"); }
};

// The RIFF WAVE chunk walk: the 12-byte head, then chunk heads (identifier, 32-bit size). The sound readers
// skip chunks exactly as stored, with no pad byte after a chunk of odd size; the file tools keep the pad
// byte, as RIFF files written by Windows programs have it.
class CWaveChunks {
public:
    enum class EFind { next, chunk, form };
    // From the file's position, inside parent when given: the next chunk, the next one whose id is
    // chunk.id, or the next "RIFF" chunk whose form type is chunk.formType. True with the file at the chunk's
    // data (past the form type); false at the end of the file or of the parent.
    static bool descend(CFile* file, CRiffChunk& chunk, const CRiffChunk* parent, EFind find, bool padded);
    // Past the chunk's data (and pad byte); a dirty chunk gets its size and pad byte written first.
    static bool ascend(CFile* file, CRiffChunk& chunk, bool padded);
    // A chunk head at the file's position with chunk.id and chunk.size (and chunk.formType for "RIFF" and
    // "LIST"); the chunk is dirty.
    static bool create(CFile* file, CRiffChunk& chunk);

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
