#include "media/sound/WaveChunks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/File.h"
#include "core/LittleEndian.h"

namespace KavirelDLL {

using LittleEndian::read16;
using LittleEndian::read32;
using LittleEndian::write16;
using LittleEndian::write32;

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
    write16(bytes, formatTag);
    write16(bytes + 2, channels);
    write32(bytes + 4, samplesPerSec);
    write32(bytes + 8, avgBytesPerSec);
    write16(bytes + 12, blockAlign);
    write16(bytes + 14, bitsPerSample);
    write16(bytes + 16, extraSize);
}

void CWaveFormat::load(const uint8_t* bytes, int size) {
    uint8_t record[kStoredSize] = {};
    std::memcpy(record, bytes, static_cast<size_t>(std::clamp(size, 0, kStoredSize)));
    formatTag = read16(record);
    channels = read16(record + 2);
    samplesPerSec = read32(record + 4);
    avgBytesPerSec = read32(record + 8);
    blockAlign = read16(record + 12);
    bitsPerSample = read16(record + 14);
    extraSize = read16(record + 16);
}

bool CWaveChunks::descend(CFile* file, CRiffChunk& chunk, const CRiffChunk* parent, EFind find, bool padded) {
    const int64_t parentEnd = parent ? int64_t{parent->dataOffset} + parent->size : INT64_MAX;
    const int64_t length = file->Length();
    for (;;) {
        const int64_t start = file->Tell();
        if (start + 8 > parentEnd) return false;
        uint8_t head[12];
        if (file->Read(head, 8) != 8) return false;
        CRiffChunk found;
        found.id = read32(head);
        found.size = read32(head + 4);
        found.dataOffset = static_cast<uint32_t>(start + 8);
        if (found.hasForm()) {
            if (file->Read(head + 8, 4) != 4) return false;
            found.formType = read32(head + 8);
        }
        if (find == EFind::next || (find == EFind::chunk && found.id == chunk.id) ||
            (find == EFind::form && found.id == CRiffChunk::fourcc("RIFF") &&
             found.formType == chunk.formType)) {
            chunk = found;
            return true;
        }
        const int64_t next = int64_t{found.dataOffset} + found.size + (padded ? (found.size & 1) : 0);
        if (next > length || file->Seek(static_cast<int>(next), 0) != 0) return false;
    }
}

bool CWaveChunks::ascend(CFile* file, CRiffChunk& chunk, bool padded) {
    if (chunk.dirty) {
        const int end = file->Tell();
        if (end < 0 || static_cast<uint32_t>(end) < chunk.dataOffset) return false;
        const uint32_t size = static_cast<uint32_t>(end) - chunk.dataOffset;
        const uint8_t pad = 0;
        if (padded && (size & 1) && file->Write(&pad, 1) != 1) return false;
        if (size != chunk.size) {
            uint8_t stored[4];
            write32(stored, size);
            if (file->Seek(static_cast<int>(chunk.dataOffset) - 4, 0) != 0 || file->Write(stored, 4) != 4)
                return false;
            chunk.size = size;
        }
        chunk.dirty = false;
    }
    const int64_t end = int64_t{chunk.dataOffset} + chunk.size + (padded ? (chunk.size & 1) : 0);
    return end <= INT32_MAX && file->Seek(static_cast<int>(end), 0) == 0;
}

bool CWaveChunks::create(CFile* file, CRiffChunk& chunk) {
    const int start = file->Tell();
    uint8_t head[12];
    write32(head, chunk.id);
    write32(head + 4, chunk.size);
    write32(head + 8, chunk.formType);
    const int bytes = chunk.hasForm() ? 12 : 8;
    chunk.dataOffset = static_cast<uint32_t>(start + 8);
    chunk.dirty = true;
    return start >= 0 && file->Write(head, bytes) == bytes;
}

bool CWaveChunks::readHead(CFile* file) {
    CRiffChunk riff;
    return descend(file, riff, nullptr, EFind::next, false) && riff.id == CRiffChunk::fourcc("RIFF") &&
           riff.formType == CRiffChunk::fourcc("WAVE");
}

bool CWaveChunks::find(CFile* file, const char* id, uint32_t& size) {
    CRiffChunk chunk;
    chunk.id = CRiffChunk::fourcc(id);
    if (!descend(file, chunk, nullptr, EFind::chunk, false)) return false;
    size = chunk.size;
    return true;
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
