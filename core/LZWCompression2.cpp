#include <lzo/lzo1x.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "core/Compression.h"

namespace KavirelDLL {

namespace {

constexpr size_t kHeaderSize = 8;
// LZO1X spends at least one byte per 255 bytes it writes (a zero byte of a long match length).
constexpr int64_t kMostExpansion = 256;

bool lzoReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = lzo_init() == LZO_E_OK; });
    return ready;
}

uint32_t readLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void writeLE32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
}

} // namespace

CLZWCompression2::CLZWCompression2(char* data, int size) : CCompression(data, size) {}

char* CLZWCompression2::compress(int& outLength) {
    outLength = 0;
    if (m_size < 0 || (m_size > 0 && !m_data) || !lzoReady()) {
        setErrorCode(ERR_CODEC_FAILED);
        return nullptr;
    }
    const size_t n = static_cast<size_t>(m_size);
    // LZO's own bound for incompressible input.
    const size_t bound = n + n / 16 + 64 + 3;
    std::unique_ptr<unsigned char[]> work(new (std::nothrow) unsigned char[bound]);
    std::unique_ptr<unsigned char[]> wrkmem(new (std::nothrow) unsigned char[LZO1X_1_MEM_COMPRESS]);
    if (!work || !wrkmem) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    lzo_uint packed = bound;
    if (lzo1x_1_compress(reinterpret_cast<const unsigned char*>(m_data), n, work.get(), &packed,
                         wrkmem.get()) != LZO_E_OK ||
        packed > bound || packed > static_cast<lzo_uint>(INT32_MAX) - kHeaderSize) {
        setErrorCode(ERR_CODEC_FAILED);
        return nullptr;
    }
    char* out = new (std::nothrow) char[kHeaderSize + packed];
    if (!out) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    writeLE32(out, static_cast<uint32_t>(n));
    writeLE32(out + 4, static_cast<uint32_t>(packed));
    std::memcpy(out + kHeaderSize, work.get(), packed);
    outLength = static_cast<int>(packed);
    setErrorCode(0);
    return out;
}

char* CLZWCompression2::decompress() {
    if (m_size < static_cast<int>(kHeaderSize) || !m_data || !lzoReady()) {
        setErrorCode(ERR_CODEC_DAMAGED);
        return nullptr;
    }
    const auto* header = reinterpret_cast<const unsigned char*>(m_data);
    const int32_t rawSize = static_cast<int32_t>(readLE32(header));
    const int32_t packedLength = static_cast<int32_t>(readLE32(header + 4));
    if (rawSize < 0 || packedLength < 0) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    if (packedLength > m_size - static_cast<int32_t>(kHeaderSize) ||
        rawSize > kMostExpansion * (static_cast<int64_t>(packedLength) + 1)) {
        setErrorCode(ERR_CODEC_DAMAGED);
        return nullptr;
    }
    std::unique_ptr<char[]> out(new (std::nothrow) char[rawSize]);
    if (!out) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    lzo_uint produced = static_cast<lzo_uint>(rawSize);
    const int result = lzo1x_decompress_safe(header + kHeaderSize, static_cast<lzo_uint>(packedLength),
                                             reinterpret_cast<unsigned char*>(out.get()), &produced, nullptr);
    // Bytes after the end marker do no harm; a short or overlong output does.
    if ((result != LZO_E_OK && result != LZO_E_INPUT_NOT_CONSUMED) ||
        produced != static_cast<lzo_uint>(rawSize)) {
        setErrorCode(ERR_CODEC_DAMAGED);
        return nullptr;
    }
    setErrorCode(0);
    return out.release();
}

} // namespace KavirelDLL
