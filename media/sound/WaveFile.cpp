#include "media/sound/WaveFile.h"

#include "core/File.h"

namespace KavirelDLL {

CWaveFile::~CWaveFile() { Close(); }

bool CWaveFile::writeBytes(const void* data, int bytes) {
    if (!m_file) return false;
    if (bytes > 0 && m_file->Write(data, bytes) != bytes) m_failed = true;
    return !m_failed;
}

bool CWaveFile::beginChunk(const char* id, const char* form) {
    if (!m_file) return false;
    CRiffChunk chunk;
    chunk.id = CRiffChunk::fourcc(id);
    if (form) chunk.formType = CRiffChunk::fourcc(form);
    if (!CWaveChunks::create(m_file, chunk)) m_failed = true;
    m_openChunks.push_back(chunk);
    return !m_failed;
}

bool CWaveFile::endChunk() {
    if (!m_file || m_openChunks.empty()) return false;
    if (!CWaveChunks::ascend(m_file, m_openChunks.back(), false)) m_failed = true;
    m_openChunks.pop_back();
    return !m_failed;
}

bool CWaveFile::Open(CXString name, const CWaveFormat& format) {
    Close();
    m_failed = false;
    m_file = new CFile();
    if (m_file->OpenDirect(name, CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0 || !m_file->GetHandle()) {
        delete m_file;
        m_file = nullptr;
        return false;
    }
    uint8_t record[CWaveFormat::kStoredSize];
    format.store(record);
    beginChunk("RIFF", "WAVE");
    beginChunk("fmt ");
    if (format.formatTag == CWaveFormat::TAG_PCM) {
        writeBytes(record, 16);
    } else {
        writeBytes(record, CWaveFormat::kStoredSize);
        std::vector<uint8_t> extra(format.extraSize, 0);
        writeBytes(extra.data(), static_cast<int>(extra.size()));
    }
    endChunk();
    beginChunk("fact");
    m_factOffset = m_file->Tell();
    uint8_t unknown[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    writeBytes(unknown, 4);
    endChunk();
    beginChunk("data");
    return !m_failed;
}

bool CWaveFile::Write(const void* data, int bytes) { return writeBytes(data, bytes); }

bool CWaveFile::Close() {
    if (!m_file) return false;
    while (!m_openChunks.empty()) endChunk();
    uint8_t zero[4] = {};
    if (m_file->Seek(m_factOffset, 0) != 0 || m_file->Write(zero, 4) != 4) m_failed = true;
    if (m_file->Close() != 0) m_failed = true;
    delete m_file;
    m_file = nullptr;
    return !m_failed;
}

} // namespace KavirelDLL
