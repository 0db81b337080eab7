#include "main/Startup.h"

#include <gtest/gtest.h>

#include "MainFixtures.h"
#include "core/CommandLine6.h"
#include "core/XVersion.h"
#include "platform/Registry.h"

using namespace KavirelDLL;
using KavirelTest::CProgramFolder;

TEST(Startup, APendingUpdateIsALibraryOrProgramInTemp) {
    CProgramFolder folder;
    EXPECT_FALSE(hasPendingUpdate());
    folder.put("temp/readme.txt", "");
    folder.put("tempo/engine.dll", "");
    EXPECT_FALSE(hasPendingUpdate());
    folder.put("temp/Kavirel.EXE", "");
    EXPECT_TRUE(hasPendingUpdate());
    std::filesystem::remove(folder.root() / "game" / "temp" / "Kavirel.EXE");
    CPlatformFiles::clearIndex();
    EXPECT_FALSE(hasPendingUpdate());
    folder.put("temp/libkavirel.so", "");
    EXPECT_TRUE(hasPendingUpdate());
}

TEST(Startup, EveryStartRecordsTheEngineVersionForTheUser) {
    CProgramFolder folder;
    ASSERT_TRUE(writeEngineVersion());
    std::string version;
    ASSERT_EQ(CPlatformRegistry::shared().getString(ERegistryRoot::currentUser,
                                                    "Software\\OrvikMedia\\KavirelWeb", "Version", version),
              EPlatformError::none);
    EXPECT_EQ(version, CXVersion::getCurrentVersion()->toString().GetBuffer());
}

TEST(Startup, SettingsTakeTheirDefaultsAndSubdirBecomesThePath) {
    CProgramFolder folder;
    folder.put("Kavirel.ini", "[MAIN]\r\nSUBDIR=Dane\r\nROOTPATH=C:\\Gra\\\r\nLANGUAGE=0415\r\n");
    CCommandLine6 plain("-window");
    SMainSettings settings;
    CXString message;
    ASSERT_EQ(readMainSettings(plain, settings, message), ESettingsResult::ok);
    EXPECT_STREQ(settings.ini.GetBuffer(), "Kavirel.ini");
    EXPECT_STREQ(settings.title.GetBuffer(), "OrvikMedia");
    EXPECT_STREQ(settings.rootPath.GetBuffer(), "C:\\Gra\\");
    EXPECT_STREQ(settings.language.GetBuffer(), "0415");
    EXPECT_STREQ(plain.getPath().GetBuffer(), "Dane");
    // A path on the command line wins.
    CCommandLine6 given("-path Inne");
    ASSERT_EQ(readMainSettings(given, settings, message), ESettingsResult::ok);
    EXPECT_STREQ(given.getPath().GetBuffer(), "Inne");
    // Without an ini file everything is a default.
    std::filesystem::remove(folder.root() / "game" / "Kavirel.ini");
    CPlatformFiles::clearIndex();
    CCommandLine6 none("");
    ASSERT_EQ(readMainSettings(none, settings, message), ESettingsResult::ok);
    EXPECT_STREQ(settings.title.GetBuffer(), "OrvikMedia");
    EXPECT_FALSE(none.getPath().IsString());
}

TEST(Startup, AProductReadsItsPerUserCopyAndNeverOverwritesIt) {
    CProgramFolder folder;
    folder.put("Kavirel.ini", "[MAIN]\r\nPRODUCT=Gra\r\nTITLE=Pierwszy\r\nINI=gra.ini\r\n");
    const auto copy = folder.root() / "data" / "kavirel" / "OrvikMedia" / "Gra" / "Kavirel.ini";
    CCommandLine6 line("");
    SMainSettings settings;
    CXString message;
    ASSERT_EQ(readMainSettings(line, settings, message), ESettingsResult::ok);
    ASSERT_TRUE(std::filesystem::exists(copy));
    EXPECT_STREQ(settings.title.GetBuffer(), "Pierwszy");
    EXPECT_STREQ(settings.ini.GetBuffer(), "gra.ini");
    EXPECT_NE(std::string(settings.configFile.GetBuffer()).find("OrvikMedia\\Gra\\Kavirel.ini"),
              std::string::npos);

    // The player's copy keeps what was saved in it.
    std::ofstream(copy, std::ios::binary) << "[MAIN]\r\nPRODUCT=Gra\r\nTITLE=Zapisany\r\n";
    folder.put("Kavirel.ini", "[MAIN]\r\nPRODUCT=Gra\r\nTITLE=Nowy\r\n");
    ASSERT_EQ(readMainSettings(line, settings, message), ESettingsResult::ok);
    EXPECT_STREQ(settings.title.GetBuffer(), "Zapisany");
    EXPECT_STREQ(settings.ini.GetBuffer(), "Kavirel.ini");
    EXPECT_NE(CProgramFolder::read(copy).find("Zapisany"), std::string::npos);
}

TEST(Startup, AProductLeavingTheUserFolderOrNoUserFolderIsRefused) {
    CProgramFolder folder;
    folder.put("Kavirel.ini", "[MAIN]\r\nPRODUCT=..\\..\\..\\outside\r\n");
    CCommandLine6 line("");
    SMainSettings settings;
    CXString message;
    EXPECT_EQ(readMainSettings(line, settings, message), ESettingsResult::badProduct);
    EXPECT_FALSE(std::filesystem::exists(folder.root() / "outside"));
    for (const char* product : {"Gra\\Druga", "C:Gra", "..", "a/b"}) {
        folder.put("Kavirel.ini", std::string("[MAIN]\r\nPRODUCT=") + product + "\r\n");
        EXPECT_EQ(readMainSettings(line, settings, message), ESettingsResult::badProduct) << product;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.root() / "data" / "kavirel" / "OrvikMedia" / "Gra"));

    // A user folder that cannot be made.
    folder.put("Kavirel.ini", "[MAIN]\r\nPRODUCT=Gra\r\n");
    folder.put("blocked", "a file");
    setenv("XDG_DATA_HOME", (folder.root() / "game" / "blocked").c_str(), 1);
    EXPECT_EQ(readMainSettings(line, settings, message), ESettingsResult::noUserFolder);
    EXPECT_STREQ(message.GetBuffer(), "SHGetSpecialFolder returned 0");
}
