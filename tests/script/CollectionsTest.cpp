// VECTOR, PATH, FIFO, LIFO and RANDOM through script lines of a running game, and their cache records.
#include "script/CollectionFixtures.h"

#include <set>

#include "core/Log.h"
#include "script/Array.h"
#include "script/Bool.h"
#include "script/Path.h"
#include "script/Quene.h"
#include "script/Vector.h"

namespace KavirelTest {

namespace {

// The object part of a record: the name and no bindings.
std::string objectPart(const std::string& name) {
    return le32(static_cast<int32_t>(name.size())) + name + le32(0);
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string vector(const std::string& name, const std::string& size, const std::string& values = "") {
    Properties properties{{"TYPE", "VECTOR"}, {"SIZE", size}};
    if (!values.empty()) properties.emplace_back("VALUE", values);
    return object(name, properties);
}

} // namespace

TEST(Vector, DefinitionArithmeticAndEdges) {
    CLogCapture log;
    CollectionGame game(resultObjects() + vector("V3", "3", "1,2") + vector("V2", "2", "3,4") +
                        vector("N", "2", "0,1") + vector("O", "3", "9,9,9") + vector("H", "2", "0.5,2") +
                        vector("Z", "2") + vector("B", "2000000", "1"));
    EXPECT_EQ(game.textOf("V3"), "1.00000,2.00000,0");
    EXPECT_EQ(game.textOf("H"), "0.50000,2.00000");
    EXPECT_EQ(static_cast<CMC_Vector*>(game.find("B"))->getSize(), 0);
    EXPECT_TRUE(log.contains("VECTOR B: 2000000 components refused"));

    EXPECT_EQ(game.eval("V2^LEN()"), "5.00000");
    EXPECT_EQ(game.eval("V2^GETSIZE()"), "2");
    EXPECT_EQ(game.eval("V2^SMUL(\"H\")"), "9.50000");
    EXPECT_EQ(game.eval("V2^SMUL(\"V3\")"), "0");
    game.code("{V3^ADD(\"V2\");V2^ADD(\"H\",\"H\");V2^SUB(\"Z\",\"NOBODY\",\"R\");}");
    EXPECT_EQ(game.textOf("V3"), "1.00000,2.00000,0");
    EXPECT_EQ(game.textOf("V2"), "4.00000,8.00000");
    game.code("{V2^ASSIGN(3,4);V2^NORMALIZE();Z^NORMALIZE();}");
    EXPECT_EQ(game.textOf("V2"), "0.60000,0.80000");
    EXPECT_EQ(game.textOf("Z"), "0,0");

    // d = -1: out = 2·d·n − this, on the components all three have.
    game.code("{V2^ASSIGN(1,-1);V2^REFLECT(\"N\",\"O\");V2^REFLECT(\"N\",\"Z\");}");
    EXPECT_EQ(game.textOf("O"), "-1.00000,-1.00000,9.00000");
    EXPECT_EQ(game.textOf("Z"), "-1.00000,-1.00000");

    // Only existing components are touched.
    game.code("{R^SET(\"kept\");R^SET(V2^GET(5));}");
    EXPECT_EQ(game.textOf("R"), "kept");
    EXPECT_EQ(game.eval("V2^GET(1)"), "-1.00000");
    game.code("{V2^SET(7,1);V2^SET(-1,1);V2^ASSIGN(5,6,7,8);}");
    EXPECT_EQ(game.textOf("V2"), "5.00000,6.00000");
    game.code("{V3^SET(\"V2\");O^SET(2);V2^MUL(0.5);H^NEG();}");
    EXPECT_EQ(game.textOf("V3"), "5.00000,6.00000,0");
    EXPECT_EQ(game.textOf("O"), "2.00000,2.00000,2.00000");
    EXPECT_EQ(game.textOf("V2"), "2.50000,3.00000");
    EXPECT_EQ(game.textOf("H"), "-0.50000,-2.00000");

    // EXPAND keeps the old values at the end; fewer, or past the limit, changes nothing.
    game.code("{V2^EXPAND(4);V3^EXPAND(2);V3^EXPAND(1048577);V2^VMUL(\"V3\",\"H\");}");
    EXPECT_EQ(game.textOf("V2"), "0,0,2.50000,3.00000");
    EXPECT_EQ(game.eval("V3^GETSIZE()"), "3");
}

TEST(Path, NodesDensityAndMissingNodes) {
    CollectionGame game(resultObjects() + object("a", {{"TYPE", "INTEGER"}, {"VALUE", "1"}}) +
                        object("b", {{"TYPE", "STRING"}, {"VALUE", "two"}}) +
                        object("c", {{"TYPE", "INTEGER"}, {"VALUE", "3"}}) +
                        object("P", {{"TYPE", "PATH"}, {"NODES", "a,b,c"}}) +
                        object("Q", {{"TYPE", "PATH"}, {"NODES", "a,later"}}) +
                        object("later", {{"TYPE", "FIFO"}}));
    EXPECT_EQ(game.eval("P^GETSIZE()"), "3");
    EXPECT_EQ(game.eval("P^GETNODE(1)"), "b");
    EXPECT_EQ(game.textOf("P"), "[1][two][3]");
    // A node not there when the path was built stays a null node.
    EXPECT_EQ(game.textOf("Q"), "[1][]");
    EXPECT_EQ(game.eval("Q^GETNODE(1)"), "NULL");
    EXPECT_EQ(game.eval("Q^GETNODE(2)"), "NULL");
    EXPECT_EQ(game.eval("Q^GETNODE(-1)"), "NULL");

    game.code("{P^SETPROPERTY(\"density\",2);R^SET(P^GETPROPERTY(\"DENSITY\"));}");
    EXPECT_EQ(game.textOf("R"), "1.00000");
    game.code(
        "{P^SETPROPERTY(\"DENSITY\",2.5);R^SET(P^GETPROPERTY(\"DENSITY\"));R^SET(P^GETPROPERTY(\"X\"));}");
    EXPECT_EQ(game.textOf("R"), "2.50000");

    game.code("{Q^ADD(\"later\");Q^ADD(\"nobody\");Q^ADD(c);}");
    EXPECT_EQ(game.textOf("Q"), "[1][][later][][3]");
    // A deleted node reads as missing.
    CMC_Behaviour::removeAndDelete(game.find("b"));
    EXPECT_EQ(game.eval("P^GETNODE(1)"), "NULL");
    EXPECT_EQ(game.textOf("P"), "[1][][3]");
}

TEST(Quene, OrderEmptinessAndValuesAcrossFrames) {
    CollectionGame game(resultObjects() + object("F", {{"TYPE", "FIFO"}, {"ONEMPTY", "{LOG^ADD(\"f.\");}"}}) +
                        object("L", {{"TYPE", "LIFO"}, {"ONEMPTY", "{LOG^ADD(\"l.\");}"}}));
    game.code("{F^PUSH(1,2,3);L^PUSH(1,2,3);}");
    EXPECT_EQ(game.eval("F^POP()"), "1");
    EXPECT_EQ(game.eval("L^POP()"), "3");
    EXPECT_EQ(game.eval("F^GETSIZE()"), "2");
    game.code("{F^POP();F^POP();}");
    EXPECT_EQ(game.textOf("LOG"), "");
    EXPECT_EQ(game.eval("F^ISEMPTY()"), "TRUE");
    EXPECT_EQ(game.eval("F^POP()"), "NULL");
    EXPECT_EQ(game.textOf("LOG"), "f.");

    // Pushed in one frame, every temporary taken over and over in the next, popped in the third.
    game.code("{L^REMOVEALL();F^PUSH(\"text\",2.5,TRUE,7);L^PUSH(\"deep\");}");
    game.run().frames(1);
    for (int i = 0; i < 2000; ++i) {
        CMC_VariableFactory::allocInteger()->setValue(-1);
        CMC_VariableFactory::allocString()->setValue(CXString("junk"));
        CMC_VariableFactory::allocDouble()->setValue(-1);
        CMC_VariableFactory::allocBool()->setValue(false);
    }
    game.run().frames(1);
    EXPECT_EQ(game.eval("F^POP()"), "text");
    EXPECT_EQ(game.eval("F^POP()"), "2.50000");
    EXPECT_EQ(game.eval("F^POP()"), "TRUE");
    EXPECT_EQ(game.eval("F^POP()"), "7");
    EXPECT_EQ(game.eval("L^POP()"), "deep");
    EXPECT_EQ(game.eval("L^POP()"), "2");
}

TEST(Random, DrawsAndPlenty) {
    CollectionGame game(resultObjects() + object("A", {{"TYPE", "ARRAY"}}) +
                        object("N", {{"TYPE", "INTEGER"}, {"VALUE", "0"}}));
    EXPECT_EQ(game.eval("RANDOM^GET()"), "0");
    EXPECT_EQ(game.eval("RANDOM^GET(1)"), "0");
    EXPECT_EQ(game.eval("RANDOM^GET(5,1)"), "5");
    for (int i = 0; i < 20; ++i) {
        int drawn = std::stoi(game.eval("RANDOM^GET(10)"));
        EXPECT_TRUE(drawn >= 0 && drawn < 10) << drawn;
    }
    game.code("{A^ADD(\"first\");RANDOM^GETPLENTY(\"A\",3,10,5,TRUE);}");
    auto* array = static_cast<CMC_Array*>(game.find("A"));
    ASSERT_EQ(array->getSize(), 4);
    EXPECT_EQ(game.eval("A^GET(0)"), "first");
    std::set<int> values;
    for (int i = 1; i < 4; ++i) values.insert(std::stoi(array->get(i)->toString().GetBuffer()));
    EXPECT_EQ(values.size(), 3u);
    EXPECT_GE(*values.begin(), 10);
    EXPECT_LE(*values.rbegin(), 14);
    // Counts outside 0 .. 10000, and names of other objects, draw nothing.
    game.code("{RANDOM^GETPLENTY(\"A\",10001,0,5,FALSE);RANDOM^GETPLENTY(\"A\",-1,0,5,FALSE);"
              "RANDOM^GETPLENTY(\"N\",3,0,5,FALSE);RANDOM^GETPLENTY(\"NONE\",3,0,5,FALSE);}");
    EXPECT_EQ(array->getSize(), 4);
}

TEST(CollectionRecords, ReadByteByByteAndRefuseBadCounts) {
    CollectionGame game(resultObjects() + object("a", {{"TYPE", "INTEGER"}, {"VALUE", "1"}}));
    ArchiveScratch scratch;
    auto read = [&](CMC_Object* blank, const std::string& bytes) {
        blank->setScene(game.scene());
        CXArchive& archive = scratch.read(bytesOf(bytes));
        blank->serialize(&archive);
        return archive.good() && scratch.consumed();
    };

    CMC_Array array(game.scene(), CXString(""));
    EXPECT_TRUE(read(&array, objectPart("A") + "\x01"));
    EXPECT_EQ(array.getName(), CXString("A"));
    EXPECT_TRUE(array.getSendOnChange());
    EXPECT_FALSE(read(&array, objectPart("A")));

    std::unique_ptr<CMC_Vector> vectorRecord(new CMC_Vector(nullptr, nullptr));
    EXPECT_TRUE(read(vectorRecord.get(), objectPart("V") + le32(2) + le32(15000) + le32(-20001)));
    EXPECT_EQ(vectorRecord->toString(), CXString("1.50000,-2.00010"));
    Bytes stored = scratch.write([&](CXArchive& out) { vectorRecord->serialize(&out); });
    EXPECT_EQ(stored, bytesOf(objectPart("V") + le32(2) + le32(15000) + le32(-20001)));
    for (const std::string& bad : {objectPart("V") + le32(-1), objectPart("V") + le32(3) + le32(1) + le32(2),
                                   objectPart("V") + le32(0x40000000) + le32(1)}) {
        CMC_Vector refused(nullptr, nullptr);
        EXPECT_FALSE(read(&refused, bad));
        EXPECT_EQ(refused.getSize(), 0);
    }

    CMC_Path path;
    EXPECT_TRUE(read(&path, objectPart("P") + le32(3) + le32(1) + "a" + le32(0) + le32(4) + "gone"));
    EXPECT_EQ(path.toString(), CXString("[1][][]"));
    EXPECT_EQ(path.getSize(), 3);
    stored = scratch.write([&](CXArchive& out) { path.serialize(&out); });
    EXPECT_EQ(stored, bytesOf(objectPart("P") + le32(3) + le32(1) + "a" + le32(0) + le32(0)));
    for (const std::string& bad : {objectPart("P") + le32(-2), objectPart("P") + le32(1000) + le32(1) + "a",
                                   objectPart("P") + le32(2) + le32(1) + "a" + le32(9) + "ab"}) {
        CMC_Path refused;
        EXPECT_FALSE(read(&refused, bad));
        EXPECT_EQ(refused.getSize(), 0);
    }

    CMC_Fifo fifo(game.scene());
    fifo.push(CMC_Variable::resolve(CXString("5")));
    EXPECT_EQ(scratch.write([&](CXArchive& out) { fifo.serialize(&out); }), bytesOf(objectPart("temp")));
}

TEST(CollectionRecords, AGameFromItsCacheKeepsVectorsPathsAndArrays) {
    CGameFolder folder;
    EpisodeGame game(folder, "", "",
                     {object("a", {{"TYPE", "INTEGER"}, {"VALUE", "1"}}) + vector("V", "2", "1.5,-2") +
                          object("P", {{"TYPE", "PATH"}, {"NODES", "a,b"}}) +
                          object("A", {{"TYPE", "ARRAY"}, {"SENDONCHANGE", "TRUE"}}) +
                          object("F", {{"TYPE", "FIFO"}}) +
                          object("b", {{"TYPE", "INTEGER"}, {"VALUE", "2"}}),
                      "", ""});
    {
        CGameRun run(folder);
        ASSERT_TRUE(run.storeCache());
    }
    CGameOptions options;
    options.fromCache = true;
    CGameRun run(folder, options);
    EXPECT_EQ(std::string(run.find("V")->toString().GetBuffer()), "1.50000,-2.00000");
    // The values, made before the path, are stored before it: its nodes find them.
    EXPECT_EQ(std::string(run.find("P")->toString().GetBuffer()), "[1][2]");
    EXPECT_TRUE(static_cast<CMC_Array*>(run.find("A"))->getSendOnChange());
    EXPECT_EQ(run.find("F")->getType(), TYPE_FIFO);
}

} // namespace KavirelTest
