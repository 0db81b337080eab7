// MULTIARRAY: addressing, growth, refusals and its binary file.
#include "TablesSupport.h"

#include "script/MultiArray.h"
#include "script/Structure.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class MultiArrayTest : public TablesTest {
protected:
    CMC_MultiArray* make(const char* dimensions, const char* name = "GRID") {
        std::unique_ptr<CMElement> definition(
            element(name, {{"TYPE", "MULTIARRAY"}, {"DIMENSIONS", dimensions}}));
        auto* array = new CMC_MultiArray(scene, definition.get());
        scene->addObject(array);
        return array;
    }
};

TEST_F(MultiArrayTest, GrowsByDoublingAndKeepsEveryValueAtItsCoordinates) {
    CMC_MultiArray* grid = make("2");
    EXPECT_EQ(grid->getCellCount(), 256);
    call(grid, "SET", {1, 2, "a"});
    call(grid, "SET", {15, 15, 7});
    call(grid, "SET", {20, 3, "b"});
    EXPECT_EQ(callText(grid, "GETSIZE", {0}), "32");
    EXPECT_EQ(callText(grid, "GETSIZE", {1}), "16");
    EXPECT_EQ(callText(grid, "GET", {1, 2}), "a");
    EXPECT_EQ(callText(grid, "GET", {15, 15}), "7");
    EXPECT_EQ(callText(grid, "GET", {20, 3}), "b");
    call(grid, "SET", {100, 0, "c"});
    EXPECT_EQ(grid->getSize(0), 128);
    EXPECT_EQ(callText(grid, "GET", {15, 15}), "7");

    // Reading never grows it; an empty cell reads as "NULL", or 0 through SAFEGET.
    EXPECT_EQ(callText(grid, "GET", {500, 500}), "NULL");
    EXPECT_EQ(grid->getSize(0), 128);
    EXPECT_EQ(callText(grid, "GET", {2, 1}), "NULL");
    EXPECT_EQ(callText(grid, "SAFEGET", {2, 1}), "0");

    // The array keeps copies: the value passed in is its caller's.
    call(grid, "SET", {4, 4, 7});
    call(grid, "SET", {5, 4, "7"});
    EXPECT_EQ(callText(grid, "COUNT", {7}), "3");
    EXPECT_EQ(callText(grid, "COUNT", {"zzz"}), "0");

    // CLONE changes nothing: the array is never copied.
    call(grid, "CLONE", {2});
    EXPECT_EQ(scene->getObject("GRID_1"), nullptr);
    EXPECT_EQ(callText(grid, "GET", {1, 2}), "a");
}

TEST_F(MultiArrayTest, EveryCoordinateTakesPartInTheAddress) {
    CMC_MultiArray* cube = make("3");
    EXPECT_EQ(cube->getCellCount(), 16 * 16 * 16);
    call(cube, "SET", {1, 2, 0, "floor"});
    call(cube, "SET", {1, 2, 3, "up"});
    call(cube, "SET", {3, 2, 1, "other"});
    EXPECT_EQ(callText(cube, "GET", {1, 2, 0}), "floor");
    EXPECT_EQ(callText(cube, "GET", {1, 2, 3}), "up");
    EXPECT_EQ(callText(cube, "GET", {3, 2, 1}), "other");
    call(cube, "SET", {1, 2, 40, "high"}); // the third size alone doubles
    EXPECT_EQ(cube->getSize(2), 64);
    EXPECT_EQ(cube->getSize(0), 16);
    EXPECT_EQ(callText(cube, "GET", {1, 2, 3}), "up");
    EXPECT_EQ(callText(cube, "GET", {1, 2, 40}), "high");
    EXPECT_EQ(cube->getIndex({1, 2, 3}), 1 + 16 * (2 + 16 * 3));
    EXPECT_EQ(cube->getCoords(1 + 16 * (2 + 16 * 3)), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(MultiArrayTest, CoordinatesItCannotTakeAreRefusedWithALogLine) {
    CLogCapture log;
    CMC_MultiArray* grid = make("2");
    call(grid, "SET", {-1, 0, "x"});
    call(grid, "SET", {1, "x"});
    call(grid, "SET", {1, 1, 1, "x"});
    EXPECT_EQ(grid->getSize(0), 16);
    EXPECT_EQ(callText(grid, "COUNT", {"x"}), "0");
    EXPECT_EQ(callText(grid, "GET", {-1, 0}), "NULL");
    EXPECT_EQ(callText(grid, "SAFEGET", {1}), "0");
    EXPECT_TRUE(log.contains("negative coordinate"));
    EXPECT_TRUE(log.contains("other than its dimensions"));

    // More than 2^24 cells: refused, the array as it was.
    call(grid, "SET", {1 << 20, 1 << 10, "far"});
    EXPECT_TRUE(log.contains("more than 16777216 cells"));
    EXPECT_EQ(grid->getCellCount(), 256);
    CMC_MultiArray* line = make("1", "LINE");
    log.clear();
    call(line, "SET", {1 << 24, "far"});
    EXPECT_TRUE(log.contains("more than 16777216 cells"));
    call(line, "SET", {1000, "near"});
    EXPECT_EQ(line->getCellCount(), 1024);

    // A cell holds a scalar: the file could not keep a STRUCT, and LOAD would read its fields as cells.
    std::unique_ptr<CMElement> model(element("REC", {{"TYPE", "STRUCT"}, {"FIELDS", "ID<INTEGER>"}}));
    auto* record = new CMC_Structure(scene, model.get());
    scene->addObject(record);
    EXPECT_FALSE(grid->set({2, 2}, record));
    EXPECT_TRUE(log.contains("SET of a value of type"));
    EXPECT_EQ(callText(grid, "GET", {2, 2}), "NULL");

    // DIMENSIONS outside 1 to 6 gives two; six is the most.
    EXPECT_EQ(make("7", "G7")->getDimensions(), 2);
    EXPECT_TRUE(log.contains("DIMENSIONS=7"));
    EXPECT_EQ(make("6", "G6")->getCellCount(), 1 << 24);
    EXPECT_EQ(make("1", "G1")->getCellCount(), 16);

    // A blank array answers "NULL" and takes 16 per dimension at its first SET.
    auto* blank = new CMC_MultiArray(scene, CXString("BLANK"));
    scene->addObject(blank);
    EXPECT_EQ(callText(blank, "GET", {0, 0}), "NULL");
    EXPECT_EQ(blank->getSize(0), 0);
    call(blank, "SET", {3, 40, 5});
    EXPECT_EQ(blank->getSize(0), 16);
    EXPECT_EQ(blank->getSize(1), 64);
    EXPECT_EQ(callText(blank, "GET", {3, 40}), "5");
}

TEST_F(MultiArrayTest, ItsFileIsTheDimensionsTheSizesTheCellsAndAnEndMark) {
    CMC_MultiArray* grid = make("2");
    call(grid, "SET", {1, 0, 42});
    call(grid, "SET", {0, 2, "hi"});
    call(grid, "SAVE", {file("grid.bin").GetBuffer()});
    EXPECT_EQ(grid->LastError(), ERR_NONE);
    std::string expected =
        StoredBytes().i32(2).i32(16).i32(16).i32(1).integer(42).i32(32).text("hi").i32(256).bytes;
    EXPECT_EQ(read("grid.bin"), expected);

    // Loading gives back the sizes and the values; empty cells stay empty.
    CMC_MultiArray* copy = make("3", "COPY");
    call(copy, "LOAD", {file("grid.bin").GetBuffer()});
    EXPECT_EQ(copy->LastError(), ERR_NONE);
    EXPECT_EQ(copy->getDimensions(), 2);
    EXPECT_EQ(copy->getSize(1), 16);
    EXPECT_EQ(callText(copy, "GET", {1, 0}), "42");
    EXPECT_EQ(callText(copy, "GET", {0, 2}), "hi");
    EXPECT_EQ(callText(copy, "GET", {0, 0}), "NULL");
    EXPECT_EQ(callText(copy, "COUNT", {42}), "1");

    // A save that cannot be written reports it and keeps the old file whole.
    call(grid, "SET", {3, 3, 3});
    CLogCapture log;
    {
        CFullDisk full;
        call(grid, "SAVE", {file("grid.bin").GetBuffer()});
    }
    EXPECT_EQ(grid->LastError(), ERR_FILE_WRITE);
    EXPECT_EQ(read("grid.bin"), expected);
    EXPECT_TRUE(temporariesIn(folder.path()).empty());
    EXPECT_TRUE(log.contains("MULTIARRAY GRID"));
}

TEST_F(MultiArrayTest, ADamagedFileKeepsWhatItCanAndSaysWhy) {
    CMC_MultiArray* grid = make("2");
    auto loadBytes = [&](const std::string& bytes) {
        folder.put("in.bin", bytes);
        call(grid, "SET", {0, 0, "old"});
        call(grid, "LOAD", {file("in.bin").GetBuffer()});
        return grid->LastError();
    };
    CLogCapture log;

    call(grid, "SET", {40, 0, "old"});
    call(grid, "LOAD", {file("nothing.bin").GetBuffer()});
    EXPECT_EQ(grid->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(grid->getSize(0), 64); // empty, with the sizes it had
    EXPECT_EQ(callText(grid, "GET", {40, 0}), "NULL");

    // A header it cannot use: the array is left empty with its sizes.
    const std::string headers[] = {
        StoredBytes().i32(0).i32(256).bytes,                                         // no dimensions
        StoredBytes().i32(7).i32(1).i32(1).i32(1).i32(1).i32(1).i32(1).i32(1).bytes, // too many
        StoredBytes().i32(2).i32(16).i32(0).i32(0).bytes,                            // a size below 1
        StoredBytes().i32(2).i32(1 << 13).i32(1 << 12).i32(0).bytes,                 // 2^25 cells
        StoredBytes().i32(2).i32(16).bytes,                                          // cut in the sizes
        std::string("\x02\x00", 2),
    };
    for (const std::string& header : headers) {
        EXPECT_EQ(loadBytes(header), ERR_FILE_DAMAGED);
        EXPECT_EQ(grid->getSize(0), 64);
        EXPECT_EQ(callText(grid, "GET", {0, 0}), "NULL");
    }

    // Damaged cells stop the reading; the cells before them are kept.
    const std::string cells[] = {
        StoredBytes().i32(2).i32(4).i32(4).i32(1).integer(5).i32(-3).integer(6).i32(16).bytes,    // negative
                                                                                                  // index
        StoredBytes().i32(2).i32(4).i32(4).i32(1).integer(5).i32(2).i32(77).i32(6).i32(16).bytes, // unknown
                                                                                                  // type
        StoredBytes().i32(2).i32(4).i32(4).i32(1).integer(5).i32(2).bytes, // no end mark
        StoredBytes().i32(2).i32(4).i32(4).i32(1).integer(5).i32(2).i32(TYPE_STRING).i32(900).bytes, // cut
                                                                                                     // text
    };
    for (const std::string& bytes : cells) {
        EXPECT_EQ(loadBytes(bytes), ERR_FILE_DAMAGED);
        EXPECT_EQ(grid->getSize(0), 4);
        EXPECT_EQ(callText(grid, "GET", {1, 0}), "5");
        EXPECT_EQ(callText(grid, "GET", {2, 0}), "NULL");
    }
    EXPECT_TRUE(log.contains("damaged header"));
    EXPECT_TRUE(log.contains("cells before the damage are kept"));

    // Files of other dimension counts read as if the further coordinates were 0.
    EXPECT_EQ(loadBytes(StoredBytes().i32(3).i32(4).i32(4).i32(2).i32(6).integer(9).i32(32).bytes), ERR_NONE);
    EXPECT_EQ(callText(grid, "GET", {2, 1, 0}), "9");
}

} // namespace
