#include "media/sound/SoundCodec.h"

#include <algorithm>
#include <cstring>

#include "core/DataBuffer.h"
#include "core/File.h"
#include "core/Log.h"
#include "platform/Audio.h"
#include "platform/Files.h"
#include "platform/SoundFile.h"

namespace KavirelDLL {

CSoundCodec** CSoundCodec::codecs = nullptr;
bool CSoundCodec_ADPCM::loaded = false;

CSoundCodec::~CSoundCodec() { flush(); }

void CSoundCodec::flush() {
    delete m_data;
    m_data = nullptr;
}

void CSoundCodec::init_codecs() {
    if (codecs) return;
    codecs = new CSoundCodec*[kCodecs];
    codecs[0] = nullptr;
    codecs[1] = new CSoundCodec_PCM();
    codecs[2] = new CSoundCodec_ADPCM();
}

void CSoundCodec::done_codecs() {
    if (!codecs) return;
    for (int i = 0; i < kCodecs; ++i) delete codecs[i];
    delete[] codecs;
    codecs = nullptr;
}

CSoundCodec* CSoundCodec::getCodec(int tag) {
    if (!codecs || tag < 0 || tag >= kCodecs) return nullptr;
    return codecs[tag];
}

void CSoundCodec_PCM::decode(CFile* file) {
    flush();
    uint32_t size = 0;
    if (!CWaveChunks::readFormatAndData(file, m_format, size)) return;
    if (!m_format.isPlayablePcm() || size < m_format.blockAlign) return;
    size -= size % m_format.blockAlign;
    auto* data = new CDataBuffer(static_cast<int>(size), 1);
    if (file->Read(data->getBuffer(), static_cast<int>(size)) != static_cast<int>(size)) {
        delete data;
        return;
    }
    m_data = data;
}

void CSoundCodec_ADPCM::initialize(CWindow*) { loaded = true; }

void CSoundCodec_ADPCM::done() { loaded = false; }

void CSoundCodec_ADPCM::decode(CFile* file) {
    flush();
    if (!loaded) initialize(nullptr);
    CPlatformFile* handle = file->GetHandle();
    if (!handle || file->isInBigFile()) return;
    // Compressed samples grow at most about fourfold; anything claiming more is damaged.
    int64_t limit = std::min<int64_t>(int64_t{file->Length()} * 8, CAudioDevice::kMaxVoiceBytes);
    CPlatformSoundFile::CDecoded decoded;
    std::string error;
    if (!CPlatformSoundFile::decode(handle->path(), limit, decoded, error)) {
        logMessage("sound: %s does not decode: %s", file->GetFileName().GetBuffer(), error.c_str());
        return;
    }
    m_format = CWaveFormat::pcm(decoded.channels, decoded.samplesPerSecond, 16);
    int bytes = static_cast<int>(decoded.samples.size() * 2);
    if (bytes == 0 || !m_format.isPlayablePcm()) return;
    m_data = new CDataBuffer(bytes, 1);
    std::memcpy(m_data->getBuffer(), decoded.samples.data(), static_cast<size_t>(bytes));
}

} // namespace KavirelDLL
