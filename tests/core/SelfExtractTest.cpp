// Packages: their table of contents, extraction confined to its folder, and building them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "core/BigFile.h"
#include "core/Compression.h"
#include "core/File.h"
#include "core/FileFixture.h"
#include "core/Log.h"
#include "core/SelfExtract.h"
#include "media/SoundFixtures.h"
#include "media/sound/WaveChunks.h"

using namespace KavirelDLL;

namespace {

std::string u32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string zlib(const std::string& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::string out(length, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(length);
    return out;
}

// One entry record: type, file length, stored length, the stored bytes, the name.
std::string record(char type, uint32_t fileLength, const std::string& stored, const std::string& name) {
    return std::string(1, type) + u32(fileLength) + u32(static_cast<uint32_t>(stored.size())) + stored +
           u32(static_cast<uint32_t>(name.size())) + name;
}
std::string zipped(const std::string& name, const std::string& data) {
    return record(1, static_cast<uint32_t>(data.size()), zlib(data), name);
}
std::string stored(const std::string& name, const std::string& data) {
    return record(2, static_cast<uint32_t>(data.size()), data, name);
}
std::string package(uint32_t count, const std::string& records) { return "SFX01" + u32(count) + records; }

class Packages : public GameFolderTest {
protected:
    // The package written at relative, its table of contents not read yet.
    std::unique_ptr<CSelfExtract> make(const std::string& relative, const std::string& bytes) {
        put(relative, bytes);
        return std::make_unique<CSelfExtract>(CXString(root("/" + relative).c_str()));
    }
    bool exists(const std::string& relative) const {
        return std::filesystem::exists(m_tmp.path() / relative);
    }
    // The temporaries extracting and building write ("<name>.kvpart<pid>_<n>", ".kvwav...", ".kvogg...") that
    // are still there: none once they ended.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_tmp.path())) {
            std::string name = entry.path().filename().string();
            for (const char* mark : {".kvpart", ".kvwav", ".kvogg"})
                if (name.find(mark) != std::string::npos) found.push_back(name);
        }
        return found;
    }
};

} // namespace

TEST_F(Packages, ATableOfContentsOfZeroAndOfBothKindsOfEntries) {
    CSelfExtract empty(CXString(root("/e.pik").c_str()));
    put("e.pik", package(0, ""));
    EXPECT_TRUE(empty.ReadTOC());
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_TRUE(empty.ExtractFiles(CXString(root("/out").c_str())));
    EXPECT_FALSE(empty.ExtractOne(0, CXString(root("/out").c_str())));

    std::string records = zipped("Dane\\x.img", "picture bytes") + stored("readme.txt", "plain") +
                          zipped("snd.WAV", "RIFF not a sound here");
    CSelfExtract sfx(CXString(root("/g.pik").c_str()));
    put("g.pik", package(3, records));
    ASSERT_TRUE(sfx.ReadTOC());
    ASSERT_EQ(sfx.GetCount(), 3);
    EXPECT_EQ(sfx.GetEntry(0)->GetDataOffset(), 9u);
    EXPECT_EQ(sfx.GetEntry(0)->GetCompressionType(), 1);
    EXPECT_EQ(sfx.GetEntry(1)->GetCompressionType(), 2);
    EXPECT_EQ(sfx.GetEntry(1)->GetFileLength(), 5u);
    EXPECT_STREQ(sfx.GetEntry(2)->GetFilename().GetBuffer(), "snd.WAV");
    EXPECT_EQ(sfx.GetEntry(3), nullptr);

    // The folder is made with the entry's own folders; ".WAV" in upper case is no sound.
    EXPECT_TRUE(sfx.ExtractFiles(CXString(root("/Gry").c_str())));
    EXPECT_EQ(read("Gry/Dane/x.img"), "picture bytes");
    EXPECT_EQ(read("Gry/readme.txt"), "plain");
    EXPECT_EQ(read("Gry/snd.WAV"), "RIFF not a sound here");
    // Relative to the current folder, and with a trailing separator.
    EXPECT_TRUE(sfx.ExtractOne(1, CXString("rel\\")));
    EXPECT_EQ(read("rel/readme.txt"), "plain");

    sfx.Flush();
    EXPECT_EQ(sfx.GetCount(), 0);
    EXPECT_FALSE(sfx.GetFileName().IsString());
}

TEST_F(Packages, ADamagedTableOfContentsLeavesTheListEmpty) {
    CLogCapture log;
    auto foreign = make("a.pik", "SFX02" + u32(0));
    EXPECT_FALSE(foreign->ReadTOC());
    EXPECT_EQ(foreign->LastError(), ERR_FILE_DAMAGED);
    const std::string good = zipped("a.txt", "aaaa");
    const std::string name260(260, 'n');
    const std::string cases[] = {
        "SFX0",                                                    // no magic
        "SFX01" + u32(0).substr(0, 2),                             // no count
        package(2, good),                                          // one entry missing
        package(1000000, good),                                    // a count no file could hold
        package(1, good.substr(0, good.size() - 1)),               // name cut short
        package(1, record(1, 10, "abc", "x")) + "pad",             // trailing bytes: no damage
        package(1, record(3, 3, "abc", "x")),                      // unknown type
        package(1, std::string(1, 1) + u32(4) + u32(1000) + "ab"), // stored bytes past the end
        package(1, record(1, 1032 * 3 + 1, "abc", "x")),           // more than zlib can inflate to
        package(1, record(1, 4, "abc", name260)),                  // name too long
        package(1, std::string(1, 2) + u32(1) + u32(1) + "a" + u32(0x7fffffff) + "x"), // name past the end
        package(1, record(2, 1, "a", std::string("a\0b", 3))), // a zero byte in a name
    };
    int index = 0;
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(index);
        auto sfx = make("d" + std::to_string(index) + ".pik", bytes);
        bool read = sfx->ReadTOC();
        if (index++ == 5) {
            // Trailing bytes after the last entry are not damage.
            EXPECT_TRUE(read);
            continue;
        }
        EXPECT_FALSE(read);
        EXPECT_EQ(sfx->GetCount(), 0);
        EXPECT_EQ(sfx->LastError(), ERR_FILE_DAMAGED);
    }
    EXPECT_TRUE(log.contains("is damaged"));

    CSelfExtract missing(CXString(root("/none.pik").c_str()));
    EXPECT_FALSE(missing.ReadTOC());
    EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
}

TEST_F(Packages, ADamagedEntryFailsAndLeavesNoFileWhileTheOthersExtract) {
    CLogCapture log;
    std::string corrupt = zlib("hello world");
    corrupt[corrupt.size() / 2] ^= 0x55;
    std::string records = record(1, 11, corrupt, "bad.txt") +               // inflate error
                          record(1, 20, zlib("hello world"), "short.txt") + // gives fewer bytes than claimed
                          record(1, 5, zlib("hello world"), "long.txt") +   // gives more
                          record(1, 11, zlib("hello world").substr(0, 6), "cut.txt") + // stream ends early
                          record(2, 4, "abc", "unequal.txt") + // stored lengths differ
                          stored("fine.txt", "fine") + stored("keep.txt", "new");
    auto package7 = make("p.pik", package(7, records));
    CSelfExtract& sfx = *package7;
    ASSERT_TRUE(sfx.ReadTOC());
    put("out/keep.txt", "old");
    put("out/short.txt", "previous");
    EXPECT_FALSE(sfx.ExtractFiles(CXString(root("/out").c_str())));
    EXPECT_EQ(sfx.LastError(), ERR_FILE_DAMAGED);
    for (const char* name : {"bad.txt", "long.txt", "cut.txt", "unequal.txt"})
        EXPECT_FALSE(exists(std::string("out/") + name)) << name;
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
    EXPECT_EQ(read("out/short.txt"), "previous");
    EXPECT_EQ(read("out/fine.txt"), "fine");
    EXPECT_EQ(read("out/keep.txt"), "new");
    EXPECT_TRUE(log.contains("\"bad.txt\" is damaged; nothing written"));
}

TEST_F(Packages, NamesThatLeaveTheFolderAreRefusedAndNothingIsWrittenOutside) {
    CLogCapture log;
    put("outside/.keep");
    put("box/.keep");
    std::filesystem::create_directory_symlink(m_tmp.path() / "outside", m_tmp.path() / "box" / "link");
    std::filesystem::create_symlink(m_tmp.path() / "outside" / "victim", m_tmp.path() / "box" / "file");
    const std::string names[] = {"..\\escape.txt", "a\\..\\..\\escape.txt", "\\abs.txt",
                                 "/abs.txt",       "C:\\drive.txt",         "link\\in.txt",
                                 "file",           "a\\..\\b.txt",          "dir\\"};
    std::string records;
    for (const auto& name : names) records += stored(name, "evil");
    auto package9 = make("p.pik", package(9, records));
    CSelfExtract& sfx = *package9;
    ASSERT_TRUE(sfx.ReadTOC());
    for (int i = 0; i < sfx.GetCount(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_FALSE(sfx.ExtractOne(i, CXString(root("/box").c_str())));
        EXPECT_NE(sfx.LastError(), 0);
    }
    EXPECT_FALSE(exists("escape.txt"));
    EXPECT_FALSE(exists("outside/in.txt"));
    EXPECT_FALSE(exists("outside/victim"));
    EXPECT_FALSE(exists("/abs.txt"));
    std::size_t inside = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(m_tmp.path() / "box"); it != decltype(it)();
         ++it)
        ++inside;
    EXPECT_EQ(inside, 3u); // .keep and the two links
    EXPECT_TRUE(log.contains("would leave the folder"));

    // A link already lying where the entry's part file goes is replaced, not written through.
    std::filesystem::create_symlink(m_tmp.path() / "outside" / "victim2",
                                    m_tmp.path() / "box" / "ok.txt.kvpart");
    auto good = make("q.pik", package(1, stored("ok.txt", "fine")));
    ASSERT_TRUE(good->ReadTOC());
    EXPECT_TRUE(good->ExtractOne(0, CXString(root("/box").c_str())));
    EXPECT_FALSE(exists("outside/victim2"));
    EXPECT_FALSE(std::filesystem::is_symlink(m_tmp.path() / "box" / "ok.txt"));
    EXPECT_FALSE(good->ExtractOne(7, CXString(root("/box").c_str())));
    EXPECT_TRUE(log.contains("has no entry 7"));
}

// A ".wav" entry travels as Ogg Vorbis and comes back as a 16-bit WAV of the same format and length; ".WAV"
// in upper case is packed as any file. A sound that does not decode, or one the encoder refuses, fails alone
// and leaves no file behind.
TEST_F(Packages, SoundEntriesTravelAsOggVorbis) {
    std::vector<int16_t> tone;
    for (int i = 0; i < 22050; ++i) tone.push_back(static_cast<int16_t>(8000 * std::sin(i * 0.07)));
    const std::string wav = KavirelTest::pcmWav(tone);
    put("tree/snd/a.wav", wav);
    put("tree/B.WAV", wav);
    CSelfExtract build;
    build.AddDirectory(CXString("tree"));
    ASSERT_EQ(build.GetCount(), 2);
    ASSERT_TRUE(build.CreateArchive(CXString(), CXString("s.pik")));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});

    CSelfExtract sfx(CXString("s.pik"));
    ASSERT_TRUE(sfx.ReadTOC());
    ASSERT_EQ(sfx.GetCount(), 2);
    EXPECT_STREQ(sfx.GetEntry(0)->GetFilename().GetBuffer(), "tree\\B.WAV");
    EXPECT_EQ(sfx.GetEntry(0)->GetCompressionType(), CSelfExtractInfo::TYPE_ZLIB);
    EXPECT_EQ(sfx.GetEntry(1)->GetCompressionType(), CSelfExtractInfo::TYPE_STORED);
    EXPECT_LT(sfx.GetEntry(1)->GetFileLength(), wav.size() / 4) << "Ogg Vorbis, not the WAV";
    ASSERT_TRUE(sfx.ExtractFiles(CXString("copy")));
    EXPECT_EQ(read("copy/tree/B.WAV"), wav);
    EXPECT_EQ(read("copy/tree/snd/a.wav").substr(0, 4), "RIFF");
    CFile back;
    ASSERT_EQ(back.OpenDirect(CXString(root("/copy/tree/snd/a.wav").c_str()),
                              CFile::MODE_READ | CFile::MODE_BINARY),
              0);
    CWaveFormat format;
    uint32_t size = 0;
    ASSERT_TRUE(CWaveChunks::readFormatAndData(&back, format, size));
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.samplesPerSec, 22050u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(size, tone.size() * 2);
    back.Close();
    EXPECT_EQ(leftovers(), std::vector<std::string>{});

    // A damaged sound leaves the older file of its name and nothing else.
    CLogCapture log;
    put("out/a.wav", "older");
    auto damaged = make("d.pik", package(2, stored("a.wav", "OggS but no stream") + stored("b.txt", "fine")));
    ASSERT_TRUE(damaged->ReadTOC());
    EXPECT_FALSE(damaged->ExtractFiles(CXString(root("/out").c_str())));
    EXPECT_EQ(damaged->LastError(), ERR_FILE_DAMAGED);
    EXPECT_EQ(read("out/a.wav"), "older");
    EXPECT_EQ(read("out/b.txt"), "fine");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
    EXPECT_TRUE(log.contains("a.wav"));

    put("bad/c.wav", "RIFF but no sound");
    CSelfExtract refused;
    refused.AddDirectory(CXString("bad"));
    EXPECT_FALSE(refused.CreateArchive(CXString(), CXString("r.pik")));
    EXPECT_EQ(refused.LastError(), ERR_CODEC_FAILED);
    EXPECT_FALSE(exists("r.pik"));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_F(Packages, ATreeRoundTripsThroughAPackage) {
    put("tree/empty.dat", "");
    put("tree/one.bin", "\x01");
    put("tree/Dane/sub/text.txt", std::string(5000, 'z') + "end");
    std::filesystem::create_directories(m_tmp.path() / "tree" / "nothing");
    CSelfExtract build;
    build.AddDirectory(CXString("tree"));
    ASSERT_EQ(build.GetCount(), 3);
    EXPECT_STREQ(build.GetEntry(0)->GetFilename().GetBuffer(), "tree\\Dane\\sub\\text.txt");
    ASSERT_TRUE(build.CreateArchive(CXString(), CXString("t.pik")));
    EXPECT_EQ(build.GetEntry(2)->GetFileLength(), 1u);
    EXPECT_EQ(leftovers(), std::vector<std::string>{});

    CSelfExtract sfx(CXString("t.pik"));
    ASSERT_TRUE(sfx.ReadTOC());
    ASSERT_EQ(sfx.GetCount(), 3);
    EXPECT_LT(sfx.GetEntry(0)->GetCompressionLength(), 100u);
    ASSERT_TRUE(sfx.ExtractFiles(CXString("copy")));
    EXPECT_EQ(read("copy/tree/empty.dat"), "");
    EXPECT_EQ(read("copy/tree/one.bin"), "\x01");
    EXPECT_EQ(read("copy/tree/Dane/sub/text.txt"), std::string(5000, 'z') + "end");

    // Two copies of the program extracting one package into one folder at once each extract it whole.
    std::string big;
    for (int i = 0; big.size() < (256u << 10); ++i) big += std::to_string(i * 7919) + ",";
    auto twice = make("b.pik", package(2, stored("one.dat", big) + zipped("two.dat", big + "two")));
    ASSERT_TRUE(twice->ReadTOC());
    CXString into(root("/both").c_str());
    EXPECT_TRUE(runInChildren(2, [&](int) {
        for (int round = 0; round < 20; ++round)
            if (!twice->ExtractFiles(into)) return false;
        return true;
    })) << "an extraction failed";
    EXPECT_EQ(read("both/one.dat"), big);
    EXPECT_EQ(read("both/two.dat"), big + "two");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_F(Packages, BuildingFailsWithoutLeavingAPackage) {
    CLogCapture log;
    put("tree/a.txt", "a");
    CSelfExtract build;
    build.AddDirectory(CXString("tree"));
    std::filesystem::remove(m_tmp.path() / "tree" / "a.txt");
    EXPECT_FALSE(build.CreateArchive(CXString(), CXString("x.pik")));
    EXPECT_EQ(build.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(exists("x.pik"));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});

    const std::string deep = std::string(250, 'd') + "/" + std::string(20, 'f');
    put(deep, "x");
    CSelfExtract tooLong;
    tooLong.AddDirectory(CXString(""));
    EXPECT_FALSE(tooLong.CreateArchive(CXString(), CXString("y.pik")));
    EXPECT_FALSE(exists("y.pik"));
    EXPECT_TRUE(log.contains("is not a name a package may hold"));
}

TEST_F(Packages, PackagesAndTheBigFileOpenByWindowsStyleNamesOfAnyCase) {
    put("Gry/Sub/a.txt", "entry a");
    put("Gry/Sub/Dane/b.txt", "entry b");
    CSelfExtract build;
    build.AddDirectory(CXString("gry\\SUB"));
    ASSERT_EQ(build.GetCount(), 2);
    ASSERT_TRUE(build.CreateArchive(CXString(), CXString("GRY\\Pack.PIK")));
    ASSERT_TRUE(exists("Gry/Pack.PIK"));
    std::filesystem::create_directories(m_tmp.path() / "Out");
    CSelfExtract sfx(CXString("gry\\pack.pik"));
    ASSERT_TRUE(sfx.ReadTOC());
    ASSERT_TRUE(sfx.ExtractFiles(CXString("OUT\\")));
    EXPECT_EQ(read("Out/gry/SUB/a.txt"), "entry a"); // entries keep the names as given
    EXPECT_EQ(read("Out/gry/SUB/Dane/b.txt"), "entry b");

    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("gry\\sub", "data", "GRY\\Data.BF"));
    ASSERT_TRUE(CFile::openBigFile("gry\\DATA.bf"));
    CFile served(nullptr, "DANE\\B.TXT", CFile::MODE_READ | CFile::MODE_BINARY);
    EXPECT_TRUE(served.isInBigFile());
    char text[8] = {};
    EXPECT_EQ(served.Read(text, 7), 7);
    EXPECT_STREQ(text, "entry b");
    CFile::closeBigFile();
}
