// What the SYSTEM object asks of the platform: the wall clock, the user's folders, the process's own line.
#include <gtest/gtest.h>

#include "harness/Environment.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/PlatformTime.h"
#include "platform/Process.h"
#include "platform/TempFolder.h"

using namespace KavirelDLL;

namespace {
int64_t fixedWall() { return 1796720707; }
} // namespace

TEST(PlatformServices, TheWallClockCanBeInjectedAndReadAsUtc) {
    const int64_t real = CPlatformClock::wallSeconds();
    EXPECT_GT(real, 1700000000);
    CPlatformClock::injectWall(&fixedWall);
    std::tm tm{};
    ASSERT_TRUE(CPlatformClock::utc(CPlatformClock::wallSeconds(), tm));
    EXPECT_EQ(tm.tm_year, 126);
    EXPECT_EQ(tm.tm_mon, 11);
    EXPECT_EQ(tm.tm_mday, 8);
    EXPECT_EQ(tm.tm_hour, 9);
    CPlatformClock::injectWall(nullptr);
    EXPECT_GE(CPlatformClock::wallSeconds(), real);
    EXPECT_GT(CPlatformClock::bootMilliseconds(), 0u);
}

TEST(PlatformServices, UserFoldersFollowTheDesktopsSettings) {
    CTempFolder tmp;
    KavirelTest::CScopedEnv home("HOME", tmp.str().c_str());
    KavirelTest::CScopedEnv config("XDG_CONFIG_HOME", (tmp.path() / "cfg").c_str());
    const std::string root = CPlatformFiles::toEngineName(tmp.str());
    EXPECT_EQ(CPlatformFiles::homeFolder(), root);
    EXPECT_EQ(CPlatformFiles::documentsFolder(), root + "\\Documents");
    tmp.put("cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Pulpit\"\nXDG_DOCUMENTS_DIR=\"/srv/docs/\"\n");
    EXPECT_EQ(CPlatformFiles::desktopFolder(), root + "\\Pulpit");
    EXPECT_EQ(CPlatformFiles::documentsFolder(), "\\srv\\docs");
}

TEST(PlatformServices, TheProcessKnowsItsNameLineAndUser) {
    EXPECT_EQ(CPlatformFiles::programName(), "test_platform");
    const std::string line = CPlatformProcess::commandLine();
    EXPECT_NE(line.find("test_platform"), std::string::npos);
    EXPECT_NE(CPlatformProcess::userName(), "");
}

TEST(PlatformServices, AHeadlessWindowMinimisesAtOnce) {
    auto display = createHeadlessDisplay();
    display->minimise(); // closed: nothing happens
    EXPECT_FALSE(display->isMinimised());
    CDisplayMode mode;
    mode.width = 64;
    mode.height = 48;
    ASSERT_TRUE(display->open(mode));
    display->minimise();
    EXPECT_TRUE(display->isMinimised());
    display->onWindowEvent(EWindowEvent::Restored);
    EXPECT_FALSE(display->isMinimised());
}
