// ARRAY through script lines of a running game.
#include "script/CollectionFixtures.h"

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

#include "core/Log.h"
#include "harness/AllocationCount.h"
#include "script/Array.h"

namespace KavirelTest {

namespace {

std::string arrays(std::vector<std::string> names, const Properties& extra = {}) {
    std::string text = resultObjects();
    for (const std::string& name : names) {
        Properties properties{{"TYPE", "ARRAY"}};
        properties.insert(properties.end(), extra.begin(), extra.end());
        text += object(name, properties);
    }
    return text;
}

CMC_Array* arrayOf(CollectionGame& game, const char* name) {
    CMC_Object* object = game.find(name);
    return object && object->getType() == TYPE_ARRAY ? static_cast<CMC_Array*>(object) : nullptr;
}

std::string types(CMC_Array* array) {
    std::string text;
    for (int i = 0; i < array->getSize(); ++i)
        text += (i ? "," : "") + std::string(CMC_Object::typeToString(array->get(i)->getType()).GetBuffer());
    return text;
}

} // namespace

TEST(Array, ElementsSearchesAndCopies) {
    CollectionGame game(arrays({"A", "B", "C"}) + object("N", {{"TYPE", "INTEGER"}, {"VALUE", "7"}}));
    game.code("{A^ADD(1,\"abc\",TRUE,2.5,N);A^INSERTAT(1,9);A^CHANGEAT(0,\"x\");A^INSERTAT(6,0);A^CHANGEAT(-"
              "1,0);}");
    EXPECT_EQ(game.textOf("A"), "x,9,abc,TRUE,2.50000,7");
    EXPECT_EQ(types(arrayOf(game, "A")), "STRING,INTEGER,STRING,BOOL,DOUBLE,INTEGER");
    // Elements are copies: the named value changes alone.
    game.code("{N^SET(100);}");
    EXPECT_EQ(game.eval("A^GET(5)"), "7");
    EXPECT_EQ(game.eval("A^GET(6)"), "NULL");
    EXPECT_EQ(game.eval("A^GET(-1)"), "NULL");
    EXPECT_EQ(game.eval("A^GETSIZE()"), "6");

    // STRING equality ignores case; an INTEGER element equals "9" converted.
    EXPECT_EQ(game.eval("A^FIND(\"ABC\")"), "2");
    EXPECT_EQ(game.eval("A^FIND(\"9\")"), "1");
    EXPECT_EQ(game.eval("A^FIND(\"zz\")"), "-1");
    EXPECT_EQ(game.eval("A^CONTAINS(TRUE)"), "TRUE");
    game.code("{B^ADD(3,1,3,2,3);}");
    EXPECT_EQ(game.eval("B^REVERSEFIND(3)"), "4");
    // FINDALL appends every index of every value to the named array, not emptied first.
    game.code("{C^ADD(-1);}");
    EXPECT_EQ(game.eval("B^FINDALL(\"C\",3,1,8)"), "4");
    EXPECT_EQ(game.textOf("C"), "-1,0,2,4,1");
    // A name of an object of another type counts as not found.
    EXPECT_EQ(game.eval("B^FINDALL(\"N\",3)"), "0");
    EXPECT_EQ(game.eval("B^COMPARE(\"N\")"), "FALSE");

    game.code("{B^REMOVE(3);B^REMOVE(42);B^REMOVEAT(9);B^REMOVEAT(0);}");
    EXPECT_EQ(game.textOf("B"), "3,2,3");
    game.code("{C^REMOVEALL();B^COPYTO(\"C\");B^COPYTO(\"B\");}");
    EXPECT_EQ(game.textOf("C"), "3,2,3");
    EXPECT_EQ(game.textOf("B"), "3,2,3,3,2,3");
    EXPECT_EQ(game.eval("B^COMPARE(\"C\")"), "FALSE");
    game.code("{C^COPYTO(\"C\");}");
    EXPECT_EQ(game.eval("B^COMPARE(\"C\")"), "TRUE");
    game.code("{B^SWAP(0,1);B^SWAP(0,6);}");
    EXPECT_EQ(game.textOf("B"), "2,3,3,3,2,3");
}

TEST(Array, MarkerSteps) {
    CollectionGame game(arrays({"A", "E"}));
    game.code("{A^ADD(10,20,30);}");
    game.code("{A^SETMARKERPOS(99);}");
    EXPECT_EQ(game.eval("A^GETMARKERPOS()"), "2");
    game.code("{A^SETMARKERPOS(-5);}");
    EXPECT_EQ(game.eval("A^GETMARKERPOS()"), "-1");
    // From -1 a step of nothing reaches nothing.
    EXPECT_EQ(game.eval("A^NEXT(0)"), "NULL");
    EXPECT_EQ(game.eval("A^NEXT()"), "10");
    EXPECT_EQ(game.eval("A^NEXT(4)"), "20");
    game.code("{A^SETMARKERPOS(0);}");
    EXPECT_EQ(game.eval("A^PREV()"), "30");
    // A huge step is a remainder, and a negative one goes the other way.
    EXPECT_EQ(game.eval("A^NEXT(2000000000)"), "20"); // 2 + 2000000000 = 3 * 666666667 + 1
    EXPECT_EQ(game.eval("A^NEXT(-1)"), "10");
    EXPECT_EQ(game.eval("A^PREV(-2)"), "30");
    EXPECT_NE(game.eval("A^PREV(-2147483648)"), "NULL");
    EXPECT_EQ(game.eval("E^NEXT()"), "NULL");
    EXPECT_EQ(game.eval("E^PREV()"), "NULL");
    game.code("{A^RESETMARKER();}");
    EXPECT_EQ(game.eval("A^GETMARKERPOS()"), "-1");
}

TEST(Array, ArithmeticStatisticsAndShifts) {
    CollectionGame game(arrays({"A", "B", "D", "S", "E"}) +
                        object("K", {{"TYPE", "INTEGER"}, {"VALUE", "3"}}) +
                        object("box", {{"TYPE", "INTEGER"}}));
    game.code("{A^ADD(1,2,3);A^SUM(10);A^MUL(\"2\");A^SUB(1);A^DIV(5);}");
    EXPECT_EQ(game.textOf("A"), "4,4,5");
    // The ranged forms take the named value as their operand; without one nothing changes.
    game.code("{A^SUMA(K);A^MULA(\"K\",1,1);A^SUBA(\"NOBODY\");A^DIVA(K,2,99);}");
    EXPECT_EQ(game.textOf("A"), "7,21,2");
    game.code("{A^ADDAT(0,1);A^SUBAT(1,1);A^MULAT(2,10);A^DIVAT(0,2);A^MODAT(1,7);A^ADDAT(3,1);}");
    EXPECT_EQ(game.textOf("A"), "4,6,20");
    // Mixed elements each calculate in their own type.
    game.code("{B^ADD(\"ab\",1.5,TRUE);B^SUM(1);}");
    EXPECT_EQ(game.textOf("B"), "ab1,2.50000,TRUE");

    game.code("{A^CLAMPAT(0,5,9);A^CLAMPAT(2,5,9);B^CLAMPAT(1,0,2.0);B^CLAMPAT(1,3.25,9);A^CLAMPAT(7,0,0);}");
    EXPECT_EQ(game.textOf("A"), "5,6,9");
    EXPECT_EQ(game.textOf("B"), "ab1,3.25000,TRUE");

    game.code("{D^ADD(-5,-2,\"7\",0.5);}");
    EXPECT_EQ(game.eval("D^MAX()"), "0");
    EXPECT_EQ(game.eval("D^MIN()"), "-5");
    EXPECT_EQ(game.eval("E^MIN()"), "1000000");
    EXPECT_EQ(game.eval("D^MAXD()"), "0.50000");
    EXPECT_EQ(game.eval("D^MIND()"), "0.50000");
    EXPECT_EQ(game.eval("D^GETSUMVALUE()"), "-7");

    game.code("{S^ADD(1,2,3);S^SHIFTLEFT();}");
    EXPECT_EQ(game.textOf("S"), "2,3,0");
    game.code("{S^REMOVEALL();S^ADD(1,2,\"x\");S^SHIFTRIGHT();}");
    EXPECT_EQ(game.textOf("S"), "NULL,1,2");
    game.code("{S^REMOVEALL();S^ADD(1,2,3);S^ROTATELEFT();}");
    EXPECT_EQ(game.textOf("S"), "2,3,1");
    game.code("{S^ROTATERIGHT();S^ROTATERIGHT();E^SHIFTLEFT();}");
    EXPECT_EQ(game.textOf("S"), "3,1,2");

    game.code("{S^FILL(3,\"z\");}");
    EXPECT_EQ(game.textOf("S"), "z,z,z");
    game.code(
        "{S^FILL(-1,1);box^CLONE(3);E^ADDCLONES(\"box\");E^ADDCLONES(\"box\",7,8);E^ADDCLONES(\"none\");}");
    EXPECT_EQ(game.textOf("S"), "");
    EXPECT_EQ(game.textOf("E"), "box_1,box_2,box_3,box_7,box_8");

    game.code("{S^RANDOMFILL(3,10,5,TRUE);}");
    CMC_Array* drawn = arrayOf(game, "S");
    ASSERT_EQ(drawn->getSize(), 3);
    std::set<std::string> values;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(drawn->get(i)->getType(), TYPE_INTEGER);
        values.insert(drawn->get(i)->toString().GetBuffer());
    }
    EXPECT_EQ(values.size(), 3u);
    for (const std::string& v : values) EXPECT_TRUE(v >= "10" && v <= "14") << v;
    // Counts outside 0 .. 10000 draw nothing and leave the array.
    game.code("{S^RANDOMFILL(10001,0,5,FALSE);S^RANDOMFILL(-3,0,5,FALSE);}");
    EXPECT_EQ(drawn->getSize(), 3);
}

TEST(Array, SortIsStableAndReversedForFalse) {
    CollectionGame game(arrays({"A", "M", "S", "N"}));
    game.code("{A^ADD(2,1,3);A^SORT(FALSE);}");
    EXPECT_EQ(game.textOf("A"), "3,2,1");
    // Equal INTEGERs told apart by the object each is: the stable order, then its exact reverse.
    CMC_Array* array = arrayOf(game, "N");
    std::vector<int> keys = {5, 1, 5, 3, 1, 5, 2};
    for (int key : keys) {
        CMC_Integer value(key);
        array->add(&value);
    }
    std::vector<CMC_Variable*> before;
    for (int i = 0; i < array->getSize(); ++i) before.push_back(array->get(i));
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    game.code("{N^SORT(TRUE);}");
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(array->get(static_cast<int>(i)), before[order[i]]) << i;
    game.code("{N^SORT(FALSE);}");
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(array->get(static_cast<int>(i)), before[order[order.size() - 1 - i]]) << i;

    game.code("{S^ADD(\"b\",\"B\",\"a\");S^SORT(TRUE);}");
    EXPECT_EQ(game.textOf("S"), "B,a,b");
    // Mixed types keep the order of inserting each before the first that compares greater (each compare
    // converts the other element to the type of the one already placed).
    game.code("{M^ADD(\"10\",9,\"x\",2.5,TRUE,1);M^SORT(TRUE);}");
    EXPECT_EQ(game.textOf("M"), "1,10,TRUE,2.50000,x,9");
}

TEST(Array, ChangesRaiseTheirEvents) {
    // D's handler deletes V and changes W (at the end).
    const std::string deleting =
        object("D",
               {{"TYPE", "ARRAY"}, {"SENDONCHANGE", "TRUE"}, {"ONCHANGED", "{S1^REMOVE(\"V\");W^SET(9);}"}}) +
        object("V", {{"TYPE", "INTEGER"}, {"VALUE", "7"}}) +
        object("W", {{"TYPE", "INTEGER"}, {"VALUE", "8"}});
    CollectionGame game(arrays({"A"}, {{"SENDONCHANGE", "TRUE"},
                                       {"ONCHANGED^-1", "{LOG^ADD(\"m1.\");}"},
                                       {"ONCHANGED", "{LOG^ADD(\"any.\");}"}}) +
                        object("Q", {{"TYPE", "ARRAY"}, {"ONCHANGED", "{LOG^ADD(\"q.\");}"}}) + deleting);
    game.code("{A^ADD(5);A^ADD(6);Q^ADD(1);}");
    EXPECT_EQ(game.textOf("LOG"), "m1.any.");
    game.code("{LOG^SET(\"\");A^SWAP(0,1);A^SENDONCHANGE(FALSE);A^ADD(7);A^SENDONCHANGE();Q^SENDONCHANGE();"
              "Q^ADD(2);}");
    EXPECT_EQ(game.textOf("LOG"), "any.any.q.");

    // A handler that empties the array stops SUM at once.
    CMC_Array* array = arrayOf(game, "A");
    std::vector<std::string> runs;
    auto* handler = new RecordingBehaviour(game.scene(), "H", &runs);
    game.scene()->addObject(handler);
    array->addBehaviour(CXString("ONCHANGED"), handler, nullptr, game.scene());
    handler->onRun = [array](CMC_Object*) { array->removeAll(); };
    game.code("{A^SUM(1);}");
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(game.textOf("A"), "");

    // A handler that deletes what a later argument of ADD is, and changes another: the deleted one reads as
    // missing and adds nothing, the changed one adds its new value.
    game.code("{D^ADD(1,V,W);}");
    EXPECT_EQ(game.textOf("D"), "1,9");
    EXPECT_EQ(game.find("V"), nullptr);
}

// A fresh game for each line, whose array's first event deletes the array.
static void deletedByItsFirstEvent(const char* line, const std::string& extra = "",
                                   const std::function<void(CGameFolder&)>& prepare = nullptr) {
    CollectionGame game(arrays({"A"}, {{"SENDONCHANGE", "TRUE"}}) + extra);
    if (prepare) prepare(game.folder());
    CMC_Array* doomed = arrayOf(game, "A");
    for (int i = 1; i <= 2; ++i) {
        CMC_Integer value(i);
        doomed->add(&value);
    }
    std::vector<std::string> seen;
    auto* deleter = new RecordingBehaviour(game.scene(), "H", &seen);
    game.scene()->addObject(deleter);
    deleter->onRun = [doomed](CMC_Object*) { CMC_Behaviour::removeAndDelete(doomed); };
    doomed->addBehaviour(CXString("ONCHANGED"), deleter, nullptr, game.scene());
    game.code(line);
    EXPECT_EQ(seen.size(), 1u) << line;
    EXPECT_EQ(game.find("A"), nullptr) << line;
}

TEST(Array, LoopsStopWhenAHandlerDeletesTheArray) {
    for (const char* line : {"{A^SUM(1);}", "{A^SHIFTLEFT();}", "{A^ROTATERIGHT();}", "{A^FILL(5,1);}",
                             "{A^ADDCLONES(\"R\",1,9);}", "{A^SWAP(0,1);}", "{A^RANDOMFILL(5,0,9,FALSE);}"})
        deletedByItsFirstEvent(line);
    deletedByItsFirstEvent("{A^LOAD(\"three.arr\");}", "", [](CGameFolder& folder) {
        folder.write(kSceneFolder + "three.arr",
                     le32(3) + le32(1) + le32(1) + le32(1) + le32(2) + le32(1) + le32(3));
    });
}

TEST(Array, ValuesOutliveTheFrameStep) {
    CollectionGame game(arrays({"A"}));
    game.code("{A^ADD(1,\"one\",2.5);}");
    game.run().frames(1);
    // The next frame takes every temporary of every pool several times over.
    for (int i = 0; i < 2000; ++i) {
        CMC_VariableFactory::allocInteger()->setValue(-1);
        CMC_VariableFactory::allocString()->setValue(CXString("junk"));
        CMC_VariableFactory::allocDouble()->setValue(-1);
    }
    game.run().frames(1);
    EXPECT_EQ(game.textOf("A"), "1,one,2.50000");
    EXPECT_EQ(game.eval("A^GET(1)"), "one");
    EXPECT_EQ(game.eval("A^NEXT()"), "1");
}

TEST(Array, BinaryFilesRoundTripAndStopAtDamage) {
    CollectionGame game(arrays({"A", "B"}));
    game.code(
        "{A^ADD(1,\"ab\",TRUE,2.5,-0.00019);A^SAVE(\"vals.arr\");B^ADD(\"old\");B^LOAD(\"vals.arr\");}");
    std::string expected = le32(5) + le32(1) + le32(1) + le32(2) + le32(2) + "ab" + le32(3) + le32(1) +
                           le32(4) + le32(25000) + le32(4) + le32(-1);
    EXPECT_EQ(game.folder().read(kSceneFolder + "vals.arr"), expected);
    EXPECT_TRUE(temporariesIn(game.folder().path()).empty());
    EXPECT_EQ(game.textOf("B"), "1,ab,TRUE,2.50000,-0.00010");
    EXPECT_EQ(types(arrayOf(game, "B")), "INTEGER,STRING,BOOL,DOUBLE,DOUBLE");
    EXPECT_EQ(arrayOf(game, "B")->LastError(), ERR_NONE);

    struct Damaged {
        const char* what;
        std::string bytes;
        std::string kept;
    };
    std::string one = le32(1) + le32(7);
    std::string two = le32(2) + le32(2) + "xy";
    for (const Damaged& d : std::vector<Damaged>{
             {"truncated value", le32(3) + one + two + le32(1) + "\x01\x02", "7,xy"},
             {"truncated text", le32(2) + one + le32(2) + le32(9) + "abc", "7"},
             {"negative count", le32(-1) + one, ""},
             {"count beyond the bytes", le32(1000000) + one, "7"},
             {"type 7", le32(3) + one + le32(7) + le32(0) + two, "7"},
             {"no count", std::string("\x01\x00", 2), ""},
         }) {
        CLogCapture log;
        game.folder().write(kSceneFolder + "bad.arr", d.bytes);
        game.code("{B^LOAD(\"bad.arr\");}");
        EXPECT_EQ(game.textOf("B"), d.kept) << d.what;
        EXPECT_EQ(arrayOf(game, "B")->LastError(), ERR_FILE_DAMAGED) << d.what;
        EXPECT_TRUE(log.contains("bad.arr")) << d.what;
        arrayOf(game, "B")->setErrorCode(ERR_NONE);
    }
    game.code("{B^LOAD(\"missing.arr\");}");
    EXPECT_EQ(game.textOf("B"), "");
    EXPECT_EQ(arrayOf(game, "B")->LastError(), ERR_FILE_NOT_FOUND);

    // A write that cannot complete leaves what was there.
    game.folder().write(kSceneFolder + "taken.arr/keep", "k");
    game.code("{A^SAVE(\"taken.arr\");}");
    EXPECT_EQ(arrayOf(game, "A")->LastError(), ERR_FILE_WRITE);
    EXPECT_EQ(game.folder().read(kSceneFolder + "taken.arr/keep"), "k");
    EXPECT_TRUE(temporariesIn(game.folder().path()).empty());
}

TEST(Array, IniKeepsTheTextsJoinedByCommas) {
    CollectionGame game(arrays({"A", "B"}));
    game.code("{A^ADD(1,\"abc\");A^SAVEINI();}");
    EXPECT_EQ(game.run().ini("S1", "A"), "1,abc");
    game.code("{A^LOADINI();}");
    EXPECT_EQ(types(arrayOf(game, "A")), "STRING,STRING");
    EXPECT_EQ(game.textOf("A"), "1,abc");

    // Five thousand elements there and back.
    CMC_Array* big = arrayOf(game, "B");
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        CMC_Integer value(i * 7);
        big->add(&value);
        expected += (i ? "," : "") + std::to_string(i * 7);
    }
    game.code("{B^SAVEINI();B^REMOVEALL();B^ADD(\"gone\");B^LOADINI();}");
    EXPECT_EQ(big->getSize(), 5000);
    EXPECT_EQ(game.textOf("B"), expected);

    // A hundred thousand joined allocate the joined text a few times over, and each element's text once.
    for (int i = 5000; i < 100000; ++i) {
        CMC_Integer value(i * 7);
        big->add(&value);
        expected += ',';
        expected += std::to_string(i * 7);
    }
    CAllocationCount allocations;
    CXString joined = big->toString();
    EXPECT_LT(allocations.bytes(), 8 * joined.GetLength() + 64 * 100000);
    EXPECT_TRUE(joined == expected.c_str());
}

TEST(Array, DirListsInOrderAndPutsTheWorkingFolderBack) {
    CollectionGame game(arrays({"A"}));
    game.folder().write(kSceneFolder + "Saves/b.sav", "1");
    game.folder().write(kSceneFolder + "Saves/a.sav", "2");
    game.folder().write(kSceneFolder + "Saves/c.txt", "3");
    CXString before = CFile::getCurrentDirectory();
    game.code("{A^ADD(\"first\");A^DIR(\"Saves\\\",\"*.sav\");}");
    EXPECT_EQ(game.textOf("A"), "first,Saves\\a.sav,Saves\\b.sav");
    EXPECT_EQ(std::string(CFile::getCurrentDirectory().GetBuffer()), before.GetBuffer());
}

} // namespace KavirelTest
