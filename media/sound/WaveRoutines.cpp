#include "media/sound/WaveRoutines.h"

#include <algorithm>
#include <new>

#include "core/LittleEndian.h"
#include "core/Log.h"

namespace KavirelDLL {

namespace {

constexpr size_t kWriteBuffer = 8192;
constexpr uint32_t kCopyPiece = 65536;
constexpr uint32_t kRiff = CRiffChunk::fourcc("RIFF");

int failed(int code, const CWaveHandle* handle, const char* what) {
    logMessage("wave: %s: %s (0x%X)", handle ? handle->name.GetBuffer() : "", what, code);
    return code;
}

// A routine given no open file answers its own failure code rather than reaching through the null.
int noHandle(int code, const char* routine) {
    logMessage("wave: %s: no open file given (0x%X)", routine, code);
    return code;
}

bool writeAll(CWaveHandle* handle, const void* data, uint32_t count) {
    return count == 0 || handle->file.Write(data, static_cast<int>(count)) == static_cast<int>(count);
}

bool flush(CWaveHandle* handle, CWaveIOInfo& io) {
    const bool ok = writeAll(handle, io.buffer.data(), static_cast<uint32_t>(io.next));
    io.next = 0;
    return ok;
}

} // namespace

int openWaveFile(const char* name, std::unique_ptr<CWaveHandle>& handle,
                 std::unique_ptr<CWaveFormatBlock>& format, CRiffChunk& riff) {
    format.reset();
    handle.reset(new (std::nothrow) CWaveHandle);
    if (!handle) return failed(WAVE_ERR_MEMORY, nullptr, "no memory");
    handle->name = CXString(name);
    auto fail = [&](int code, const char* what) {
        failed(code, handle.get(), what);
        format.reset();
        handle.reset();
        return code;
    };
    if (handle->file.Open(nullptr, handle->name, CFile::MODE_READ | CFile::MODE_BINARY) != 0)
        return fail(WAVE_ERR_CANNOT_OPEN, "does not open");
    CFile* file = &handle->file;
    if (!CWaveChunks::descend(file, riff, nullptr, CWaveChunks::EFind::next, true))
        return fail(WAVE_ERR_CANNOT_READ, "no RIFF head");
    if (riff.id != kRiff || riff.formType != CRiffChunk::fourcc("WAVE"))
        return fail(WAVE_ERR_NOT_WAVE, "not a RIFF WAVE file");
    CRiffChunk chunk;
    chunk.id = CRiffChunk::fourcc("fmt ");
    if (!CWaveChunks::descend(file, chunk, &riff, CWaveChunks::EFind::chunk, true))
        return fail(WAVE_ERR_CANNOT_READ, "no \"fmt \" chunk");
    if (chunk.size < CWaveFormat::kMinimumSize) return fail(WAVE_ERR_NOT_WAVE, "\"fmt \" too short");
    uint8_t record[CWaveFormat::kStoredSize] = {};
    if (file->Read(record, CWaveFormat::kMinimumSize) != CWaveFormat::kMinimumSize)
        return fail(WAVE_ERR_CANNOT_READ, "\"fmt \" cannot be read");
    CWaveFormat stored;
    stored.load(record, CWaveFormat::kMinimumSize);
    if (stored.formatTag != CWaveFormat::TAG_PCM) {
        if (chunk.size < CWaveFormat::kStoredSize) return fail(WAVE_ERR_NOT_WAVE, "\"fmt \" too short");
        if (file->Read(record + CWaveFormat::kMinimumSize, 2) != 2)
            return fail(WAVE_ERR_CANNOT_READ, "\"fmt \" cannot be read");
        stored.load(record, CWaveFormat::kStoredSize);
        if (stored.extraSize > chunk.size - CWaveFormat::kStoredSize)
            return fail(WAVE_ERR_NOT_WAVE, "extra format bytes past \"fmt \"");
    }
    format.reset(new (std::nothrow) CWaveFormatBlock);
    if (!format) return fail(WAVE_ERR_MEMORY, "no memory");
    format->format = stored;
    try {
        format->extra.resize(stored.extraSize);
    } catch (const std::bad_alloc&) {
        return fail(WAVE_ERR_MEMORY, "no memory");
    }
    if (stored.extraSize && file->Read(format->extra.data(), stored.extraSize) != stored.extraSize)
        return fail(WAVE_ERR_NOT_WAVE, "extra format bytes cannot be read");
    if (!CWaveChunks::ascend(file, chunk, true)) return fail(WAVE_ERR_CANNOT_READ, "\"fmt \" cannot be left");
    return WAVE_OK;
}

int startWaveRead(CWaveHandle* handle, CRiffChunk& data, const CRiffChunk& riff) {
    if (!handle) return noHandle(WAVE_ERR_CANNOT_READ, "startWaveRead");
    if (handle->file.Seek(static_cast<int>(riff.dataOffset) + 4, 0) != 0)
        return failed(WAVE_ERR_CANNOT_READ, handle, "cannot seek");
    data = CRiffChunk();
    data.id = CRiffChunk::fourcc("data");
    if (!CWaveChunks::descend(&handle->file, data, &riff, CWaveChunks::EFind::chunk, true))
        return failed(WAVE_ERR_CANNOT_READ, handle, "no \"data\" chunk");
    return WAVE_OK;
}

int readWaveData(CWaveHandle* handle, uint32_t count, uint8_t* buffer, CRiffChunk& data, uint32_t& read) {
    read = 0;
    if (!handle || (!buffer && count > 0)) return noHandle(WAVE_ERR_CANNOT_READ, "readWaveData");
    const uint32_t wanted = std::min(count, data.size);
    const int got = wanted ? std::max(handle->file.Read(buffer, static_cast<int>(wanted)), 0) : 0;
    read = static_cast<uint32_t>(got);
    data.size -= read;
    return read == wanted ? WAVE_OK : failed(WAVE_ERR_CORRUPT, handle, "the data end early");
}

int closeWaveRead(std::unique_ptr<CWaveHandle>& handle, std::unique_ptr<CWaveFormatBlock>& format) {
    format.reset();
    handle.reset();
    return WAVE_OK;
}

int createWaveFile(const char* name, std::unique_ptr<CWaveHandle>& handle, const CWaveFormatBlock& format,
                   CRiffChunk& chunk, CRiffChunk& riff) {
    handle.reset(new (std::nothrow) CWaveHandle);
    if (!handle) return failed(WAVE_ERR_MEMORY, nullptr, "no memory");
    handle->name = CXString(name);
    auto fail = [&](const char* what) {
        failed(WAVE_ERR_CANNOT_WRITE, handle.get(), what);
        handle.reset();
        return WAVE_ERR_CANNOT_WRITE;
    };
    CFile* file = &handle->file;
    if (file->Open(nullptr, handle->name, CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0)
        return fail("cannot be created");
    riff = CRiffChunk();
    riff.id = kRiff;
    riff.formType = CRiffChunk::fourcc("WAVE");
    const bool pcm = format.format.formatTag == CWaveFormat::TAG_PCM;
    CWaveFormat stored = format.format;
    if (!pcm) stored.extraSize = static_cast<uint16_t>(std::min<size_t>(format.extra.size(), 0xFFFF));
    uint8_t record[CWaveFormat::kStoredSize];
    stored.store(record);
    const uint32_t recordSize = pcm ? CWaveFormat::kMinimumSize : CWaveFormat::kStoredSize;
    chunk = CRiffChunk();
    chunk.id = CRiffChunk::fourcc("fmt ");
    chunk.size = recordSize + (pcm ? 0 : stored.extraSize);
    if (!CWaveChunks::create(file, riff) || !CWaveChunks::create(file, chunk) ||
        !writeAll(handle.get(), record, recordSize) ||
        (!pcm && !writeAll(handle.get(), format.extra.data(), stored.extraSize)) ||
        !CWaveChunks::ascend(file, chunk, true))
        return fail("\"fmt \" cannot be written");
    chunk = CRiffChunk();
    chunk.id = CRiffChunk::fourcc("fact");
    const uint8_t unknown[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    if (!CWaveChunks::create(file, chunk) || !writeAll(handle.get(), unknown, 4) ||
        !CWaveChunks::ascend(file, chunk, true))
        return fail("\"fact\" cannot be written");
    return WAVE_OK;
}

int startWaveWrite(CWaveHandle* handle, CRiffChunk& data, CWaveIOInfo& io) {
    if (!handle) return noHandle(WAVE_ERR_CANNOT_WRITE, "startWaveWrite");
    data = CRiffChunk();
    data.id = CRiffChunk::fourcc("data");
    if (!CWaveChunks::create(&handle->file, data))
        return failed(WAVE_ERR_CANNOT_WRITE, handle, "\"data\" cannot be written");
    try {
        io.buffer.resize(kWriteBuffer);
    } catch (const std::bad_alloc&) {
        return failed(WAVE_ERR_MEMORY, handle, "no memory");
    }
    io.next = 0;
    return WAVE_OK;
}

int writeWaveData(CWaveHandle* handle, uint32_t count, const uint8_t* data, uint32_t& written,
                  CWaveIOInfo& io) {
    written = 0;
    if (!handle || (!data && count > 0)) return noHandle(WAVE_ERR_CANNOT_WRITE, "writeWaveData");
    if (io.buffer.empty()) return failed(WAVE_ERR_CANNOT_WRITE, handle, "no \"data\" chunk started");
    while (written < count) {
        if (io.next == io.buffer.size() && !flush(handle, io))
            return failed(WAVE_ERR_CANNOT_WRITE, handle, "cannot be written");
        const size_t piece = std::min<size_t>(count - written, io.buffer.size() - io.next);
        std::copy_n(data + written, piece, io.buffer.data() + io.next);
        io.next += piece;
        written += static_cast<uint32_t>(piece);
    }
    return WAVE_OK;
}

int closeWaveWrite(std::unique_ptr<CWaveHandle>& handle, CRiffChunk& data, CRiffChunk& riff, CWaveIOInfo& io,
                   uint32_t samples) {
    CWaveHandle* h = handle.get();
    if (!h) {
        io.buffer.clear();
        return noHandle(WAVE_ERR_CANNOT_WRITE, "closeWaveWrite");
    }
    CFile* file = &h->file;
    int result = WAVE_OK;
    if (!flush(h, io) || !CWaveChunks::ascend(file, data, true) || !CWaveChunks::ascend(file, riff, true))
        result = failed(WAVE_ERR_CANNOT_WRITE, h, "the chunks cannot be closed");
    io.buffer.clear();
    CRiffChunk fact;
    fact.id = CRiffChunk::fourcc("fact");
    uint8_t count[4];
    LittleEndian::write32(count, samples);
    if (result == WAVE_OK && (file->Seek(0, 0) != 0 ||
                              !CWaveChunks::descend(file, riff, nullptr, CWaveChunks::EFind::next, true) ||
                              (CWaveChunks::descend(file, fact, &riff, CWaveChunks::EFind::chunk, true) &&
                               !writeAll(h, count, 4))))
        result = failed(WAVE_ERR_CANNOT_WRITE, h, "\"fact\" cannot be written");
    if (file->Close() != 0 && result == WAVE_OK)
        result = failed(WAVE_ERR_CANNOT_WRITE, h, "cannot be written");
    handle.reset();
    return result;
}

int copyWaveChunk(CWaveHandle* source, CWaveHandle* destination, const CRiffChunk& chunk) {
    if (!source) return noHandle(WAVE_ERR_CANNOT_READ, "copyWaveChunk");
    if (!destination) return noHandle(WAVE_ERR_CANNOT_WRITE, "copyWaveChunk");
    CRiffChunk copy;
    copy.id = chunk.id;
    copy.formType = chunk.formType;
    // The form type of a "LIST" chunk was read with its head.
    uint32_t left = chunk.hasForm() ? chunk.size - std::min<uint32_t>(chunk.size, 4) : chunk.size;
    if (left > CWaveChunks::bytesLeft(&source->file))
        return failed(WAVE_ERR_CORRUPT, source, "a chunk ends early");
    if (!CWaveChunks::create(&destination->file, copy))
        return failed(WAVE_ERR_CANNOT_WRITE, destination, "a chunk cannot be written");
    std::vector<uint8_t> piece;
    try {
        piece.resize(std::min(left, kCopyPiece));
    } catch (const std::bad_alloc&) {
        return failed(WAVE_ERR_MEMORY, source, "no memory");
    }
    while (left > 0) {
        const int size = static_cast<int>(std::min(left, kCopyPiece));
        if (source->file.Read(piece.data(), size) != size)
            return failed(WAVE_ERR_CANNOT_READ, source, "a chunk cannot be read");
        if (!writeAll(destination, piece.data(), static_cast<uint32_t>(size)))
            return failed(WAVE_ERR_CANNOT_WRITE, destination, "a chunk cannot be written");
        left -= static_cast<uint32_t>(size);
    }
    if (!CWaveChunks::ascend(&destination->file, copy, true))
        return failed(WAVE_ERR_CANNOT_WRITE, destination, "a chunk cannot be closed");
    return WAVE_OK;
}

int copyOtherWaveChunks(CWaveHandle* source, const CRiffChunk& sourceRiff, CWaveHandle* destination) {
    if (!source) return noHandle(WAVE_ERR_CANNOT_READ, "copyOtherWaveChunks");
    if (!destination) return noHandle(WAVE_ERR_CANNOT_WRITE, "copyOtherWaveChunks");
    if (source->file.Seek(static_cast<int>(sourceRiff.dataOffset) + 4, 0) != 0)
        return failed(WAVE_ERR_CANNOT_READ, source, "cannot seek");
    CRiffChunk chunk;
    while (CWaveChunks::descend(&source->file, chunk, &sourceRiff, CWaveChunks::EFind::next, true)) {
        if (chunk.id == CRiffChunk::fourcc("DISP") || chunk.id == CRiffChunk::fourcc("plst")) {
            if (const int result = copyWaveChunk(source, destination, chunk); result != WAVE_OK)
                return result;
        }
        if (!CWaveChunks::ascend(&source->file, chunk, true)) break;
    }
    return WAVE_OK;
}

int loadWaveFile(const char* name, uint32_t& size, std::unique_ptr<CWaveFormatBlock>& format,
                 std::vector<uint8_t>& data) {
    size = 0;
    data.clear();
    std::unique_ptr<CWaveHandle> handle;
    CRiffChunk riff, chunk;
    int result = openWaveFile(name, handle, format, riff);
    if (result == WAVE_OK) result = startWaveRead(handle.get(), chunk, riff);
    if (result == WAVE_OK && chunk.size > CWaveChunks::bytesLeft(&handle->file))
        result = failed(WAVE_ERR_CORRUPT, handle.get(), "the data end early");
    if (result == WAVE_OK) {
        try {
            data.resize(chunk.size);
        } catch (const std::bad_alloc&) {
            result = failed(WAVE_ERR_MEMORY, handle.get(), "no memory");
        }
    }
    if (result == WAVE_OK) result = readWaveData(handle.get(), chunk.size, data.data(), chunk, size);
    if (result != WAVE_OK) {
        data.clear();
        data.shrink_to_fit();
        size = 0;
        format.reset();
    }
    return result;
}

int saveWaveFile(const char* name, uint32_t size, uint32_t samples, const CWaveFormatBlock& format,
                 const uint8_t* data) {
    std::unique_ptr<CWaveHandle> handle;
    CRiffChunk chunk, riff, dataChunk;
    CWaveIOInfo io;
    uint32_t written = 0;
    int result = createWaveFile(name, handle, format, chunk, riff);
    if (result == WAVE_OK) result = startWaveWrite(handle.get(), dataChunk, io);
    if (result == WAVE_OK) result = writeWaveData(handle.get(), size, data, written, io);
    if (result == WAVE_OK) return closeWaveWrite(handle, dataChunk, riff, io, samples);
    return result;
}

} // namespace KavirelDLL
