#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/Compression.h"

namespace KavirelDLL {

namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kFirstFree = 257;
constexpr uint32_t kDictSize = 65536;
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 16;
constexpr size_t kHeaderSize = 12;

uint32_t readLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void writeLE32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
}

class CodeWriter {
public:
    void put(uint32_t code, int width) {
        m_bits |= static_cast<uint64_t>(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<unsigned char>(m_bits));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    void finish() {
        if (m_count > 0) m_bytes.push_back(static_cast<unsigned char>(m_bits));
        m_bits = 0;
        m_count = 0;
    }
    std::vector<unsigned char>& bytes() { return m_bytes; }

private:
    std::vector<unsigned char> m_bytes;
    uint64_t m_bits = 0;
    int m_count = 0;
};

// Maps (code, byte) to the code of that extension. Open addressing, at most a quarter full.
class ExtensionTable {
public:
    ExtensionTable() : m_keys(kSlots, 0), m_codes(kSlots, 0) {}

    // The slot holding the key, or the empty slot where it belongs.
    size_t find(uint32_t code, unsigned char byte, uint32_t& key) const {
        key = (code << 8 | byte) + 1;
        size_t slot = (key * 0x9E3779B1u) >> (32 - kBits);
        while (m_keys[slot] != 0 && m_keys[slot] != key) slot = (slot + 1) & (kSlots - 1);
        return slot;
    }
    bool used(size_t slot) const { return m_keys[slot] != 0; }
    uint32_t code(size_t slot) const { return m_codes[slot]; }
    void set(size_t slot, uint32_t key, uint32_t code) {
        m_keys[slot] = key;
        m_codes[slot] = static_cast<uint16_t>(code);
    }
    void clear() { std::fill(m_keys.begin(), m_keys.end(), 0); }

private:
    static constexpr int kBits = 18;
    static constexpr size_t kSlots = size_t(1) << kBits;
    std::vector<uint32_t> m_keys;
    std::vector<uint16_t> m_codes;
};

// Writes codes at the width the decoder reads them: it mirrors the decoder's next free code.
class LZWEncoder {
public:
    explicit LZWEncoder(size_t inputSize) { m_writer.bytes().reserve(inputSize / 2 + 16); }

    void emit(uint32_t code) {
        m_writer.put(code, m_width);
        ++m_codes;
        ++m_checkCodes;
        if (code == kClear) {
            m_width = kMinWidth;
            m_decoderNext = kFirstFree;
            m_afterClear = true;
            m_wideCount = 0;
            return;
        }
        if (m_afterClear) {
            m_afterClear = false;
            return;
        }
        if (m_decoderNext < kDictSize) {
            ++m_decoderNext;
            if (m_width < kMaxWidth && m_decoderNext == (1u << m_width)) ++m_width;
        }
    }

    // Ratio checks fall three codes before each width change, and every 2048 codes at full width.
    bool checkDue() {
        if (m_width < kMaxWidth) return (1u << m_width) - m_decoderNext == 3;
        return ++m_wideCount % 2048 == 0;
    }

    // True when the last stretch compressed worse than the stream so far, at a width where a fresh
    // dictionary pays off.
    bool ratioFalling() {
        m_totalIn += 8 * m_checkBytes;
        m_totalOut += static_cast<int64_t>(m_width) * m_checkCodes;
        bool falling = false;
        if (m_width > 11 && m_checkCodes > 0 && m_totalOut > 0)
            falling = 800 * m_checkBytes / (m_width * m_checkCodes) < 100 * m_totalIn / m_totalOut;
        m_checkBytes = 0;
        m_checkCodes = 0;
        return falling;
    }

    void restartCounters() {
        m_totalIn = m_totalOut = 0;
        m_checkBytes = m_checkCodes = 0;
    }

    void countByte() { ++m_checkBytes; }
    uint32_t codes() const { return m_codes; }
    CodeWriter& writer() { return m_writer; }

private:
    CodeWriter m_writer;
    int m_width = kMinWidth;
    uint32_t m_decoderNext = kFirstFree;
    bool m_afterClear = true;
    uint32_t m_codes = 0;
    uint32_t m_wideCount = 0;
    int64_t m_checkBytes = 0, m_checkCodes = 0;
    int64_t m_totalIn = 0, m_totalOut = 0;
};

// The i-th code after a clear stands for at most i + 1 bytes (i bytes, or one more when the stream
// opens without a clear), so the code count bounds what a stream can honestly claim.
int64_t mostOutput(uint32_t codes) {
    const int64_t n = codes, longest = kDictSize - kClear + 1;
    if (n < longest) return n * (n + 1) / 2 + n;
    const int64_t ramp = (longest - 1) * longest / 2 + (longest - 1);
    return ramp + (n - longest + 1) * longest;
}

struct Dictionary {
    uint16_t prefix[kDictSize];
    uint16_t length[kDictSize];
    unsigned char suffix[kDictSize];
    unsigned char first[kDictSize];
};

} // namespace

CLZWCompression::CLZWCompression(char* data, int size) : CCompression(data, size) {}

char* CLZWCompression::compress(int& outLength) {
    outLength = 0;
    if (m_size < 0 || (m_size > 0 && !m_data)) {
        setErrorCode(ERR_CODEC_FAILED);
        return nullptr;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(m_data);
    const size_t n = static_cast<size_t>(m_size);
    LZWEncoder encoder(n);

    if (n > 0) {
        ExtensionTable table;
        uint32_t next = kFirstFree;
        encoder.emit(kClear);
        uint32_t current = in[0];
        encoder.countByte();
        size_t i = 1;
        while (i < n) {
            const unsigned char byte = in[i++];
            encoder.countByte();
            uint32_t key;
            const size_t slot = table.find(current, byte, key);
            if (table.used(slot)) {
                current = table.code(slot);
                continue;
            }
            encoder.emit(current);
            if (next < kDictSize) table.set(slot, key, next++);
            current = byte;
            // A restart needs a byte after the current one to open the fresh dictionary.
            if (encoder.checkDue() && encoder.ratioFalling() && i < n) {
                encoder.emit(current);
                encoder.emit(kClear);
                table.clear();
                next = kFirstFree;
                encoder.restartCounters();
                current = in[i++];
                encoder.countByte();
            }
        }
        encoder.emit(current);
    }
    CodeWriter& writer = encoder.writer();
    writer.finish();
    const std::vector<unsigned char>& packed = writer.bytes();

    const size_t total = kHeaderSize + packed.size();
    if (total > INT32_MAX) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    char* out = new (std::nothrow) char[total];
    if (!out) {
        setErrorCode(ERR_CODEC_TOO_LARGE);
        return nullptr;
    }
    writeLE32(out, static_cast<uint32_t>(n));
    writeLE32(out + 4, static_cast<uint32_t>(packed.size()));
    writeLE32(out + 8, encoder.codes());
    if (!packed.empty()) std::memcpy(out + kHeaderSize, packed.data(), packed.size());
    outLength = static_cast<int>(total);
    setErrorCode(0);
    return out;
}

char* CLZWCompression::decompress(int maxSize) {
    auto fail = [this](int code) -> char* {
        m_size = 0;
        setErrorCode(code);
        return nullptr;
    };
    if (m_size < static_cast<int>(kHeaderSize) || !m_data) return fail(ERR_CODEC_DAMAGED);
    const auto* header = reinterpret_cast<const unsigned char*>(m_data);
    const uint32_t rawSize = readLE32(header);
    const uint32_t packedLength = readLE32(header + 4);
    const uint32_t codeCount = readLE32(header + 8);
    if (packedLength > static_cast<uint32_t>(m_size) - kHeaderSize) return fail(ERR_CODEC_DAMAGED);
    if (static_cast<uint64_t>(codeCount) * kMinWidth > static_cast<uint64_t>(packedLength) * 8)
        return fail(ERR_CODEC_DAMAGED);
    if (rawSize > INT32_MAX || (maxSize > 0 && rawSize > static_cast<uint32_t>(maxSize)))
        return fail(ERR_CODEC_TOO_LARGE);
    if (rawSize > mostOutput(codeCount)) return fail(ERR_CODEC_DAMAGED);

    std::unique_ptr<char[]> out(new (std::nothrow) char[rawSize]);
    std::unique_ptr<Dictionary> dict(new (std::nothrow) Dictionary);
    if (!out || !dict) return fail(ERR_CODEC_TOO_LARGE);
    for (uint32_t c = 0; c < 256; ++c) {
        dict->prefix[c] = 0;
        dict->length[c] = 1;
        dict->suffix[c] = static_cast<unsigned char>(c);
        dict->first[c] = static_cast<unsigned char>(c);
    }
    dict->length[kClear] = 0;

    const unsigned char* codes = header + kHeaderSize;
    const uint64_t bitEnd = static_cast<uint64_t>(packedLength) * 8;
    uint64_t bitPos = 0;
    auto readCode = [&](int width, uint32_t& code) {
        if (bitPos + width > bitEnd) return false;
        const size_t at = static_cast<size_t>(bitPos >> 3);
        uint32_t word;
        if (at + 4 <= packedLength) {
            word = readLE32(codes + at);
        } else {
            word = 0;
            for (size_t k = 0; at + k < packedLength; ++k)
                word |= static_cast<uint32_t>(codes[at + k]) << (8 * k);
        }
        code = (word >> (bitPos & 7)) & ((1u << width) - 1);
        bitPos += width;
        return true;
    };

    unsigned char* dst = reinterpret_cast<unsigned char*>(out.get());
    size_t pos = 0;
    const size_t end = rawSize;
    int width = kMinWidth;
    uint32_t next = kFirstFree;
    uint32_t prev = 0;
    for (uint32_t k = 0; k < codeCount; ++k) {
        uint32_t code;
        if (!readCode(width, code)) return fail(ERR_CODEC_DAMAGED);
        if (code == kClear) {
            width = kMinWidth;
            next = kFirstFree;
            if (++k == codeCount) break;
            if (!readCode(kMinWidth, code) || code >= 256 || pos >= end) return fail(ERR_CODEC_DAMAGED);
            dst[pos++] = static_cast<unsigned char>(code);
            prev = code;
            continue;
        }
        unsigned char firstByte;
        if (code < 256) {
            if (pos >= end) return fail(ERR_CODEC_DAMAGED);
            dst[pos++] = static_cast<unsigned char>(code);
            firstByte = static_cast<unsigned char>(code);
        } else if (code < next) {
            const size_t length = dict->length[code];
            if (length > end - pos) return fail(ERR_CODEC_DAMAGED);
            uint32_t c = code;
            for (size_t i = length; i-- > 0;) {
                dst[pos + i] = dict->suffix[c];
                c = dict->prefix[c];
            }
            pos += length;
            firstByte = dict->first[code];
        } else if (code == next) {
            // The code being defined: the previous string and its own first byte.
            const size_t length = dict->length[prev] + size_t(1);
            if (length > end - pos) return fail(ERR_CODEC_DAMAGED);
            firstByte = dict->first[prev];
            dst[pos + length - 1] = firstByte;
            uint32_t c = prev;
            for (size_t i = length - 1; i-- > 0;) {
                dst[pos + i] = dict->suffix[c];
                c = dict->prefix[c];
            }
            pos += length;
        } else {
            return fail(ERR_CODEC_DAMAGED);
        }
        if (next < kDictSize) {
            dict->prefix[next] = static_cast<uint16_t>(prev);
            dict->suffix[next] = firstByte;
            dict->length[next] = static_cast<uint16_t>(dict->length[prev] + 1);
            dict->first[next] = dict->first[prev];
            ++next;
            if (width < kMaxWidth && next == (1u << width)) ++width;
        }
        prev = code;
    }
    if (pos != end) return fail(ERR_CODEC_DAMAGED);
    m_size = static_cast<int32_t>(rawSize);
    setErrorCode(0);
    return out.release();
}

} // namespace KavirelDLL
