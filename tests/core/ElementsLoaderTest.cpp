#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/DefinitionFixture.h"
#include "core/ElementsLoader.h"
#include "core/Log.h"
#include "core/TextCoder.h"

using namespace KavirelDLL;

namespace {

CMElements* parse(const std::string& text) {
    return CMElementsLoader::load(nullptr,
                                  new CTextFileReader(nullptr, text.data(), static_cast<int>(text.size())));
}

std::vector<std::string> namesOf(CMElements* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->getSize(); ++i) out.emplace_back(list->getAt(i)->getName().GetBuffer());
    return out;
}

} // namespace

TEST(ElementsLoader, FullFixtureElementByElement) {
    CMElements* list = parse(kDefinitionFixture);
    ASSERT_NE(list, nullptr);
    expectFixtureElements(list);
    delete list;
}

TEST(ElementsLoader, CrLfTextLoadsLikeLf) {
    CMElements* lf = parse(kDefinitionFixture);
    CMElements* crlf = parse(withCrLf(kDefinitionFixture));
    ASSERT_NE(crlf, nullptr);
    expectSameElements(lf, crlf);
    delete lf;
    delete crlf;
}

TEST(ElementsLoader, EmptyTextGivesAnEmptyList) {
    CMElements* list = parse("");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->getSize(), 0);
    EXPECT_TRUE(list->ownsElements());
    delete list;
    list = parse("\n\n   \n# nothing\n");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->getSize(), 0);
    delete list;
}

TEST(ElementsLoader, ReaderWithAnErrorGivesNull) {
    CTextFileReader* reader = new CTextFileReader(nullptr, "OBJECT=A\n", 9);
    reader->setErrorCode(ERR_FILE_NOT_FOUND);
    EXPECT_EQ(CMElementsLoader::load(nullptr, reader), nullptr); // the reader went with the loader
    EXPECT_EQ(CMElementsLoader::load(nullptr, static_cast<CTextFileReader*>(nullptr)), nullptr);
    EXPECT_EQ(CMElementsLoader::load(static_cast<CTextCoder*>(nullptr)), nullptr);
}

// Mended: a last line without a line end keeps its last character.
TEST(ElementsLoader, LastLineWithoutLineEndIsWhole) {
    CMElements* list = parse("OBJECT=A\nA:X=TRUE");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get("A")->getPropertyValue("X"), "TRUE");
    EXPECT_TRUE(list->get("A")->getPropertyBoolValue("X"));
    delete list;
    list = parse("OBJECT=B");
    EXPECT_TRUE(list->contains("B"));
    delete list;
}

TEST(ElementsLoader, LogicalLines) {
    struct Case {
        std::string text;
        std::string line;
    } cases[] = {
        {"A:TEXT=one two /\nthree\n", "A:TEXT=one two three"},
        {"A:TEXT=one/   \ntwo\n", "A:TEXT=onetwo"},
        {"A:TEXT=one/\n  two\n", "A:TEXT=one  two"},
        {"A:T/EXT=one\ntwo\n", "A:TEXT=onetwo"},
        {"\tA:\tB = c \t\n", "A:B = c"},
        {"   \n", ""},
        {"X\n", "X\n"}, // one character: kept with its line end
        {"a/\nb/\ncc\nd\n", "abcc"},
        {"a/\nb\n", "ab\n"}, // a one-character line joins with its line end
        {"last/", "last"},   // the text ends while a line is still joined
    };
    for (const Case& c : cases) {
        CTextCoder coder(nullptr,
                         new CTextFileReader(nullptr, c.text.data(), static_cast<int>(c.text.size())), false);
        EXPECT_EQ(std::string(CMElementsLoader::getLine(&coder).GetBuffer()), c.line) << c.text;
    }
}

TEST(ElementsLoader, StatementRules) {
    CMElements* list = parse("OBJECT=Q\nOBJECT=A\n"
                             "Q:ADD=A:Q:VISIBLE=TRUE\n" // a statement after ADD is read too
                             "A:APPLY=Q\n"              // Q a child of A a second time
                             "A:ADD=NOBODY:A:LOST=1\n"  // an unknown target ends the line
                             "A::B==C\n"                // empty tokens dropped: B gets C
                             "A:K=x:y=z\n" // the rest of the line is the value, joined with blanks
                             "A:BARE\n"
                             "A:BARE=later\n"
                             "OBJECT\n" // no name: nothing
                             "IMPORT\n"
                             "IMPORT=S:S:FILENAME=s.seq\n"
                             "IMPORT=S\n"
                             "OBJECT=A:A:IGNORED=1\n" // A exists: the whole rest of the line is ignored
                             "A\n"                    // an element alone is no statement
                             "DEF=T(X=1|Y=2)\n"
                             "OBJECT=DEF\n");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"Q", "A", "S", "T", "DEF"}));
    CMElement* a = list->get("A");
    CMElement* q = list->get("Q");
    EXPECT_EQ(fixturePropsOf(q), (FixtureProps{{"VISIBLE", "TRUE"}}));
    EXPECT_EQ(fixturePropsOf(a), (FixtureProps{{"B", "C"}, {"K", "x y z"}, {"BARE", ""}, {"BARE", "later"}}));
    ASSERT_EQ(a->getChildren()->getSize(), 2);
    EXPECT_EQ(a->getChildren()->getAt(0), q);
    EXPECT_EQ(a->getChildren()->getAt(1), q);
    EXPECT_EQ(q->getChildren()->getSize(), 0);
    EXPECT_EQ(fixturePropsOf(list->get("S")), (FixtureProps{{"TYPE", "SEQUENCE"}, {"FILENAME", "s.seq"}}));
    EXPECT_EQ(fixturePropsOf(list->get("T")), (FixtureProps{{"X", "1"}, {"Y", "2"}}));
    delete list;
}

TEST(ElementsLoader, ABareKeyIsAddedOnlyWhileNoPropertyHasItsName) {
    std::string text = "DEF:T(X=1)\nT:X\nT:Y\nIMPORT=S\nS:TYPE\nS:FILENAME\nOBJECT=A\nA:K=v\nA:K\n";
    // A long run of bare keys, each given twice.
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 3000; ++i) text += "A:P" + std::to_string(i) + "\n";
    CMElements* list = parse(text);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(fixturePropsOf(list->get("T")), (FixtureProps{{"X", "1"}, {"Y", ""}}));
    EXPECT_EQ(fixturePropsOf(list->get("S")), (FixtureProps{{"TYPE", "SEQUENCE"}, {"FILENAME", ""}}));
    CMProperties* a = list->get("A")->getProperties();
    ASSERT_EQ(a->getSize(), 3001);
    EXPECT_EQ(std::string(a->getAt(0)->value().GetBuffer()), "v");
    EXPECT_EQ(std::string(a->getAt(3000)->name().GetBuffer()), "P2999");
    delete list;
}

TEST(ElementsLoader, MalformedTemplatesAreSkipped) {
    CMElements* list = parse("DEF:NOPAREN\n"
                             "DEF:OPEN(X=1\n"
                             "DEF:BACK)X=1(\n"
                             "DEF(X=1)\n"
                             "DEF:P(X=1|junk||Y = 2 = 3| Z=)\n"
                             "DEF:E()\n");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"P", "E"}));
    EXPECT_EQ(fixturePropsOf(list->get("P")), (FixtureProps{{"X", "1"}, {"Y", "2 = 3"}, {"Z", ""}}));
    EXPECT_EQ(list->get("E")->getProperties()->getSize(), 0);
    delete list;
}

TEST(ElementsLoader, EndMarkStopsInterpretation) {
    CMElements* list = parse("OBJECT=A\n  !anything\nOBJECT=C\n");
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"A"}));
    delete list;
}

TEST(ElementsLoader, SaveWritesNothingAndSaysSo) {
    CLogCapture log;
    CMElements list(true);
    EXPECT_FALSE(CMElementsLoader::save("x.def", &list));
    EXPECT_TRUE(log.contains("x.def"));
}
