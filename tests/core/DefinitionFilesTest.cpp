#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/CommandLine6.h"
#include "core/DefinitionFixture.h"
#include "core/ElementsLoader.h"
#include "core/FileFixture.h"
#include "core/Log.h"
#include "core/TextCoder.h"

using namespace KavirelDLL;

namespace {

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A window that carries a command line, as the program's will.
class CommandLineWindow : public CWindow {
public:
    explicit CommandLineWindow(const char* commandLine) : m_line(commandLine) { m_commandLine = &m_line; }

private:
    CCommandLine6 m_line;
};

class DefinitionFiles : public GameFolderTest {};

} // namespace

TEST_F(DefinitionFiles, LfAndCrLfFilesLoadTheFixture) {
    put("scene.cnv", kDefinitionFixture);
    put("scene_crlf.cnv", withCrLf(kDefinitionFixture));
    std::unique_ptr<CMElements> lf(CMElementsLoader::load(nullptr, CXString("scene.cnv")));
    std::unique_ptr<CMElements> crlf(CMElementsLoader::load(nullptr, CXString("SCENE_CRLF.CNV")));
    ASSERT_NE(lf, nullptr);
    ASSERT_NE(crlf, nullptr);
    expectFixtureElements(lf.get());
    expectFixtureElements(crlf.get());
}

TEST_F(DefinitionFiles, MissingFileGivesNullAndEmptyFileAnEmptyList) {
    EXPECT_EQ(CMElementsLoader::load(nullptr, CXString("none.cnv")), nullptr);
    CTextFileReader reader(nullptr, "none.cnv");
    EXPECT_EQ(reader.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_TRUE(reader.eof());

    put("empty.cnv");
    std::unique_ptr<CMElements> empty(CMElementsLoader::load(nullptr, CXString("empty.cnv")));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getSize(), 0);
}

TEST_F(DefinitionFiles, CodedFileLoadsLikeItsPlainTwin) {
    put("scene.cnv", kDefinitionFixture);
    ASSERT_TRUE(CTextCoder::code(nullptr, "scene.cnv", "coded.cnv", 6));
    std::string coded = read("coded.cnv");
    EXPECT_EQ(coded.rfind("{<C:6>}\n", 0), 0u);
    EXPECT_EQ(coded.find("OBJECT"), std::string::npos);
    EXPECT_EQ(coded.find("HERO"), std::string::npos);

    std::unique_ptr<CMElements> plain(CMElementsLoader::load(nullptr, CXString("scene.cnv")));
    std::unique_ptr<CMElements> fromCoded(CMElementsLoader::load(nullptr, CXString("coded.cnv")));
    ASSERT_NE(fromCoded, nullptr);
    expectSameElements(plain.get(), fromCoded.get());
    expectFixtureElements(fromCoded.get());

    // Decoding gives the text back line by line, tabs removed and with a final line end.
    ASSERT_TRUE(CTextCoder::decode(nullptr, "coded.cnv", "decoded.cnv"));
    std::string expected;
    for (char c : kDefinitionFixture)
        if (c != '\t') expected.push_back(c);
    expected.push_back('\n');
    EXPECT_EQ(read("decoded.cnv"), expected);

    // A coded copy of CRLF text is the same as that of LF text.
    put("scene_crlf.cnv", withCrLf(kDefinitionFixture));
    ASSERT_TRUE(CTextCoder::code(nullptr, "scene_crlf.cnv", "coded_crlf.cnv", 6));
    EXPECT_EQ(read("coded_crlf.cnv"), coded);
}

TEST_F(DefinitionFiles, CodedLinesFollowTheCycle) {
    put("seven.txt", "1\n2\n3\n4\n5\n6\n7\n");
    ASSERT_TRUE(CTextCoder::code(nullptr, "seven.txt", "seven.coded", 6));
    std::string coded = read("seven.coded");
    EXPECT_EQ(count(coded, "\n"), 3u);
    size_t second = coded.find('\n', coded.find('\n') + 1) + 1;
    EXPECT_EQ(count(coded.substr(0, second), "<E>"), 6u);
    EXPECT_EQ(count(coded.substr(second), "<E>"), 1u);

    CTextCoder coder(nullptr, CXString("seven.coded"), false);
    EXPECT_TRUE(coder.isCoded());
    std::string all;
    while (!coder._eof()) all += coder.getLine().GetBuffer();
    EXPECT_EQ(all, "1\n2\n3\n4\n5\n6\n7\n");

    // Every cycle reads back, including one longer than the text.
    for (int cycle : {1, 2, 5, 100}) {
        ASSERT_TRUE(CTextCoder::code(nullptr, "seven.txt", "cycle.coded", cycle));
        ASSERT_TRUE(CTextCoder::decode(nullptr, "cycle.coded", "cycle.txt"));
        EXPECT_EQ(read("cycle.txt"), "1\n2\n3\n4\n5\n6\n7\n") << cycle;
    }
}

// A stray zero byte in a line is carried through the coded copy like any other control character,
// and costs none of the lines coded beside it.
TEST_F(DefinitionFiles, ZeroBytesDoNotCutCodedLines) {
    const std::string text("OBJECT=A\nA:X=1\0junk\nA:Y=2\nA:Z=3\n", 32);
    put("zero.cnv", text);
    ASSERT_TRUE(CTextCoder::code(nullptr, "zero.cnv", "zero.coded", 6));
    std::unique_ptr<CMElements> plain(CMElementsLoader::load(nullptr, CXString("zero.cnv")));
    std::unique_ptr<CMElements> coded(CMElementsLoader::load(nullptr, CXString("zero.coded")));
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(coded, nullptr);
    expectSameElements(plain.get(), coded.get());
    EXPECT_EQ(coded->get("A")->getPropertyValue("Z"), "3");
    ASSERT_TRUE(CTextCoder::decode(nullptr, "zero.coded", "zero.back"));
    EXPECT_EQ(read("zero.back"), text);
}

// Mended: blanks that start a line joined to the one before stay in its coded copy, so the coded
// file reads as the plain one did.
TEST_F(DefinitionFiles, CodingKeepsBlanksThatJoinedLinesNeed) {
    put("join.cnv", "OBJECT=A\nA:SAY=one/\n  two\n");
    ASSERT_TRUE(CTextCoder::code(nullptr, "join.cnv", "join.coded", 6));
    std::unique_ptr<CMElements> list(CMElementsLoader::load(nullptr, CXString("join.coded")));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get("A")->getPropertyValue("SAY"), "one  two");
}

TEST_F(DefinitionFiles, CopiesAreRefusedWhereTheyCannotBeMade) {
    CLogCapture log;
    put("plain.txt", "A\n");
    put("coded.txt", "{<C:2>}\nx<E>\n");
    EXPECT_FALSE(CTextCoder::code(nullptr, "coded.txt", "out1", 6)); // already coded
    EXPECT_FALSE(CTextCoder::decode(nullptr, "plain.txt", "out2"));  // not coded
    EXPECT_FALSE(CTextCoder::code(nullptr, "none.txt", "out3", 6));
    EXPECT_FALSE(CTextCoder::decode(nullptr, "none.txt", "out4"));
    EXPECT_FALSE(CTextCoder::code(nullptr, "plain.txt", "out5", 0));
    put("marked.txt", "A:TEXT=a<E>b\n"); // would read back as two lines
    EXPECT_FALSE(CTextCoder::code(nullptr, "marked.txt", "out6", 6));
    put("tabbed.txt", "A:TEXT=a<\tE\t>b\n"); // the mark appears once the tabs are gone
    EXPECT_FALSE(CTextCoder::code(nullptr, "tabbed.txt", "out8", 6));
    for (const char* out : {"out1", "out2", "out3", "out4", "out5", "out6", "out8"})
        EXPECT_FALSE(CFile::fileExists(nullptr, out)) << out;
    EXPECT_TRUE(log.contains("marked.txt"));
    EXPECT_TRUE(log.contains("tabbed.txt"));

    // Marks split by a line end are no marks: such a text codes and reads back whole.
    put("split.txt", "OBJECT=A\nA:X=<E\n>\nA:Y=1\n");
    ASSERT_TRUE(CTextCoder::code(nullptr, "split.txt", "split.coded", 2));
    ASSERT_TRUE(CTextCoder::decode(nullptr, "split.coded", "split.back"));
    EXPECT_EQ(read("split.back"), "OBJECT=A\nA:X=<E\n>\nA:Y=1\n");
    EXPECT_FALSE(CTextCoder::code(nullptr, "plain.txt", "missing\\folder\\out7", 6));
}

TEST_F(DefinitionFiles, DecodeHeaderWritesAPlainCopyWhenOpened) {
    put("plain.cnv", "OBJECT=A\nA:TYPE=IMAGE\n");
    ASSERT_TRUE(CTextCoder::code(nullptr, "plain.cnv", "auto.cnv", 3));
    std::string coded = read("auto.cnv");
    coded.replace(0, 4, "{<D:");
    put("auto.cnv", coded);
    {
        CTextCoder quiet(nullptr, CXString("auto.cnv"), true);
        EXPECT_TRUE(quiet.isCoded());
        EXPECT_FALSE(CFile::fileExists(nullptr, "auto.cnv.decoded"));
    }
    std::unique_ptr<CMElements> list(CMElementsLoader::load(nullptr, CXString("auto.cnv")));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->get("A")->getPropertyValue("TYPE"), "IMAGE");
    EXPECT_EQ(read("auto.cnv.decoded"), "OBJECT=A\nA:TYPE=IMAGE\n");
}

TEST_F(DefinitionFiles, CommandLineAsksForAuthorsCopies) {
    put("scene.cnv", kDefinitionFixture);
    CommandLineWindow none("");
    std::unique_ptr<CMElements> list(CMElementsLoader::load(&none, CXString("scene.cnv")));
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(CFile::fileExists(nullptr, "scene.cnv.coded"));

    CommandLineWindow both("-code -decode");
    list.reset(CMElementsLoader::load(&both, CXString("scene.cnv")));
    ASSERT_NE(list, nullptr);
    expectFixtureElements(list.get());
    ASSERT_TRUE(CFile::fileExists(nullptr, "scene.cnv.coded"));
    EXPECT_FALSE(CFile::fileExists(nullptr, "scene.cnv.decoded")); // the file itself is plain

    put("coded.cnv", read("scene.cnv.coded"));
    list.reset(CMElementsLoader::load(&both, CXString("coded.cnv")));
    ASSERT_NE(list, nullptr);
    expectFixtureElements(list.get());
    EXPECT_TRUE(CFile::fileExists(nullptr, "coded.cnv.decoded"));
    EXPECT_FALSE(CFile::fileExists(nullptr, "coded.cnv.coded"));
}
