#include "core/BigFile.h"

#include <cstdint>
#include <filesystem>
#include <string>

#include "FileFixture.h"
#include "core/Containers.h"
#include "core/Folder.h"
#include "core/LanguageOSVer.h"
#include "core/Log.h"
#include "core/Path.h"

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {

std::string str(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

// Little-endian fields, as the archive's table stores them.
struct Bytes {
    std::string out;
    Bytes& i32(int32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& i64(int64_t v) {
        for (int i = 0; i < 8; ++i) out += static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& s(const std::string& text) {
        i32(static_cast<int32_t>(text.size()));
        out += text;
        return *this;
    }
    Bytes& raw(const std::string& text) {
        out += text;
        return *this;
    }
};

} // namespace

class BigFileTest : public GameFolderTest {
protected:
    // A small game folder: sub-folders in every level, a zero-byte file, a language copy.
    void makeGame() {
        put("game/Dane/S1/S1.cnv", "scene\r\nline two\r\n");
        put("game/Dane/S1/img.IMG", "common image");
        put("game/Dane/S1/POL/img.IMG", "polish image");
        put("game/Dane/application.def", "app");
        put("game/COMMON/CLASSES/X.cnv", "class");
        put("game/Wavs/a.wav", "AAAA");
        put("game/Wavs/Sfx/b.wav", "BB");
        put("game/Music.WAV", "music");
        put("game/b0.bin", "");
        put("game/c.txt", "ccc");
    }
};

TEST_F(BigFileTest, LayoutOfTwoFilesInTwoFolders) {
    put("src/A/one.txt", "1111");
    put("src/B/two.bin", "22");
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("src", "x", "out.bf"));
    // Table: 38 header + 15 root + 2 × (13 folder + 27 file) = 133 bytes, then the data.
    Bytes expected;
    expected.s("x").s("\\").i32(6).i64(0).i64(0).i32(2).i32(2);
    expected.s("src").i32(0).i32(2);
    expected.s("A").i32(1).i32(0).s("one.txt").i32(133).i64(0).i32(4);
    expected.s("B").i32(1).i32(0).s("two.bin").i32(137).i64(0).i32(2);
    expected.raw("1111").raw("22");
    EXPECT_EQ(read("out.bf"), expected.out);

    // Built twice from one folder, the archive is the same byte for byte.
    CBigFile again(false);
    ASSERT_TRUE(again.Create("src", "x", "again.bf"));
    EXPECT_EQ(read("again.bf"), read("out.bf"));

    CBigFile archive("out.bf", false);
    ASSERT_EQ(archive.LastError(), ERR_NONE);
    EXPECT_EQ(archive.getHeader().fileCount, 2);
    EXPECT_EQ(archive.getHeader().folderCount, 2);
    EXPECT_EQ(archive.getHeader().totalSize, 6);
    EXPECT_EQ(archive.Seek("b\\TWO.BIN"), 137);
    EXPECT_EQ(archive.Tell(), 137);
    char data[3] = {};
    EXPECT_EQ(archive.GetFile()->Read(data, 2), 2);
    EXPECT_STREQ(data, "22");
    EXPECT_EQ(archive.GetSize("\\a\\One.Txt"), 4);
}

TEST_F(BigFileTest, EmptyFolderAndDataOrder) {
    fs::create_directory(m_tmp.path() / "D");
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("D", "x", "empty.bf"));
    EXPECT_EQ(read("empty.bf").size(), 37u + 1 + 12 + 1);

    // Sub-folders' data comes before a folder's own files; a zero-byte file shares the next offset.
    makeGame();
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    CBigFile archive("data.bf", false);
    ASSERT_EQ(archive.LastError(), ERR_NONE);
    EXPECT_EQ(archive.getHeader().fileCount, 10);
    EXPECT_EQ(archive.getHeader().folderCount, 7);
    int music = archive.Seek("Music.wav");
    int empty = archive.Seek("b0.bin");
    int c = archive.Seek("c.txt");
    EXPECT_LT(archive.Seek("Wavs\\Sfx\\b.wav"), music);
    EXPECT_LT(music, empty);
    EXPECT_EQ(empty, c);
    EXPECT_EQ(archive.GetSize("b0.bin"), 0);
    EXPECT_EQ(c + 3, archive.GetFile()->Length());
}

TEST_F(BigFileTest, LookupsIgnoreCaseAndFallBackOneLevel) {
    makeGame();
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    CBigFile archive("data.bf", false);
    ASSERT_EQ(archive.LastError(), ERR_NONE);

    int a = archive.Seek("\\Wavs\\a.wav");
    ASSERT_GT(a, 0);
    EXPECT_EQ(archive.Seek("wavs\\A.WAV"), a);
    EXPECT_EQ(archive.Seek("WAVS/a.wav"), a);
    EXPECT_EQ(archive.Seek(".\\Wavs\\Sfx\\..\\a.wav"), a);
    // A file name under a folder that lacks it is also looked for in the folder above, and an unknown
    // folder just before the file name is passed over...
    EXPECT_EQ(archive.Seek("Wavs\\music.wav"), archive.Seek("Music.WAV"));
    EXPECT_EQ(archive.Seek("Nowhere\\c.txt"), archive.Seek("c.txt"));
    EXPECT_EQ(archive.Seek("Wavs\\none\\a.wav"), a);
    // ...but a search that went down more than one folder ends there.
    EXPECT_EQ(archive.Seek("Wavs\\Sfx\\none\\a.wav"), -1);
    EXPECT_EQ(archive.Seek("Dane\\S1\\Music.wav"), -1);
    int before = archive.Tell();
    EXPECT_EQ(archive.Seek("none.txt"), -1);
    EXPECT_EQ(archive.Tell(), before);
    EXPECT_EQ(archive.GetSize("none.txt"), 0);
    EXPECT_EQ(archive.GetSize("Wavs\\Sfx\\B.wav"), 2);

    EXPECT_TRUE(archive.FileExists("dane\\s1\\s1.CNV"));
    EXPECT_FALSE(archive.FileExists("dane\\s1"));
    EXPECT_FALSE(archive.FileExists("s1.cnv"));
    EXPECT_TRUE(archive.DirExists("Dane\\S1\\POL"));
    EXPECT_FALSE(archive.DirExists("Dane\\S2"));

    // Folders: the current one changes only when it exists; names then start from it.
    EXPECT_EQ(str(archive.GetCurrentDirectoryA()), "");
    EXPECT_EQ(archive.ChDir("dane\\s1"), 0);
    EXPECT_EQ(str(archive.GetCurrentDirectoryA()), "\\Dane\\S1");
    EXPECT_TRUE(archive.FileExists("s1.cnv"));
    EXPECT_EQ(archive.ChDir("missing"), -1);
    EXPECT_EQ(str(archive.GetCurrentDirectoryA()), "\\Dane\\S1");
    EXPECT_EQ(archive.ChDir(".."), 0);
    EXPECT_TRUE(archive.FileExists("application.def"));
    EXPECT_TRUE(archive.FileExists("\\COMMON\\CLASSES\\x.cnv"));
    char buffer[5];
    EXPECT_EQ(archive.GetCurrentDirectoryA(sizeof buffer, buffer), 4);
    EXPECT_STREQ(buffer, "\\Dan");
    EXPECT_EQ(archive.ChDir("\\"), 0);
    EXPECT_EQ(archive.ChDir(".."), 0);
    EXPECT_EQ(str(archive.GetCurrentDirectoryA()), "");
    EXPECT_EQ(archive.ChDir(""), -1);
}

TEST_F(BigFileTest, AFolderNamedLikeItsParentDoesNotHideTheParentsFiles) {
    put("src/S1/a.img", "outer");
    put("src/S1/S1/a.img", "inner file");
    put("src/S1/S1/S1/b.img", "deep");
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("src", "x", "out.bf"));
    CBigFile archive("out.bf", false);
    ASSERT_EQ(archive.LastError(), ERR_NONE);
    EXPECT_EQ(archive.GetSize("S1\\a.img"), 5);
    EXPECT_EQ(archive.GetSize("S1\\S1\\a.img"), 10);
    EXPECT_EQ(archive.GetSize("S1\\b.img"), 0);
    EXPECT_EQ(archive.GetSize("S1\\S1\\S1\\b.img"), 4);
}

TEST_F(BigFileTest, SearchesGiveLowerCasedNamesFilesFirst) {
    makeGame();
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    CBigFile archive("data.bf", false);

    _finddata64i32_t data;
    int handle = archive.FindFirst("*.wav", &data);
    EXPECT_EQ(handle, 0); // the root's files: Music.WAV, b0.bin, c.txt
    EXPECT_STREQ(data.name, "music.wav");
    EXPECT_EQ(data.size, 5u);
    EXPECT_EQ(data.attrib, 0u);
    EXPECT_EQ(archive.FindNext(handle, &data), -1);

    handle = archive.FindFirst("*", &data);
    ASSERT_EQ(handle, 0);
    std::vector<std::string> names{data.name};
    while (archive.FindNext(handle, &data) == 0) names.push_back(data.name);
    EXPECT_EQ(names, (std::vector<std::string>{"music.wav", "b0.bin", "c.txt", "common", "dane", "wavs"}));

    EXPECT_EQ(archive.FindFirst("W*", &data), 5); // folders are numbered after the files
    EXPECT_EQ(data.attrib, FIND_FOLDER);
    EXPECT_EQ(archive.FindFirst("dane\\s1\\*.img", &data), 1);
    EXPECT_STREQ(data.name, "img.img");
    EXPECT_EQ(archive.FindFirst("*.none", &data), -1);
    EXPECT_EQ(archive.FindFirst("Nowhere\\*", &data), -1);
    EXPECT_EQ(archive.FindNext(12345, &data), -1);
}

TEST_F(BigFileTest, GameFilesAreServedFromTheOpenBigFile) {
    makeGame();
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    fs::rename(m_tmp.path() / "game", m_tmp.path() / "gone"); // nothing loose is left
    put("loose.txt", "on disk");

    ASSERT_TRUE(CFile::openBigFile("DATA.BF"));
    ASSERT_NE(CFile::getBigFileIfc(), nullptr);
    CWindow::rootPath = root("\\").c_str();
    CWindow::setCDPath(CPath(nullptr).GetFullPath(""));
    EXPECT_EQ(str(CWindow::getCDPath()), "\\");

    // Text mode folds line ends inside the entry and stops at its end.
    CFile scene(nullptr, "Dane\\S1\\s1.cnv", 9);
    ASSERT_EQ(scene.LastError(), ERR_NONE);
    EXPECT_TRUE(scene.isInBigFile());
    EXPECT_EQ(str(scene.getLine()), "scene\n");
    EXPECT_EQ(str(scene.getLine()), "line two\n");
    EXPECT_EQ(scene.getLine().GetLength(), 0);
    EXPECT_TRUE(scene.eof());
    EXPECT_EQ(scene.Length(), 17);

    CFile cls(nullptr, "$COMMON\\CLASSES\\X.cnv", 9);
    EXPECT_EQ(readAll(cls), "class");
    CFile absolute(nullptr, root("\\dane\\s1\\S1.cnv").c_str(), 17);
    EXPECT_EQ(readAll(absolute), "scene\r\nline two\r\n");
    CFile rooted(nullptr, (str(CWindow::rootPath) + "Wavs\\a.wav").c_str(), 17);
    EXPECT_EQ(readAll(rooted), "AAAA");
    EXPECT_EQ(rooted.Seek(1, 0), 0);
    EXPECT_EQ(rooted.Tell(), 1);

    // What the archive lacks still opens from the disk; what is written goes to the disk.
    CFile loose(nullptr, "loose.txt", 9);
    EXPECT_EQ(readAll(loose), "on disk");
    EXPECT_FALSE(loose.isInBigFile());
    {
        CFile out(nullptr, "Dane\\S1\\s1.cnv", 18);
        EXPECT_EQ(out.LastError(), ERR_FILE_NOT_FOUND); // no such folder on disk
    }
    EXPECT_TRUE(CFile::fileExists(nullptr, "wavs\\sfx\\B.WAV"));
    EXPECT_TRUE(CFile::fileExists(nullptr, "loose.txt"));
    EXPECT_FALSE(CFile::fileExists(nullptr, "none.txt"));

    // Directory operations move inside the archive.
    EXPECT_EQ(CFile::chDir("Dane\\S1"), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), "\\Dane\\S1\\");
    EXPECT_TRUE(CFile::fileExists(nullptr, "S1.CNV"));
    CFile relative(nullptr, "img.img", 17);
    EXPECT_EQ(readAll(relative), "common image");
    CFile fromQuestion(nullptr, "POL?img.img", 17);
    EXPECT_EQ(readAll(fromQuestion), "polish image");
    EXPECT_NE(CFile::chDir("missing"), 0);
    EXPECT_TRUE(CFile::dirExists("POL"));
    EXPECT_FALSE(CFile::dirExists("missing"));
    CXArray* names = CFolder::list("*.*");
    ASSERT_EQ(names->getSize(), 3);
    EXPECT_EQ(str(*static_cast<CXString*>(names->at(0))), "s1.cnv");
    EXPECT_EQ(str(*static_cast<CXString*>(names->at(2))), "pol");
    CFolder::releaseFilesList(names);
    EXPECT_TRUE(CFolder::IsDirectory("POL"));
    EXPECT_EQ(CFolder::GetSize("img.img"), 12);
    _finddata64i32_t data;
    data.attrib = FIND_FOLDER;
    int handle = CFile::findFirst("*", &data);
    EXPECT_GE(handle, 0);
    EXPECT_STREQ(data.name, "pol");
    CFile::findClose(handle);

    // The language copy inside the archive comes first.
    CLanguageOSVer language;
    language.setLanguageFolder("0415");
    CWindow window(&language);
    CFile localised(&window, "img.img", 17);
    EXPECT_EQ(readAll(localised), "polish image");
    CFile localisedFull(&window, "\\Dane\\S1\\img.img", 17);
    EXPECT_EQ(readAll(localisedFull), "polish image");

    // The shared handle is positioned by Seek(name); fSeek/fTell go to the archive.
    CBigFile* bigFile = CFile::getBigFileIfc();
    CFile* shared = CFile::getBigFileHandle();
    int offset = bigFile->Seek("\\Wavs\\a.wav");
    ASSERT_GT(offset, 0);
    EXPECT_EQ(CFile::fTell(shared), offset);
    EXPECT_EQ(CFile::fSeek(shared, 2, 1), 0);
    EXPECT_EQ(CFile::fTell(shared), offset + 2);

    EXPECT_TRUE(bigFile->ExtractFile("\\Wavs\\a.wav", root("\\a-copy.wav").c_str()));
    EXPECT_EQ(read("a-copy.wav"), "AAAA");
    EXPECT_FALSE(bigFile->ExtractFile("none", root("\\x.wav").c_str()));

    // A folder the archive lacks is entered on the disk, where names the archive lacks are read.
    put("loose/only.txt", "loose data");
    EXPECT_TRUE(CFile::dirExists("loose"));
    const std::string diskBefore = str(CFile::diskCurrentDirectory());
    ASSERT_EQ(CFile::chDir("loose"), 0);
    CFile looseData(nullptr, "only.txt", 17);
    EXPECT_EQ(readAll(looseData), "loose data");
    // It is then the current folder, reported and taken for names, not the archive's folder left behind.
    const CXString onDisk = CFile::getCurrentDirectory();
    EXPECT_EQ(str(onDisk), str(CFile::diskCurrentDirectory()) + "\\");
    EXPECT_NE(str(onDisk).find("loose"), std::string::npos);
    CFile stale(nullptr, "img.img", 17);
    EXPECT_EQ(stale.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(CFile::fileExists(nullptr, "S1.cnv"));
    EXPECT_FALSE(CFile::dirExists("POL"));
    // Entering an archive folder again brings the disk back; a folder reported is entered again as it was.
    ASSERT_EQ(CFile::chDir("\\Dane\\S1"), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), "\\Dane\\S1\\");
    EXPECT_EQ(str(CFile::diskCurrentDirectory()), diskBefore);
    ASSERT_EQ(CFile::chDir(onDisk), 0);
    CFile again(nullptr, "only.txt", 17);
    EXPECT_EQ(readAll(again), "loose data");
    // Relative moves on the disk start from the disk's folder, and reach the archive's folders from there.
    ASSERT_EQ(CFile::chDir(".."), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), diskBefore + "\\");
    ASSERT_EQ(CFile::chDir("dane"), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), "\\Dane\\");
    EXPECT_EQ(str(CFile::diskCurrentDirectory()), diskBefore);

    CFile::closeBigFile();
    EXPECT_EQ(CFile::getBigFileIfc(), nullptr);
    EXPECT_EQ(CFile::getBigFileHandle(), nullptr);
    EXPECT_FALSE(CFile::fileExists(nullptr, "Dane\\S1\\S1.cnv"));
}

TEST_F(BigFileTest, AFolderRememberedAroundADiskFallbackIsEnteredAgainAsItWas) {
    put("game/Sub1/one.txt", "one");
    put("game/Sub2/two.txt", "two");
    put("game/Dane/S1/s.txt", "s");
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    fs::rename(m_tmp.path() / "game", m_tmp.path() / "gone");
    put("Sub2/extra.txt", "extra"); // a loose copy of an archive folder, with a file of its own
    put("loose/l.txt", "loose");
    ASSERT_TRUE(CFile::openBigFile("data.bf"));
    const std::string parked = str(CFile::diskCurrentDirectory());
    // What a relative open finds from the current folder: "" when nothing opens.
    auto opens = [&](const char* name) {
        CFile file(nullptr, name, 17);
        return file.LastError() == ERR_NONE ? readAll(file) : std::string();
    };

    // Remembered in the archive, left for the disk (as a scene's guard and the folder walker do), back again.
    ASSERT_EQ(CFile::chDir("\\Sub1"), 0);
    {
        CFolder away(nullptr, "loose");
        EXPECT_EQ(str(CFile::getCurrentDirectory()), root("\\loose\\"));
        EXPECT_EQ(opens("l.txt"), "loose");
        away.back();
    }
    EXPECT_EQ(str(CFile::getCurrentDirectory()), "\\Sub1\\");
    EXPECT_EQ(str(CFile::diskCurrentDirectory()), parked);
    EXPECT_EQ(opens("one.txt"), "one");
    EXPECT_EQ(opens("l.txt"), "");

    // Fallen back to the disk's copy of an archive folder (the archive's Sub1 has no Sub2): the archive's
    // files and the disk's own are both found from there, and again after a trip into the archive.
    ASSERT_EQ(CFile::chDir("Sub2"), 0);
    const CXString remembered = CFile::getCurrentDirectory();
    EXPECT_EQ(str(remembered), root("\\Sub2\\"));
    EXPECT_EQ(opens("two.txt"), "two");
    EXPECT_EQ(opens("extra.txt"), "extra");
    ASSERT_EQ(CFile::chDir("\\Dane\\S1"), 0);
    EXPECT_EQ(opens("s.txt"), "s");
    EXPECT_EQ(opens("extra.txt"), "");
    ASSERT_EQ(CFile::chDir(remembered), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), str(remembered));
    EXPECT_EQ(opens("two.txt"), "two");
    EXPECT_EQ(opens("extra.txt"), "extra");
    ASSERT_EQ(CFile::chDir("..\\loose"), 0);
    EXPECT_EQ(opens("l.txt"), "loose");
    // A root below the archive's folder that the disk lacks is still the archive's folder.
    ASSERT_EQ(CFile::chDir(root("\\Dane\\S1").c_str()), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), "\\Dane\\S1\\");
    EXPECT_EQ(str(CFile::diskCurrentDirectory()), parked);
    EXPECT_EQ(opens("s.txt"), "s");
    // The archive's root stays the archive's, though the disk has a folder "\\" as well.
    ASSERT_EQ(CFile::chDir("\\"), 0);
    EXPECT_EQ(str(CFile::getCurrentDirectory()), "\\");
    EXPECT_EQ(opens("Sub1\\one.txt"), "one");
}

TEST_F(BigFileTest, SearchesInsideTheArchiveDoNotDisturbEachOther) {
    makeGame();
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    ASSERT_TRUE(CFile::openBigFile("data.bf"));

    // Asking about each entry while walking the listing starts searches that begin at the same index.
    CFolder folder(nullptr);
    std::vector<std::string> names;
    std::vector<bool> folders;
    for (CXString name = folder.GetFileName("*"); name.IsString(); name = folder.GetNextFileName()) {
        names.push_back(str(name));
        folders.push_back(CFolder::IsDirectory(name));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"music.wav", "b0.bin", "c.txt", "common", "dane", "wavs"}));
    EXPECT_EQ(folders, (std::vector<bool>{false, false, false, true, true, true}));

    // Two searches from the first entry run side by side; closing one leaves the other.
    _finddata64i32_t a;
    _finddata64i32_t b;
    int first = CFile::findFirst("*", &a);
    int second = CFile::findFirst("*", &b);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_NE(first, second);
    CFile::findClose(second);
    ASSERT_EQ(CFile::findNext(first, &a), 0);
    EXPECT_STREQ(a.name, "b0.bin");
    CFile::findClose(first);
}

TEST_F(BigFileTest, DamagedArchivesFailCleanly) {
    makeGame();
    CBigFile builder(false);
    ASSERT_TRUE(builder.Create("game", "data", "data.bf"));
    std::string whole = read("data.bf");
    {
        CBigFile archive("data.bf", false);
        ASSERT_EQ(archive.LastError(), ERR_NONE);
    }
    CLogCapture log;
    // Every cut of the file, through the table and into the data, is refused.
    for (size_t length = 0; length < whole.size(); ++length) {
        put("cut.bf", whole.substr(0, length));
        CBigFile archive("cut.bf", false);
        ASSERT_EQ(archive.LastError(), ERR_FILE_DAMAGED) << length;
        EXPECT_EQ(archive.Seek("c.txt"), -1);
        EXPECT_FALSE(archive.FileExists("c.txt"));
        EXPECT_EQ(archive.GetFile(), nullptr);
    }
    EXPECT_TRUE(log.contains("table of contents is damaged"));

    CBigFile missing("none.bf", false);
    EXPECT_EQ(missing.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.Seek("x"), -1);
    _finddata64i32_t data;
    EXPECT_EQ(missing.FindFirst("*", &data), -1);

    auto header = [](Bytes& b) { b.s("x").s("\\").i32(0).i64(0).i64(0).i32(0).i32(0); };
    // Counts far beyond the file, a name length beyond it, negative values, nesting without end.
    Bytes huge;
    header(huge);
    huge.s("root").i32(0x7FFFFFFF).i32(0);
    Bytes longName;
    header(longName);
    longName.i32(0x7FFFFFFF).raw("ab");
    Bytes negative;
    header(negative);
    negative.s("root").i32(1).i32(0).s("f").i32(-5).i64(0).i32(1).raw("z");
    Bytes pastEnd;
    header(pastEnd);
    pastEnd.s("root").i32(1).i32(0).s("f").i32(0).i64(0).i32(1000);
    Bytes deep;
    header(deep);
    for (int i = 0; i < 5000; ++i) deep.s("d").i32(0).i32(1);
    deep.s("d").i32(0).i32(0);
    for (const Bytes* bad : {&huge, &longName, &negative, &pastEnd, &deep}) {
        put("bad.bf", bad->out);
        CBigFile archive("bad.bf", false);
        EXPECT_EQ(archive.LastError(), ERR_FILE_DAMAGED);
    }
    EXPECT_FALSE(CFile::openBigFile("bad.bf"));
    EXPECT_EQ(CFile::getBigFileIfc(), nullptr);
}

TEST_F(BigFileTest, OnlyAnArchiveThatIsThereButUnusableIsLogged) {
    CLogCapture log;
    // Most games keep their files loose: no archive is no news.
    EXPECT_FALSE(CFile::openBigFile("data.bf"));
    EXPECT_TRUE(log.lines().empty());
    fs::create_directory(m_tmp.path() / "data.bf");
    CPlatformFiles::clearIndex();
    EXPECT_FALSE(CFile::openBigFile("data.bf"));
    EXPECT_TRUE(log.contains("data.bf"));
    log.clear();
    put("bad.bf", "short");
    EXPECT_FALSE(CFile::openBigFile("bad.bf"));
    EXPECT_TRUE(log.contains("bad.bf"));
    EXPECT_EQ(CFile::getBigFileIfc(), nullptr);
}

TEST_F(BigFileTest, CreateRefusesWhatItCannotPackWhole) {
    CLogCapture log;
    CBigFile builder(false);
    EXPECT_FALSE(builder.Create("none", "x", "out.bf"));
    EXPECT_FALSE(fs::exists(m_tmp.path() / "out.bf"));

    // A file whose content differs from its listed size (a system file listed with size 0).
    put("src/a.txt", "a");
    fs::create_symlink("/proc/self/status", m_tmp.path() / "src" / "status");
    EXPECT_FALSE(builder.Create("src", "x", "out.bf"));
    EXPECT_FALSE(fs::exists(m_tmp.path() / "out.bf"));
    EXPECT_TRUE(log.contains("changed size"));
    fs::remove(m_tmp.path() / "src" / "status");

    // Offsets are 32-bit: more than 2 GiB is refused before anything is written (sparse files).
    put("big/one.bin");
    fs::resize_file(m_tmp.path() / "big" / "one.bin", uint64_t(1) << 31);
    EXPECT_FALSE(builder.Create("big", "x", "out.bf"));
    put("big/one.bin");
    fs::resize_file(m_tmp.path() / "big" / "one.bin", uint64_t(3) << 29);
    put("big/two.bin");
    fs::resize_file(m_tmp.path() / "big" / "two.bin", uint64_t(3) << 29);
    EXPECT_FALSE(builder.Create("big", "x", "out.bf"));
    EXPECT_FALSE(fs::exists(m_tmp.path() / "out.bf"));
    EXPECT_TRUE(log.contains("2 GiB"));

    // An archive written into its own source folder leaves its older self out.
    EXPECT_TRUE(builder.Create("src", "x", "src\\self.bf"));
    EXPECT_TRUE(builder.Create("SRC", "x", "src\\SELF.bf"));
    CBigFile self("src\\self.bf", false);
    EXPECT_EQ(self.getHeader().fileCount, 1);
}

TEST_F(BigFileTest, VerboseCreateReportsItsWork) {
    put("src/A/one.txt", "1111");
    put("src/two.bin", "22");
    CBigFile builder(true);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(builder.Create("src", "x", "out.bf"));
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("Big file name: x.\nNumber of folders: 1.\nNumber of files: 2.\n"
                          "Total size: 6 bytes.\nTOC size: 120 bytes.\nTOC saved.\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("\rFile 2 of 2 saved."), std::string::npos);
}
