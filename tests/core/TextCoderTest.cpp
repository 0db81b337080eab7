#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TextCoder.h"

using namespace KavirelDLL;

namespace {

CTextFileReader* readerOf(const std::string& text) {
    return new CTextFileReader(nullptr, text.data(), static_cast<int>(text.size()));
}

std::vector<std::string> readerLines(const std::string& text) {
    CTextFileReader reader(nullptr, text.data(), static_cast<int>(text.size()));
    std::vector<std::string> out;
    while (!reader.eof()) out.emplace_back(reader.getLine().GetBuffer());
    return out;
}

std::vector<std::string> coderLines(CTextCoder& coder) {
    std::vector<std::string> out;
    for (int guard = 0; !coder._eof() && guard < 1000; ++guard) out.emplace_back(coder.getLine().GetBuffer());
    return out;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(TextFileReader, Lines) {
    EXPECT_EQ(readerLines("A\nQ\n"), (Lines{"A", "Q"}));
    EXPECT_EQ(readerLines("A\r\nQ\r\n"), (Lines{"A", "Q"}));
    EXPECT_EQ(readerLines("\n\nx"), (Lines{"", "", "x"}));
    EXPECT_EQ(readerLines("a\rb\n"), (Lines{"a\rb"})); // only a '\r' that ends a line goes
    EXPECT_EQ(readerLines(""), Lines{});

    CTextFileReader empty(nullptr, nullptr, 5);
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.getLine(), "");
    CTextFileReader negative(nullptr, "abc", -1);
    EXPECT_TRUE(negative.eof());

    std::string text = "one\ntwo";
    CTextFileReader reader(nullptr, text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(reader.getLine(), "one");
    reader.reset();
    EXPECT_EQ(reader.getLine(), "one");
    EXPECT_EQ(reader.getLine(), "two");
    EXPECT_TRUE(reader.eof());
    EXPECT_EQ(reader.getLine(), "");
}

// Mended: the final byte of a text without a final line end is kept, so a file of one byte is a
// line of that byte and 'A\nQ' ends with 'Q'.
TEST(TextFileReader, LastByteWithoutLineEndIsKept) {
    EXPECT_EQ(readerLines("A\nQ"), (Lines{"A", "Q"}));
    EXPECT_EQ(readerLines("Z"), (Lines{"Z"}));
    std::string text = "A\nQ";
    CTextCoder coder(nullptr, readerOf(text), false);
    EXPECT_EQ(coderLines(coder), (Lines{"A\n", "Q\n"}));
}

TEST(TextCoder, PlainTextPassesThrough) {
    std::string text = "A\nQ\n";
    CTextCoder coder(nullptr, readerOf(text), false);
    EXPECT_FALSE(coder.isCoded());
    EXPECT_EQ(coder.LastError(), ERR_NONE);
    EXPECT_EQ(coderLines(coder), (Lines{"A\n", "Q\n"}));
    EXPECT_TRUE(coder._eof());

    std::string other = "{<X:3>}\nB\n"; // not a coded header: the first line of the text
    CTextCoder plain(nullptr, readerOf(other), false);
    EXPECT_FALSE(plain.isCoded());
    EXPECT_EQ(coderLines(plain), (Lines{"{<X:3>}\n", "B\n"}));
}

TEST(TextCoder, CodedFraming) {
    // The framing characters stay as they are, so these lines read back without any transform.
    std::string text = "{<C:3>}\n<E><E><E>\n<<E>\n";
    CTextCoder coder(nullptr, readerOf(text), false);
    EXPECT_TRUE(coder.isCoded());
    EXPECT_EQ(coder.getCycle(), 3);
    EXPECT_EQ(coderLines(coder), (Lines{"\n", "\n", "\n", "<\n"}));

    // A physical line with more marks than the cycle gives only a cycle's worth.
    std::string extra = "{<C:1>}\nE<E>><E>\n<E>\n";
    CTextCoder more(nullptr, readerOf(extra), false);
    EXPECT_EQ(coderLines(more), (Lines{"E\n", "\n"}));

    // Fewer marks than the cycle ends the text there.
    std::string short_ = "{<D:3>}\n<E>\n<E><E><E>\n";
    CTextCoder fewer(nullptr, readerOf(short_), false);
    EXPECT_TRUE(fewer.isCoded());
    EXPECT_EQ(coderLines(fewer), (Lines{"\n"}));
    EXPECT_EQ(fewer.getLine(), "\n"); // past the end: an empty line, nothing moves

    std::string headerOnly = "{<C:6>}\n";
    CTextCoder none(nullptr, readerOf(headerOnly), false);
    EXPECT_TRUE(none.isCoded());
    EXPECT_TRUE(none._eof());
}

// Mended: a header whose cycle is below 1 cannot count lines; the text is read as plain text, header
// line included, instead of dividing by zero.
TEST(TextCoder, HeaderWithoutACycleIsPlainText) {
    for (std::string header : {"{<C:0>}", "{<C:-2>}", "{<C:x>}", "{<D:0>}", "{<C:>}", "{<C:6"}) {
        std::string text = header + "\nA<E>\n";
        CTextCoder coder(nullptr, readerOf(text), false);
        EXPECT_FALSE(coder.isCoded()) << header;
        EXPECT_EQ(coderLines(coder), (Lines{header + "\n", "A<E>\n"})) << header;
    }
}

TEST(TextCoder, CodeLineScramblesIntoSafeBytesAndKeepsFraming) {
    std::string text;
    for (int c = 1; c < 256; ++c)
        if (c != '\n' && c != '\r') text.push_back(static_cast<char>(c));
    text += "\n\n  blanks  \n";
    CTextCoder coder(nullptr, readerOf(text), false);
    std::string coded = coder.codeLine().GetBuffer(); // a plain coder codes one line at a time
    coded += coder.codeLine().GetBuffer();
    coded += coder.codeLine().GetBuffer();
    EXPECT_TRUE(coder._eof());
    // Every line closed by one mark; nothing but the line ends and the marks is new.
    ASSERT_EQ(coded.size(), text.size() - 1 /* the tab */ + 3 * 3);
    size_t at = coded.find("<E>");
    EXPECT_EQ(at, 252u); // 253 bytes less the tab
    for (unsigned char c : coded.substr(0, at)) {
        EXPECT_NE(c, '\n');
        EXPECT_NE(c, '\t');
    }
    EXPECT_EQ(coded.substr(at, 4), "<E>\n");
    EXPECT_EQ(coded.substr(at + 4, 4), "<E>\n"); // an empty line still has its mark
    EXPECT_NE(coded.substr(at + 8, 10), "  blanks  ");
    EXPECT_EQ(coded.substr(coded.size() - 4), "<E>\n");

    std::string plainAgain = "{<C:1>}\n" + coded;
    CTextCoder decoder(nullptr, readerOf(plainAgain), false);
    std::string expected;
    for (char c : text.substr(0, text.find('\n')))
        if (c != '\t') expected.push_back(c);
    EXPECT_EQ(coderLines(decoder), (Lines{expected + "\n", "\n", "  blanks  \n"}));

    std::string codedText = "{<C:2>}\nx<E>\n";
    CTextCoder codedSource(nullptr, readerOf(codedText), false);
    EXPECT_EQ(codedSource.codeLine(), "\n");
}

TEST(TextCoder, MissingReaderReadsAsEmpty) {
    CTextCoder coder(nullptr, static_cast<CTextFileReader*>(nullptr), false);
    EXPECT_TRUE(coder._eof());
    CTextFileReader* failed = readerOf("x");
    failed->setErrorCode(ERR_FILE_NOT_FOUND);
    CTextCoder withError(nullptr, failed, false);
    EXPECT_EQ(withError.LastError(), ERR_FILE_NOT_FOUND);
}
