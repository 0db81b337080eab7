#include "core/Archive.h"

#include "core/File.h"
#include "core/Log.h"
#include "platform/Files.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace KavirelDLL {

namespace {

void put32(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = static_cast<uint8_t>(v >> 16);
    out[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t get32(const uint8_t* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

constexpr int kMaxWord = 1023;

} // namespace

CXArchive::CXArchive(CFile* file, bool storing) : m_file(file), m_storing(storing) {}

CXArchive::~CXArchive() = default;

void CXArchive::Close() {
    if (m_file && m_file->Close() != ERR_NONE && good()) setErrorCode(ERR_FILE_WRITE);
}

int64_t CXArchive::remaining() {
    CPlatformFile* handle = m_file ? m_file->GetHandle() : nullptr;
    if (!handle) return 0;
    int64_t size = handle->size();
    int64_t position = handle->tell();
    return size > position && position >= 0 ? size - position : 0;
}

bool CXArchive::readBytes(void* target, int64_t count) {
    std::memset(target, 0, static_cast<size_t>(count));
    if (!good()) return false;
    if (count > remaining() || m_file->Read(target, static_cast<int>(count)) != static_cast<int>(count)) {
        std::memset(target, 0, static_cast<size_t>(count));
        setErrorCode(ERR_FILE_DAMAGED);
        return false;
    }
    return true;
}

bool CXArchive::writeBytes(const void* source, int64_t count) {
    if (!good()) return false;
    if (count == 0) return true;
    if (!m_file || m_file->Write(source, static_cast<int>(count)) != static_cast<int>(count)) {
        setErrorCode(ERR_FILE_WRITE);
        return false;
    }
    return true;
}

// ---- writing ----

CXArchive& CXArchive::operator<<(int32_t value) { return *this << static_cast<uint32_t>(value); }

CXArchive& CXArchive::operator<<(uint32_t value) {
    uint8_t bytes[4];
    put32(bytes, value);
    writeBytes(bytes, 4);
    return *this;
}

CXArchive& CXArchive::operator<<(int64_t value) {
    uint8_t bytes[8];
    put32(bytes, static_cast<uint32_t>(static_cast<uint64_t>(value)));
    put32(bytes + 4, static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
    writeBytes(bytes, 8);
    return *this;
}

CXArchive& CXArchive::operator<<(double value) {
    double scaled = value * 10000.0;
    int32_t stored = 0;
    if (std::isnan(scaled))
        stored = 0;
    else if (scaled >= 2147483647.0)
        stored = INT32_MAX;
    else if (scaled <= -2147483648.0)
        stored = INT32_MIN;
    else
        stored = static_cast<int32_t>(scaled); // toward zero
    return *this << stored;
}

CXArchive& CXArchive::operator<<(bool value) {
    uint8_t byte = value ? 1 : 0;
    writeBytes(&byte, 1);
    return *this;
}

CXArchive& CXArchive::operator<<(const CXRect& value) {
    return *this << value.left << value.top << value.right << value.bottom;
}

CXArchive& CXArchive::operator<<(const CXString& value) {
    *this << static_cast<int32_t>(value.GetLength());
    writeBytes(value.GetBuffer(), value.GetLength());
    return *this;
}

CXArchive& CXArchive::operator<<(const char* value) {
    size_t length = value ? std::strlen(value) : 0;
    if (length > INT32_MAX) {
        setErrorCode(ERR_FILE_WRITE);
        return *this;
    }
    *this << static_cast<int32_t>(length);
    writeBytes(value, static_cast<int64_t>(length));
    return *this;
}

CXArchive& CXArchive::writeShortString(const CXString& value) {
    if (value.GetLength() > 255) {
        // Cutting it would store a different text than the caller holds.
        logMessage("archive: a short string of %d bytes cannot be stored", value.GetLength());
        if (good()) setErrorCode(ERR_FILE_WRITE);
        return *this;
    }
    uint8_t length = static_cast<uint8_t>(value.GetLength());
    if (writeBytes(&length, 1)) writeBytes(value.GetBuffer(), length);
    return *this;
}

// ---- reading ----

CXArchive& CXArchive::operator>>(int32_t* value) {
    uint32_t raw = 0;
    *this >> &raw;
    if (value) *value = static_cast<int32_t>(raw);
    return *this;
}

CXArchive& CXArchive::operator>>(uint32_t* value) {
    uint8_t bytes[4];
    readBytes(bytes, 4);
    if (value) *value = get32(bytes);
    return *this;
}

CXArchive& CXArchive::operator>>(int64_t* value) {
    uint8_t bytes[8];
    readBytes(bytes, 8);
    if (value) *value = static_cast<int64_t>(uint64_t(get32(bytes)) | uint64_t(get32(bytes + 4)) << 32);
    return *this;
}

CXArchive& CXArchive::operator>>(double* value) {
    int32_t stored = 0;
    *this >> &stored;
    if (value) *value = stored / 10000.0;
    return *this;
}

CXArchive& CXArchive::operator>>(bool* value) {
    uint8_t byte = 0;
    readBytes(&byte, 1);
    if (value) *value = byte != 0;
    return *this;
}

CXArchive& CXArchive::operator>>(CXRect* value) {
    int32_t v[4] = {};
    *this >> &v[0] >> &v[1] >> &v[2] >> &v[3];
    if (!good()) v[0] = v[1] = v[2] = v[3] = 0;
    if (value) *value = CXRect(v[0], v[1], v[2], v[3]);
    return *this;
}

CXArchive& CXArchive::operator>>(CXString* value) {
    int32_t length = 0;
    *this >> &length;
    CXString result;
    if (length > 0 && good()) {
        if (length > remaining()) {
            setErrorCode(ERR_FILE_DAMAGED);
        } else {
            std::vector<char> buffer(static_cast<size_t>(length) + 1, 0);
            if (readBytes(buffer.data(), length)) result = buffer.data();
        }
    }
    if (value) *value = result;
    return *this;
}

CXArchive& CXArchive::operator>>(char** value) {
    int32_t length = 0;
    *this >> &length;
    char* result = nullptr;
    if (good()) {
        if (length < 0 || length > remaining()) {
            setErrorCode(ERR_FILE_DAMAGED);
        } else {
            result = new char[static_cast<size_t>(length) + 1];
            if (readBytes(result, length)) {
                result[length] = 0;
            } else {
                delete[] result;
                result = nullptr;
            }
        }
    }
    if (value)
        *value = result;
    else
        delete[] result;
    return *this;
}

CXArchive& CXArchive::readShortString(CXString* value) {
    uint8_t length = 0;
    readBytes(&length, 1);
    CXString result;
    if (length > 0 && good()) {
        char buffer[256] = {};
        if (readBytes(buffer, length)) result = buffer;
    }
    if (value) *value = result;
    return *this;
}

// ---- text helpers ----

CXArchive& CXArchive::operator>>(char* value) {
    char c;
    if (m_file && m_file->Read(&c, 1) == 1 && value) *value = c;
    return *this;
}

CXArchive& CXArchive::operator>>(unsigned char* value) { return *this >> reinterpret_cast<char*>(value); }

CXArchive& CXArchive::FRead(CXString& value) {
    value = CXString();
    if (!m_file) return *this;
    char c = 0;
    bool have = false;
    while ((have = m_file->Read(&c, 1) == 1) && isBlank(static_cast<unsigned char>(c))) {
    }
    if (!have) return *this;
    char word[kMaxWord + 1];
    int n = 0;
    word[n++] = c;
    while (n < kMaxWord) {
        if (m_file->Read(&c, 1) != 1) break;
        if (isBlank(static_cast<unsigned char>(c))) {
            m_file->Seek(-1, 1); // the blank stays for the next read
            break;
        }
        word[n++] = c;
    }
    word[n] = 0;
    value = word;
    return *this;
}

CXArchive& CXArchive::FWrite(const CXString& value) {
    writeBytes(value.GetBuffer(), value.GetLength());
    return *this;
}

bool CXArchive::CopyFileA(CXString name) {
    CFile source(nullptr, name, CFile::MODE_READ | CFile::MODE_BINARY);
    if (source.LastError() != ERR_NONE) return false;
    std::vector<char> buffer(65536);
    for (;;) {
        int got = source.Read(buffer.data(), static_cast<int>(buffer.size()));
        if (got <= 0) break;
        if (!writeBytes(buffer.data(), got)) return false;
    }
    CPlatformFile* handle = source.GetHandle();
    return !(handle && handle->failed());
}

} // namespace KavirelDLL
