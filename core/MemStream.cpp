#include "core/MemStream.h"

#include <algorithm>
#include <cstring>

#include "core/DataBuffer.h"

namespace KavirelDLL {

namespace {
constexpr int kDefaultBlockSize = 102400;
}

// ---- CMemStorage ----

CMemStorage::CMemStorage(int blockSize) : m_blockSize(blockSize > 0 ? blockSize : kDefaultBlockSize) {
    addBlock(m_blockSize);
}

CMemStorage::~CMemStorage() = default;

void CMemStorage::addBlock(int capacity) {
    SBlock block;
    block.data = std::make_unique<char[]>(static_cast<size_t>(capacity));
    block.capacity = capacity;
    m_blocks.push_back(std::move(block));
}

void CMemStorage::put(void* data, int size) {
    if (!data || size <= 0 || size > INT32_MAX - m_total) return;
    SBlock* last = &m_blocks.back();
    if (last->capacity - last->used < size) {
        addBlock(std::max(size, static_cast<int>(m_blockSize)));
        last = &m_blocks.back();
    }
    std::memcpy(last->data.get() + last->used, data, static_cast<size_t>(size));
    last->used += size;
    m_total += size;
}

char* CMemStorage::getBuffer(int i) {
    return i >= 0 && i < getBlockCount() ? m_blocks[static_cast<size_t>(i)].data.get() : nullptr;
}

int CMemStorage::getDataSize(int i) {
    return i >= 0 && i < getBlockCount() ? m_blocks[static_cast<size_t>(i)].used : 0;
}

void CMemStorage::copy(void* target) {
    if (!target) return;
    char* out = static_cast<char*>(target);
    for (const SBlock& block : m_blocks) {
        if (block.used > 0) std::memcpy(out, block.data.get(), static_cast<size_t>(block.used));
        out += block.used;
    }
}

// ---- CMemStream ----

CMemStream::CMemStream(CFile* file) {
    int length = file ? file->Length() : 0;
    if (length < 0) length = 0;
    m_buffer = new CDataBuffer(length > 0 ? length : 1, 1);
    if (length > 0) {
        file->Seek(0, 0);
        int read = file->Read(m_buffer->getBuffer(), length);
        m_length = read > 0 ? read : 0;
    }
}

CMemStream::~CMemStream() { delete m_buffer; }

char* CMemStream::getPtr() { return m_buffer->getBuffer() + m_position; }

unsigned char CMemStream::byteAt(int position) const {
    return position < m_length ? static_cast<unsigned char>(m_buffer->getBuffer()[position]) : 0;
}

void CMemStream::finishByte() {
    if (m_bitPosition > 0 && m_position < m_length) ++m_position;
    m_bitPosition = 0;
}

void CMemStream::move(int n) {
    finishByte();
    int64_t target = static_cast<int64_t>(m_position) + n;
    m_position = static_cast<int32_t>(std::clamp<int64_t>(target, 0, m_length));
}

int CMemStream::get_bit() {
    if (m_position >= m_length) return 0;
    int bit = (byteAt(m_position) >> (7 - m_bitPosition)) & 1;
    if (++m_bitPosition == 8) {
        m_bitPosition = 0;
        ++m_position;
    }
    return bit;
}

unsigned CMemStream::get_bits(int n) {
    // Only the last 32 bits survive; the ones before them are skipped without reading.
    if (n > 32) {
        const int64_t bit = static_cast<int64_t>(m_position) * 8 + m_bitPosition + (n - 32);
        const int64_t end = static_cast<int64_t>(m_length) * 8;
        m_position = static_cast<int32_t>(std::min(bit, end) / 8);
        m_bitPosition = bit >= end ? 0 : static_cast<int32_t>(bit % 8);
        n = 32;
    }
    unsigned value = 0;
    for (int i = 0; i < n; ++i) value = (value << 1) | static_cast<unsigned>(get_bit());
    return value;
}

int CMemStream::get_signed_bits(int n) {
    if (n < 1) return 0;
    if (n > 32) n = 32;
    uint32_t value = get_bits(n);
    if (n < 32 && (value & (1u << (n - 1)))) value |= ~((1u << n) - 1);
    return static_cast<int32_t>(value);
}

void CMemStream::get_bytes(void* target, int n) {
    if (!target || n <= 0) return;
    int available = std::min(n, m_length - m_position);
    if (available > 0)
        std::memcpy(target, m_buffer->getBuffer() + m_position, static_cast<size_t>(available));
    if (available < n)
        std::memset(static_cast<char*>(target) + std::max(available, 0), 0,
                    static_cast<size_t>(n - std::max(available, 0)));
    m_position += std::max(available, 0);
}

unsigned char CMemStream::get_char() {
    finishByte();
    unsigned char value = 0;
    get_bytes(&value, 1);
    return value;
}

short CMemStream::get_shortint() {
    finishByte();
    unsigned char bytes[2];
    get_bytes(bytes, 2);
    return static_cast<short>(bytes[0] | (bytes[1] << 8));
}

int CMemStream::get_int() {
    finishByte();
    unsigned char bytes[4];
    get_bytes(bytes, 4);
    return static_cast<int32_t>(uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
                                (uint32_t(bytes[3]) << 24));
}

// ---- CFile_Stream ----

CFile_Stream::CFile_Stream(char* data, int length)
    : m_data(data), m_length(data && length > 0 ? length : 0) {}

int CFile_Stream::Seek(int offset, int origin) {
    int64_t target = m_position;
    if (origin == 0)
        target = offset;
    else if (origin == 1)
        target = static_cast<int64_t>(m_position) + offset;
    else if (origin == 2)
        target = m_length;
    m_position = static_cast<int32_t>(std::clamp<int64_t>(target, 0, m_length));
    return m_position;
}

int CFile_Stream::Read(void* buffer, int count) {
    if (!buffer || count <= 0) return 0;
    int n = std::min(count, m_length - m_position);
    if (n <= 0) return 0;
    std::memcpy(buffer, m_data + m_position, static_cast<size_t>(n));
    m_position += n;
    return n;
}

// Lines are not read from a stream: no line, so a reading loop ends.
char* CFile_Stream::GetLine(char*, int) { return nullptr; }

} // namespace KavirelDLL
