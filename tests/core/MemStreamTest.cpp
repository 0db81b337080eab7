#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/MemStream.h"

using namespace KavirelDLL;

TEST(MemStorage, PutsNeverSplitAndALargePutGetsABlockOfItsSize) {
    CMemStorage storage(10);
    char six[] = "abcdef";
    storage.put(six, 6);
    storage.put(six, 6);
    ASSERT_EQ(storage.getBlockCount(), 2);
    EXPECT_EQ(storage.getDataSize(0), 6);
    EXPECT_EQ(storage.getDataSize(1), 6);

    // Larger than a block: stored whole in a block of its own size, not past the end of a 10-byte one.
    char big[25];
    for (int i = 0; i < 25; ++i) big[i] = static_cast<char>('A' + i);
    storage.put(big, 25);
    EXPECT_EQ(storage.getBlockCount(), 3);
    EXPECT_EQ(storage.getDataSize(2), 25);
    storage.put(six, 0);
    storage.put(nullptr, 3);
    EXPECT_EQ(storage.getTotalSize(), 37);

    std::vector<char> all(37);
    storage.copy(all.data());
    EXPECT_EQ(std::string(all.data(), 12), "abcdefabcdef");
    EXPECT_EQ(std::memcmp(all.data() + 12, big, 25), 0);
    EXPECT_EQ(storage.getBuffer(3), nullptr);
    EXPECT_EQ(storage.getDataSize(-1), 0);

    CMemStorage defaults;
    std::vector<char> block(102400, 'x');
    defaults.put(block.data(), 102400);
    defaults.put(six, 1);
    EXPECT_EQ(defaults.getBlockCount(), 2);
    EXPECT_EQ(defaults.getDataSize(0), 102400);
}

TEST(MemStream, BitsSignedBitsAndBytesFinishingAPartByte) {
    char bytes[] = {char(0xA5), char(0xFF)};
    CFile_Stream file(bytes, 2);
    CMemStream stream(&file);
    EXPECT_EQ(stream.getLength(), 2);
    EXPECT_EQ(stream.get_bits(3), 5u);
    EXPECT_EQ(stream.get_signed_bits(3), 1);
    EXPECT_EQ(stream.get_char(), 0xFF);

    CMemStream fresh(&file);
    EXPECT_EQ(fresh.get_signed_bits(4), -6);
    EXPECT_EQ(fresh.get_signed_bits(0), 0);
    EXPECT_EQ(fresh.get_bits(4), 5u);
    EXPECT_EQ(static_cast<unsigned char>(*fresh.getPtr()), 0xFF);

    // More than 32 bits keep the last 32, and a huge count ends at once at the end of the data.
    char five[] = {char(0x80), 0x12, 0x34, 0x56, char(0x78)};
    CFile_Stream wide(five, 5);
    CMemStream many(&wide);
    EXPECT_EQ(many.get_bits(1), 1u);
    EXPECT_EQ(many.get_bits(39), 0x12345678u);
    CMemStream huge(&wide);
    EXPECT_EQ(huge.get_bits(2000000000), 0u);
    EXPECT_EQ(huge.getPosition(), 5);

    // move finishes a partly read byte first, and never leaves the data.
    CMemStream moving(&file);
    moving.get_bit();
    moving.move(0);
    EXPECT_EQ(moving.getPosition(), 1);
    moving.move(-5);
    EXPECT_EQ(moving.getPosition(), 0);
    moving.move(100);
    EXPECT_EQ(moving.getPosition(), 2);
}

TEST(MemStream, IntegersAreLittleEndianAndReadsPastTheEndGiveZeros) {
    char bytes[] = {0x01, 0x02, 0x03, 0x04, char(0xFE), char(0xFF), 0x7F};
    CFile_Stream file(bytes, 7);
    CMemStream stream(&file);
    EXPECT_EQ(stream.get_int(), 0x04030201);
    EXPECT_EQ(stream.get_shortint(), -2);
    // One byte left: the int takes it and zeros for the rest, then stays at the end.
    EXPECT_EQ(stream.get_int(), 0x7F);
    EXPECT_EQ(stream.getPosition(), 7);
    EXPECT_EQ(stream.get_char(), 0);
    EXPECT_EQ(stream.get_bit(), 0);
    EXPECT_EQ(stream.get_bits(8), 0u);
    char target[4] = {1, 1, 1, 1};
    stream.get_bytes(target, 4);
    EXPECT_EQ(std::memcmp(target, "\0\0\0\0", 4), 0);
    EXPECT_EQ(stream.getPosition(), 7);

    CFile_Stream empty(nullptr, 5);
    CMemStream none(&empty);
    EXPECT_EQ(none.getLength(), 0);
    EXPECT_EQ(none.get_int(), 0);
    CMemStream noFile(nullptr);
    EXPECT_EQ(noFile.get_shortint(), 0);
}

TEST(FileStream, ReadsAndSeeksStayInsideTheBuffer) {
    char data[] = "0123456789";
    CFile_Stream file(data, 10);
    EXPECT_EQ(file.Length(), 10);
    EXPECT_EQ(file.GetHandle(), nullptr);
    EXPECT_EQ(file.Seek(8, 0), 8);
    char target[5] = {};
    EXPECT_EQ(file.Read(target, 5), 2);
    EXPECT_EQ(std::string(target, 2), "89");
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(file.Read(target, 5), 0);
    EXPECT_EQ(file.Seek(3, 2), 10);
    EXPECT_EQ(file.Seek(-4, 1), 6);
    EXPECT_FALSE(file.eof());
    // Seeks are kept within the data rather than leaving a position a read would run off.
    EXPECT_EQ(file.Seek(-20, 1), 0);
    EXPECT_EQ(file.Seek(50, 0), 10);
    EXPECT_EQ(file.Tell(), 10);
    char line[8] = "x";
    EXPECT_EQ(file.GetLine(line, 8), nullptr);
    EXPECT_EQ(file.getLine(), CXString(""));
}
