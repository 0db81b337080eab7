#pragma once
#include <cstdint>

#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

// Error codes a codec leaves in LastError() when it returns null.
enum : int {
    ERR_CODEC_DAMAGED = 4001,   // truncated or malformed compressed data
    ERR_CODEC_TOO_LARGE = 4002, // sizes out of range, or beyond what the data can hold
    ERR_CODEC_FAILED = 4003,    // the encoder could not produce a stream
};

// Every result is a new char[] owned by the caller (delete[]); a null result is a failure.
// Empty input gives a non-null empty buffer, so null never means "nothing to do".
class CCompression : public CXObject {
public:
    CCompression(char* data, int size);

    virtual void setData(char* data);
    virtual int GetSize();

protected:
    int32_t m_size; // bytes of m_data to work on; decoders read no further
    char* m_data;   // not owned
};

// Packets: control byte with the high bit set = run of (control & 0x7F) copies of one element;
// high bit clear = that many elements stored as they are. A 16-bit element is its two bytes as they
// lie in the source (little-endian on every platform we build for).
class CRLECompression : public CCompression {
public:
    CRLECompression(char* data, int size);

    // Encoders return null and outLength 0 on a negative length, or an odd one for 16-bit elements.
    static char* __compresschar(const char* src, int length, int& outLength);
    static char* __compress(const char* src, int length, int& outLength);
    // srcLength bounds the reading of src; the result has exactly size bytes (a packet that would
    // overshoot is cut). Null when src ends before the output is full.
    static char* __decompresschar(const char* src, int srcLength, int size);
    static char* __decompress(const char* src, int srcLength, int size);
    // The same into out, which holds size bytes; false (out partly written) where the above gives null.
    static bool __decompresscharInto(const char* src, int srcLength, char* out, int size);
    static bool __decompressInto(const char* src, int srcLength, char* out, int size);
};

// Row-wise decoder of the packed planes of layered image files (signed control byte c: c < 0 repeats the
// next byte 1 - c times, c >= 0 copies c + 1 bytes).
class CRLECompression2 : public CCompression {
public:
    // Takes ownership of rowLengths, a new[] array of size.cy compressed row lengths.
    CRLECompression2(CXSize size, short* rowLengths, char* data, int dataSize);
    ~CRLECompression2() override;
    CRLECompression2(const CRLECompression2&) = delete;
    CRLECompression2& operator=(const CRLECompression2&) = delete;

    // Width x height bytes, row r at r x width. A row that does not fill its width, a packet that runs
    // past its row's compressed length, or row lengths beyond the data give null; bytes a row produces
    // beyond its width are dropped.
    char* Decompress(int unused = 0);
    // This codec only reads; always null.
    char* Compress(int& outLength);

protected:
    int32_t m_width;
    int32_t m_height;
    short* m_rowLengths; // owned
};

// Variable-width LZW (9 to 16 bits, clear code 256). Stream: uint32 uncompressed size, uint32 packed
// length, uint32 number of codes (clears included), then the codes packed least significant bit first.
class CLZWCompression : public CCompression {
public:
    CLZWCompression(char* data, int size);

    // The whole stream, header included; outLength is its total length.
    char* compress(int& outLength);
    // On success GetSize() becomes the uncompressed size; on failure it becomes 0. A positive maxSize
    // refuses streams that claim more than maxSize bytes before anything is allocated.
    char* decompress(int maxSize = 0);
};

// LZO1X-1 block: int32 uncompressed size, int32 packed length, then the LZO bytes.
class CLZWCompression2 : public CCompression {
public:
    CLZWCompression2(char* data, int size);

    // Returns the whole block, but outLength counts only the LZO bytes after the 8-byte header:
    // the buffer is outLength + 8 bytes long. Null and outLength 0 when LZO fails.
    char* compress(int& outLength);
    char* decompress();
};

} // namespace KavirelDLL
