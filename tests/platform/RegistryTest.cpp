#include "platform/Registry.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    CPlatformRegistry registry(tmp.str());
    EXPECT_EQ(registry.loadStatus(), EPlatformError::corrupt);
    EXPECT_NE(registry.loadMessage().find("line 5"), std::string::npos) << registry.loadMessage();
    EXPECT_EQ(getString(registry, HKCU, "good", "kept"), "yes");
    EXPECT_EQ(getString(registry, HKCU, "good", "lost"), "error: not found");
    EXPECT_EQ(readNative(tmp.path() / "registry.txt.damaged"), damaged);

    // The next write stores what was read, and the store is whole again.
    ASSERT_EQ(registry.setString(HKCU, "Good", "new", "1"), EPlatformError::none);
    CPlatformRegistry reopened(tmp.str());
    EXPECT_EQ(reopened.loadStatus(), EPlatformError::none);
    EXPECT_EQ(getString(reopened, HKCU, "Good", "kept"), "yes");
    EXPECT_EQ(getString(reopened, HKCU, "Good", "new"), "1");
    EXPECT_EQ(readNative(tmp.path() / "registry.txt.damaged"), damaged);
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
