#include "main/MainWindow.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/CommandLine6.h"
#include "display/RefreshRegion.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "main/FramePacer.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;

namespace {

struct CGame {
    explicit CGame(const char* commandLine = "-window")
        : line(commandLine), display(createHeadlessDisplay()),
          window(display.get(), nullptr, &line, nullptr, CXSize(320, 240), 0, "", "", "", true) {
        window.CreateSurface(nullptr);
        window.OnActivateApp(true);
        window.Redraw(true);
    }
    CCommandLine6 line;
    std::unique_ptr<CDisplay> display;
    CWindow window;
};

CInputEvent windowEvent(EWindowEvent kind, int x = 0, int y = 0) {
    CInputEvent e;
    e.type = EInputEventType::Window;
    e.window = kind;
    e.x = x;
    e.y = y;
    return e;
}

} // namespace

TEST(MainWindowProc, CloseAndFocusReachTheEngineWindow) {
    CGame game;
    MainWindowProc(&game.window, windowEvent(EWindowEvent::FocusLost));
    EXPECT_FALSE(game.window.isActive());
    MainWindowProc(&game.window, windowEvent(EWindowEvent::FocusGained));
    EXPECT_TRUE(game.window.isActive());
    EXPECT_FALSE(game.window.isQuitting());
    MainWindowProc(&game.window, windowEvent(EWindowEvent::CloseRequested));
    EXPECT_TRUE(game.window.isQuitting());
    EXPECT_TRUE(game.window.domodal());
    // Before the engine window exists nothing happens.
    MainWindowProc(nullptr, windowEvent(EWindowEvent::CloseRequested));
}

TEST(MainWindowProc, AMoveBelowTheLowestTopReportsThatTop) {
    CGame game;
    MainWindowProc(&game.window, windowEvent(EWindowEvent::Moved, 40, 300));
    EXPECT_EQ(game.window.GetRefreshScreenInterface()->GetPosition(), CXPoint(40, 300));
    MainWindowProc(&game.window, windowEvent(EWindowEvent::Moved, 40, 1200));
    EXPECT_EQ(game.window.GetRefreshScreenInterface()->GetPosition(), CXPoint(40, kLowestReportedTop));
}

TEST(MainWindowProc, AnExposedWindowIsDrawnWholeAndAtOnceWhenInactive) {
    CGame game;
    game.window.OnActivateApp(false);
    game.window.Redraw(true);
    const uint64_t before = game.display->presentCount();
    MainWindowProc(&game.window, windowEvent(EWindowEvent::Exposed));
    EXPECT_EQ(game.display->presentCount(), before + 1);

    game.window.OnActivateApp(true);
    game.window.Redraw(true);
    MainWindowProc(&game.window, windowEvent(EWindowEvent::Exposed));
    EXPECT_EQ(game.display->presentCount(), before + 2);
    EXPECT_TRUE(game.window.GetRefreshScreenInterface()->getRefreshList()->getSize() > 0);

    // Full screen the desktop keeps nothing to repaint.
    CGame full("");
    full.window.Redraw(true);
    MainWindowProc(&full.window, windowEvent(EWindowEvent::Exposed));
    EXPECT_EQ(full.window.GetRefreshScreenInterface()->getRefreshList()->getSize(), 0);
}

TEST(MainWindowProc, OnlyExitAndRedrawAreMenuCommandsThatDoAnything) {
    CGame game;
    set(&game.window, nullptr);
    const uint64_t before = game.display->presentCount();
    for (int inert : {40002, 40003, 40005, 40006, 40007, 100, 0, 1, 2})
        OnWindowCommand(&game.window, nullptr, inert);
    EXPECT_EQ(game.display->presentCount(), before);
    EXPECT_FALSE(game.window.isQuitting());

    // Redraw paints the whole screen at once.
    OnWindowCommand(&game.window, nullptr, 40004);
    EXPECT_EQ(game.display->presentCount(), before + 1);
    EXPECT_FALSE(game.window.isQuitting());
    OnWindowCommand(&game.window, nullptr, 40001);
    EXPECT_TRUE(game.window.isQuitting());
    set(nullptr, nullptr);
}

namespace {

uint64_t g_paceClock = 0;
std::vector<uint64_t> g_waits;
uint64_t paceClock() { return g_paceClock; }
void paceSleep(uint64_t us) {
    g_waits.push_back(us);
    g_paceClock += us;
}

} // namespace

// Where the display reports no refresh rate (the in-memory display, SDL's dummy driver) frames are paced at
// 60 Hz: a quick frame waits out the rest of the period, a slow one or one the display's refresh already
// paced runs on.
TEST(FramePacer, QuickFramesWaitOutTheRefreshPeriod) {
    g_paceClock = 5000000;
    g_waits.clear();
    CPlatformClock::inject(&paceClock);
    std::unique_ptr<CDisplay> display = createHeadlessDisplay();
    CDisplayMode mode;
    ASSERT_TRUE(display->open(mode));
    EXPECT_EQ(display->refreshRate(), 0);
    CFramePacer pacer(display.get(), &paceSleep);
    EXPECT_EQ(pacer.periodMicroseconds(), 16666u);

    const uint64_t frames[] = {2000, 20000, 16000, 15000, 0};
    for (uint64_t took : frames) {
        g_paceClock += took;
        pacer.frameEnded();
    }
    EXPECT_EQ(g_waits, (std::vector<uint64_t>{14666, 1666, 16666}));
    CPlatformClock::inject(nullptr);
}
