#include "media/anim/AnimoIO.h"

#include <cstring>
#include <vector>

#include "core/File.h"

namespace KavirelDLL {

CAnimoReader::CAnimoReader(CFile* file)
    : m_file(file), m_length(file ? file->Length() : 0), m_position(file ? file->Tell() : 0) {}

int64_t CAnimoReader::left() const { return m_file ? m_length - m_position : 0; }

bool CAnimoReader::read(void* out, int64_t n) {
    if (n < 0 || n > left()) return false;
    if (n > 0 && m_file->Read(out, static_cast<int>(n)) != n) {
        m_position = m_file->Tell();
        return false;
    }
    m_position += n;
    return true;
}

bool CAnimoReader::skip(int64_t n) {
    if (n < 0 || n > left()) return false;
    if (n > 0 && m_file->Seek(static_cast<int>(n), 1) != 0) return false;
    m_position += n;
    return true;
}

bool CAnimoReader::text(int64_t n, CXString& out, int64_t keep) {
    if (n < 0 || n > left()) return false;
    std::vector<char> bytes(static_cast<size_t>(n) + 1, 0);
    if (!read(bytes.data(), n)) return false;
    if (keep >= 0 && keep < n) bytes[static_cast<size_t>(keep)] = 0;
    out = CXString(bytes.data());
    return true;
}

void CAnimoReader::back(int n) {
    if (m_file && n > 0 && m_file->Seek(-n, 1) == 0) m_position -= n;
}

float CAnimoReader::f32(const uint8_t* p) {
    const uint32_t bits = u32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void CAnimoWriter::f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void CAnimoWriter::bytes(const void* p, size_t n) {
    if (n == 0) return;
    const auto* b = static_cast<const uint8_t*>(p);
    m_out.insert(m_out.end(), b, b + n);
}

void CAnimoWriter::text(const CXString& s) {
    const size_t n = std::strlen(s.GetBuffer()) + 1;
    u32(static_cast<uint32_t>(n));
    bytes(s.GetBuffer(), n);
}

} // namespace KavirelDLL
