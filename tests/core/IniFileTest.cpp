#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/IniFile.h"
#include "core/Log.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"

using namespace KavirelDLL;

namespace {

class IniFile : public ::testing::Test {
protected:
    CTempFolder folder{"ini"};
    std::string engineName(const std::string& file) const {
        return CPlatformFiles::toEngineName(folder.str()) + "\\" + file;
    }
    std::string get(CIniFile& ini, const char* section, const char* key) {
        CXString value;
        bool found = ini.getString(section, key, value);
        return found ? std::string(value.GetBuffer()) : "<missing>";
    }
};

} // namespace

TEST_F(IniFile, ReadsAFileWrittenOnWindows) {
    folder.put("game.ini",
               "; settings\r\n"
               "orphan=before any section\r\n"
               "[MAIN]\r\n"
               "  Title = \"  Big Game  \"  \r\n"
               "Icon='x.ico'\r\n"
               "Half=\"open\r\n"
               "Inner=a \"b\" c\r\n"
               "Empty=\r\n"
               "Eq=a=b\r\n"
               "NoValue\r\n"
               ";Title=commented\r\n"
               "\r\n"
               "[ Second ]\r\n"
               "k=2\r\n"
               "[main]\r\n"
               "Title=duplicate section\r\n"
               "[\xaf\xd3\xa3W]\r\n" // "ŻÓŁW" in code page 1250
               "Key=polish");
    CIniFile ini(engineName("GAME.INI").c_str());
    EXPECT_EQ(get(ini, "main", "TITLE"), "  Big Game  "); // trimmed, then unquoted
    EXPECT_EQ(get(ini, "MAIN", "icon"), "x.ico");
    EXPECT_EQ(get(ini, "MAIN", "Half"), "\"open");
    EXPECT_EQ(get(ini, "MAIN", "Inner"), "a \"b\" c");
    EXPECT_EQ(get(ini, "MAIN", "Empty"), "");
    EXPECT_EQ(get(ini, "MAIN", "Eq"), "a=b");
    EXPECT_EQ(get(ini, "MAIN", "NoValue"), "");
    EXPECT_EQ(get(ini, "MAIN", "Missing"), "<missing>");
    EXPECT_EQ(get(ini, "MAIN", "orphan"), "<missing>");
    EXPECT_EQ(get(ini, "MAIN", ";Title"), "<missing>");
    EXPECT_EQ(get(ini, "second", "K"), "2");
    EXPECT_EQ(get(ini, "\xbf\xf3\xb3w", "key"), "polish"); // "żółw", the last line without a line end
    EXPECT_EQ(get(ini, "Nowhere", "k"), "<missing>");
    EXPECT_EQ(ini.getInt("second", "k", 7), 2);
    EXPECT_EQ(ini.getInt("second", "none", 7), 7);
    EXPECT_EQ(ini.getInt("MAIN", "Empty", 7), 7);
    EXPECT_EQ(ini.getInt("MAIN", "Title", 7), 0);

    CIniFile missing(engineName("none.ini").c_str());
    EXPECT_EQ(get(missing, "MAIN", "Title"), "<missing>");
}

TEST_F(IniFile, WritesKeepEverythingElse) {
    auto path = folder.put("w.ini", "; top\r\n"
                                    "[A]\r\n"
                                    "  One = 1 \r\n"
                                    "Two=2\r\n"
                                    "\r\n"
                                    "[B]\r\n"
                                    "x=y\r\n");
    CIniFile ini(engineName("w.ini").c_str());
    EXPECT_TRUE(ini.putString("a", "ONE", "uno"));   // replaced, spelling of the file kept
    EXPECT_TRUE(ini.putString(" A ", "Three", "3")); // after the section's last line, before the blank
    EXPECT_TRUE(ini.putString("C", "z", " spaced "));
    EXPECT_EQ(readNative(path), "; top\r\n"
                                "[A]\r\n"
                                "One=uno\r\n"
                                "Two=2\r\n"
                                "Three=3\r\n"
                                "\r\n"
                                "[B]\r\n"
                                "x=y\r\n"
                                "[C]\r\n"
                                "z= spaced \r\n");
    EXPECT_EQ(get(ini, "C", "z"), "spaced");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "w.ini.tmp"));
}

TEST_F(IniFile, KeepsTheFilesLineEndsAndMark) {
    auto lf = folder.put("lf.ini", "[A]\nk=1");
    CIniFile a(engineName("lf.ini").c_str());
    EXPECT_TRUE(a.putString("A", "j", "2"));
    EXPECT_EQ(readNative(lf), "[A]\nk=1\nj=2\n");

    auto bom = folder.put("bom.ini", "\xEF\xBB\xBF[A]\r\nk=1\r\n");
    CIniFile b(engineName("bom.ini").c_str());
    EXPECT_EQ(get(b, "A", "k"), "1");
    EXPECT_TRUE(b.putString("A", "k", "5"));
    EXPECT_EQ(readNative(bom), "\xEF\xBB\xBF[A]\r\nk=5\r\n");
}

TEST_F(IniFile, CreatesTheFileAndRoundTrips) {
    CIniFile ini(engineName("new.ini").c_str());
    // Names built piece by piece: GCC 12 warns wrongly (-Wrestrict) on "literal" + a temporary string.
    auto named = [](const char* prefix, int n) {
        std::string out = prefix;
        out += std::to_string(n);
        return out;
    };
    for (int i = 0; i < 20; ++i) {
        std::string section = named("S", i % 3), key = named("K", i);
        ASSERT_TRUE(ini.putString(section.c_str(), key.c_str(), named("v", i).c_str()));
    }
    for (int i = 0; i < 20; ++i) {
        std::string section = named("s", i % 3), key = named("k", i);
        EXPECT_EQ(get(ini, section.c_str(), key.c_str()), named("v", i));
    }
    EXPECT_TRUE(ini.putString("S1", "K1", "changed"));
    EXPECT_EQ(get(ini, "S1", "K1"), "changed");
    EXPECT_EQ(get(ini, "S1", "K4"), "v4");
}

TEST_F(IniFile, RefusesWhatCouldNotBeReadBack) {
    auto path = folder.put("r.ini", "[A]\r\nk=1\r\n");
    CIniFile ini(engineName("r.ini").c_str());
    CLogCapture capture;
    EXPECT_FALSE(ini.putString("A", "k", "two\r\nlines=injected"));
    EXPECT_FALSE(ini.putString("A", "a=b", "x"));
    EXPECT_FALSE(ini.putString("A", "  ", "x"));
    EXPECT_FALSE(ini.putString("A", "[B]", "x"));
    EXPECT_FALSE(ini.putString("A", ";k", "x"));
    EXPECT_FALSE(ini.putString("A\nB", "k", "x"));
    EXPECT_EQ(capture.lines().size(), 6u);
    EXPECT_EQ(readNative(path), "[A]\r\nk=1\r\n");
}

TEST_F(IniFile, AFailedWriteNeverLosesTheFile) {
    // Something that exists but cannot be read as a file is not replaced.
    std::filesystem::create_directories(folder.path() / "dir.ini");
    CIniFile dir(engineName("dir.ini").c_str());
    CLogCapture capture;
    EXPECT_FALSE(dir.putString("A", "k", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "dir.ini"));

    // A missing folder is not created.
    CIniFile nowhere(engineName("no\\such\\x.ini").c_str());
    EXPECT_FALSE(nowhere.putString("A", "k", "1"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "no"));
    EXPECT_GE(capture.lines().size(), 2u);
}
