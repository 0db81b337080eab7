#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "core/IniFile.h"
#include "core/Log.h"
#include "harness/AllocationCount.h"
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
    EXPECT_TRUE(temporariesIn(folder.path()).empty());
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

    // The file holds what the kept copy answers.
    CIniFile fresh(engineName("new.ini").c_str());
    for (int i = 0; i < 20; ++i) {
        std::string section = named("S", i % 3), key = named("K", i);
        EXPECT_EQ(get(fresh, section.c_str(), key.c_str()), get(ini, section.c_str(), key.c_str()));
    }
}

TEST_F(IniFile, SeesEveryChangeOthersMake) {
    auto path = folder.put("k.ini", "[A]\r\nk=1\r\n");
    CIniFile reader(engineName("k.ini").c_str()), writer(engineName("K.INI").c_str());
    EXPECT_EQ(get(reader, "a", "K"), "1");
    // Values of one size written in quick succession, each seen.
    for (int i = 0; i < 10; ++i) {
        std::string first = std::to_string(i % 10), second = std::to_string((i + 5) % 10);
        ASSERT_TRUE(writer.putString("A", "k", first.c_str()));
        ASSERT_TRUE(writer.putString("A", "k", second.c_str()));
        ASSERT_EQ(get(reader, "A", "k"), second) << i;
    }
    // Changed in place by another program, removed, and made again.
    folder.put("k.ini", "[A]\r\nk=in place\r\n");
    EXPECT_EQ(get(reader, "A", "k"), "in place");
    std::filesystem::remove(path);
    EXPECT_EQ(get(reader, "A", "k"), "<missing>");
    folder.put("k.ini", "[B]\r\nj=2\r\n");
    EXPECT_EQ(get(reader, "B", "j"), "2");
    // A write keeps what another wrote since this one last read.
    EXPECT_TRUE(writer.putString("B", "x", "3"));
    EXPECT_TRUE(reader.putString("B", "y", "4"));
    EXPECT_TRUE(writer.putString("C", "z", "5"));
    EXPECT_EQ(readNative(path), "[B]\r\nj=2\r\nx=3\r\ny=4\r\n[C]\r\nz=5\r\n");
}

// A game changing a TOINI value every frame: the file is kept parsed, so a change of one key on an ini of
// 10,000 sections writes the kept text without reading or parsing the file again (that would take a block or
// more for each of its sections), while a change another program made is still read.
TEST_F(IniFile, AChangeWritesTheKeptCopyWithoutParsingTheFileAgain) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
    auto path = folder.put("big.ini", text);
    CIniFile ini(engineName("big.ini").c_str());
    ASSERT_TRUE(ini.putString("S5000", "k", "first"));
    for (int i = 0; i < 5; ++i) {
        KavirelTest::CAllocationCount allocations;
        ASSERT_TRUE(ini.putString("S5000", "k", std::to_string(i).c_str()));
        EXPECT_EQ(get(ini, "S9999", "k"), "9999");
        EXPECT_LT(allocations.blocks(), 100) << i;
    }
    folder.put("big.ini", "[S5000]\r\nk=other\r\n");
    EXPECT_EQ(get(ini, "s5000", "K"), "other");
    EXPECT_TRUE(ini.putString("S1", "k", "new"));
    EXPECT_EQ(readNative(path), "[S5000]\r\nk=other\r\n[S1]\r\nk=new\r\n");
}

TEST_F(IniFile, TwoProcessesWritingAtOnceKeepBothOnesValues) {
    auto path = folder.put("two.ini", "[MAIN]\r\nTITLE=x\r\n");
    std::string name = engineName("two.ini");
    constexpr int kWrites = 150;
    bool written = runInChildren(2, [&](int child) {
        // Each its own section and one shared: a count, a text of changing length, and the last count.
        CIniFile ini(name.c_str());
        std::string section = "P" + std::to_string(child), own = "K" + std::to_string(child);
        bool ok = true;
        for (int i = 1; i <= kWrites && ok; ++i) {
            std::string count = std::to_string(i), text(static_cast<size_t>(i % 20), 'x');
            ok = ini.putString(section.c_str(), "K", count.c_str()) &&
                 ini.putString(section.c_str(), "T", text.c_str()) &&
                 ini.putString("SHARED", own.c_str(), count.c_str());
        }
        return ok && ini.putString(section.c_str(), "LAST", std::to_string(kWrites).c_str());
    });
    EXPECT_TRUE(written) << "a child's write failed";
    CIniFile ini(name.c_str());
    std::string last = std::to_string(kWrites), text(kWrites % 20, 'x');
    for (const char* section : {"P0", "P1"}) {
        EXPECT_EQ(get(ini, section, "K"), last) << section;
        EXPECT_EQ(get(ini, section, "T"), text) << section;
        EXPECT_EQ(get(ini, section, "LAST"), last) << section;
    }
    EXPECT_EQ(get(ini, "SHARED", "K0"), last);
    EXPECT_EQ(get(ini, "SHARED", "K1"), last);
    EXPECT_EQ(get(ini, "MAIN", "TITLE"), "x");
    // Nothing else: three sections of three lines, two shared keys, the first two lines.
    std::string all = readNative(path);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 2 + 2 * 4 + 3) << all;
    EXPECT_TRUE(temporariesIn(folder.path()).empty());

    // A file not there yet, made by both at once: the one made first keeps the other's values too.
    std::string fresh = engineName("fresh.ini");
    for (int round = 0; round < 20; ++round) {
        std::filesystem::remove(folder.path() / "fresh.ini");
        for (const char* gate : {"ready0", "ready1"}) std::filesystem::remove(folder.path() / gate);
        EXPECT_TRUE(runInChildren(2, [&](int child) {
            CIniFile ini(fresh.c_str());
            std::string section = "P" + std::to_string(child);
            // Both start writing together (or after 10 s, should the other never come).
            folder.put("ready" + std::to_string(child), "");
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!std::filesystem::exists(folder.path() / ("ready" + std::to_string(1 - child))) &&
                   std::chrono::steady_clock::now() < until) {
            }
            return ini.putString(section.c_str(), "K", "1") && ini.putString(section.c_str(), "J", "2");
        })) << round;
        CIniFile made(fresh.c_str());
        for (const char* section : {"P0", "P1"}) {
            EXPECT_EQ(get(made, section, "K"), "1") << section << " " << round;
            EXPECT_EQ(get(made, section, "J"), "2") << section << " " << round;
        }
        all = readNative(folder.path() / "fresh.ini");
        EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 6) << all;
    }
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

    // A write cut short keeps the old file, and the change it could not store is not answered later.
    auto path = folder.put("full.ini", "[A]\r\nk=1\r\n");
    CIniFile full(engineName("full.ini").c_str());
    EXPECT_EQ(get(full, "A", "k"), "1");
    {
        CFullDisk disk;
        EXPECT_FALSE(full.putString("A", "k", "2"));
        EXPECT_FALSE(full.putString("B", "j", "3"));
    }
    EXPECT_EQ(readNative(path), "[A]\r\nk=1\r\n");
    EXPECT_EQ(get(full, "A", "k"), "1");
    EXPECT_EQ(get(full, "B", "j"), "<missing>");
    EXPECT_TRUE(temporariesIn(folder.path()).empty());
    EXPECT_TRUE(full.putString("A", "k", "4"));
    EXPECT_EQ(readNative(path), "[A]\r\nk=4\r\n");
}
