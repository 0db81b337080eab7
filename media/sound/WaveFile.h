#pragma once
#include <cstdint>
#include <vector>

#include "core/XString.h"
#include "media/sound/WaveChunks.h"

namespace KavirelDLL {

class CFile;

// Writes a RIFF WAVE file: "fmt " (16 bytes for PCM, else 18 and the extra size), "fact" (0xFFFFFFFF while
// writing, 0 when closed) and "data", each chunk's size fixed when it is closed. Its chunk calls serve other
// RIFF writers too.
class CWaveFile {
public:
    CWaveFile() = default;
    ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Creates (or empties) the file, an engine name taken as it is; false when it cannot be written.
    bool Open(CXString name, const CWaveFormat& format);
    // Samples into the data chunk.
    bool Write(const void* data, int bytes);
    // Fixes the sizes; false when any write failed.
    bool Close();
    bool isOpen() const { return m_file != nullptr; }

    // The chunk layer: a chunk head whose size is filled in when it ends (chunks nest); "RIFF" and "LIST"
    // take their form type.
    bool beginChunk(const char* id, const char* form = nullptr);
    bool endChunk();
    bool writeBytes(const void* data, int bytes);

private:
    CFile* m_file = nullptr;
    std::vector<CRiffChunk> m_openChunks;
    int32_t m_factOffset = 0;
    bool m_failed = false;
};

} // namespace KavirelDLL
