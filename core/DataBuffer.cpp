#include "core/DataBuffer.h"

#include <cstdint>
#include <cstring>

#include "core/Log.h"

namespace KavirelDLL {

namespace {

// Blocks are pixel planes and sample buffers; anything near 2 GB is a broken size, not data.
constexpr int64_t kMaxBytes = int64_t(1) << 31;

bool saneSize(int64_t count, int64_t elementSize) {
    if (count < 0 || elementSize < 0) return false;
    return count * elementSize < kMaxBytes;
}

int32_t clampDimension(int v) { return v < 0 ? 0 : v; }

} // namespace

CDataBuffer::CDataBuffer(int count, int elementSize)
    : m_data(nullptr), m_backup(nullptr), m_cursor(0), m_count(count), m_elementSize(elementSize) {
    if (!saneSize(count, elementSize)) {
        logMessage("data buffer of %d elements of %d bytes refused", count, elementSize);
        m_count = 0;
        m_elementSize = elementSize < 0 ? 0 : elementSize;
    }
    m_data = new char[byteSize() > 0 ? byteSize() : 1];
}

CDataBuffer::CDataBuffer(const char* source, int count, int elementSize) : CDataBuffer(count, elementSize) {
    if (source)
        std::memcpy(m_data, source, byteSize());
    else
        zero();
}

CDataBuffer::CDataBuffer(const CDataBuffer& other)
    : CXObject(other), m_data(nullptr), m_backup(nullptr), m_cursor(0), m_count(0), m_elementSize(0) {
    copyFrom(other);
}

CDataBuffer& CDataBuffer::operator=(const CDataBuffer& other) {
    if (this != &other) {
        CXObject::operator=(other);
        copyFrom(other);
    }
    return *this;
}

void CDataBuffer::copyFrom(const CDataBuffer& other) {
    flush();
    m_count = other.m_count;
    m_elementSize = other.m_elementSize;
    m_cursor = other.m_cursor;
    if (other.m_data) {
        m_data = new char[byteSize() > 0 ? byteSize() : 1];
        std::memcpy(m_data, other.m_data, byteSize());
    }
    if (other.m_backup) {
        m_backup = new char[byteSize() > 0 ? byteSize() : 1];
        std::memcpy(m_backup, other.m_backup, byteSize());
    }
}

CDataBuffer::~CDataBuffer() { flush(); }

CXObject* CDataBuffer::clone() { return new CDataBuffer(*this); }

void CDataBuffer::flush() {
    delete[] m_data;
    delete[] m_backup;
    m_data = nullptr;
    m_backup = nullptr;
}

void CDataBuffer::backup() {
    if (!m_data) return;
    delete[] m_backup;
    m_backup = new char[byteSize() > 0 ? byteSize() : 1];
    std::memcpy(m_backup, m_data, byteSize());
}

void CDataBuffer::restore(bool discard) {
    if (m_backup && m_data) std::memcpy(m_data, m_backup, byteSize());
    if (discard) {
        delete[] m_backup;
        m_backup = nullptr;
    }
}

CDataBuffer& CDataBuffer::operator+=(int n) {
    m_cursor += static_cast<ptrdiff_t>(n) * m_elementSize;
    return *this;
}

CDataBuffer& CDataBuffer::operator-=(int n) {
    m_cursor -= static_cast<ptrdiff_t>(n) * m_elementSize;
    return *this;
}

void CDataBuffer::zero() {
    if (m_data) std::memset(m_data, 0, byteSize());
}

CDataBuffer2Dim::CDataBuffer2Dim(const CXSize& size, int elementSize)
    : CDataBuffer(saneSize(clampDimension(size.cx), clampDimension(size.cy))
                      ? clampDimension(size.cx) * clampDimension(size.cy)
                      : -1,
                  elementSize),
      m_width(clampDimension(size.cx)), m_height(clampDimension(size.cy)) {
    // A refused block has no rows: its sizes must not lead the cursor outside it.
    if (static_cast<int64_t>(m_width) * m_height != m_count) m_width = m_height = 0;
}

CDataBuffer2Dim::CDataBuffer2Dim(const char* source, const CXSize& size, int elementSize)
    : CDataBuffer2Dim(size, elementSize) {
    if (source)
        std::memcpy(m_data, source, byteSize());
    else
        zero();
}

CXObject* CDataBuffer2Dim::clone() { return new CDataBuffer2Dim(*this); }

char* CDataBuffer2Dim::at(int x, int y) {
    m_cursor = (static_cast<ptrdiff_t>(x) + static_cast<ptrdiff_t>(y) * m_width) * m_elementSize;
    return getPtr();
}

void CDataBuffer2Dim::nextLine() { m_cursor += static_cast<ptrdiff_t>(m_width) * m_elementSize; }

void CDataBuffer2Dim::prevLine() { m_cursor -= static_cast<ptrdiff_t>(m_width) * m_elementSize; }

} // namespace KavirelDLL
