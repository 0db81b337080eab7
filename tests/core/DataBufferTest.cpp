#include <gtest/gtest.h>

#include <cstring>

#include "core/DataBuffer.h"
#include "core/Log.h"

using namespace KavirelDLL;

TEST(DataBuffer, CursorMovesByElements) {
    const short source[] = {10, 11, 12, 13};
    CDataBuffer buffer(reinterpret_cast<const char*>(source), 4, 2);
    EXPECT_EQ(buffer.getMemoryUsage(), 8);
    short* p = buffer;
    EXPECT_EQ(*p, 10);
    ++buffer;
    EXPECT_EQ(*static_cast<short*>(buffer), 11);
    buffer += 2;
    EXPECT_EQ(*static_cast<short*>(buffer), 13);
    buffer -= 3;
    --buffer;
    ++buffer;
    EXPECT_EQ(buffer.getPtr(), buffer.getBuffer());
    buffer += 3;
    buffer.start();
    EXPECT_EQ(static_cast<char*>(buffer), buffer.getBuffer());
    buffer.zero();
    EXPECT_EQ(*static_cast<short*>(buffer), 0);
}

TEST(DataBuffer, BackupAndRestore) {
    CDataBuffer buffer("abcd", 4, 1);
    EXPECT_FALSE(buffer.hasBackup());
    buffer.restore(true); // nothing to restore
    buffer.backup();
    std::memcpy(buffer.getBuffer(), "wxyz", 4);
    buffer.restore(false);
    EXPECT_EQ(std::memcmp(buffer.getBuffer(), "abcd", 4), 0);
    EXPECT_TRUE(buffer.hasBackup());
    buffer.getBuffer()[0] = 'Q';
    buffer.backup(); // a fresh copy replaces the old one
    buffer.getBuffer()[0] = 'R';
    buffer.restore(true);
    EXPECT_EQ(buffer.getBuffer()[0], 'Q');
    EXPECT_FALSE(buffer.hasBackup());
    buffer.flush();
    EXPECT_EQ(buffer.getBuffer(), nullptr);
    EXPECT_EQ(buffer.getPtr(), nullptr);
    buffer.backup();
    buffer.restore(true);
    buffer.zero();
}

TEST(DataBuffer, CloneCopiesDataCursorAndBackup) {
    CDataBuffer buffer("0123456789", 5, 2);
    buffer.backup();
    buffer.getBuffer()[0] = 'X';
    buffer += 2;
    CDataBuffer* copy = static_cast<CDataBuffer*>(buffer.clone());
    EXPECT_NE(copy->getBuffer(), buffer.getBuffer());
    EXPECT_EQ(copy->getPtr() - copy->getBuffer(), 4);
    EXPECT_EQ(copy->getBuffer()[0], 'X');
    copy->restore(true);
    EXPECT_EQ(copy->getBuffer()[0], '0');
    EXPECT_EQ(buffer.getBuffer()[0], 'X');
    delete copy;

    CDataBuffer assigned(1, 1);
    assigned = buffer;
    EXPECT_EQ(assigned.getMemoryUsage(), 10);
    EXPECT_NE(assigned.getBuffer(), buffer.getBuffer());
}

TEST(DataBuffer, TwoDimensions) {
    char pixels[12];
    for (int i = 0; i < 12; ++i) pixels[i] = static_cast<char>(i);
    CDataBuffer2Dim grid(pixels, CXSize(4, 3), 1);
    EXPECT_EQ(grid.getWidth(), 4);
    EXPECT_EQ(grid.getHeight(), 3);
    EXPECT_EQ(grid.getMemoryUsage(), 12);
    EXPECT_EQ(*grid.at(1, 2), 9);
    grid.prevLine();
    EXPECT_EQ(*grid.getPtr(), 5);
    grid.nextLine();
    EXPECT_EQ(*grid.getPtr(), 9);

    CDataBuffer2Dim* copy = static_cast<CDataBuffer2Dim*>(grid.clone());
    EXPECT_EQ(copy->getWidth(), 4);
    EXPECT_EQ(copy->getHeight(), 3);
    EXPECT_EQ(*copy->getPtr(), 9);
    delete copy;

    CDataBuffer2Dim words(CXSize(2, 2), 2);
    EXPECT_EQ(words.getMemoryUsage(), 8);
    words.at(1, 1);
    EXPECT_EQ(words.getPtr() - words.getBuffer(), 6);
}

TEST(DataBuffer, BrokenSizesAreRefused) {
    CLogCapture capture;
    CDataBuffer negative(-4, 2);
    EXPECT_EQ(negative.getMemoryUsage(), 0);
    CDataBuffer2Dim huge(CXSize(100000, 100000), 4);
    EXPECT_EQ(huge.getMemoryUsage(), 0);
    EXPECT_EQ(huge.getWidth(), 0);
    EXPECT_TRUE(capture.contains("refused"));
    // The element count fits, the bytes do not: no rows are left to walk into.
    CDataBuffer2Dim wide(CXSize(30000, 30000), 4);
    EXPECT_EQ(wide.getMemoryUsage(), 0);
    EXPECT_EQ(wide.getWidth(), 0);
    EXPECT_EQ(wide.getHeight(), 0);
    CDataBuffer2Dim flat(CXSize(-3, 5), 2);
    EXPECT_EQ(flat.getMemoryUsage(), 0);
}
