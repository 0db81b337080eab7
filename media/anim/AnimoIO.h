#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/LittleEndian.h"
#include "core/XString.h"

namespace KavirelDLL {

class CFile;

// Little-endian fields of animation files, read through CFile with every length checked against the bytes
// the file still holds.
class CAnimoReader {
public:
    explicit CAnimoReader(CFile* file);

    // Bytes from the position to the end.
    int64_t left() const;
    // Exactly n bytes, or false (nothing is allocated for more than the file holds).
    bool read(void* out, int64_t n);
    bool skip(int64_t n);
    // n bytes read whole; the text ends at the first NUL, and at keep bytes when keep >= 0.
    bool text(int64_t n, CXString& out, int64_t keep = -1);
    // Steps back n bytes.
    void back(int n);
    CFile* file() const { return m_file; }

    static int16_t s16(const uint8_t* p) { return static_cast<int16_t>(u16(p)); }
    static uint16_t u16(const uint8_t* p) { return LittleEndian::read16(p); }
    static uint32_t u32(const uint8_t* p) { return LittleEndian::read32(p); }
    static int32_t s32(const uint8_t* p) { return static_cast<int32_t>(u32(p)); }
    static float f32(const uint8_t* p);

private:
    CFile* m_file;
    int64_t m_length;
    // Kept here rather than asked of the file before each read.
    int64_t m_position;
};

// Appends little-endian fields.
class CAnimoWriter {
public:
    explicit CAnimoWriter(std::vector<uint8_t>& out) : m_out(out) {}
    void u8(uint32_t v) { m_out.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { LittleEndian::append16(m_out, v); }
    void u32(uint32_t v) { LittleEndian::append32(m_out, v); }
    void f32(float v);
    void bytes(const void* p, size_t n);
    void zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }
    // u32 strlen + 1, then the text with its terminator.
    void text(const CXString& s);

private:
    std::vector<uint8_t>& m_out;
};

} // namespace KavirelDLL
