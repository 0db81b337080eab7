#include "platform/Registry.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {
const auto HKCU = ERegistryRoot::currentUser;
const auto HKLM = ERegistryRoot::localMachine;
const std::string kWeb = "Software\\OrvikMedia\\KavirelWeb";

std::string getString(CPlatformRegistry& registry, ERegistryRoot root, const std::string& key,
                      const std::string& name) {
    std::string value;
    EPlatformError error = registry.getString(root, key, name, value);
    return error == EPlatformError::none ? value : std::string("error: ") + platformErrorText(error);
}

void writeStore(const CTempFolder& tmp, const std::string& text) {
    std::ofstream(tmp.path() / "registry.txt", std::ios::binary) << text;
}

// Runs body with standard error going to a file, and gives back what was written there.
template <typename Body> std::string standardErrorOf(const CTempFolder& tmp, Body body) {
    std::string name = (tmp.path().parent_path() / (tmp.path().filename().string() + ".stderr")).string();
    std::fflush(stderr);
    int saved = dup(2);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    dup2(fd, 2);
    close(fd);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text = readNative(name);
    std::remove(name.c_str());
    return text;
}

std::vector<std::string> filesIn(const CTempFolder& tmp) {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(tmp.path())) files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}

const std::string kWebRecords = "KavirelRegistry 1\n"
                                "[HKEY_CURRENT_USER\\Software\\OrvikMedia\\KavirelWeb\\Gra1]\n"
                                "\"FullName\"=\"Gra pierwsza\"\n"
                                "\"TimesPlayed\"=\"7\"\n"
                                "\"Version\"=\"1.2\"\n"
                                "end\n";

// What a run does with a store it cannot read: what it writes reads back. 0 when all held.
int runOnAnUnreadableStore(const std::string& folder) {
    CPlatformRegistry registry(folder);
    int failed = registry.loadStatus() == EPlatformError::accessDenied ? 0 : 1;
    if (registry.setString(HKCU, kWeb + "\\Gra1", "TimesPlayed", "8") != EPlatformError::none) failed |= 2;
    if (getString(registry, HKCU, kWeb + "\\Gra1", "TimesPlayed") != "8") failed |= 4;
    if (registry.deleteValue(HKCU, kWeb + "\\Gra1", "TimesPlayed") != EPlatformError::none) failed |= 8;
    if (registry.valueType(HKCU, kWeb + "\\Gra1", "TimesPlayed") != ERegistryType::none) failed |= 16;
    return failed;
}
} // namespace

TEST(PlatformRegistry, ValuesSurviveAReopen) {
    CTempFolder tmp;
    // Polish letters, the format's own marks, a line end and bytes the code page leaves undefined.
    const std::string awkward = std::string("Gra \xB3\xF3") + "d\x9F \"%[x]\\ 100%\n\r\t\x81\x98\xFF";
    {
        CPlatformRegistry registry(tmp.str());
        EXPECT_EQ(registry.setString(HKCU, kWeb, "Version", "Kavirel.1.0.9"), EPlatformError::none);
        EXPECT_EQ(registry.setString(HKCU, kWeb + "\\Gra1", "FullName", awkward), EPlatformError::none);
        EXPECT_EQ(registry.setString(HKCU, kWeb + "\\Gra1", "", "default"), EPlatformError::none);
        EXPECT_EQ(registry.setNumber(HKCU, kWeb + "\\Gra1", "Count", 0xFFFFFFFFu), EPlatformError::none);
        EXPECT_EQ(registry.setString(
                      HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KavirelWEB_Gra1",
                      "DisplayName", "KavirelWEB - Gra1"),
                  EPlatformError::none);
        EXPECT_EQ(registry.setString(HKCU, "", "AtRoot", "r"), EPlatformError::none);
        EXPECT_EQ(registry.createKey(HKCU, "Software\\Empty\\Key"), EPlatformError::none);
        EXPECT_EQ(registry.loadStatus(), EPlatformError::none);
    }
    CPlatformRegistry registry(tmp.str());
    EXPECT_EQ(getString(registry, HKCU, kWeb, "Version"), "Kavirel.1.0.9");
    EXPECT_EQ(getString(registry, HKCU, kWeb + "\\Gra1", "FullName"), awkward);
    EXPECT_EQ(getString(registry, HKCU, kWeb + "\\Gra1", ""), "default");
    uint32_t number = 0;
    EXPECT_EQ(registry.getNumber(HKCU, kWeb + "\\Gra1", "count", number), EPlatformError::none);
    EXPECT_EQ(number, 0xFFFFFFFFu);
    EXPECT_EQ(getString(registry, HKLM,
                        "software\\microsoft\\windows\\currentversion\\uninstall\\kavirelweb_gra1",
                        "DISPLAYNAME"),
              "KavirelWEB - Gra1");
    EXPECT_EQ(getString(registry, HKCU, "\\", "AtRoot"), "r");
    EXPECT_TRUE(registry.keyExists(HKCU, "software\\EMPTY\\key"));
    EXPECT_EQ(registry.loadStatus(), EPlatformError::none);
    EXPECT_EQ(registry.loadMessage(), "");
    // The two roots are apart.
    EXPECT_FALSE(registry.keyExists(HKLM, kWeb));
    // Written atomically: nothing is left beside the store.
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(tmp.path())) files.push_back(entry.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{"registry.txt"});
    std::string text = readNative(tmp.path() / "registry.txt");
    EXPECT_EQ(text.rfind("KavirelRegistry 1\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 4), "end\n");
}

TEST(PlatformRegistry, KeysAndValuesMatchWithoutRegardToCase) {
    CTempFolder tmp;
    CPlatformRegistry registry(tmp.str());
    const std::string lodz = std::string("Gry\\\xA3\xD3") + "D\x8F";      // ŁÓDŹ
    const std::string lodzLower = std::string("gry\\\xB3\xF3") + "d\x9F"; // łódź
    ASSERT_EQ(registry.setString(HKCU, lodz, "Name", "a"), EPlatformError::none);
    EXPECT_EQ(getString(registry, HKCU, lodzLower, "NAME"), "a");
    // Setting under another spelling replaces the value and keeps the first spelling.
    ASSERT_EQ(registry.setString(HKCU, lodzLower, "nAmE", "b"), EPlatformError::none);
    std::vector<std::string> names;
    ASSERT_EQ(registry.listValues(HKCU, lodz, names), EPlatformError::none);
    EXPECT_EQ(names, std::vector<std::string>{"Name"});
    EXPECT_EQ(getString(registry, HKCU, lodz, "Name"), "b");

    for (const char* key : {"Gry\\beta", "GRY\\Alfa", "gry\\gamma"}) registry.createKey(HKCU, key);
    ASSERT_EQ(registry.listSubKeys(HKCU, "gry", names), EPlatformError::none);
    EXPECT_EQ(names, (std::vector<std::string>{"Alfa", "beta", "gamma", std::string("\xA3\xD3") + "D\x8F"}));
    EXPECT_EQ(registry.listSubKeys(HKCU, "nothing", names), EPlatformError::notFound);
    EXPECT_TRUE(names.empty());
}

TEST(PlatformRegistry, DeletingAndTypes) {
    CTempFolder tmp;
    CPlatformRegistry registry(tmp.str());
    registry.setString(HKCU, kWeb + "\\Gra\\Sub\\Deeper", "x", "1");
    registry.setNumber(HKCU, kWeb + "\\Gra", "TimesPlayed", 3);
    registry.setString(HKCU, kWeb + "\\Gra", "InstallTime", "123");

    std::string text;
    uint32_t number = 0;
    EXPECT_EQ(registry.getString(HKCU, kWeb + "\\Gra", "TimesPlayed", text), EPlatformError::wrongType);
    EXPECT_EQ(registry.getNumber(HKCU, kWeb + "\\Gra", "InstallTime", number), EPlatformError::wrongType);
    EXPECT_EQ(registry.valueType(HKCU, kWeb + "\\Gra", "timesplayed"), ERegistryType::number);
    EXPECT_EQ(registry.valueType(HKCU, kWeb + "\\Gra", "installtime"), ERegistryType::string);
    EXPECT_EQ(registry.valueType(HKCU, kWeb + "\\Gra", "none"), ERegistryType::none);
    // A value changes type when set again.
    registry.setString(HKCU, kWeb + "\\Gra", "TimesPlayed", "4");
    EXPECT_EQ(getString(registry, HKCU, kWeb + "\\Gra", "TimesPlayed"), "4");

    EXPECT_EQ(registry.deleteValue(HKCU, kWeb + "\\Gra", "INSTALLTIME"), EPlatformError::none);
    EXPECT_EQ(registry.deleteValue(HKCU, kWeb + "\\Gra", "InstallTime"), EPlatformError::notFound);
    EXPECT_EQ(registry.deleteValue(HKCU, "No\\Key", "x"), EPlatformError::notFound);
    EXPECT_EQ(registry.getString(HKCU, "No\\Key", "x", text), EPlatformError::notFound);

    EXPECT_EQ(registry.deleteKey(HKCU, kWeb + "\\gra"), EPlatformError::none);
    EXPECT_FALSE(registry.keyExists(HKCU, kWeb + "\\Gra\\Sub\\Deeper"));
    EXPECT_FALSE(registry.keyExists(HKCU, kWeb + "\\Gra"));
    EXPECT_TRUE(registry.keyExists(HKCU, kWeb));
    EXPECT_EQ(registry.deleteKey(HKCU, kWeb + "\\gra"), EPlatformError::notFound);
    EXPECT_EQ(registry.deleteKey(HKCU, ""), EPlatformError::accessDenied);
    EXPECT_EQ(registry.deleteKey(HKCU, "\\"), EPlatformError::accessDenied);

    CPlatformRegistry reopened(tmp.str());
    EXPECT_FALSE(reopened.keyExists(HKCU, kWeb + "\\Gra"));
    EXPECT_TRUE(reopened.keyExists(HKCU, kWeb));
}

TEST(PlatformRegistry, ChangesOfAnotherStoreArePickedUp) {
    CTempFolder tmp;
    CPlatformRegistry first(tmp.str());
    CPlatformRegistry second(tmp.str());
    first.setString(HKCU, kWeb, "Path", "C:\\Games");
    EXPECT_EQ(getString(second, HKCU, kWeb, "Path"), "C:\\Games");
    second.setString(HKCU, kWeb, "File", "run.exe");
    EXPECT_EQ(getString(first, HKCU, kWeb, "File"), "run.exe");
    EXPECT_EQ(getString(first, HKCU, kWeb, "Path"), "C:\\Games");

    // Two programs changing the store at once (two games ending together) keep both ones' values.
    constexpr int kValues = 100;
    EXPECT_TRUE(runInChildren(2, [&](int child) {
        CPlatformRegistry own(tmp.str());
        const std::string key = kWeb + "\\Gra" + std::to_string(child);
        for (int i = 0; i < kValues; ++i)
            if (own.setString(HKCU, key, "V" + std::to_string(i), std::to_string(i)) != EPlatformError::none)
                return false;
        return true;
    }));
    CPlatformRegistry after(tmp.str());
    int kept = 0;
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < kValues; ++i)
            kept += getString(after, HKCU, kWeb + "\\Gra" + std::to_string(child), "V" + std::to_string(i)) ==
                    std::to_string(i);
    EXPECT_EQ(kept, 2 * kValues);
    EXPECT_EQ(getString(after, HKCU, kWeb, "File"), "run.exe");
}

TEST(PlatformRegistry, EveryCutOfTheFileReadsWhatCameBefore) {
    CTempFolder tmp;
    std::string full;
    {
        CPlatformRegistry registry(tmp.str());
        registry.setString(HKCU, "A", "one", "1");
        registry.setString(HKCU, "A\\B", "two", std::string("\xB3\xF3") + "d\x9F");
        registry.setNumber(HKLM, "C", "three", 3);
        full = readNative(tmp.path() / "registry.txt");
    }
    for (size_t cut = 0; cut < full.size(); ++cut) {
        CTempFolder store;
        writeStore(store, full.substr(0, cut));
        CPlatformRegistry registry(store.str());
        EXPECT_EQ(registry.loadStatus(), EPlatformError::corrupt) << cut;
        std::string value;
        // Whatever was read is right; a value read at all is whole.
        if (registry.getString(HKCU, "A", "one", value) == EPlatformError::none) {
            EXPECT_EQ(value, "1");
        }
        if (registry.getString(HKCU, "A\\B", "two", value) == EPlatformError::none) {
            EXPECT_EQ(value, std::string("\xB3\xF3") + "d\x9F") << cut;
        }
        uint32_t number = 0;
        if (registry.getNumber(HKLM, "C", "three", number) == EPlatformError::none) {
            EXPECT_EQ(number, 3u) << cut;
        }
        if (cut >= full.find("\"one\"=\"1\"\n") + 10) {
            EXPECT_EQ(getString(registry, HKCU, "A", "one"), "1") << cut;
        }
    }
    CTempFolder store;
    writeStore(store, full);
    CPlatformRegistry registry(store.str());
    EXPECT_EQ(registry.loadStatus(), EPlatformError::none);
}

TEST(PlatformRegistry, DamagedStoreIsReportedKeptAndRepaired) {
    CTempFolder tmp;
    const std::string damaged = "KavirelRegistry 1\n"
                                "[HKEY_CURRENT_USER\\Good]\n"
                                "\"kept\"=\"yes\"\n"
                                "\"n\"=dword:0000002a\n"
                                "\"broken\"=\"no end\n"
                                "\"lost\"=\"after\"\n"
                                "end\n";
    writeStore(tmp, damaged);
    struct stat original;
    ASSERT_EQ(stat((tmp.path() / "registry.txt").c_str(), &original), 0);
    CPlatformRegistry registry(tmp.str());
    EXPECT_EQ(registry.loadStatus(), EPlatformError::corrupt);
    EXPECT_NE(registry.loadMessage().find("line 5"), std::string::npos) << registry.loadMessage();
    EXPECT_EQ(getString(registry, HKCU, "good", "kept"), "yes");
    EXPECT_EQ(getString(registry, HKCU, "good", "lost"), "error: not found");
    // The file itself is moved aside, and the store holds what was read from it.
    struct stat aside;
    ASSERT_EQ(stat((tmp.path() / "registry.txt.damaged").c_str(), &aside), 0);
    EXPECT_EQ(aside.st_ino, original.st_ino);
    EXPECT_EQ(readNative(tmp.path() / "registry.txt.damaged"), damaged);
    EXPECT_EQ(CPlatformRegistry(tmp.str()).loadStatus(), EPlatformError::none);

    // The next write stores what was read, and the store is whole again.
    ASSERT_EQ(registry.setString(HKCU, "Good", "new", "1"), EPlatformError::none);
    CPlatformRegistry reopened(tmp.str());
    EXPECT_EQ(reopened.loadStatus(), EPlatformError::none);
    EXPECT_EQ(getString(reopened, HKCU, "Good", "kept"), "yes");
    EXPECT_EQ(getString(reopened, HKCU, "Good", "new"), "1");
    EXPECT_EQ(readNative(tmp.path() / "registry.txt.damaged"), damaged);

    // Damaged again: the earlier copy stays, the new one takes the next free name.
    writeStore(tmp, "damaged again");
    EXPECT_EQ(CPlatformRegistry(tmp.str()).loadStatus(), EPlatformError::corrupt);
    EXPECT_EQ(readNative(tmp.path() / "registry.txt.damaged"), damaged);
    EXPECT_EQ(readNative(tmp.path() / "registry.txt.damaged.2"), "damaged again");
    EXPECT_EQ(filesIn(tmp), (std::vector<std::string>{"registry.txt", "registry.txt.damaged",
                                                      "registry.txt.damaged.2"}));
}

TEST(PlatformRegistry, AStoreThatCannotBeReadIsNeverWrittenOver) {
    // Root's own file, readable by root alone, as a run under sudo leaves it; the folder is the user's.
    CTempFolder tmp;
    writeStore(tmp, kWebRecords);
    const fs::path store = tmp.path() / "registry.txt";
    ASSERT_EQ(chmod(store.c_str(), 0600), 0);
    std::string errors = standardErrorOf(tmp, [&] {
        if (geteuid() != 0) {
            ASSERT_EQ(chmod(store.c_str(), 0), 0);
            EXPECT_EQ(runOnAnUnreadableStore(tmp.str()), 0);
            return;
        }
        const uid_t nobody = 65534;
        ASSERT_EQ(chown(tmp.path().c_str(), nobody, nobody), 0);
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
                setresuid(nobody, nobody, nobody) != 0)
                _exit(100);
            int failed = runOnAnUnreadableStore(tmp.str());
            std::fflush(stderr);
            _exit(failed);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    });
    EXPECT_EQ(readNative(store), kWebRecords);
    EXPECT_EQ(filesIn(tmp), std::vector<std::string>{"registry.txt"});
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find("cannot be read"), std::string::npos) << errors;
    EXPECT_NE(errors.find("for this run only"), std::string::npos) << errors;

    // A folder where the file should be is not read either, and nothing is put beside it.
    CTempFolder folder;
    folder.put("registry.txt/inside", "kept");
    CPlatformRegistry registry(folder.str());
    EXPECT_EQ(registry.setString(HKCU, kWeb, "Version", "2.0"), EPlatformError::none);
    EXPECT_EQ(getString(registry, HKCU, kWeb, "Version"), "2.0");
    EXPECT_EQ(registry.loadStatus(), EPlatformError::isFolder);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"registry.txt"});
}

TEST(PlatformRegistry, ATooLargeStoreIsMovedAsideWhole) {
    CTempFolder tmp;
    const fs::path store = tmp.path() / "registry.txt";
    const std::string head = "KavirelRegistry 1\n[HKEY_CURRENT_USER\\Big]\n";
    const uintmax_t size = (uintmax_t(64) << 20) + 1;
    writeStore(tmp, head);
    fs::resize_file(store, size); // sparse: the disk holds only the head
    std::string errors = standardErrorOf(tmp, [&] {
        CPlatformRegistry registry(tmp.str());
        EXPECT_EQ(registry.loadStatus(), EPlatformError::corrupt);
        EXPECT_NE(registry.loadMessage().find("too large"), std::string::npos) << registry.loadMessage();
        EXPECT_FALSE(registry.keyExists(HKCU, "Big"));
        // A new store is started and written as usual.
        EXPECT_EQ(registry.setString(HKCU, kWeb, "Version", "1.0"), EPlatformError::none);
    });
    EXPECT_NE(errors.find("registry.txt.damaged"), std::string::npos) << errors;
    EXPECT_EQ(filesIn(tmp), (std::vector<std::string>{"registry.txt", "registry.txt.damaged"}));
    ASSERT_EQ(fs::file_size(tmp.path() / "registry.txt.damaged"), size);
    std::string moved(head.size(), '\0');
    std::ifstream(tmp.path() / "registry.txt.damaged", std::ios::binary).read(moved.data(), head.size());
    EXPECT_EQ(moved, head);
    CPlatformRegistry reopened(tmp.str());
    EXPECT_EQ(reopened.loadStatus(), EPlatformError::none);
    EXPECT_EQ(getString(reopened, HKCU, kWeb, "Version"), "1.0");
}

TEST(PlatformRegistry, MalformedLinesNeverCrash) {
    const char* bodies[] = {
        "",
        "not a registry\n",
        "KavirelRegistry 2\nend\n",
        "KavirelRegistry 1\n\"v\"=\"outside a key\"\nend\n",
        "KavirelRegistry 1\n[HKEY_NOWHERE\\x]\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\\\x]\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"=dword:123\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"=dword:1234567g\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"%4\"\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"%zz\"\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"a\"b\"\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"\xC5\"\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v\"\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n\"v=\"1\"\nend\n",
        "KavirelRegistry 1\n[]\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\nstray\nend\n",
        "KavirelRegistry 1\n[HKEY_CURRENT_USER\\x]\n",
    };
    for (const char* body : bodies) {
        CTempFolder tmp;
        writeStore(tmp, body);
        CPlatformRegistry registry(tmp.str());
        EXPECT_EQ(registry.loadStatus(), EPlatformError::corrupt) << body;
        std::string value;
        EXPECT_EQ(registry.getString(HKCU, "x", "v", value), EPlatformError::notFound) << body;
    }
    // Comments, blank lines and Windows line ends are fine.
    CTempFolder tmp;
    writeStore(tmp, "KavirelRegistry 1\r\n# note\r\n\r\n[hkey_current_user\\X]\r\n\"v\"=\"ok\"\r\nend\r\n");
    CPlatformRegistry registry(tmp.str());
    EXPECT_EQ(registry.loadStatus(), EPlatformError::none) << registry.loadMessage();
    EXPECT_EQ(getString(registry, HKCU, "x", "V"), "ok");
}

TEST(PlatformRegistry, AStoreThatCannotBeWrittenSaysSo) {
    CTempFolder tmp;
    tmp.put("blocked", "a file where the folder should be");
    CPlatformRegistry registry(tmp.str() + "/blocked");
    EXPECT_NE(registry.setString(HKCU, "A", "b", "c"), EPlatformError::none);
    // What could not be stored is not pretended to be there.
    EXPECT_FALSE(registry.keyExists(HKCU, "A"));
}
