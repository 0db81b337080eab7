#pragma once
#include <cstdint>
#include <memory>

#include "core/XObject.h"
#include "media/sound/WaveChunks.h"

namespace KavirelDLL {

class CAudioVoice;
class CFile;
class CWindow;

// Reads the samples of a PCM WAV file for a stream and makes the stream's voice (1.2 seconds of it). The file
// is loose or an entry of the big file, which opens as a range of its own, so the archive's shared file is
// never read from the refill thread. Reading stops at the end of the data chunk.
class CStreamedWAV : public CXObject {
public:
    // Opens the name; the voice made goes out through buffer, the format into format (both the stream's).
    CStreamedWAV(CWindow* window, CXString name, CAudioVoice** buffer, CWaveFormat* format);
    ~CStreamedWAV() override;
    CStreamedWAV(const CStreamedWAV&) = delete;
    CStreamedWAV& operator=(const CStreamedWAV&) = delete;

    // 2000 when the file does not open; 2001 when it is not a PCM WAV the mixer plays.
    bool Open(CXString name);
    bool Open(CFile* file);
    // Back to the first sample.
    void StartRead();
    // At most n bytes of samples; fewer at the end of the data.
    int Read(int n, unsigned char* dst);
    long getPosition();
    // A file position inside the data (clamped to it).
    void setPosition(long position);
    int GetBufferSize() const { return m_bufferSize; }
    int32_t getDataStart() const { return m_dataStart; }
    int32_t getDataLength() const { return m_dataLength; }
    void Close();

private:
    CFile* m_file = nullptr;
    CXString m_name;
    CWindow* m_window;
    std::unique_ptr<CAudioVoice> m_buffer;
    CAudioVoice** m_bufferOut;
    CWaveFormat* m_format;
    int32_t m_dataLength = 0;
    int32_t m_bufferSize = 0;
    int32_t m_dataStart = 0;
    int32_t m_readPos = 0;
};

} // namespace KavirelDLL
