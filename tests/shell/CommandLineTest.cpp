#include <gtest/gtest.h>

#include <string>

#include "core/CommandLine6.h"

using namespace KavirelDLL;

namespace {
std::string text(const CXString& s) { return s.GetBuffer(); }
std::string size(const CXSize& s) { return std::to_string(s.cx) + "x" + std::to_string(s.cy); }
} // namespace

TEST(CommandLine6, TokensWithQuotes) {
    CCommandLine6 line("  -path \"My Games\\Big One\"\t-player  \"\" \"open-ended");
    EXPECT_EQ(line.getNoArgs(), 5);
    EXPECT_EQ(text(line.getPath()), "My Games\\Big One");
    EXPECT_EQ(text(line.getPlayer()), "");
    EXPECT_EQ(text(line.getParameter("player")), "");
    CCommandLine6 glued("\"a b\"c -x");
    EXPECT_EQ(glued.getNoArgs(), 3); // the closing quote ends the token
    EXPECT_EQ(CCommandLine6("").getNoArgs(), 0);
    EXPECT_EQ(CCommandLine6(static_cast<const char*>(nullptr)).getNoArgs(), 0);
}

TEST(CommandLine6, Defaults) {
    CCommandLine6 line("");
    EXPECT_EQ(size(line.getResolution()), "800x600");
    EXPECT_TRUE(line.isMusicEnabled());
    EXPECT_TRUE(line.isSoundEnabled());
    EXPECT_FALSE(line.isWindowMode());
    EXPECT_FALSE(line.isGame());
    EXPECT_FALSE(line.isToPack());
    EXPECT_EQ(line.getDelay(), 0);
    EXPECT_FALSE(line.isSecondaryDisplayEnabled());
    EXPECT_EQ(text(line.getServer()), CCommandLine6::DEFAULT_SERVER);

    CCommandLine6 empty;
    EXPECT_EQ(size(empty.getResolution()), "0x0");
    EXPECT_EQ(empty.getNoArgs(), 0);
    EXPECT_EQ(text(empty.getServer()), "");
    EXPECT_FALSE(empty.isParameter("window"));
}

TEST(CommandLine6, EveryFlagInEitherForm) {
    const char* names[] = {"window",  "nogfx", "server", "client",     "pf",       "code",     "decode",
                           "remove",  "vmem",  "cheat",  "morvatilen", "2bin",     "forceCNV", "debug",
                           "bigfile", "log",   "params", "noframe",    "forcenew", "omitdir"};
    for (const char* name : names) {
        for (const char* prefix : {"-", "/"}) {
            CCommandLine6 line((std::string("x ") + prefix + name + " y").c_str());
            bool flags[] = {line.isWindowMode(),
                            line.isGFXEnabled(),
                            line.isServer(),
                            line.isClient(),
                            line.isPageFlippingEnabled(),
                            line.isToCode(),
                            line.isToDecode(),
                            line.isToRemove(),
                            line.isVMem(),
                            line.isCheatMode(),
                            line.isCheatMode(),
                            line.is2Bin(),
                            line.isForceCNV(),
                            line.isDebugMode(),
                            line.isCreateBigFile(),
                            line.isLogEnabled(),
                            line.isRunWithParams(),
                            line.isNoFrame(),
                            line.isForceNew(),
                            line.isOmitDir()};
            for (size_t i = 0; i < std::size(names); ++i)
                EXPECT_EQ(flags[i],
                          std::string(names[i]) == name ||
                              (std::string(name) == "morvatilen" && std::string(names[i]) == "cheat") ||
                              (std::string(name) == "cheat" && std::string(names[i]) == "morvatilen"))
                    << prefix << name << " / " << names[i];
            EXPECT_TRUE(line.isParameter(name));
        }
    }
    CCommandLine6 off("-nomusic /nosound");
    EXPECT_FALSE(off.isMusicEnabled());
    EXPECT_FALSE(off.isSoundEnabled());
}

TEST(CommandLine6, OnlyTheExactSwitchCounts) {
    CCommandLine6 line("-Window window --window -windowed \\window -forcecnv");
    EXPECT_FALSE(line.isWindowMode());
    EXPECT_FALSE(line.isForceCNV());
    EXPECT_FALSE(line.isParameter("window"));
    // A bare word equal to a switch's name is a value, never the switch.
    CCommandLine6 bare("-player path -path Games");
    EXPECT_EQ(text(bare.getPath()), "Games");
    EXPECT_EQ(text(bare.getPlayer()), "path");
    EXPECT_EQ(text(bare.getParameter("path")), "Games");
    CCommandLine6 word("path Games");
    EXPECT_EQ(text(word.getPath()), "");
    EXPECT_EQ(text(word.getParameter("path")), "");
}

TEST(CommandLine6, Resolution) {
    EXPECT_EQ(size(CCommandLine6("-res 1024 768").getResolution()), "1024x768");
    EXPECT_EQ(size(CCommandLine6("/res 640 480 -window").getResolution()), "640x480");
    EXPECT_EQ(size(CCommandLine6("-window -res 1024").getResolution()), "1024x600");
    EXPECT_EQ(size(CCommandLine6("-res").getResolution()), "800x600");
    EXPECT_EQ(size(CCommandLine6("-window").getResolution()), "800x600");
    // The height is the token after the width, even when the width's text also appears earlier.
    EXPECT_EQ(size(CCommandLine6("-delay 1024 -res 1024 768").getResolution()), "1024x768");
    EXPECT_EQ(size(CCommandLine6("-res 800 800").getResolution()), "800x800");
    // Text without digits reads as 0, as the classic runtime reads it.
    EXPECT_EQ(size(CCommandLine6("-res wide 700").getResolution()), "0x700");
}

TEST(CommandLine6, Values) {
    CCommandLine6 game("-game Puzzles -path Other -window");
    EXPECT_TRUE(game.isGame());
    EXPECT_EQ(text(game.getPath()), "Puzzles");
    EXPECT_TRUE(game.isWindowMode());

    CCommandLine6 pack("-pack -path Levels");
    EXPECT_TRUE(pack.isToPack());
    EXPECT_EQ(text(pack.getPackDir()), "Levels");
    EXPECT_EQ(text(pack.getPackFile()), "Levels.pik");
    CCommandLine6 packFile("-path Levels -pack -file out.pik");
    EXPECT_EQ(text(packFile.getPackFile()), "out.pik");
    EXPECT_EQ(text(CCommandLine6("-file out.pik -path L").getPackFile()), "");

    CCommandLine6 values("-delay 250 -player Ann -server 10.0.0.2 -product Demo -fullname Big_Game_2 "
                         "-version 1.2 -pikfile a.pik");
    EXPECT_EQ(values.getDelay(), 250);
    EXPECT_TRUE(values.isSecondaryDisplayEnabled());
    EXPECT_EQ(text(values.getPlayer()), "Ann");
    EXPECT_TRUE(values.isServer());
    EXPECT_EQ(text(values.getServer()), "10.0.0.2");
    EXPECT_EQ(text(values.getProductName()), "Demo");
    EXPECT_EQ(text(values.getFullName()), "Big Game 2");
    EXPECT_EQ(text(values.getVersion()), "1.2");
    EXPECT_EQ(text(values.getDownloadedPIKFile()), "a.pik");

    // A switch given last has no value.
    CCommandLine6 last("-window -player");
    EXPECT_TRUE(last.isParameter("player"));
    EXPECT_EQ(text(last.getPlayer()), "");

    CCommandLine6 set("");
    set.setPath("Sub");
    set.runInWindow(true);
    set.setAsShowDbg(true);
    EXPECT_EQ(text(set.getPath()), "Sub");
    EXPECT_TRUE(set.isWindowMode());
    EXPECT_TRUE(set.isDebugMode());
    set.setAsWindow(false);
    EXPECT_FALSE(set.isWindowMode());
}

TEST(CommandLine6, ArgumentsFromTheShell) {
    char program[] = "kavirel";
    char path[] = "-path";
    char folder[] = "Gry \xc5\xbc\xc3\xb3\xc5\x82w"; // UTF-8 "Gry żółw"
    char window[] = "/window";
    char* argv[] = {program, path, folder, window, nullptr};
    CCommandLine6 line(4, argv);
    EXPECT_EQ(line.getNoArgs(), 3);
    EXPECT_EQ(text(line.getPath()), "Gry \xbf\xf3\xb3w"); // engine text, code page 1250
    EXPECT_TRUE(line.isWindowMode());
}
