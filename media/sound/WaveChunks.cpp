#include "media/sound/WaveChunks.h"

#include <algorithm>
#include <cstring>

#include "core/File.h"

namespace KavirelDLL {

namespace {

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) { return u16(p) | (static_cast<uint32_t>(u16(p + 2)) << 16); }
void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

} // namespace

bool CWaveFormat::isPlayablePcm() const {
    return formatTag == TAG_PCM && (channels == 1 || channels == 2) &&
           (bitsPerSample == 8 || bitsPerSample == 16) && samplesPerSec >= 100 && samplesPerSec <= 200000 &&
           blockAlign == channels * bitsPerSample / 8 && avgBytesPerSec == samplesPerSec * blockAlign;
}

CWaveFormat CWaveFormat::pcm(int channels, int samplesPerSec, int bitsPerSample) {
    CWaveFormat format;
    format.formatTag = TAG_PCM;
    format.channels = static_cast<uint16_t>(channels);
    format.samplesPerSec = static_cast<uint32_t>(samplesPerSec);
    format.bitsPerSample = static_cast<uint16_t>(bitsPerSample);
    format.blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
    return format;
}

void CWaveFormat::store(uint8_t* bytes) const {
    put16(bytes, formatTag);
    put16(bytes + 2, channels);
    put32(bytes + 4, samplesPerSec);
    put32(bytes + 8, avgBytesPerSec);
    put16(bytes + 12, blockAlign);
    put16(bytes + 14, bitsPerSample);
    put16(bytes + 16, extraSize);
}

void CWaveFormat::load(const uint8_t* bytes, int size) {
    uint8_t record[kStoredSize] = {};
    std::memcpy(record, bytes, static_cast<size_t>(std::clamp(size, 0, kStoredSize)));
    formatTag = u16(record);
    channels = u16(record + 2);
    samplesPerSec = u32(record + 4);
    avgBytesPerSec = u32(record + 8);
    blockAlign = u16(record + 12);
    bitsPerSample = u16(record + 14);
    extraSize = u16(record + 16);
}

bool CWaveChunks::readHead(CFile* file) {
    uint8_t head[12];
    if (file->Read(head, 12) != 12) return false;
    return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

bool CWaveChunks::find(CFile* file, const char* id, uint32_t& size) {
    for (;;) {
        uint8_t head[8];
        if (file->Read(head, 8) != 8) return false;
        size = u32(head + 4);
        if (std::memcmp(head, id, 4) == 0) return true;
        if (size > bytesLeft(file)) return false;
        if (file->Seek(static_cast<int>(size), 1) != 0) return false;
    }
}

uint32_t CWaveChunks::bytesLeft(CFile* file) {
    int length = file->Length();
    int position = file->Tell();
    return length > position ? static_cast<uint32_t>(length - position) : 0;
}

bool CWaveChunks::readFormatAndData(CFile* file, CWaveFormat& format, uint32_t& size) {
    uint32_t formatSize = 0;
    if (!readHead(file) || !find(file, "fmt ", formatSize)) return false;
    if (formatSize < CWaveFormat::kMinimumSize || formatSize > bytesLeft(file)) return false;
    uint8_t record[CWaveFormat::kStoredSize] = {};
    int kept = static_cast<int>(std::min<uint32_t>(formatSize, CWaveFormat::kStoredSize));
    if (file->Read(record, kept) != kept) return false;
    format.load(record, kept);
    if (formatSize > static_cast<uint32_t>(kept) && file->Seek(static_cast<int>(formatSize) - kept, 1) != 0)
        return false;
    if (!find(file, "data", size)) return false;
    size = std::min(size, bytesLeft(file));
    return true;
}

} // namespace KavirelDLL
