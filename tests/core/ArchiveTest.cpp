#include "core/Archive.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "FileFixture.h"
#include "core/File.h"
#include "core/Log.h"

using namespace KavirelDLL;

namespace {

std::string str(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

} // namespace

class ArchiveTest : public GameFolderTest {
protected:
    // Writes through a storing archive and returns the file's bytes.
    template <typename F>
    std::string stored(F write) {
        CFile file(nullptr, "a.bin", 18);
        CXArchive archive(&file, true);
        write(archive);
        EXPECT_TRUE(archive.good());
        archive.Close();
        return read("a.bin");
    }
    void load(const std::string& contents) {
        put("in.bin", contents);
        m_file = std::make_unique<CFile>(nullptr, "in.bin", 17);
        ASSERT_EQ(m_file->LastError(), ERR_NONE);
        m_archive = std::make_unique<CXArchive>(m_file.get(), false);
    }
    std::unique_ptr<CFile> m_file;
    std::unique_ptr<CXArchive> m_archive;
};

TEST_F(ArchiveTest, LayoutsByteForByte) {
    EXPECT_EQ(stored([](CXArchive& a) { a << 1.5; }), bytes({0x98, 0x3A, 0, 0}));
    EXPECT_EQ(stored([](CXArchive& a) { a << 1.005; }), bytes({0x41, 0x27, 0, 0})); // 10049
    EXPECT_EQ(stored([](CXArchive& a) { a << 0.00005; }), bytes({0, 0, 0, 0}));
    EXPECT_EQ(stored([](CXArchive& a) { a << -2.71828; }), bytes({0xD2, 0x95, 0xFF, 0xFF})); // -27182
    EXPECT_EQ(stored([](CXArchive& a) { a << CXString(); }), bytes({0, 0, 0, 0}));
    EXPECT_EQ(stored([](CXArchive& a) { a << CXString("abc"); }), bytes({3, 0, 0, 0, 'a', 'b', 'c'}));
    EXPECT_EQ(stored([](CXArchive& a) { a << "abc"; }), bytes({3, 0, 0, 0, 'a', 'b', 'c'}));
    EXPECT_EQ(stored([](CXArchive& a) { a << static_cast<const char*>(nullptr); }), bytes({0, 0, 0, 0}));
    EXPECT_EQ(stored([](CXArchive& a) { a << CXRect(1, 2, 3, 4); }),
              bytes({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}));
    EXPECT_EQ(stored([](CXArchive& a) { a << true << false; }), bytes({1, 0}));
    EXPECT_EQ(stored([](CXArchive& a) { a << int32_t(-2) << uint32_t(0x80000001u); }),
              bytes({0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0x80}));
    EXPECT_EQ(stored([](CXArchive& a) { a << int64_t(0x0102030405060708); }),
              bytes({8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(stored([](CXArchive& a) { a.writeShortString("hi"); }), bytes({2, 'h', 'i'}));
}

TEST_F(ArchiveTest, DoublesKeepFourDecimalsAndSaturate) {
    std::string out = stored([](CXArchive& a) {
        a << -2.71828 << 1e10 << -1e10 << std::numeric_limits<double>::quiet_NaN()
          << std::numeric_limits<double>::infinity() << 214748.3648;
    });
    load(out);
    double v[6];
    for (double& d : v) *m_archive >> &d;
    EXPECT_TRUE(m_archive->good());
    EXPECT_DOUBLE_EQ(v[0], -2.7182);
    EXPECT_DOUBLE_EQ(v[1], 214748.3647);
    EXPECT_DOUBLE_EQ(v[2], -214748.3648);
    EXPECT_DOUBLE_EQ(v[3], 0.0);
    EXPECT_DOUBLE_EQ(v[4], 214748.3647);
    EXPECT_DOUBLE_EQ(v[5], 214748.3647);
}

TEST_F(ArchiveTest, RoundTripsOfEveryType) {
    std::string s128(128, 'x');
    std::string s255(255, 'y');
    std::string out = stored([&](CXArchive& a) {
        a << int32_t(INT_MIN) << uint32_t(UINT32_MAX) << int64_t(INT64_MIN) << true << CXRect(-1, -2, 30, 40)
          << CXString("zażółć") << "c string";
        a.writeShortString(s128.c_str());
        a.writeShortString(s255.c_str());
        a.writeShortString("");
    });
    load(out + bytes({2}));
    int32_t i = 0;
    uint32_t u = 0;
    int64_t l = 0;
    bool b = false;
    CXRect r;
    CXString s;
    char* c = nullptr;
    CXString shortA, shortB, shortC;
    *m_archive >> &i >> &u >> &l >> &b >> &r >> &s >> &c;
    m_archive->readShortString(&shortA).readShortString(&shortB).readShortString(&shortC);
    bool two = false;
    *m_archive >> &two;
    EXPECT_TRUE(m_archive->good());
    EXPECT_EQ(i, INT_MIN);
    EXPECT_EQ(u, UINT32_MAX);
    EXPECT_EQ(l, INT64_MIN);
    EXPECT_TRUE(b);
    EXPECT_EQ(r, CXRect(-1, -2, 30, 40));
    EXPECT_EQ(str(s), "zażółć");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c, "c string");
    delete[] c;
    // Lengths of 128 to 255 read back: the length byte is unsigned.
    EXPECT_EQ(str(shortA), s128);
    EXPECT_EQ(str(shortB), s255);
    EXPECT_EQ(shortC.GetLength(), 0);
    EXPECT_TRUE(two); // any non-zero byte
}

TEST_F(ArchiveTest, LongShortStringsAreRefusedNotCut) {
    CLogCapture log;
    CFile file(nullptr, "a.bin", 18);
    CXArchive archive(&file, true);
    archive.writeShortString(CXString(std::string(300, 'z').c_str()));
    EXPECT_EQ(archive.LastError(), ERR_FILE_WRITE);
    EXPECT_TRUE(log.contains("short string of 300 bytes"));
    archive << int32_t(7); // nothing more is written once a write failed
    archive.Close();
    EXPECT_EQ(read("a.bin"), "");
}

TEST_F(ArchiveTest, DamagedDataFailsWithAnErrorCode) {
    // A string whose length passes the end: nothing is allocated, the target is empty.
    load(bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}));
    CXString s = "old";
    *m_archive >> &s;
    EXPECT_EQ(m_archive->LastError(), ERR_FILE_DAMAGED);
    EXPECT_EQ(s.GetLength(), 0);
    int32_t after = 5;
    *m_archive >> &after; // later reads give zeros
    EXPECT_EQ(after, 0);

    load(bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    char* c = reinterpret_cast<char*>(1);
    *m_archive >> &c;
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(m_archive->LastError(), ERR_FILE_DAMAGED);

    // A negative CXString length is an empty string, as stored by the engine.
    load(bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0}));
    int32_t one = 0;
    *m_archive >> &s >> &one;
    EXPECT_TRUE(m_archive->good());
    EXPECT_EQ(one, 1);

    // Truncated fixed-width values.
    load(bytes({1, 2, 3}));
    int32_t i = 9;
    *m_archive >> &i;
    EXPECT_EQ(i, 0);
    EXPECT_EQ(m_archive->LastError(), ERR_FILE_DAMAGED);

    load(bytes({5, 'a', 'b'}));
    CXString shortString = "old";
    m_archive->readShortString(&shortString);
    EXPECT_EQ(shortString.GetLength(), 0);
    EXPECT_EQ(m_archive->LastError(), ERR_FILE_DAMAGED);

    load(bytes({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    CXRect r(7, 7, 7, 7);
    *m_archive >> &r;
    EXPECT_EQ(r, CXRect(0, 0, 0, 0));
    EXPECT_FALSE(m_archive->good());

    // An archive over no file at all fails instead of crashing.
    CXArchive none(nullptr, false);
    none >> &i;
    EXPECT_EQ(none.LastError(), ERR_FILE_DAMAGED);
    CXArchive noneOut(nullptr, true);
    noneOut << 1;
    EXPECT_EQ(noneOut.LastError(), ERR_FILE_WRITE);
}

TEST_F(ArchiveTest, TextHelpersAndCopy) {
    load("  first\tsecond\r\n" + std::string(1100, 'w') + " x");
    CXString word;
    m_archive->FRead(word);
    EXPECT_EQ(str(word), "first");
    char c = 0;
    *m_archive >> &c; // the blank after a word stays
    EXPECT_EQ(c, '\t');
    m_archive->FRead(word);
    EXPECT_EQ(str(word), "second");
    m_archive->FRead(word);
    EXPECT_EQ(word.GetLength(), 1023);
    m_archive->FRead(word);
    EXPECT_EQ(word.GetLength(), 77);
    unsigned char u = 0;
    *m_archive >> &u;
    EXPECT_EQ(u, ' ');
    m_archive->FRead(word);
    EXPECT_EQ(str(word), "x");
    m_archive->FRead(word);
    EXPECT_EQ(word.GetLength(), 0);

    put("part.bin", "PART");
    std::string out = stored([](CXArchive& a) {
        a.FWrite("head ");
        EXPECT_TRUE(a.CopyFileA("part.bin"));
        EXPECT_FALSE(a.CopyFileA("none.bin"));
        a << int32_t(1);
    });
    EXPECT_EQ(out, "head PART" + bytes({1, 0, 0, 0}));

    CFile file(nullptr, "a.bin", 17);
    CXArchive reader(&file, false);
    EXPECT_FALSE(reader.isStoring());
    EXPECT_EQ(reader.GetFileHandle(), &file);
    reader.Separator(';');
    reader.Close();
    EXPECT_EQ(file.GetHandle(), nullptr);
}
