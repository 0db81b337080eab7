// DATABASE: rows, the cursor structure, searches and the text file.
#include "TablesSupport.h"
#include "harness/AllocationCount.h"
#include "script/GameFixtures.h"

#include "script/Database.h"
#include "script/Structure.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class DatabaseTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        std::unique_ptr<CMElement> model(
            element("REC", {{"TYPE", "STRUCT"}, {"FIELDS", "ID<INTEGER>,NAME<STRING>"}}));
        rec = new CMC_Structure(scene, model.get());
        scene->addObject(rec);
        std::unique_ptr<CMElement> definition(element("DB", {{"TYPE", "DATABASE"}, {"MODEL", "REC"}}));
        db = new CMC_Database(scene, definition.get());
        scene->addObject(db);
        db->init();
        cursor = static_cast<CMC_Structure*>(scene->getObject("DB_CURSOR"));
    }

    void addRow(int id, const char* name) {
        CMC_Integer idValue(id);
        CMC_String nameValue(CXString("n"), CXString(name));
        rec->setField(0, &idValue);
        rec->setField(1, &nameValue);
        call(db, "ADD", {"REC"});
    }
    // The rows' texts, one a line.
    std::string rows() {
        std::string text;
        for (int i = 0; i < db->getRows(); ++i)
            text += std::string(db->getRow(i)->toString().GetBuffer()) + "\n";
        return text;
    }
    std::string cursorText() { return cursor->toString().GetBuffer(); }

    CMC_Structure* rec = nullptr;
    CMC_Database* db = nullptr;
    CMC_Structure* cursor = nullptr;
};

TEST_F(DatabaseTest, RowsAreCopiesAndTheCursorWrapsBothWays) {
    ASSERT_NE(cursor, nullptr);
    addRow(1, "ala");
    addRow(2, "ola");
    addRow(3, "ela");
    EXPECT_FALSE(db->getRow(0)->getName().IsString());
    CMC_String changed(CXString("n"), CXString("changed"));
    rec->setField(1, &changed);
    EXPECT_EQ(rows(), "1|ala\n2|ola\n3|ela\n");
    EXPECT_EQ(callText(db, "GETROWSNO"), "3");

    call(db, "SELECT", {2});
    EXPECT_EQ(cursorText(), "3|ela");
    call(db, "NEXT");
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "0");
    EXPECT_EQ(cursorText(), "1|ala");
    call(db, "PREV");
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "2");
    call(db, "SELECT", {7}); // out of range: nothing
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "2");

    // FIND maps the row it finds but leaves the cursor; from the row count on it finds nothing.
    EXPECT_EQ(callText(db, "FIND", {"NAME", "ola", 0}), "1");
    EXPECT_EQ(cursorText(), "2|ola");
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "2");
    EXPECT_EQ(callText(db, "FIND", {"ID", 1, 3}), "-1");
    EXPECT_EQ(cursorText(), "2|ola");
    EXPECT_EQ(callText(db, "FIND", {"ID", "3", 1}), "2");

    // The cursor structure reads the row itself.
    CMC_String edited(CXString("n"), CXString("edited"));
    cursor->setField(CXString("NAME"), &edited);
    EXPECT_EQ(rows(), "1|ala\n2|ola\n3|edited\n");

    call(db, "INSERTAT", {0, "REC"});
    call(db, "INSERTAT", {4, "REC"});
    EXPECT_EQ(rows(), "3|changed\n1|ala\n2|ola\n3|edited\n3|changed\n");
}

TEST_F(DatabaseTest, RemovedRowsAreNeverReadThroughTheCursor) {
    addRow(1, "a");
    addRow(2, "b");
    addRow(2, "c");
    addRow(3, "d");
    addRow(2, "e");
    call(db, "SELECT", {2});
    EXPECT_EQ(cursorText(), "2|c");
    call(db, "REMOVE", {"ID", 2}); // adjacent matches go too
    EXPECT_EQ(rows(), "1|a\n3|d\n");
    EXPECT_EQ(cursor->getFieldsNo(), 0);
    EXPECT_EQ(cursorText(), "");
    // The cursor is past the rows now: NEXT wraps to the first, PREV from past the rows to the last.
    call(db, "NEXT");
    EXPECT_EQ(cursorText(), "1|a");
    call(db, "SELECT", {1});
    call(db, "REMOVEAT", {0});
    EXPECT_EQ(cursorText(), "3|d"); // another row: still read
    call(db, "PREV");
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "0");
    EXPECT_EQ(cursorText(), "3|d");

    call(db, "REMOVEALL");
    EXPECT_EQ(db->getRows(), 0);
    EXPECT_EQ(cursor->getFieldsNo(), 0);
    call(db, "NEXT");
    call(db, "PREV");
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "0");
}

TEST_F(DatabaseTest, WhatItCannotDoLeavesTheTableAndSaysSo) {
    addRow(1, "a");
    CLogCapture log;
    call(db, "REMOVEAT", {1});
    call(db, "REMOVEAT", {-1});
    call(db, "INSERTAT", {2, "REC"});
    call(db, "INSERTAT", {-1, "REC"});
    call(db, "ADD", {"DB"});
    call(db, "INSERTAT", {0, "NOWHERE"});
    EXPECT_EQ(rows(), "1|a\n");
    EXPECT_TRUE(log.contains("REMOVEAT(1) is outside"));
    EXPECT_TRUE(log.contains("INSERTAT(2) is outside"));
    EXPECT_TRUE(log.contains("ADD of \"DB\", which is not a STRUCT"));
    EXPECT_TRUE(log.contains("\"NOWHERE\""));

    // Without a model LOAD reads nothing.
    folder.put("rows.txt", "5|x\n");
    std::unique_ptr<CMElement> definition(element("LOST", {{"TYPE", "DATABASE"}, {"MODEL", "NONE"}}));
    auto* lost = new CMC_Database(scene, definition.get());
    scene->addObject(lost);
    lost->init();
    call(lost, "LOAD", {file("rows.txt").GetBuffer()});
    EXPECT_EQ(lost->getRows(), 0);
    EXPECT_TRUE(log.contains("without a model"));
}

TEST_F(DatabaseTest, ItsTextFileHoldsOneRowALine) {
    addRow(1, "ala");
    addRow(2, "ola");
    call(db, "SELECT", {1});
    call(db, "SAVE", {file("rows.txt").GetBuffer()});
    EXPECT_EQ(read("rows.txt"), "1|ala\n2|ola\n");
    call(db, "REMOVEALL");
    call(db, "LOAD", {file("rows.txt").GetBuffer()});
    EXPECT_EQ(rows(), "1|ala\n2|ola\n");
    EXPECT_EQ(callText(db, "GETCURSORPOS"), "0");
    EXPECT_EQ(cursorText(), "1|ala");

    // Loading appends; blank lines are skipped; CRLF ends a line as LF does; a long line is one row.
    std::string longName(20000, 'x');
    folder.put("more.txt", "\r\n3|crlf\r\n\n\n4|" + longName + "\n5|last");
    call(db, "LOAD", {file("more.txt").GetBuffer()});
    ASSERT_EQ(db->getRows(), 5);
    EXPECT_EQ(std::string(db->getRow(2)->toString().GetBuffer()), "3|crlf");
    EXPECT_EQ(std::string(db->getRow(3)->getField(CXString("NAME"))->toString().GetBuffer()), longName);
    EXPECT_EQ(std::string(db->getRow(4)->toString().GetBuffer()), "5|last");

    // A file that cannot be read or written: nothing changes, and the old file stays whole.
    CLogCapture log;
    call(db, "LOAD", {file("none.txt").GetBuffer()});
    EXPECT_EQ(db->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(db->getRows(), 5);
    {
        CFullDisk full;
        call(db, "SAVE", {file("rows.txt").GetBuffer()});
    }
    EXPECT_EQ(db->LastError(), ERR_FILE_WRITE);
    EXPECT_EQ(read("rows.txt"), "1|ala\n2|ola\n");
    EXPECT_TRUE(temporariesIn(folder.path()).empty());
}

// Rows of several megabytes, ended by CRLF or by the end of the file, load whole; reading them allocates
// what they hold a few times over, never a copy of the line for every piece read of it.
TEST_F(DatabaseTest, LinesOfMegabytesLoadWhole) {
    std::string name(4 << 20, ' ');
    for (size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char>('a' + i % 26);
    folder.put("long.txt", "7|" + name + "\r\n8|" + name.substr(1));
    CAllocationCount allocations;
    call(db, "LOAD", {file("long.txt").GetBuffer()});
    EXPECT_LT(allocations.bytes(), 24 * static_cast<long long>(name.size()))
        << allocations.blocks() << " blocks";
    ASSERT_EQ(db->getRows(), 2);
    EXPECT_EQ(db->getRow(0)->getField(0)->toString(), "7");
    EXPECT_TRUE(db->getRow(0)->getField(1)->toString() == name.c_str());
    EXPECT_EQ(db->getRow(1)->getField(0)->toString(), "8");
    EXPECT_TRUE(db->getRow(1)->getField(1)->toString() == name.c_str() + 1);
}

// A game saves its rows and loads them back: an empty text keeps its place, and a text the line format cannot
// carry is named at SAVE.
TEST(DatabaseGame, SavedRowsLoadBackInPlace) {
    CGameFolder folder;
    EpisodeGame game(
        folder, "", "",
        {object("REC", {{"TYPE", "STRUCT"}, {"FIELDS", "A<INTEGER>,T<STRING>,B<INTEGER>"}}) +
             object("DB", {{"TYPE", "DATABASE"}, {"MODEL", "REC"}}) +
             object("ONE", {{"TYPE", "STRUCT"}, {"FIELDS", "T<STRING>"}}) +
             object("DB1", {{"TYPE", "DATABASE"}, {"MODEL", "ONE"}}) +
             object("__INIT__",
                    {{"TYPE", "BEHAVIOUR"},
                     {"CODE",
                      "{REC^SET(1,\"\",3);DB^ADD(\"REC\");REC^SET(4,\"a|b\",6);DB^ADD(\"REC\");"
                      "REC^SET(7,\"c\",9);DB^ADD(\"REC\");DB^SAVE(\"rows.txt\");"
                      "DB^REMOVEALL();DB^LOAD(\"rows.txt\");"
                      "ONE^SETFIELD(\"T\",\"z\");DB1^ADD(\"ONE\");ONE^SETFIELD(\"T\",\"\");DB1^ADD(\"ONE\");"
                      "DB1^ADD(\"ONE\");DB1^SAVE(\"one.txt\");}"}}),
         "", ""});
    CLogCapture log;
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    EXPECT_EQ(folder.read("Dane/E1/S1/rows.txt"), "1||3\n4|a|b|6\n7|c|9\n");
    auto* db = static_cast<CMC_Database*>(run.find("DB"));
    ASSERT_NE(db, nullptr);
    std::string rows;
    for (int i = 0; i < db->getRows(); ++i) {
        for (int f = 0; f < db->getRow(i)->getFieldsNo(); ++f)
            rows += std::string(f ? "_" : "") + db->getRow(i)->getField(f)->toString().GetBuffer();
        rows += "\n";
    }
    EXPECT_EQ(rows, "1__3\n4_a_0\n7_c_9\n");
    EXPECT_TRUE(log.contains("DATABASE DB: SAVE to rows.txt: row 1's T holds \"|\" or a line end")) << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.contains("(1 row like it)")) << ::testing::PrintToString(log.lines());
    // A row of one empty text is an empty line, which LOAD skips: named at SAVE as well.
    EXPECT_EQ(folder.read("Dane/E1/S1/one.txt"), "z\n\n\n");
    EXPECT_TRUE(log.contains("DATABASE DB1: SAVE to one.txt: row 1's line is empty"))
        << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.contains("(2 rows like it)")) << ::testing::PrintToString(log.lines());
}

} // namespace
