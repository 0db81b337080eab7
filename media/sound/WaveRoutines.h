#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/File.h"
#include "media/sound/WaveChunks.h"

namespace KavirelDLL {

// RIFF WAVE file routines over the chunk layer: names resolve as game files do, chunks keep their pad byte.
// Nothing in the engine calls them; they are file tools. Each answers one of these codes and logs a failure.
// A null handle (or null bytes to move) is refused with the routine's read or write code.
enum : int {
    WAVE_OK = 0,
    WAVE_ERR_MEMORY = 0xE000,
    WAVE_ERR_CANNOT_OPEN = 0xE100,
    WAVE_ERR_NOT_WAVE = 0xE101, // not a RIFF "WAVE" file, or a bad "fmt " chunk
    WAVE_ERR_CANNOT_READ = 0xE102,
    WAVE_ERR_CORRUPT = 0xE103, // the data ended early
    WAVE_ERR_CANNOT_WRITE = 0xE104,
};

// A format record and, for formats other than PCM, its extra bytes (format.extraSize of them).
struct CWaveFormatBlock {
    CWaveFormat format;
    std::vector<uint8_t> extra;
};

// An open file of the routines.
struct CWaveHandle {
    CFile file;
    CXString name;
};

// The buffer samples are written through, taken by startWaveWrite.
struct CWaveIOInfo {
    std::vector<uint8_t> buffer;
    size_t next = 0;
};

// Opens for reading, checks "RIFF" / "WAVE" and reads "fmt " (at least 16 bytes; the extra bytes of a format
// other than PCM must lie inside it). riff is the file's RIFF chunk.
int openWaveFile(const char* name, std::unique_ptr<CWaveHandle>& handle,
                 std::unique_ptr<CWaveFormatBlock>& format, CRiffChunk& riff);
// Finds "data" from the start of the RIFF data.
int startWaveRead(CWaveHandle* handle, CRiffChunk& data, const CRiffChunk& riff);
// Up to count bytes, no more than the data chunk has left (data.size counts down); read says how many.
int readWaveData(CWaveHandle* handle, uint32_t count, uint8_t* buffer, CRiffChunk& data, uint32_t& read);
int closeWaveRead(std::unique_ptr<CWaveHandle>& handle, std::unique_ptr<CWaveFormatBlock>& format);

// Creates the file with its RIFF "WAVE" chunk, "fmt " (16 bytes for PCM, 18 and the extra bytes otherwise)
// and a "fact" chunk holding -1; chunk is left as the "fact" chunk, riff open.
int createWaveFile(const char* name, std::unique_ptr<CWaveHandle>& handle, const CWaveFormatBlock& format,
                   CRiffChunk& chunk, CRiffChunk& riff);
// Starts the "data" chunk and takes the write buffer.
int startWaveWrite(CWaveHandle* handle, CRiffChunk& data, CWaveIOInfo& io);
int writeWaveData(CWaveHandle* handle, uint32_t count, const uint8_t* data, uint32_t& written,
                  CWaveIOInfo& io);
// Writes out the buffer, closes the chunks, puts the sample count into "fact" and closes the file (always).
int closeWaveWrite(std::unique_ptr<CWaveHandle>& handle, CRiffChunk& data, CRiffChunk& riff, CWaveIOInfo& io,
                   uint32_t samples);

// Copies the chunk the source stands in (just descended into) into a new chunk of the same id.
int copyWaveChunk(CWaveHandle* source, CWaveHandle* destination, const CRiffChunk& chunk);
// Copies every "DISP" and "plst" chunk of the source's RIFF data to the destination's position.
int copyOtherWaveChunks(CWaveHandle* source, const CRiffChunk& sourceRiff, CWaveHandle* destination);

// The whole data chunk of a file, and its format.
int loadWaveFile(const char* name, uint32_t& size, std::unique_ptr<CWaveFormatBlock>& format,
                 std::vector<uint8_t>& data);
int saveWaveFile(const char* name, uint32_t size, uint32_t samples, const CWaveFormatBlock& format,
                 const uint8_t* data);

} // namespace KavirelDLL
