// The web installer over a temporary registry store, with a downloader that writes a package it was given.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/DownloadManagerIfc.h"
#include "core/FileFixture.h"
#include "core/KavirelWEB.h"
#include "core/Log.h"
#include "harness/Environment.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;

namespace {

const auto HKCU = ERegistryRoot::currentUser;
const auto HKLM = ERegistryRoot::localMachine;
const CXString kGameKey = CXString(CKavirelWEB::kKey) + "\\Gra";
const CXString kUninstall = CXString(CKavirelWEB::kUninstallKey) + "Gra";

std::string u32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string storedEntry(const std::string& name, const std::string& data) {
    return std::string(1, 2) + u32(static_cast<uint32_t>(data.size())) +
           u32(static_cast<uint32_t>(data.size())) + data + u32(static_cast<uint32_t>(name.size())) + name;
}
const std::string kPackage = "SFX01" + u32(2) + storedEntry("Gra\\Dane\\application.def", "OBJECT=X\n") +
                             storedEntry("Gra\\readme.txt", "hi");

int64_t fixedWall() { return 1765000000; }

class CFakeDownloader : public CDownloadManagerIfc {
public:
    CFakeDownloader(std::filesystem::path folder, std::string bytes, bool succeed = true)
        : m_folder(std::move(folder)), m_bytes(std::move(bytes)), m_succeed(succeed) {}
    bool download(CXString file, CXString address) override {
        ++calls;
        lastFile = file.GetBuffer();
        lastAddress = address.GetBuffer();
        if (!m_succeed) return false;
        std::ofstream(m_folder / lastFile, std::ios::binary) << m_bytes;
        return true;
    }
    int calls = 0;
    std::string lastFile, lastAddress;

private:
    std::filesystem::path m_folder;
    std::string m_bytes;
    bool m_succeed;
};

class WebInstaller : public GameFolderTest {
protected:
    void SetUp() override {
        GameFolderTest::SetUp();
        m_registry = std::make_unique<CPlatformRegistry>(m_store.str());
        CKavirelWEB::setRegistry(m_registry.get());
        CPlatformClock::injectWall(fixedWall);
        CKavirelWEB::set_registry(HKCU, CKavirelWEB::kKey, "Path", CXString(root().c_str()));
        CKavirelWEB::set_registry(HKCU, CKavirelWEB::kKey, "File", "kavirel");
    }
    void TearDown() override {
        CPlatformClock::injectWall(nullptr);
        CKavirelWEB::setRegistry(nullptr);
        GameFolderTest::TearDown();
    }
    std::string value(ERegistryRoot rootKey, const CXString& key, const char* name) {
        return CKavirelWEB::get_registry(rootKey, key, name).GetBuffer();
    }
    bool exists(const std::string& relative) const {
        return std::filesystem::exists(m_tmp.path() / relative);
    }

    CTempFolder m_store{"store"};
    std::unique_ptr<CPlatformRegistry> m_registry;
};

} // namespace

TEST_F(WebInstaller, InstallsOnceAndWritesTheRecords) {
    CFakeDownloader downloader(m_tmp.path(), kPackage);
    EXPECT_TRUE(CKavirelWEB::install(&downloader, "Gra", "Gra pelna", "http://gry.example/Gra.pik"));
    EXPECT_EQ(downloader.calls, 1);
    EXPECT_EQ(downloader.lastFile, "Gra.pik");
    EXPECT_EQ(downloader.lastAddress, "http://gry.example/Gra.pik");
    EXPECT_EQ(read("Gra/Dane/application.def"), "OBJECT=X\n");
    EXPECT_FALSE(exists("Gra.pik"));
    EXPECT_EQ(value(HKCU, kGameKey, "TimesPlayed"), "0");
    EXPECT_EQ(value(HKCU, kGameKey, "TotalTime"), "0");
    EXPECT_EQ(value(HKCU, kGameKey, "InstallTime"), "1765000000");
    EXPECT_EQ(value(HKCU, kGameKey, "FullName"), "Gra pelna");
    EXPECT_EQ(value(HKLM, kUninstall, "DisplayName"), "KavirelWEB - Gra");
    EXPECT_EQ(value(HKLM, kUninstall, "UninstallString"), root() + "\\kavirel -uninstall -game Gra");

    // Installed: nothing is downloaded again.
    EXPECT_TRUE(CKavirelWEB::install(&downloader, "Gra", "Gra pelna", "http://gry.example/Gra.pik"));
    EXPECT_EQ(downloader.calls, 1);

    // A local package and no downloader.
    put("Inna.pik", "SFX01" + u32(1) + storedEntry("Inna\\a.txt", "a"));
    EXPECT_TRUE(CKavirelWEB::install(nullptr, "Inna", "Inna", ""));
    EXPECT_EQ(read("Inna/a.txt"), "a");
}

TEST_F(WebInstaller, AFailedDownloadOrADamagedPackageWritesNoRecords) {
    CLogCapture log;
    CFakeDownloader failing(m_tmp.path(), kPackage, false);
    EXPECT_FALSE(CKavirelWEB::install(&failing, "Gra", "Gra", "http://x"));
    EXPECT_FALSE(exists("Gra"));
    EXPECT_FALSE(m_registry->keyExists(HKCU, kGameKey.GetBuffer()));
    EXPECT_FALSE(m_registry->keyExists(HKLM, kUninstall.GetBuffer()));

    // A package that reads but one of whose entries cannot be placed, a foreign file, one cut short: each is
    // removed, and still no records.
    const std::string good = "SFX01" + u32(1) + storedEntry("Gra\\ok.txt", "ok");
    for (const std::string& bytes :
         {"SFX01" + u32(2) + storedEntry("Gra\\ok.txt", "ok") + storedEntry("..\\out.txt", "evil"),
          std::string("SFX02"), good.substr(0, good.size() - 3)}) {
        CFakeDownloader damaged(m_tmp.path(), bytes);
        EXPECT_FALSE(CKavirelWEB::install(&damaged, "Gra", "Gra", "http://x"));
        EXPECT_FALSE(exists("Gra.pik"));
        EXPECT_FALSE(m_registry->keyExists(HKCU, kGameKey.GetBuffer()));
        EXPECT_FALSE(m_registry->keyExists(HKLM, kUninstall.GetBuffer()));
    }
    EXPECT_TRUE(log.contains("is damaged (it could not be read or extracted whole) and was removed"));
    // No package at all, and no downloader: nothing to remove, and it says so.
    EXPECT_FALSE(CKavirelWEB::install(nullptr, "Brak", "Brak", ""));
    EXPECT_TRUE(log.contains("there is no package Brak.pik"));
}

TEST_F(WebInstaller, UninstallRemovesTheFolderAndEveryRecord) {
    CFakeDownloader downloader(m_tmp.path(), kPackage);
    ASSERT_TRUE(CKavirelWEB::install(&downloader, "Gra", "Gra", "http://x"));
    CKavirelWEB::set_registry(HKCU, kGameKey, "Version", "1.2");
    CKavirelWEB::set_registry(HKCU, kGameKey + "\\Sub", "X", "1");
    EXPECT_EQ(CKavirelWEB::uninstall("Gra"), 0);
    EXPECT_FALSE(exists("Gra"));
    EXPECT_FALSE(m_registry->keyExists(HKCU, kGameKey.GetBuffer()));
    EXPECT_FALSE(m_registry->keyExists(HKLM, kUninstall.GetBuffer()));
    EXPECT_EQ(value(HKCU, CKavirelWEB::kKey, "File"), "kavirel");

    // Not installed: the records of that name go all the same, and the answer is 1.
    CKavirelWEB::set_registry(HKCU, kGameKey, "FullName", "stale");
    EXPECT_EQ(CKavirelWEB::uninstall("Gra"), 1);
    EXPECT_FALSE(m_registry->keyExists(HKCU, kGameKey.GetBuffer()));

    // Without a recorded folder no folder is removed, not even one below the current folder.
    put("Gra/keep.txt", "k");
    CKavirelWEB::delete_registry(HKCU, CKavirelWEB::kKey, "Path");
    CLogCapture log;
    EXPECT_EQ(CKavirelWEB::uninstall("Gra"), 1);
    EXPECT_TRUE(exists("Gra/keep.txt"));
    EXPECT_TRUE(log.contains("not recorded"));
}

TEST_F(WebInstaller, NamesThatAreNotPlainAreRefused) {
    CLogCapture log;
    put("victim/file.txt", "v");
    CKavirelWEB::set_registry(HKCU, CKavirelWEB::kKey, "Path", CXString(root("/victim").c_str()));
    CFakeDownloader downloader(m_tmp.path(), kPackage);
    for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:x", "\\abs", "/abs"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(CKavirelWEB::install(&downloader, name, "x", "http://x"));
        EXPECT_EQ(CKavirelWEB::uninstall(name), 1);
    }
    EXPECT_EQ(downloader.calls, 0);
    EXPECT_EQ(read("victim/file.txt"), "v");
    EXPECT_TRUE(log.contains("not a plain name"));
}

TEST_F(WebInstaller, RegistryHelpersAndTheProgramsPath) {
    CKavirelWEB::set_registry(HKCU, CKavirelWEB::kKey, "Path", "C:\\Games");
    CKavirelWEB::set_registry(HKCU, CKavirelWEB::kKey, "File", "run.exe");
    EXPECT_STREQ(CKavirelWEB::get_full_kvweb_path().GetBuffer(), "C:\\Games\\run.exe");
    CKavirelWEB::set_registry(HKCU, CKavirelWEB::kKey, "Path", "C:\\Games\\");
    EXPECT_STREQ(CKavirelWEB::get_full_kvweb_path().GetBuffer(), "C:\\Games\\run.exe");

    EXPECT_TRUE(CKavirelWEB::add_registry(HKCU, "K", "long", CXString(std::string(199, 'a').c_str())));
    EXPECT_EQ(value(HKCU, "K", "long").size(), 199u);
    EXPECT_TRUE(CKavirelWEB::update_registry(HKCU, "K", "long", CXString(std::string(200, 'a').c_str())));
    EXPECT_EQ(value(HKCU, "K", "long"), "");
    EXPECT_EQ(value(HKCU, "Missing", "x"), "");
    EXPECT_TRUE(CKavirelWEB::delete_registry_key(HKCU, "K"));
    EXPECT_FALSE(CKavirelWEB::delete_registry_key(HKCU, "K"));

    KavirelTest::CScopedEnv data("XDG_DATA_HOME", m_tmp.str().c_str());
    EXPECT_TRUE(CKavirelWEB::recordProgram("kavirel"));
    EXPECT_EQ(value(HKCU, CKavirelWEB::kKey, "Path"), root("/kavirel/games"));
    EXPECT_TRUE(std::filesystem::is_directory(m_tmp.path() / "kavirel" / "games"));
}
