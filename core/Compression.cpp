#include "core/Compression.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace KavirelDLL {

CCompression::CCompression(char* data, int size) : m_size(size), m_data(data) {}

void CCompression::setData(char* data) { m_data = data; }

int CCompression::GetSize() { return m_size; }

namespace {

constexpr int kMaxPacket = 127;

char* copyOut(const std::vector<char>& bytes, int& outLength) {
    char* out = new (std::nothrow) char[bytes.size()];
    if (!out) {
        outLength = 0;
        return nullptr;
    }
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    outLength = static_cast<int>(bytes.size());
    return out;
}

// E is the element size in bytes; elements are compared and stored as raw bytes.
template <int E>
char* rleEncode(const char* src, int length, int& outLength) {
    outLength = 0;
    if (length < 0 || length % E != 0 || (length > 0 && !src)) return nullptr;
    const int count = length / E;
    auto same = [src](int a, int b) { return std::memcmp(src + a * E, src + b * E, E) == 0; };

    std::vector<char> out;
    out.reserve(static_cast<size_t>(length) + length / kMaxPacket + 2);
    auto writeLiteral = [&](int first, int n) {
        out.push_back(static_cast<char>(n));
        out.insert(out.end(), src + first * E, src + (first + n) * E);
    };

    int pending = 0, pendingStart = 0;
    int i = 0;
    while (i < count) {
        const bool nextSame = i + 1 < count && same(i, i + 1);
        if (!nextSame && pending < kMaxPacket) {
            if (pending == 0) pendingStart = i;
            ++pending;
            ++i;
            continue;
        }
        if (pending > 0) writeLiteral(pendingStart, pending);
        pending = 0;
        // Count what really repeats: a full literal group also lands here with an unequal neighbour.
        int run = 1;
        while (run < kMaxPacket && i + run < count && same(i, i + run)) ++run;
        if (run > 3) {
            out.push_back(static_cast<char>(0x80 | run));
            out.insert(out.end(), src + i * E, src + (i + 1) * E);
        } else {
            writeLiteral(i, run);
        }
        i += run;
    }
    if (pending > 0) writeLiteral(pendingStart, pending);
    return copyOut(out, outLength);
}

// The largest output a packet stream of srcLength bytes can give: a run packet of 1 + E bytes yields at most
// 127 elements.
template <int E>
int64_t rleMostOutput(int srcLength) {
    return (static_cast<int64_t>(srcLength) / (1 + E) + 1) * kMaxPacket * E;
}

template <int E>
bool rleDecodeInto(const char* src, int srcLength, char* out, int size) {
    if (size < 0 || srcLength < 0 || (srcLength > 0 && !src) || (size > 0 && !out)) return false;
    if (size > rleMostOutput<E>(srcLength)) return false;
    const auto* in = reinterpret_cast<const unsigned char*>(src);
    size_t pos = 0, at = 0;
    const size_t total = static_cast<size_t>(size), inLength = static_cast<size_t>(srcLength);
    while (pos < total) {
        if (at >= inLength) break;
        const unsigned control = in[at++];
        const size_t room = total - pos;
        if (control & 0x80) {
            if (inLength - at < E) break;
            const size_t n = std::min<size_t>((control & 0x7F) * E, room);
            char* o = out + pos;
            if (E == 1) {
                std::memset(o, in[at], n);
            } else {
                const uint64_t element = uint64_t(in[at]) | (uint64_t(in[at + 1]) << 8);
                const uint64_t four = element * 0x0001000100010001ULL;
                size_t k = 0;
                if (room >= kMaxPacket * E + 16) {
                    // Far from the end: whole 16-byte stores, the bytes past the run being written again by
                    // the packets after it.
                    for (; k < n; k += 16) {
                        std::memcpy(o + k, &four, 8);
                        std::memcpy(o + k + 8, &four, 8);
                    }
                } else {
                    for (; k + 8 <= n; k += 8) std::memcpy(o + k, &four, 8);
                    for (; k < n; ++k) o[k] = static_cast<char>(in[at + (k & 1)]);
                }
            }
            at += E;
            pos += n;
        } else {
            const size_t n = std::min<size_t>(control * E, room);
            if (inLength - at < n) break;
            if (n <= 16 && room >= 16 && inLength - at >= 16)
                std::memcpy(out + pos, in + at, 16); // one fixed store; what lies past n is written again
            else
                std::memcpy(out + pos, in + at, n);
            at += control * E;
            pos += n;
        }
    }
    return pos == total;
}

template <int E>
char* rleDecode(const char* src, int srcLength, int size) {
    if (size < 0 || srcLength < 0 || size > rleMostOutput<E>(srcLength)) return nullptr;
    char* out = new (std::nothrow) char[size];
    if (!out) return nullptr;
    if (!rleDecodeInto<E>(src, srcLength, out, size)) {
        delete[] out;
        return nullptr;
    }
    return out;
}

} // namespace

CRLECompression::CRLECompression(char* data, int size) : CCompression(data, size) {}

char* CRLECompression::__compresschar(const char* src, int length, int& outLength) {
    return rleEncode<1>(src, length, outLength);
}

char* CRLECompression::__compress(const char* src, int length, int& outLength) {
    return rleEncode<2>(src, length, outLength);
}

char* CRLECompression::__decompresschar(const char* src, int srcLength, int size) {
    return rleDecode<1>(src, srcLength, size);
}

char* CRLECompression::__decompress(const char* src, int srcLength, int size) {
    return rleDecode<2>(src, srcLength, size);
}

bool CRLECompression::__decompresscharInto(const char* src, int srcLength, char* out, int size) {
    return rleDecodeInto<1>(src, srcLength, out, size);
}

bool CRLECompression::__decompressInto(const char* src, int srcLength, char* out, int size) {
    return rleDecodeInto<2>(src, srcLength, out, size);
}

CRLECompression2::CRLECompression2(CXSize size, short* rowLengths, char* data, int dataSize)
    : CCompression(data, dataSize), m_width(size.cx), m_height(size.cy), m_rowLengths(rowLengths) {}

CRLECompression2::~CRLECompression2() { delete[] m_rowLengths; }

char* CRLECompression2::Decompress(int) {
    if (m_width < 0 || m_height < 0 || m_size < 0 || (m_height > 0 && !m_rowLengths) ||
        (m_size > 0 && !m_data)) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    const int64_t total = static_cast<int64_t>(m_width) * m_height;
    if (total > INT32_MAX) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    // Check every row against the data before allocating: rows must lie inside it, and a row of L
    // bytes yields at most L / 2 packets of 129 bytes.
    int64_t used = 0;
    for (int r = 0; r < m_height; ++r) {
        // Row lengths above 32767 arrive as negative shorts.
        const int64_t length = static_cast<uint16_t>(m_rowLengths[r]);
        used += length;
        if (used > m_size) {
            setErrorCode(ERR_CODEC_DAMAGED);
            return nullptr;
        }
        if (m_width > length / 2 * 129) {
            setErrorCode(ERR_CODEC_DAMAGED);
            return nullptr;
        }
    }
    char* out = new (std::nothrow) char[total];
    if (!out) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }

    const auto* in = reinterpret_cast<const unsigned char*>(m_data);
    const size_t width = static_cast<size_t>(m_width);
    size_t offset = 0;
    for (int r = 0; r < m_height; ++r) {
        const size_t length = static_cast<uint16_t>(m_rowLengths[r]);
        const unsigned char* p = in + offset;
        const unsigned char* end = p + length;
        char* row = out + static_cast<size_t>(r) * width;
        size_t filled = 0;
        while (filled < width) {
            if (p >= end) {
                delete[] out;
                setErrorCode(ERR_CODEC_DAMAGED);
                return nullptr;
            }
            const int control = static_cast<signed char>(*p++);
            if (control < 0) {
                if (p >= end) {
                    delete[] out;
                    setErrorCode(ERR_CODEC_DAMAGED);
                    return nullptr;
                }
                const size_t n = std::min<size_t>(1 - control, width - filled);
                std::memset(row + filled, *p++, n);
                filled += n;
            } else {
                const size_t n = std::min<size_t>(control + 1, width - filled);
                if (static_cast<size_t>(end - p) < n) {
                    delete[] out;
                    setErrorCode(ERR_CODEC_DAMAGED);
                    return nullptr;
                }
                std::memcpy(row + filled, p, n);
                p += n; // short of the packet only when the row is full
                filled += n;
            }
        }
        offset += length;
    }
    setErrorCode(0);
    return out;
}

char* CRLECompression2::Compress(int& outLength) {
    outLength = 0;
    setErrorCode(ERR_CODEC_FAILED);
    return nullptr;
}

} // namespace KavirelDLL
