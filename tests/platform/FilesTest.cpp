#include "platform/Files.h"

#include "harness/Environment.h"
#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {

// "Zażółć.txt": code page 1250 and UTF-8 spellings, and the code page spelling in capitals.
const std::string kCpName = "Za\xBF\xF3\xB3\xE6.txt";
const std::string kUtf8Name = "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87.txt";
const std::string kCpUpper = "ZA\xAF\xD3\xA3\xC6.TXT";

std::string engine(const CTempFolder& folder, const std::string& rest) {
    std::string out = folder.str();
    for (char c : rest) out += c == '/' ? '\\' : c;
    return out;
}

std::string resolved(const std::string& name) {
    std::string path;
    EPlatformError error = CPlatformFiles::resolve(name, path);
    return error == EPlatformError::none ? path : std::string("error: ") + platformErrorText(error);
}

std::string readAllText(CPlatformFile& file) {
    std::string out;
    char buffer[7]; // small, so CR LF pairs fall across reads
    size_t got;
    while ((got = file.read(buffer, sizeof buffer)) > 0) out.append(buffer, got);
    return out;
}

std::vector<std::string> names(const std::vector<SFolderEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

} // namespace

TEST(PlatformFiles, MixedCaseBackslashesDotsAndRepeatedSeparators) {
    CTempFolder tmp;
    auto real = tmp.put("Dane/S1/Obraz.IMG", "x");
    EXPECT_EQ(resolved(engine(tmp, "/dane/s1/OBRAZ.img")), real.string());
    EXPECT_EQ(resolved(engine(tmp, "/DANE/./s1/../S1//\\obraz.img")), real.string());
    EXPECT_EQ(resolved(tmp.str() + "/dAnE/S1/obraz.IMG"), real.string());
    EXPECT_EQ(resolved(engine(tmp, "/Dane/S1/")), (tmp.path() / "Dane/S1").string());
    std::string path;
    EXPECT_EQ(CPlatformFiles::resolve(engine(tmp, "/Dane/S2/obraz.img"), path), EPlatformError::notFound);
    EXPECT_EQ(CPlatformFiles::resolve(engine(tmp, "/Dane/S1/obraz.img/x"), path), EPlatformError::notFolder);
    EXPECT_EQ(CPlatformFiles::resolve("", path), EPlatformError::invalidName);
    EXPECT_EQ(CPlatformFiles::resolve(std::string("a\0b", 3), path), EPlatformError::invalidName);
    // ".." never climbs above the root of the file system.
    EXPECT_EQ(resolved("\\..\\..\\" + engine(tmp, "/DANE/s1/obraz.img").substr(1)), real.string());
}

TEST(PlatformFiles, CodePageNamesFindUtf8NamesOnDisk) {
    CTempFolder tmp;
    auto real = tmp.put("Gra/" + kUtf8Name, "polish");
    EXPECT_EQ(resolved(engine(tmp, "/gra/" + kCpName)), real.string());
    EXPECT_EQ(resolved(engine(tmp, "/GRA/" + kCpUpper)), real.string());
    // A UTF-8 spelling (as a native path) reaches it too.
    EXPECT_EQ(resolved(real.string()), real.string());
    std::vector<SFolderEntry> entries;
    ASSERT_EQ(CPlatformFiles::listFolder(engine(tmp, "/gra"), "", entries), EPlatformError::none);
    EXPECT_EQ(names(entries), std::vector<std::string>{kCpName});

    // A name the engine creates lands on disk in UTF-8.
    CPlatformFile file;
    const std::string lodz = std::string("\xB3\xF3") + "d\x9F.txt"; // łódź
    ASSERT_EQ(file.open(engine(tmp, "/GRA/") + lodz, EOpenMode::write), EPlatformError::none);
    file.close();
    EXPECT_TRUE(fs::exists(tmp.path() / "Gra" / (std::string("\xC5\x82\xC3\xB3") + "d\xC5\xBA.txt")));
}

TEST(PlatformFiles, ExactSpellingWinsOverFoldedOne) {
    CTempFolder tmp;
    auto upper = tmp.put("README.txt", "upper");
    auto lower = tmp.put("readme.txt", "lower");
    EXPECT_EQ(resolved(engine(tmp, "/README.txt")), upper.string());
    EXPECT_EQ(resolved(engine(tmp, "/readme.txt")), lower.string());
    // Neither spelled exactly: the first in byte order, every time.
    EXPECT_EQ(resolved(engine(tmp, "/ReadMe.TXT")), upper.string());

    auto capitalL = tmp.put("\xC5\x81.txt"); // Ł in UTF-8
    auto smallL = tmp.put("\xC5\x82.txt");   // ł in UTF-8
    EXPECT_EQ(resolved(engine(tmp, "/\xA3.txt")), capitalL.string());
    EXPECT_EQ(resolved(engine(tmp, "/\xB3.txt")), smallL.string());
}

TEST(PlatformFiles, NamesForWritingKeepNewPartsAsGiven) {
    CTempFolder tmp;
    tmp.put("dane/old.txt");
    std::string path;
    bool exists = true;
    ASSERT_EQ(CPlatformFiles::resolveForWrite(engine(tmp, "/DANE/Save/New.TXT"), path, &exists),
              EPlatformError::none);
    EXPECT_FALSE(exists);
    EXPECT_EQ(path, (tmp.path() / "dane/Save/New.TXT").string());
    ASSERT_EQ(CPlatformFiles::resolveForWrite(engine(tmp, "/DANE/OLD.txt"), path, &exists),
              EPlatformError::none);
    EXPECT_TRUE(exists);
    EXPECT_EQ(path, (tmp.path() / "dane/old.txt").string());
    // Writing an existing name in other letters replaces that file, as on Windows.
    CPlatformFile file;
    ASSERT_EQ(file.open(engine(tmp, "/Dane/OLD.TXT"), EOpenMode::write), EPlatformError::none);
    file.write("new", 3);
    file.close();
    EXPECT_EQ(readNative(tmp.path() / "dane/old.txt"), "new");
    EXPECT_FALSE(fs::exists(tmp.path() / "dane/OLD.TXT"));
}

TEST(PlatformFiles, IndexFollowsChangesMadeHereAndOutside) {
    CTempFolder tmp;
    tmp.put("a/keep.txt");
    std::string path;
    ASSERT_EQ(CPlatformFiles::resolve(engine(tmp, "/A/keep.txt"), path), EPlatformError::none);

    // Made through this layer.
    CPlatformFile file;
    ASSERT_EQ(file.open(engine(tmp, "/A/Made.txt"), EOpenMode::write), EPlatformError::none);
    file.close();
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/a/MADE.TXT")));
    ASSERT_EQ(CPlatformFiles::renameEntry(engine(tmp, "/a/made.txt"), engine(tmp, "/a/Moved.txt")),
              EPlatformError::none);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/a/made.txt")));
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/a/MOVED.txt")));
    ASSERT_EQ(CPlatformFiles::removeFile(engine(tmp, "/A/moved.TXT")), EPlatformError::none);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/a/moved.txt")));
    ASSERT_EQ(CPlatformFiles::createFolder(engine(tmp, "/A/New/Deeper")), EPlatformError::none);
    EXPECT_TRUE(CPlatformFiles::isFolder(engine(tmp, "/a/NEW/deeper")));

    // Made behind the layer's back: a miss rescans a changed folder, a stale hit is noticed.
    tmp.put("a/Outside.txt");
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/A/outside.TXT")));
    fs::rename(tmp.path() / "a/Outside.txt", tmp.path() / "a/outside2.txt");
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/A/outside.TXT")));
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/A/OUTSIDE2.txt")));
    fs::remove(tmp.path() / "a/keep.txt");
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/A/keep.txt")));

    // A folder removed and made again with other contents.
    ASSERT_EQ(CPlatformFiles::removeFolderTree(engine(tmp, "/A")), EPlatformError::none);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/a/outside2.txt")));
    tmp.put("A/other.txt");
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/a/OTHER.txt")));
}

TEST(PlatformFiles, SettledFoldersAreIndexedOnceAndRescannedWhenTheyChange) {
    CTempFolder tmp;
    tmp.put("old/a.txt");
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(tmp.path() / "old", past);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/OLD/b.txt"))); // indexes the folder
    tmp.put("old/b.txt");
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/old/B.TXT"))); // its time moved: looked at again

    // With its time put back the change is invisible to the index, until the index is dropped.
    fs::last_write_time(tmp.path() / "old", past);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/OLD/c.txt")));
    tmp.put("old/c.txt");
    fs::last_write_time(tmp.path() / "old", past);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/OLD/C.TXT")));
    CPlatformFiles::invalidateIndex(engine(tmp, "/OLD"));
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/OLD/C.TXT")));
    // A name spelled as on disk is found even so, and brings the index up to date.
    tmp.put("old/d.txt");
    fs::last_write_time(tmp.path() / "old", past);
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/OLD/D.txt")));
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/OLD/d.txt")));
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/OLD/D.txt")));
}

TEST(PlatformFiles, ConfinedNamesCannotLeaveTheirRoot) {
    CTempFolder tmp;
    CTempFolder outside("outside");
    tmp.put("root/sub/in.txt", "in");
    outside.put("secret.txt", "secret");
    fs::create_directory_symlink(outside.path(), tmp.path() / "root/link");
    const std::string root = engine(tmp, "/ROOT");
    std::string path;
    EXPECT_EQ(CPlatformFiles::resolveInside(root, "SUB\\in.TXT", path, true), EPlatformError::none);
    EXPECT_EQ(path, (tmp.path() / "root/sub/in.txt").string());
    EXPECT_EQ(CPlatformFiles::resolveInside(root, "\\sub\\in.txt", path, true), EPlatformError::none);
    EXPECT_EQ(CPlatformFiles::resolveInside(root, "sub\\..\\sub\\.\\in.txt", path, true),
              EPlatformError::none);
    EXPECT_EQ(CPlatformFiles::resolveInside(root, "new\\file.txt", path, false), EPlatformError::none);
    EXPECT_EQ(path, (tmp.path() / "root/new/file.txt").string());
    EXPECT_EQ(CPlatformFiles::resolveInside(root, "new\\file.txt", path, true), EPlatformError::notFound);

    for (const char* escaping : {"..\\x.txt", "sub\\..\\..\\x.txt", "..", "C:\\x.txt", "link\\secret.txt",
                                 "LINK\\new.txt", "link"}) {
        EXPECT_EQ(CPlatformFiles::resolveInside(root, escaping, path, false), EPlatformError::escapesRoot)
            << escaping;
    }
}

TEST(PlatformFiles, DriveLettersComeFromConfiguration) {
    CTempFolder tmp;
    auto real = tmp.put("cd/Dane/x.img", "x");
    std::string path;
    CPlatformFiles::clearDrives();
    EXPECT_EQ(CPlatformFiles::resolve("E:\\Dane\\x.img", path), EPlatformError::noDrive);
    EXPECT_EQ(CPlatformFiles::driveType('E'), EDriveType::none);
    EXPECT_EQ(CPlatformFiles::cdromDrive(), 0);

    ASSERT_EQ(CPlatformFiles::setDrive('e', engine(tmp, "/CD"), EDriveType::cdrom), EPlatformError::none);
    EXPECT_EQ(resolved("E:\\dane\\X.IMG"), real.string());
    EXPECT_EQ(resolved("e:dane/x.img"), real.string());
    EXPECT_EQ(resolved("E:\\..\\..\\Dane\\x.img"), real.string()); // a drive's root is its top
    EXPECT_EQ(CPlatformFiles::driveType('E'), EDriveType::cdrom);
    EXPECT_EQ(CPlatformFiles::cdromDrive(), 'E');
    EXPECT_EQ(CPlatformFiles::driveTypeOf("e:\\anything"), EDriveType::cdrom);
    EXPECT_EQ(CPlatformFiles::driveTypeOf(engine(tmp, "/cd/Dane")), EDriveType::cdrom);
    EXPECT_EQ(CPlatformFiles::driveTypeOf(engine(tmp, "/cdrom")), EDriveType::fixed);
    EXPECT_EQ(CPlatformFiles::driveTypeOf(tmp.str()), EDriveType::fixed);
    EXPECT_EQ(CPlatformFiles::driveTypeOf(""), EDriveType::none);
    EXPECT_EQ(CPlatformFiles::setDrive('F', "C:\\x", EDriveType::fixed), EPlatformError::invalidName);
    EXPECT_EQ(CPlatformFiles::setDrive('1', "/", EDriveType::fixed), EPlatformError::invalidName);

    fs::remove_all(tmp.path() / "cd");
    EXPECT_EQ(CPlatformFiles::resolve("E:\\Dane\\x.img", path), EPlatformError::notFound);
    CPlatformFiles::clearDrives();
    EXPECT_EQ(CPlatformFiles::cdromDrive(), 0);
}

TEST(PlatformFiles, RelativeNamesStartAtTheWorkingFolder) {
    CTempFolder tmp;
    auto real = tmp.put("Game/Dane/a.txt");
    std::string previous = fs::current_path().string();
    ASSERT_EQ(CPlatformFiles::changeWorkingFolder(engine(tmp, "/game")), EPlatformError::none);
    EXPECT_EQ(resolved("dane\\A.TXT"), real.string());
    EXPECT_EQ(resolved("..\\GAME\\dane\\a.txt"), real.string());
    EXPECT_EQ(CPlatformFiles::workingFolder(), CPlatformFiles::toEngineName((tmp.path() / "Game").string()));
    fs::current_path(previous);
}

TEST(PlatformFiles, TextModeFoldsLineEndsAndStopsAtCtrlZ) {
    CTempFolder tmp;
    tmp.put("t.txt", std::string("a\r\nbb\r\n\r\nc\rd\r\r\nlast\r"));
    CPlatformFile file;
    ASSERT_EQ(file.open(engine(tmp, "/T.TXT"), EOpenMode::read, true), EPlatformError::none);
    EXPECT_EQ(readAllText(file), "a\nbb\n\nc\rd\r\nlast\r");
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(file.tell(), file.size());

    ASSERT_TRUE(file.seek(0, 0));
    std::string line;
    std::vector<std::string> lines;
    while (file.readLine(line, 100)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a\n", "bb\n", "\n", "c\rd\r\n", "last\r"}));
    ASSERT_TRUE(file.seek(0, 0));
    EXPECT_TRUE(file.readLine(line, 1));
    EXPECT_EQ(line, "a");

    // Binary mode leaves every byte alone.
    ASSERT_EQ(file.open(engine(tmp, "/t.txt"), EOpenMode::read, false), EPlatformError::none);
    EXPECT_EQ(readAllText(file), "a\r\nbb\r\n\r\nc\rd\r\r\nlast\r");

    tmp.put("z.txt", std::string("one\r\n\x1Atwo"));
    ASSERT_EQ(file.open(engine(tmp, "/z.txt"), EOpenMode::read, true), EPlatformError::none);
    EXPECT_EQ(readAllText(file), "one\n");
    EXPECT_TRUE(file.eof());
    ASSERT_EQ(file.open(engine(tmp, "/z.txt"), EOpenMode::read, false), EPlatformError::none);
    EXPECT_EQ(readAllText(file), std::string("one\r\n\x1Atwo"));
}

TEST(PlatformFiles, OpenModesAndPositions) {
    CTempFolder tmp;
    const std::string name = engine(tmp, "/F.bin");
    CPlatformFile file;
    EXPECT_EQ(file.open(name, EOpenMode::read), EPlatformError::notFound);
    EXPECT_EQ(file.open(name, EOpenMode::update), EPlatformError::notFound);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.size(), -1);
    EXPECT_EQ(file.tell(), -1);
    EXPECT_EQ(file.read(nullptr, 4), 0u);

    ASSERT_EQ(file.open(name, EOpenMode::write), EPlatformError::none);
    EXPECT_EQ(file.write("hello world", 11), 11u);
    EXPECT_EQ(file.size(), 11); // before any flush
    ASSERT_TRUE(file.seek(6, 0));
    char buffer[16] = {};
    EXPECT_EQ(file.read(buffer, 5), 5u); // reading after writing needs no care from the caller
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(file.write("!", 1), 1u);
    EXPECT_EQ(file.close(), EPlatformError::none);
    EXPECT_EQ(readNative(tmp.path() / "F.bin"), "hello world!");

    ASSERT_EQ(file.open(name, EOpenMode::update), EPlatformError::none);
    EXPECT_EQ(file.write("J", 1), 1u);
    ASSERT_TRUE(file.seek(-1, 2));
    EXPECT_EQ(file.read(buffer, 10), 1u);
    EXPECT_EQ(buffer[0], '!');
    EXPECT_FALSE(file.seek(-100, 1));
    EXPECT_FALSE(file.seek(0, 7));
    file.close();
    EXPECT_EQ(readNative(tmp.path() / "F.bin"), "Jello world!");

    ASSERT_EQ(file.open(name, EOpenMode::append), EPlatformError::none);
    ASSERT_TRUE(file.seek(0, 0));
    file.write("?", 1);
    file.close();
    EXPECT_EQ(readNative(tmp.path() / "F.bin"), "Jello world!?");

    ASSERT_EQ(file.open(name, EOpenMode::write), EPlatformError::none);
    EXPECT_EQ(file.size(), 0);
    CPlatformFile moved(std::move(file));
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(moved.isOpen());
    moved.close();

    fs::create_directory(tmp.path() / "Folder");
    EXPECT_EQ(file.open(engine(tmp, "/folder"), EOpenMode::read), EPlatformError::isFolder);
    EXPECT_EQ(file.open(engine(tmp, "/folder"), EOpenMode::write), EPlatformError::isFolder);
    EXPECT_EQ(file.open(engine(tmp, "/missing/x.txt"), EOpenMode::write), EPlatformError::notFound);
}

TEST(PlatformFiles, RangesReadAsWholeFiles) {
    CTempFolder tmp;
    tmp.put("pack.bin", std::string("HEAD"
                                    "ab\r\ncd\r"
                                    "\ntail"));
    const std::string name = engine(tmp, "/PACK.BIN");
    CPlatformFile file;
    ASSERT_EQ(file.openRange(name, 4, 7), EPlatformError::none);
    EXPECT_EQ(file.size(), 7);
    EXPECT_EQ(file.tell(), 0);
    char buffer[32] = {};
    EXPECT_EQ(file.read(buffer, 32), 7u);
    EXPECT_EQ(std::string(buffer, 7), "ab\r\ncd\r");
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(file.tell(), 7);
    EXPECT_EQ(file.read(buffer, 1), 0u);

    // Positions are the range's own; nothing before its start is reachable.
    ASSERT_TRUE(file.seek(-3, 2));
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(file.read(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "cd");
    EXPECT_FALSE(file.eof()); // the last byte is still there
    EXPECT_FALSE(file.seek(-1, 0));
    EXPECT_FALSE(file.seek(-10, 1));
    ASSERT_TRUE(file.seek(2, 0));
    EXPECT_EQ(file.tell(), 2);
    EXPECT_EQ(file.write("x", 1), 0u);

    // Text mode folds inside the range; a CR on its last byte stays, whatever follows it in the file.
    ASSERT_EQ(file.openRange(name, 4, 7, true), EPlatformError::none);
    std::string line;
    std::vector<std::string> lines;
    while (file.readLine(line, 100)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"ab\n", "cd\r"}));
    EXPECT_TRUE(file.eof());

    // An empty range and ranges that leave the file.
    ASSERT_EQ(file.openRange(name, 16, 0), EPlatformError::none);
    EXPECT_EQ(file.read(buffer, 4), 0u);
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(file.openRange(name, 11, 6), EPlatformError::corrupt);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.openRange(name, 17, 0), EPlatformError::corrupt);
    EXPECT_EQ(file.openRange(name, -1, 2), EPlatformError::corrupt);
    EXPECT_EQ(file.openRange(engine(tmp, "/none"), 0, 0), EPlatformError::notFound);

    // Opening the whole file again forgets the range.
    ASSERT_EQ(file.open(name, EOpenMode::read), EPlatformError::none);
    EXPECT_EQ(file.size(), 16);
}

TEST(PlatformFiles, WholeFilesSizesAndTimes) {
    CTempFolder tmp;
    tmp.put("d.bin", std::string("\0\1\2\3", 4));
    std::vector<uint8_t> data;
    ASSERT_EQ(CPlatformFiles::readWholeFile(engine(tmp, "/D.BIN"), data), EPlatformError::none);
    EXPECT_EQ(data, (std::vector<uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(CPlatformFiles::readWholeFile(engine(tmp, "/d.bin"), data, 3), EPlatformError::tooLarge);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(CPlatformFiles::readWholeFile(tmp.str(), data), EPlatformError::isFolder);
    EXPECT_EQ(CPlatformFiles::readWholeFile(engine(tmp, "/none"), data), EPlatformError::notFound);

    int64_t size = -1, seconds = 0;
    EXPECT_EQ(CPlatformFiles::fileSize(engine(tmp, "/d.BIN"), size), EPlatformError::none);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(CPlatformFiles::fileSize(tmp.str(), size), EPlatformError::isFolder);
    fs::last_write_time(tmp.path() / "d.bin",
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    EXPECT_EQ(CPlatformFiles::modificationTime(engine(tmp, "/D.bin"), seconds), EPlatformError::none);
    EXPECT_GT(seconds, 1000000000);
    EXPECT_LT(seconds, static_cast<int64_t>(std::time(nullptr)) - 24 * 3600 * 300);
    EXPECT_TRUE(CPlatformFiles::isFolder(tmp.str()));
    EXPECT_FALSE(CPlatformFiles::isFolder(engine(tmp, "/d.bin")));
}

TEST(PlatformFiles, ListingsAreSortedInCodePageOrder) {
    CTempFolder tmp;
    for (const char* n : {"b.txt", "A.txt", "a.TXT", "\xC5\x82.txt", "Z.wav", "c"})
        tmp.put(std::string("l/") + n, "1");
    fs::create_directory(tmp.path() / "l/sub.d");
    std::vector<SFolderEntry> entries;
    ASSERT_EQ(CPlatformFiles::listFolder(engine(tmp, "/L"), "", entries), EPlatformError::none);
    EXPECT_EQ(names(entries),
              (std::vector<std::string>{"A.txt", "Z.wav", "a.TXT", "b.txt", "c", "sub.d", "\xB3.txt"}));
    EXPECT_TRUE(entries[5].isFolder);
    EXPECT_EQ(entries[5].size, 0);
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_EQ(entries[0].size, 1);

    ASSERT_EQ(CPlatformFiles::listFolder(engine(tmp, "/l"), "*.txt", entries), EPlatformError::none);
    EXPECT_EQ(names(entries), (std::vector<std::string>{"A.txt", "a.TXT", "b.txt", "\xB3.txt"}));
    ASSERT_EQ(CPlatformFiles::listFolder(engine(tmp, "/l"), "\xA3*", entries), EPlatformError::none);
    EXPECT_EQ(names(entries), (std::vector<std::string>{"\xB3.txt"}));
    ASSERT_EQ(CPlatformFiles::listFolder(engine(tmp, "/l"), "*.*", entries, true), EPlatformError::none);
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_EQ(entries[1].name, "..");
    EXPECT_TRUE(entries[1].isFolder);
    ASSERT_EQ(CPlatformFiles::listFolder(engine(tmp, "/l"), "?", entries), EPlatformError::none);
    EXPECT_EQ(names(entries), (std::vector<std::string>{"c"}));

    EXPECT_EQ(CPlatformFiles::listFolder(engine(tmp, "/l/b.txt"), "", entries), EPlatformError::notFolder);
    EXPECT_EQ(CPlatformFiles::listFolder(engine(tmp, "/nothing"), "", entries), EPlatformError::notFound);
}

TEST(PlatformFiles, Wildcards) {
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("abc", "*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("abc", "*.*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("a.b.c", "*.*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("A", "a.*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("a.DLL", "A.*"));
    EXPECT_FALSE(CPlatformFiles::matchesWildcard("ab", "a.*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("Scene.WAV", "*.wav"));
    EXPECT_FALSE(CPlatformFiles::matchesWildcard("Scene.wave", "*.wav"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("ab", "??"));
    EXPECT_FALSE(CPlatformFiles::matchesWildcard("ab", "?"));
    EXPECT_FALSE(CPlatformFiles::matchesWildcard("", "?"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("", "*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard(std::string("\xB3\xF3") + "d\x9F", "\xA3\xD3*"));
    EXPECT_TRUE(CPlatformFiles::matchesWildcard("aXbXc", "a*b*c"));
    EXPECT_FALSE(CPlatformFiles::matchesWildcard("aXbXd", "a*b*c"));
    // Many stars over a long name stay quick.
    EXPECT_FALSE(CPlatformFiles::matchesWildcard(std::string(5000, 'a'), std::string(50, '*') + "b"));
}

TEST(PlatformFiles, FoldersCopiesAndRenames) {
    CTempFolder tmp;
    CTempFolder outside("outside");
    outside.put("keep.txt", "keep");
    EXPECT_EQ(CPlatformFiles::createFolder(engine(tmp, "/a/B/c")), EPlatformError::none);
    EXPECT_EQ(CPlatformFiles::createFolder(engine(tmp, "/A/b/C")), EPlatformError::none); // already there
    EXPECT_TRUE(fs::is_directory(tmp.path() / "a/B/c"));
    tmp.put("a/f.txt", "data");
    EXPECT_EQ(CPlatformFiles::createFolder(engine(tmp, "/a/F.txt")), EPlatformError::exists);
    EXPECT_EQ(CPlatformFiles::createFolder(engine(tmp, "/a/f.txt/x")), EPlatformError::notFolder);

    EXPECT_EQ(CPlatformFiles::copyFile(engine(tmp, "/A/F.TXT"), engine(tmp, "/a/b/Copy.txt"), true),
              EPlatformError::none);
    EXPECT_EQ(readNative(tmp.path() / "a/B/Copy.txt"), "data");
    EXPECT_EQ(CPlatformFiles::copyFile(engine(tmp, "/a/f.txt"), engine(tmp, "/a/b/copy.TXT"), true),
              EPlatformError::exists);
    tmp.put("a/f.txt", "newer");
    EXPECT_EQ(CPlatformFiles::copyFile(engine(tmp, "/a/f.txt"), engine(tmp, "/a/b/copy.TXT"), false),
              EPlatformError::none);
    EXPECT_EQ(readNative(tmp.path() / "a/B/Copy.txt"), "newer");
    EXPECT_EQ(CPlatformFiles::copyFile(engine(tmp, "/a/f.txt"), engine(tmp, "/A/F.txt"), false),
              EPlatformError::exists);
    EXPECT_EQ(readNative(tmp.path() / "a/f.txt"), "newer"); // never truncated by copying onto itself
    EXPECT_EQ(CPlatformFiles::copyFile(engine(tmp, "/a/none"), engine(tmp, "/a/x"), false),
              EPlatformError::notFound);
    EXPECT_EQ(CPlatformFiles::copyFile(engine(tmp, "/a/b"), engine(tmp, "/a/x"), false),
              EPlatformError::isFolder);

    EXPECT_EQ(CPlatformFiles::renameEntry(engine(tmp, "/a/f.txt"), engine(tmp, "/a/b/copy.txt")),
              EPlatformError::exists);
    EXPECT_EQ(CPlatformFiles::renameEntry(engine(tmp, "/a/f.txt"), engine(tmp, "/a/b/copy.txt"), true),
              EPlatformError::none);
    EXPECT_EQ(readNative(tmp.path() / "a/B/Copy.txt"), "newer");
    // Only the letter case changes.
    EXPECT_EQ(CPlatformFiles::renameEntry(engine(tmp, "/a/b/copy.txt"), engine(tmp, "/a/b/COPY.TXT")),
              EPlatformError::none);
    EXPECT_TRUE(fs::exists(tmp.path() / "a/B/COPY.TXT"));
    EXPECT_FALSE(fs::exists(tmp.path() / "a/B/Copy.txt"));
    EXPECT_EQ(CPlatformFiles::renameEntry(engine(tmp, "/a/b"), engine(tmp, "/a/Moved")),
              EPlatformError::none);
    EXPECT_TRUE(CPlatformFiles::exists(engine(tmp, "/a/moved/copy.txt")));
    EXPECT_FALSE(CPlatformFiles::exists(engine(tmp, "/a/b/copy.txt")));

    // Removing a tree removes a link inside it, not what the link points at.
    fs::create_directory_symlink(outside.path(), tmp.path() / "a/Moved/link");
    EXPECT_EQ(CPlatformFiles::removeFile(engine(tmp, "/a/moved")), EPlatformError::isFolder);
    EXPECT_EQ(CPlatformFiles::removeFolderTree(engine(tmp, "/a/moved/copy.txt")), EPlatformError::notFolder);
    EXPECT_EQ(CPlatformFiles::removeFolderTree(engine(tmp, "/A")), EPlatformError::none);
    EXPECT_FALSE(fs::exists(tmp.path() / "a"));
    EXPECT_EQ(readNative(outside.path() / "keep.txt"), "keep");
    EXPECT_EQ(CPlatformFiles::removeFolderTree(engine(tmp, "/A")), EPlatformError::notFound);

    // A name gone wrong must not take the user's home with it (checked on a stand-in home).
    tmp.put("home/file.txt");
    KavirelTest::CScopedEnv home("HOME", (tmp.path() / "home").c_str());
    EXPECT_EQ(CPlatformFiles::removeFolderTree(engine(tmp, "/home/")), EPlatformError::accessDenied);
    EXPECT_TRUE(fs::exists(tmp.path() / "home/file.txt"));
}

TEST(PlatformFiles, SpecialFoldersAndEngineNames) {
    {
        KavirelTest::CScopedEnv data("XDG_DATA_HOME", "/srv/data/");
        KavirelTest::CScopedEnv config("XDG_CONFIG_HOME", (std::string("/srv/\xC5\x82") + "conf").c_str());
        EXPECT_EQ(CPlatformFiles::userDataFolder(), "\\srv\\data\\kavirel");
        EXPECT_EQ(CPlatformFiles::userConfigFolder(), std::string("\\srv\\\xB3") + "conf\\kavirel");
        setenv("XDG_DATA_HOME", "relative/ignored", 1);
        unsetenv("XDG_CONFIG_HOME");
        std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
        if (!home.empty() && home[0] == '/') {
            EXPECT_EQ(CPlatformFiles::userDataFolder(),
                      CPlatformFiles::toEngineName(home + "/.local/share/kavirel"));
            EXPECT_EQ(CPlatformFiles::userConfigFolder(),
                      CPlatformFiles::toEngineName(home + "/.config/kavirel"));
        }
    }

    EXPECT_TRUE(CPlatformFiles::isFolder(CPlatformFiles::programFolder()));
    EXPECT_TRUE(CPlatformFiles::isFolder(CPlatformFiles::tempFolder()));
    EXPECT_TRUE(CPlatformFiles::isFolder(CPlatformFiles::workingFolder()));

    EXPECT_EQ(CPlatformFiles::toEngineName("/home/\xC5\x82ukasz//x/"), "\\home\\\xB3ukasz\\x");
    // A name code page 1250 cannot hold stays in its own bytes, and still finds its entry.
    EXPECT_EQ(CPlatformFiles::toEngineName("/a/\xE2\x82\xBD"), "\\a\\\xE2\x82\xBD");
    EXPECT_EQ(CPlatformFiles::toEngineName("/"), "\\");
    CTempFolder tmp;
    auto rouble = tmp.put("\xE2\x82\xBD/\xC5\x82.txt");
    EXPECT_EQ(resolved(CPlatformFiles::toEngineName(rouble.string())), rouble.string());
}
