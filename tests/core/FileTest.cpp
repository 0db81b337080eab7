#include "core/File.h"

#include <cstring>
#include <string>

#include "FileFixture.h"
#include "core/Containers.h"
#include "core/FileResolver.h"
#include "core/Folder.h"
#include "core/LanguageOSVer.h"
#include "core/Path.h"
#include "core/WholeFile.h"
#include "display/Window.h"
#include "harness/AllocationCount.h"
#include "platform/Files.h"

using namespace KavirelDLL;

namespace {

std::string str(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

// "Łódź.img": code page 1250 spellings; the file on disk is named in UTF-8.
const std::string kCpLower = "\xA3\xF3"
                             "d\x9F.img";
const std::string kCpUpper = "\xA3\xD3"
                             "D\x8F.IMG";
const std::string kUtf8 = "\xC5\x81\xC3\xB3"
                          "d\xC5\xBA.img";

} // namespace

using FileTest = GameFolderTest;

TEST_F(FileTest, WindowsNamesResolve) {
    put("Dane/S1/Intro.CNV", "intro");
    put("Dane/S1/" + kUtf8, "city");
    for (const char* name :
         {"Dane\\S1\\Intro.CNV", "dane\\s1\\intro.cnv", "DANE/S1/INTRO.cnv", ".\\Dane\\\\S1\\intro.cnv"}) {
        CFile file(nullptr, name, 9);
        ASSERT_EQ(file.LastError(), ERR_NONE) << name;
        EXPECT_EQ(readAll(file), "intro");
    }
    CFile city(nullptr, ("DANE\\s1\\" + kCpUpper).c_str(), 17);
    ASSERT_EQ(city.LastError(), ERR_NONE);
    EXPECT_EQ(readAll(city), "city");
    // The full name keeps the caller's spelling, behind the current directory.
    EXPECT_EQ(str(city.GetFileName()), root("\\DANE\\s1\\" + kCpUpper));
    EXPECT_EQ(city.getWindow(), nullptr);
    EXPECT_FALSE(city.isInBigFile());
}

TEST_F(FileTest, MissingFilesFailWithoutAStream) {
    CFile file(nullptr, "Dane\\none.img", 17);
    EXPECT_EQ(file.LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(file.GetHandle(), nullptr);
    EXPECT_EQ(file.Length(), -1);
    EXPECT_EQ(file.Tell(), 0);
    char c;
    EXPECT_EQ(file.Read(&c, 1), 0);
    EXPECT_EQ(file.Write("x", 1), 0);
    EXPECT_FALSE(file.eof());
    EXPECT_EQ(file.Close(), ERR_FILE_NOT_FOUND);

    // A folder is not a file, and writing needs the folder to exist.
    put("Dane/S1/x");
    EXPECT_EQ(file.Open(nullptr, "Dane\\S1", 17), ERR_FILE_NOT_FOUND);
    EXPECT_EQ(file.Open(nullptr, "Nowhere\\x.bin", 18), ERR_FILE_NOT_FOUND);
    // A later success clears the error.
    EXPECT_EQ(file.Open(nullptr, "Dane\\S1\\X", 17), ERR_NONE);
    EXPECT_EQ(file.LastError(), ERR_NONE);
}

TEST_F(FileTest, ModesReadWriteAndText) {
    {
        CFile out(nullptr, "save.bin", 18);
        ASSERT_EQ(out.LastError(), ERR_NONE);
        EXPECT_EQ(out.Write("a\r\nb", 4), 4);
        EXPECT_EQ(out.Length(), 4);
        EXPECT_EQ(out.Close(), ERR_NONE);
        EXPECT_EQ(out.GetHandle(), nullptr);
    }
    EXPECT_EQ(read("save.bin"), "a\r\nb");

    CFile text(nullptr, "SAVE.BIN", 9);
    ASSERT_EQ(text.LastError(), ERR_NONE);
    EXPECT_EQ(str(text.getLine()), "a\n");
    EXPECT_EQ(str(text.getLine()), "b");
    EXPECT_TRUE(text.eof());
    EXPECT_EQ(text.getLine().GetLength(), 0);

    CFile plainRead(nullptr, "save.bin", 1); // neither text nor binary: text, the Windows C runtime's default
    EXPECT_EQ(readAll(plainRead), "a\nb");
    CFile both(nullptr, "save.bin", 1 | 8 | 16); // text wins
    EXPECT_EQ(readAll(both), "a\nb");

    CFile binary(nullptr, "save.bin", 17);
    EXPECT_EQ(readAll(binary), "a\r\nb");
    EXPECT_EQ(binary.Seek(1, 0), 0);
    EXPECT_EQ(binary.Tell(), 1);
    EXPECT_EQ(binary.Seek(-1, 2), 0);
    char c = 0;
    EXPECT_EQ(binary.Read(&c, 1), 1);
    EXPECT_EQ(c, 'b');
    EXPECT_NE(binary.Seek(-10, 0), 0);

    // Text writes are not translated; update mode reads and writes the same file.
    {
        CFile out(nullptr, "notes.txt", 14);
        ASSERT_EQ(out.LastError(), ERR_NONE);
        EXPECT_EQ(out.putLine("one\r\n"), 5);
        EXPECT_EQ(out.putLine("two"), 3);
    }
    EXPECT_EQ(read("notes.txt"), "one\r\ntwo");
    {
        CFile update(nullptr, "notes.txt", 1 | 4 | 16);
        ASSERT_EQ(update.LastError(), ERR_NONE);
        update.Write("O", 1);
    }
    EXPECT_EQ(read("notes.txt"), "One\r\ntwo");

    // Two copies of a game saving one file at once (an ARRAY, a DATABASE, a cache): every save is whole.
    constexpr size_t kSize = 200000;
    EXPECT_TRUE(runInChildren(2, [](int child) {
        const std::string mine(kSize + child, static_cast<char>('a' + child));
        for (int round = 0; round < 30; ++round)
            if (writeWholeFile(nullptr, "saved.arr", CFile::MODE_UPDATE | CFile::MODE_BINARY, "ARRAY A",
                               [&](CFile& file) {
                                   return file.Write(mine.data(), int(mine.size())) == int(mine.size());
                               }) != ERR_NONE)
                return false;
        return true;
    })) << "a save failed";
    const std::string saved = read("saved.arr");
    EXPECT_TRUE(saved == std::string(kSize, 'a') || saved == std::string(kSize + 1, 'b')) << saved.size();
    EXPECT_TRUE(temporariesIn(m_tmp.path()).empty());
}

TEST_F(FileTest, GetLineFillsTheCallersBuffer) {
    put("lines.txt", "first line\r\nsecond\r\n");
    CFile file(nullptr, "lines.txt", 9);
    char buffer[8];
    ASSERT_NE(file.GetLine(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "first l");
    ASSERT_NE(file.GetLine(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "ine\n");
    ASSERT_NE(file.GetLine(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "second\n");
    EXPECT_EQ(file.GetLine(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(file.GetLine(buffer, 0), nullptr);

    // getLine stops at 10239 characters and gives the rest next time.
    put("long.txt", std::string(10300, 'x') + "\n");
    CFile longFile(nullptr, "long.txt", 9);
    EXPECT_EQ(longFile.getLine().GetLength(), 10239);
    EXPECT_EQ(str(longFile.getLine()), std::string(61, 'x') + "\n");

    // A line of megabytes ended by CRLF comes in such parts, which together are the line; reading them
    // allocates what they hold a few times over.
    std::string big(3 << 20, ' ');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    put("big.txt", big + "\r\nend");
    CFile bigFile(nullptr, "big.txt", 9);
    std::string parts;
    parts.reserve(big.size() + 8);
    KavirelTest::CAllocationCount allocations;
    for (CXString part = bigFile.getLine(); part.GetLength() > 0; part = bigFile.getLine())
        parts += str(part);
    EXPECT_LT(allocations.bytes(), 8 * static_cast<long long>(big.size()));
    EXPECT_TRUE(parts == big + "\nend");
}

TEST_F(FileTest, ReRootingAtDataMarkers) {
    CWindow::rootPath = "C:\\Inst\\";
    CWindow::gameProductPath = "N:\\Prod\\";
    CWindow::setCDPath("E:\\");
    EXPECT_EQ(str(CFile::getLocalPath("D:\\Gra\\Dane\\S1\\a.img")), "C:\\Inst\\Dane\\S1\\a.img");
    EXPECT_EQ(str(CFile::getNetPath("D:\\Gra\\COMMON\\x.cnv")), "N:\\Prod\\COMMON\\x.cnv");
    EXPECT_EQ(str(CFile::getCDPath("D:\\Gra\\sound\\wavs\\x.wav")), "E:\\wavs\\x.wav");
    // "Dane" and "COMMON" only in their own case; the first marker of the list wins.
    EXPECT_EQ(str(CFile::getLocalPath("D:\\Gra\\dane\\a.img")), "D:\\Gra\\dane\\a.img");
    EXPECT_EQ(str(CFile::getLocalPath("D:\\COMMON\\Dane\\a")), "C:\\Inst\\Dane\\a");
    EXPECT_EQ(str(CFile::getLocalPath("D:\\Gra\\a.img")), "D:\\Gra\\a.img");
    EXPECT_TRUE(CFile::isNet());
    CWindow::gameProductPath = "";
    EXPECT_FALSE(CFile::isNet());
}

TEST_F(FileTest, DataRootsAreSearchedInOrder) {
    put("inst/Dane/S1/a.img", "local");
    put("inst/Dane/S1/b.img", "local b");
    put("prod/Dane/S1/a.img", "product");
    put("cwd/Dane/S1/c.img", "here");
    ASSERT_EQ(CPlatformFiles::changeWorkingFolder(root("/cwd")), EPlatformError::none);
    CWindow::rootPath = root("/inst/").c_str();

    CFile a(nullptr, "Dane\\S1\\a.img", 17);
    EXPECT_EQ(readAll(a), "local");
    EXPECT_EQ(str(a.getOpenedName()), root("/inst/Dane/S1/a.img"));
    CFile c(nullptr, "Dane\\S1\\c.img", 17);
    EXPECT_EQ(readAll(c), "here");

    // A product install comes before the local one.
    CWindow::gameProductPath = root("/prod/").c_str();
    CFile net(nullptr, "Dane\\S1\\a.img", 17);
    EXPECT_EQ(readAll(net), "product");
    CFile b(nullptr, "Dane\\S1\\b.img", 17);
    EXPECT_EQ(readAll(b), "local b");

    EXPECT_EQ(str(CFile::getPath(nullptr, "Dane\\S1\\b.img")), root("/inst/Dane/S1/b.img"));
    EXPECT_EQ(str(CFile::getPath(nullptr, "Dane\\S1\\c.img")), root("/cwd/Dane/S1/c.img"));
    EXPECT_EQ(CFile::getPath(nullptr, "Dane\\S1\\none.img").GetLength(), 0);
}

TEST_F(FileTest, LanguageFolderCopiesComeFirst) {
    put("Dane/S1/both.img", "common");
    put("Dane/S1/POL/both.img", "polish");
    put("Dane/S1/POL/only.img", "only polish");
    put("Dane/S1/plain.img", "plain");
    CLanguageOSVer language;
    language.setLanguageFolder("0415");
    ASSERT_EQ(str(language.getLanguageFolder()), "POL");
    CWindow window(&language);

    CFile both(&window, "Dane\\S1\\both.img", 17);
    EXPECT_EQ(readAll(both), "polish");
    EXPECT_EQ(both.getWindow(), &window);
    CFile only(&window, "dane\\s1\\ONLY.img", 17);
    EXPECT_EQ(readAll(only), "only polish");
    CFile plain(&window, "Dane\\S1\\plain.img", 17);
    EXPECT_EQ(readAll(plain), "plain");
    EXPECT_EQ(str(CFile::getPath(&window, "Dane\\S1\\both.img")), root("/Dane/S1/POL/both.img"));
    EXPECT_EQ(str(CFile::getPath(nullptr, "Dane\\S1\\both.img")), root("/Dane/S1/both.img"));

    // Without a language object the common copy is the only one.
    CWindow bare;
    CFile common(&bare, "Dane\\S1\\both.img", 17);
    EXPECT_EQ(readAll(common), "common");
    CFile none(nullptr, "Dane\\S1\\only.img", 17);
    EXPECT_EQ(none.LastError(), ERR_FILE_NOT_FOUND);

    // A file the hard-disk install lacks is found on the CD, its language copy first.
    put("cd/Dane/S1/cd.img", "cd");
    put("cd/Dane/S1/POL/cdpol.img", "cd polish");
    put("cd/Dane/S1/cdpol.img", "cd common");
    ASSERT_EQ(CPlatformFiles::setDrive('E', root("/cd"), EDriveType::cdrom), EPlatformError::none);
    CFile cd(&window, "Dane\\S1\\cd.img", 17);
    EXPECT_EQ(readAll(cd), "cd");
    EXPECT_EQ(str(cd.getOpenedName()), "E:\\Dane\\S1\\cd.img");
    CFile cdPolish(&window, "Dane\\S1\\cdpol.img", 17);
    EXPECT_EQ(readAll(cdPolish), "cd polish");

    // A name on the CD is looked for in the local install first; a '~' name only there and where it stands.
    put("inst/Dane/S1/inst.img", "installed");
    CWindow::rootPath = root("/inst/").c_str();
    CFile onCd(&window, "E:\\Dane\\S1\\inst.img", 17);
    EXPECT_EQ(readAll(onCd), "installed");
    CFile tilde(&window, "~Dane\\S1\\inst.img", 17);
    EXPECT_EQ(readAll(tilde), "installed");
    CFile tildeCd(&window, "~Dane\\S1\\cd.img", 17);
    EXPECT_EQ(tildeCd.LastError(), ERR_FILE_NOT_FOUND);
}

TEST_F(FileTest, LogicalNames) {
    put("cd/COMMON/CLASSES/X.cnv", "class");
    put("Dane/S1/a.img", "scene image");
    put("Dane/S1/S1/a.img", "nested");
    put("local.img", "local");
    CWindow::setCDPath(root("/cd/").c_str());

    CFile cls(nullptr, "$COMMON\\CLASSES\\X.cnv", 9);
    EXPECT_EQ(readAll(cls), "class");
    CFile amp(nullptr, "&common\\classes\\x.CNV", 9);
    EXPECT_EQ(readAll(amp), "class");

    // '?' puts a folder of the current directory in front.
    ASSERT_EQ(CFile::chDir("Dane"), 0);
    CFile q(nullptr, "S1?a.img", 17);
    EXPECT_EQ(readAll(q), "scene image");
    CFile only(nullptr, "?S1\\a.img", 17);
    EXPECT_EQ(readAll(only), "scene image");
    ASSERT_EQ(CFile::chDir(".."), 0);

    // '~' takes the name from the local install.
    CWindow::rootPath = root("/").c_str();
    ASSERT_EQ(CFile::chDir("Dane"), 0);
    CFile tilde(nullptr, "~Dane\\S1\\a.img", 17);
    EXPECT_EQ(readAll(tilde), "scene image");
    CFile plain(nullptr, "~a.img", 17);
    EXPECT_EQ(plain.LastError(), ERR_FILE_NOT_FOUND);
}

TEST_F(FileTest, PathJoinsAndResolution) {
    EXPECT_EQ(str(CPath::getFullPath("C:\\Gra", "a")), "C:\\Gra\\a");
    EXPECT_EQ(str(CPath::getFullPath("C:\\Gra\\", "a")), "C:\\Gra\\a");
    EXPECT_EQ(str(CPath::getFullPath("", "a")), "a");
    EXPECT_EQ(str(CPath::getFullPath("C:\\Gra\\", "Dane", "X.img")), "C:\\Gra\\\\Dane\\X.img");
    EXPECT_EQ(str(CPath::getFullPath("C:\\Gra\\", "", "X.img")), "C:\\Gra\\\\X.img");

    CWindow::setCDPath("E:\\");
    EXPECT_EQ(str(CPath::resolveFileName(nullptr, "$Dane\\X.img")), "E:\\Dane\\X.img");
    EXPECT_EQ(str(CPath::resolveFileName(nullptr, "Dane\\X.img")), "Dane\\X.img");
    CWindow::rootPath = "C:\\Inst\\";
    EXPECT_EQ(str(CPath::resolveFileNameEx(nullptr, "&Dane\\X.img")), "C:\\Inst\\Dane\\X.img");

    std::string current = str(CFile::getCurrentDirectory());
    EXPECT_EQ(current, root("\\"));
    EXPECT_EQ(str(CPath::resolveFileName(nullptr, "Dane?X.img")), current + "\\Dane\\X.img");
    EXPECT_EQ(str(CPath::resolveFileName(nullptr, "?X.img")), current + "\\X.img");
    EXPECT_EQ(str(CPath::resolveFileName(nullptr, "a??b?c")), current + "\\a\\b");

    char buffer[8];
    EXPECT_EQ(CFile::getCurrentDirectory(sizeof buffer, buffer), 7);
    EXPECT_EQ(std::string(buffer), current.substr(0, 7));

    CPath path(nullptr, "a.b.img");
    EXPECT_EQ(str(path.GetExtension()), "img");
    EXPECT_EQ(str(path.SetExtension("bmp")), "a.bmp");
    EXPECT_EQ(str(path.GetExtension()), "bmp");
    CPath bare(nullptr, "noext");
    EXPECT_EQ(str(bare.GetExtension()), "noext");
    EXPECT_EQ(str(bare.SetExtension("wav")), "noext.wav");
    EXPECT_FALSE(bare.isCD());

    CPath here(nullptr);
    EXPECT_EQ(str(here.getCurrentPath()), current);
    EXPECT_EQ(str(here.GetFullPath("x")), current + "x");
    EXPECT_EQ(str(here.GetFullPath("")), current);
    EXPECT_FALSE(here.isCD());
    CPlatformFiles::setDrive('E', root(), EDriveType::cdrom);
    EXPECT_TRUE(CPath(nullptr).isCD());
}

TEST_F(FileTest, CDRootComesFromTheDriveConfiguration) {
    EXPECT_EQ(CWindow::getCDPath().GetLength(), 0);
    put("cd/Dane/S1/a.img", "from the CD");
    ASSERT_EQ(CPlatformFiles::setDrive('F', root("/cd"), EDriveType::cdrom), EPlatformError::none);
    EXPECT_EQ(str(CWindow::getCDPath()), "F:\\");
    CFile file(nullptr, "$Dane\\S1\\a.img", 17);
    EXPECT_EQ(readAll(file), "from the CD");
    CWindow::setCDPath("G:\\");
    EXPECT_EQ(str(CWindow::getCDPath()), "G:\\");

    EXPECT_FALSE(CFile::isHdd(""));
    EXPECT_FALSE(CFile::isHdd("relative\\name"));
    EXPECT_TRUE(CFile::isHdd(root("/Dane/x").c_str()));
    EXPECT_FALSE(CFile::isHdd(root("/cd/Dane/x").c_str()));
    EXPECT_FALSE(CFile::isHdd("F:\\Dane\\x"));
    EXPECT_FALSE(CFile::isHdd("Q:\\Dane\\x"));
    CPlatformFiles::setDrive('C', root(), EDriveType::fixed);
    EXPECT_TRUE(CFile::isHdd("C:\\Dane\\x"));
}

TEST_F(FileTest, NameSplitting) {
    CFileNameResolver full("C:\\A\\Q\\name.ext");
    EXPECT_EQ(full.getDrive(), 'C');
    ASSERT_EQ(full.getDirectories()->getSize(), 2);
    EXPECT_EQ(str(*static_cast<CXString*>(full.getDirectories()->at(0))), "A");
    EXPECT_EQ(str(*static_cast<CXString*>(full.getDirectories()->at(1))), "Q");
    EXPECT_EQ(str(full.getFileName()), "name.ext");
    EXPECT_EQ(str(full.getPureFileName()), "name");
    EXPECT_EQ(str(full.getExtension()), "ext");
    EXPECT_EQ(str(full.getPath()), "C:\\A\\Q");

    CFileNameResolver relative("A\\\\Q\\n.tar.gz");
    EXPECT_EQ(relative.getDrive(), 0);
    EXPECT_EQ(relative.getDirectories()->getSize(), 2);
    EXPECT_EQ(str(relative.getPureFileName()), "n");
    EXPECT_EQ(str(relative.getExtension()), "tar");

    CFileNameResolver bare("README");
    EXPECT_EQ(str(bare.getFileName()), "README");
    EXPECT_EQ(str(bare.getPureFileName()), "README");
    EXPECT_EQ(bare.getExtension().GetLength(), 0);
    EXPECT_EQ(bare.getDirectories()->getSize(), 0);

    CFileNameResolver empty("");
    EXPECT_EQ(empty.getFileName().GetLength(), 0);
}

TEST_F(FileTest, FoldersAndSearches) {
    put("Dane/A.+intro/x.cnv", "1234");
    put("Dane/B.s/y.cnv");
    put("Dane/b.txt", "hello");
    put("Dane/" + kUtf8, "");

    CXArray* names = CFolder::list("dane\\*.*");
    std::vector<std::string> listed;
    for (int i = 0; i < names->getSize(); ++i) listed.push_back(str(*static_cast<CXString*>(names->at(i))));
    CFolder::releaseFilesList(names);
    EXPECT_EQ(listed, (std::vector<std::string>{".", "..", "A.+intro", "B.s", "b.txt", kCpLower}));

    names = CFolder::list("Dane\\*.CNV");
    EXPECT_EQ(names->getSize(), 0);
    CFolder::releaseFilesList(names);
    names = CFolder::list("Dane\\A.+intro\\*.CNV");
    EXPECT_EQ(names->getSize(), 1);
    CFolder::releaseFilesList(names);

    EXPECT_TRUE(CFolder::IsDirectory("DANE\\a.+INTRO"));
    EXPECT_FALSE(CFolder::IsDirectory("Dane\\b.txt"));
    EXPECT_FALSE(CFolder::IsDirectory("Dane\\none"));
    EXPECT_EQ(CFolder::GetSize("Dane\\B.TXT"), 5);
    EXPECT_EQ(CFolder::GetSize("Dane\\none"), 0);
    EXPECT_TRUE(CFile::dirExists("dane"));
    EXPECT_FALSE(CFile::dirExists("Dane\\b.txt"));

    // With the folder attribute set beforehand, only folders are found.
    _finddata64i32_t data;
    data.attrib = FIND_FOLDER;
    int handle = CFile::findFirst("Dane\\b*", &data);
    ASSERT_GE(handle, 0);
    EXPECT_STREQ(data.name, "B.s");
    EXPECT_EQ(CFile::findNext(handle, &data), 0);
    EXPECT_STREQ(data.name, "b.txt");
    EXPECT_EQ(data.size, 5u);
    EXPECT_EQ(CFile::findNext(handle, &data), -1);
    EXPECT_EQ(CFile::findNext(handle, &data), -1);
    EXPECT_EQ(CFile::findFirst("Dane\\*.none", &data), -1);
    EXPECT_EQ(CFile::findFirst("Dane\\", &data), -1);

    // Walking: a folder's type is what follows its last '.', or past a leading '+'.
    CFolder folder(nullptr, "dane");
    EXPECT_EQ(str(folder.getPath()), str(CFile::getCurrentDirectory()));
    EXPECT_EQ(str(folder.GetFolderName("*")), ".");
    EXPECT_EQ(str(folder.GetNextFileName()), "..");
    EXPECT_EQ(str(folder.GetFileName("*.txt")), "b.txt");
    EXPECT_EQ(folder.GetNextFileName().GetLength(), 0);
    EXPECT_EQ(str(folder.GoTo(0)), "intro");
    EXPECT_TRUE(CFile::fileExists(nullptr, "x.cnv"));
    EXPECT_EQ(folder.GoUp().GetLength(), 0);
    EXPECT_EQ(str(folder.GoTo(1)), "s");
    EXPECT_TRUE(CFile::fileExists(nullptr, "y.cnv"));
    folder.GoStart();
    EXPECT_TRUE(CFile::fileExists(nullptr, "b.txt"));
    EXPECT_EQ(str(folder.FindFolder('A')), "A.+intro");
    folder.back();
    EXPECT_EQ(str(CFile::getCurrentDirectory()), root("\\"));
    EXPECT_NE(CFile::chDir("none"), 0);
}

TEST_F(FileTest, ExistenceTests) {
    put("Dane/S1/a.img");
    EXPECT_TRUE(CFile::fileExists(nullptr, "dane\\S1\\A.IMG"));
    EXPECT_FALSE(CFile::fileExists(nullptr, "dane\\S1\\b.img"));
    put("prod/Dane/S1/p.img");
    EXPECT_FALSE(CFile::fileExists(nullptr, "Dane\\S1\\p.img"));
    CWindow::gameProductPath = root("/prod/").c_str();
    EXPECT_TRUE(CFile::fileExists(nullptr, "Dane\\S1\\p.img"));
    CWindow::setCDPath(root("/").c_str());
    EXPECT_TRUE(CFile::fileExists(nullptr, "$Dane\\S1\\a.img"));
}

TEST_F(FileTest, FileResolverFlags) {
    struct CResource : CFileResolver {};
    CResource resource;
    EXPECT_FALSE(resource.isLoaded());
    resource.setFilename("a.img");
    EXPECT_EQ(str(resource.getFileName()), "a.img");
    resource.load();
    EXPECT_TRUE(resource.isLoaded());
    resource.release();
    EXPECT_FALSE(resource.isLoaded());
    resource.toRelease(true);
    EXPECT_TRUE(resource.releaseAfterUse());
    CFileResolver::log("discarded");
}
