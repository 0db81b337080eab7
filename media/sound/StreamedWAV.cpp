#include "media/sound/StreamedWAV.h"

#include <algorithm>

#include "core/File.h"
#include "core/Log.h"
#include "media/sound/Sound4.h"
#include "platform/Audio.h"

namespace KavirelDLL {

CStreamedWAV::CStreamedWAV(CWindow* window, CXString name, CAudioVoice** buffer, CWaveFormat* format)
    : m_name(name), m_window(window), m_bufferOut(buffer), m_format(format) {
    Open(name);
}

CStreamedWAV::~CStreamedWAV() {
    Close();
    if (m_bufferOut) *m_bufferOut = nullptr;
}

void CStreamedWAV::Close() {
    delete m_file;
    m_file = nullptr;
}

bool CStreamedWAV::Open(CXString name) {
    Close();
    m_buffer.reset();
    if (m_bufferOut) *m_bufferOut = nullptr;
    m_name = name;
    auto* file = new CFile(m_window, name, CFile::MODE_READ | CFile::MODE_BINARY);
    if (file->LastError() || !file->GetHandle()) {
        delete file;
        logMessage("music: %s is not found", name.GetBuffer());
        setErrorCode(ERR_FILE_NOT_FOUND);
        return false;
    }
    m_file = file;
    if (Open(file)) return true;
    logMessage("music: %s is not a PCM WAV file the mixer plays", name.GetBuffer());
    setErrorCode(ERR_FILE_DAMAGED);
    return false;
}

bool CStreamedWAV::Open(CFile* file) {
    uint32_t size = 0;
    if (!CWaveChunks::readFormatAndData(file, *m_format, size) || !m_format->isPlayablePcm()) return false;
    m_dataStart = file->Tell();
    m_dataLength = static_cast<int32_t>(size - size % m_format->blockAlign);
    m_readPos = 0;
    m_bufferSize = static_cast<int32_t>(static_cast<int64_t>(m_format->avgBytesPerSec) * 1200 / 1000);
    m_bufferSize -= m_bufferSize % m_format->blockAlign;
    CAudioDevice* device = CSound4::CreatePrimarySoundBuffer(m_window);
    if (!device) return true; // no device: nothing plays, and that is no fault of the file
    m_buffer = device->createVoice({static_cast<int32_t>(m_format->samplesPerSec),
                                    static_cast<int16_t>(m_format->channels),
                                    static_cast<int16_t>(m_format->bitsPerSample)},
                                   m_bufferSize);
    if (m_bufferOut) *m_bufferOut = m_buffer.get();
    return m_buffer != nullptr;
}

void CStreamedWAV::StartRead() { setPosition(m_dataStart); }

int CStreamedWAV::Read(int n, unsigned char* dst) {
    if (!m_file || n <= 0) return 0;
    int wanted = std::min(n, m_dataLength - m_readPos);
    if (wanted <= 0) return 0;
    int got = m_file->Read(dst, wanted);
    if (got < 0) got = 0;
    m_readPos += got;
    return got;
}

long CStreamedWAV::getPosition() { return m_file ? m_file->Tell() : 0; }

void CStreamedWAV::setPosition(long position) {
    if (!m_file) return;
    long clamped = std::clamp<long>(position, m_dataStart, long{m_dataStart} + m_dataLength);
    m_file->Seek(static_cast<int>(clamped), 0);
    m_readPos = static_cast<int32_t>(clamped - m_dataStart);
}

} // namespace KavirelDLL
