#include <gtest/gtest.h>

#include <string>

#include "core/Config.h"
#include "core/LanguageOSVer.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"

using namespace KavirelDLL;

namespace {
std::string text(const CXString& s) { return s.GetBuffer(); }
} // namespace

TEST(Config, RoundTripsStringsAndNumbers) {
    CTempFolder folder("config");
    std::string name = CPlatformFiles::toEngineName(folder.str()) + "\\Kavirel.ini";
    CConfig config(name.c_str());
    EXPECT_EQ(text(config.getConfigFileName()), name);
    EXPECT_EQ(text(config.GetString("MAIN", "TITLE")), "");
    EXPECT_EQ(config.GetInt("Scene1", "Played"), 0);

    EXPECT_TRUE(config.PutString("MAIN", "TITLE", "Zagadki"));
    EXPECT_TRUE(config.PutInt("Scene1", "Played", 3));
    EXPECT_TRUE(config.PutInt("Scene1", "Time", -25));
    EXPECT_EQ(text(config.GetString("main", "title")), "Zagadki");
    EXPECT_EQ(config.GetInt("SCENE1", "played"), 3);
    EXPECT_EQ(config.GetInt("Scene1", "Time"), -25);
    EXPECT_EQ(text(config.GetString("Scene1", "Time")), "-25");
    EXPECT_EQ(readNative(folder.path() / "Kavirel.ini"),
              "[MAIN]\r\nTITLE=Zagadki\r\n[Scene1]\r\nPlayed=3\r\nTime=-25\r\n");

    // A value far beyond the classic 10240-character buffer comes back whole.
    std::string longValue(50000, 'v');
    longValue += "end";
    EXPECT_TRUE(config.PutString("Save", "Board", longValue.c_str()));
    EXPECT_EQ(text(config.GetString("Save", "Board")), longValue);
}

TEST(Config, WithoutAFileNothingIsStored) {
    CConfig config;
    EXPECT_EQ(text(config.getConfigFileName()), "");
    EXPECT_EQ(text(config.GetString("MAIN", "TITLE")), "");
    EXPECT_FALSE(config.PutString("MAIN", "TITLE", "x"));
}

TEST(Config, TheLanguageFolderCanBeSetFromTheIniFile) {
    CTempFolder folder("configlang");
    folder.put("Kavirel.ini", "[MAIN]\nLANGUAGE=0405\n");
    CConfig config((CPlatformFiles::toEngineName(folder.str()) + "\\Kavirel.ini").c_str());
    CLanguageOSVer language;
    language.setLanguageFolder(config.GetString("MAIN", "LANGUAGE"));
    EXPECT_EQ(text(language.getLanguageFolder()), "CZE");
    int before = language.getLang();
    language.setLanguageFolder(config.GetString("MAIN", "MISSING")); // absent: the locale's choice stays
    EXPECT_EQ(language.getLang(), before);
}
