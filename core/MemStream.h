#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/File.h"

namespace KavirelDLL {

class CDataBuffer;

// A growing store of bytes in blocks; a put never splits across blocks.
class CMemStorage {
public:
    // -1 (and the default) gives blocks of 102400 bytes.
    explicit CMemStorage(int blockSize = -1);
    virtual ~CMemStorage();
    CMemStorage(const CMemStorage&) = delete;
    CMemStorage& operator=(const CMemStorage&) = delete;

    // Appends size bytes; a put larger than a block gets a block of its own size.
    void put(void* data, int size);
    // Block i and its used bytes; null and 0 outside the blocks.
    char* getBuffer(int i);
    int getDataSize(int i);
    int getBlockCount() const { return static_cast<int>(m_blocks.size()); }
    int getTotalSize() const { return m_total; }
    // Every stored byte, block after block; target holds at least getTotalSize() bytes.
    void copy(void* target);

private:
    struct SBlock {
        std::unique_ptr<char[]> data;
        int32_t capacity = 0;
        int32_t used = 0;
    };
    void addBlock(int capacity);

    int32_t m_blockSize;
    std::vector<SBlock> m_blocks;
    int32_t m_total = 0;
};

// A whole file in memory, read as bytes, little-endian integers or bit fields (most significant bit first).
// Reads past the end give zeros and leave the stream at its end.
class CMemStream {
public:
    explicit CMemStream(CFile* file);
    virtual ~CMemStream();
    CMemStream(const CMemStream&) = delete;
    CMemStream& operator=(const CMemStream&) = delete;

    char* getPtr();
    // Finishes a partly read byte, then advances n bytes (not beyond the end, nor before the start).
    void move(int n);
    int get_bit();
    unsigned get_bits(int n);
    int get_signed_bits(int n);
    unsigned char get_char();
    short get_shortint();
    int get_int();
    // Copies n bytes from the current byte on (zeros past the end) without finishing a partly read byte.
    void get_bytes(void* target, int n);

    int getLength() const { return m_length; }
    int getPosition() const { return m_position; }

private:
    void finishByte();
    unsigned char byteAt(int position) const;

    int32_t m_length = 0;
    CDataBuffer* m_buffer = nullptr;
    int32_t m_position = 0;
    int32_t m_bitPosition = 0;
};

// A CFile over a caller's buffer (not owned): reading and seeking only.
class CFile_Stream : public CFile {
public:
    CFile_Stream(char* data, int length);

    int Length() override { return m_length; }
    int Tell() override { return m_position; }
    CPlatformFile* GetHandle() override { return nullptr; }
    // The new position, kept within 0..length; origin 2 goes to the end whatever the offset.
    int Seek(int offset, int origin) override;
    int Read(void* buffer, int count) override;
    char* GetLine(char* buffer, int size) override;
    CXString getLine() override { return CXString(""); }
    bool eof() override { return m_position == m_length; }

private:
    char* m_data;
    int32_t m_length;
    int32_t m_position = 0;
};

} // namespace KavirelDLL
