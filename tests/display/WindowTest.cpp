#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "WindowFixtures.h"
#include "core/Log.h"
#include "display/Color.h"
#include "display/InputPoller.h"
#include "display/MouseListener.h"
#include "display/Printer.h"
#include "display/SecondaryDisplay.h"
#include "display/Surface.h"
#include "input/KeyListener.h"
#include "platform/ImageLibrary.h"
#include "platform/PlatformTime.h"
#include "platform/Print.h"
#include "platform/TempFolder.h"
#include "script/Object.h"
#include "shell/Application.h"

using namespace KavirelTest;

namespace {

uint64_t g_nowMs = 0;
uint64_t fakeMicros() { return g_nowMs * 1000; }

class ClockTest : public testing::Test {
protected:
    void SetUp() override {
        g_nowMs = 50'000;
        CPlatformClock::inject(&fakeMicros);
    }
    void TearDown() override { CPlatformClock::inject(nullptr); }
};

// An application whose frame step answers what the test says.
class StubApplication : public CApplication {
public:
    bool domodal() override {
        ++steps;
        return leave;
    }
    bool OnExit() override { return false; }
    bool leave = false;
    int steps = 0;
};

class CountingWindow : public CWindow {
public:
    CountingWindow(CDisplay* display, CCommandLine6* line)
        : CWindow(display, nullptr, line, nullptr, CXSize(320, 240), 0, "", "", "", true) {}
    int OnTimer(int id) override {
        fired.push_back(id);
        return 0;
    }
    std::vector<int> fired;
};

class Doomed : public CXObject {
public:
    explicit Doomed(int* deaths) : m_deaths(deaths) {}
    ~Doomed() override { ++*m_deaths; }

private:
    int* m_deaths;
};

class CountingPoller : public CInputPoller {
public:
    void tick() override { ++ticks; }
    void flushSignals(bool deliver) override { flushes += deliver ? 1 : 0; }
    int ticks = 0;
    int flushes = 0;
};

class FlushCounter : public CMC_Object {
public:
    FlushCounter() : CMC_Object(CXString("counter"), 0) {}
    void flush() override { ++flushes; }
    int flushes = 0;
};

struct Listener : CMouseListener {
    void onLooseFocus() override { ++lostFocus; }
    int lostFocus = 0;
};

} // namespace

// ---------------------------------------------------------------- frames

TEST(Window, ShowsGraphicsOnAHeadlessDisplay) {
    HeadlessGame game;
    ASSERT_EQ(game.window.LastError(), 0);
    EXPECT_TRUE(game.display->isOpen());
    EXPECT_EQ(game.window.GetScreenSize().cx, 320);
    EXPECT_EQ(game.window.GetBpp(), 16);
    EXPECT_EQ(game.window.GetScreenPtr(), reinterpret_cast<char*>(game.display->pixels()));
    CColor green(0, 255, 0);
    game.window.SetBackground(&green);
    std::unique_ptr<CGraphicsObject> box(solid(10, 10, 0xF800, -1, &game.window));
    box->SetPosition(100, 50);
    game.window.GetRefreshScreenInterface()->put(box.get(), 0);
    game.window.Tick();
    EXPECT_EQ(game.display->presentedPixel(105, 55), 0xF800);
    EXPECT_EQ(game.display->presentedPixel(0, 0), 0x07E0);
    EXPECT_EQ(game.window.GetRefreshScreenInterface()->getRefreshList()->getSize(), 0);

    box->Move(20, 0);
    game.window.Tick();
    EXPECT_EQ(game.display->presentedPixel(105, 55), 0x07E0);
    EXPECT_EQ(game.display->presentedPixel(125, 55), 0xF800);
    *game.window.GetRefreshScreenInterface() >> box.get();
}

TEST(Window, DomodalLeavesAfterQuitWhateverTheApplicationSays) {
    HeadlessGame game;
    StubApplication app;
    game.window.SetApplicationInterface(&app);
    EXPECT_FALSE(game.window.domodal());
    EXPECT_EQ(app.steps, 1);
    app.leave = true;
    EXPECT_TRUE(game.window.domodal());
    app.leave = false;
    game.window.quit();
    EXPECT_TRUE(game.window.domodal());
    EXPECT_FALSE(game.window.OnExit());
    game.window.SetApplicationInterface(nullptr);
    EXPECT_TRUE(game.window.OnExit());
    // The window menu's quit command, and a closing window, end the loop too.
    HeadlessGame other;
    OnWindowCommand(&other.window, nullptr, 40001);
    EXPECT_TRUE(other.window.domodal());
    HeadlessGame closing;
    closing.window.OnDestroy();
    EXPECT_TRUE(closing.window.domodal());
}

TEST_F(ClockTest, AnInactiveWindowSkipsDrawingButKeepsItsTimersAndPollers) {
    CCommandLine6 line("-window");
    auto display = createHeadlessDisplay();
    CountingWindow window(display.get(), &line);
    window.CreateSurface(nullptr);
    window.SetTimer(7, 100, nullptr, false);
    CountingPoller poller;
    window.addIPoller(&poller);
    window.addIPoller(&poller);
    FlushCounter listener;
    window.registerMCListener(&listener);
    window.registerMCListener(&listener);

    window.Tick();
    EXPECT_EQ(display->presentCount(), 0u);
    EXPECT_EQ(poller.ticks, 0);
    EXPECT_EQ(poller.flushes, 1);
    EXPECT_EQ(listener.flushes, 1);
    g_nowMs += 150;
    window.Tick();
    EXPECT_EQ(window.fired, std::vector<int>{7});

    window.OnActivateApp(true);
    window.Tick();
    EXPECT_EQ(display->presentCount(), 1u);
    EXPECT_EQ(poller.ticks, 1);
    window.KillTimer(7);
    g_nowMs += 500;
    window.Tick();
    EXPECT_EQ(window.fired.size(), 1u);

    // A forced redraw draws in an inactive window.
    window.OnActivateApp(false);
    window.Redraw(true);
    EXPECT_EQ(display->presentCount(), 3u);
    window.removeIPoller(&poller);
    window.removeMCListener(&listener);
    window.Tick();
    EXPECT_EQ(poller.flushes, 4);
    EXPECT_EQ(listener.flushes, 4);
}

// Drawing first, then reading the input devices, the timers, and last the input handed to the handlers and
// the script listeners' flush.
TEST_F(ClockTest, FrameStepsRunInTheirOrder) {
    std::vector<std::string> steps;
    class LoggingWindow : public CWindow {
    public:
        LoggingWindow(CDisplay* display, CCommandLine6* line, std::vector<std::string>* log)
            : CWindow(display, nullptr, line, nullptr, CXSize(32, 32), 0, "", "", "", true), m_log(log) {}
        int Redraw(bool force) override {
            m_log->push_back("redraw");
            return CWindow::Redraw(force);
        }
        int OnTimer(int) override {
            m_log->push_back("timer");
            return 0;
        }
        std::vector<std::string>* m_log;
    };
    struct Poller : CInputPoller {
        explicit Poller(std::vector<std::string>* log) : m_log(log) {}
        void tick() override { m_log->push_back("tick"); }
        void flushSignals(bool) override { m_log->push_back("signals"); }
        std::vector<std::string>* m_log;
    } poller(&steps);
    struct Listener : CMC_Object {
        explicit Listener(std::vector<std::string>* log) : CMC_Object(CXString("listener"), 0), m_log(log) {}
        void flush() override { m_log->push_back("flush"); }
        std::vector<std::string>* m_log;
    } listener(&steps);

    CCommandLine6 line("-window");
    auto display = createHeadlessDisplay();
    LoggingWindow window(display.get(), &line, &steps);
    window.CreateSurface(nullptr);
    window.OnActivateApp(true);
    window.SetTimer(3, 10, nullptr, false);
    window.addIPoller(&poller);
    window.registerMCListener(&listener);
    g_nowMs += 20;
    window.Tick();
    EXPECT_EQ(steps, (std::vector<std::string>{"redraw", "tick", "timer", "signals", "flush"}));
    window.removeIPoller(&poller);
    window.removeMCListener(&listener);
}

TEST(Window, ActivationTellsTheScreenOnlyOnAChange) {
    HeadlessGame game;
    CRefreshScreen* screen = game.window.GetRefreshScreenInterface();
    CountingObserver observer;
    screen->addNotifier(&observer);
    screen->enableNotifyFlag(true);
    game.window.Tick();
    observer.calls.clear();
    game.window.OnActivateApp(true);
    EXPECT_TRUE(observer.calls.empty());
    EXPECT_EQ(screen->getRefreshList()->getSize(), 0);
    game.window.startDraggingWindow(3, 4);
    game.window.OnActivateApp(false);
    EXPECT_FALSE(game.window.isWindowDragged());
    game.window.OnActivateApp(true);
    ASSERT_EQ(observer.calls.size(), 2u);
    EXPECT_STREQ(observer.calls[0], "focusOff");
    EXPECT_STREQ(observer.calls[1], "focusOn");
    EXPECT_EQ(screen->getRefreshList()->getSize(), 1);
    // Moving the window repaints it.
    game.window.Tick();
    game.window.OnMove(12, 34);
    EXPECT_EQ(screen->GetPosition(), CXPoint(12, 34));
    EXPECT_EQ(screen->getRefreshList()->getSize(), 1);
}

TEST(Window, FullScreenModesAndTheFifteenBitFallback) {
    CCommandLine6 line("");
    auto display = createHeadlessDisplay();
    CWindow window(display.get(), nullptr, &line, nullptr, CXSize(640, 480), 0, "", "", "", true);
    EXPECT_EQ(window.SetDisplayMode(CXSize(0, 0), 15), 0);
    EXPECT_TRUE(display->isFullScreen());
    EXPECT_EQ(display->bitsPerPixel(), 15);
    EXPECT_EQ(window.GetBpp(), 15);
    EXPECT_EQ(window.GetRefreshScreenInterface()->GetBpp(), 15);
    EXPECT_EQ(window.GetScreenSize().cx, 640);
    // A depth the display refuses is an error of the graphics card, and a later success clears it.
    CLogCapture log;
    EXPECT_EQ(window.SetDisplayMode(640, 480, 24), ERR_GRAPHICS_DEVICE);
    EXPECT_EQ(window.LastError(), ERR_GRAPHICS_DEVICE);
    EXPECT_EQ(window.GetRefreshScreenInterface(), nullptr);
    window.OnActivateApp(true);
    window.Tick();
    EXPECT_EQ(window.SetDisplayMode(640, 480, 16), 0);
    EXPECT_EQ(window.LastError(), 0);
    EXPECT_EQ(display->bitsPerPixel(), 16);

    // With page flipping every frame is shown whole.
    CCommandLine6 flipping("-pf");
    auto other = createHeadlessDisplay();
    CWindow flipped(other.get(), nullptr, &flipping, nullptr, CXSize(64, 48), 0, "", "", "", true);
    ASSERT_EQ(flipped.SetDisplayMode(CXSize(64, 48), 16), 0);
    EXPECT_TRUE(flipped.GetSurface()->IsFlippingEnabled());
    flipped.OnActivateApp(true);
    CColor white(255, 255, 255);
    flipped.SetBackground(&white);
    flipped.Tick();
    EXPECT_EQ(other->presentedPixel(63, 47), 0xFFFF);
}

// ---------------------------------------------------------------- sound paths and music

TEST(Window, SoundEffectPathsAndMusicSwitches) {
    HeadlessGame game;
    EXPECT_EQ(std::string(game.window.GetSoundFXFullPath("a.wav").GetBuffer()), "a.wav");
    game.window.SetSoundFXPath("C:\\Game\\Wavs");
    EXPECT_EQ(std::string(game.window.GetSoundFXFullPath("a.wav").GetBuffer()), "C:\\Game\\Wavs\\a.wav");

    CLogCapture log;
    game.window.MusicOn(false);
    game.window.StartMusic("music.ogg", true);
    EXPECT_FALSE(log.contains("music"));
    game.window.MusicOn(true);
    game.window.SoundOn(false);
    game.window.StartMusic("music.ogg", true);
    EXPECT_FALSE(log.contains("music"));
    game.window.SoundOn(true);
    game.window.StartMusic("music.ogg", true);
    EXPECT_TRUE(log.contains("music.ogg is not found"));
    EXPECT_FALSE(game.window.isMusicPlaying());
    EXPECT_EQ(game.window.getMusicVolume(), 0);

    CCommandLine6 quiet("-window -nosound -nomusic");
    auto display = createHeadlessDisplay();
    CWindow silent(display.get(), nullptr, &quiet, nullptr, CXSize(64, 64), 0, "", "", "", true);
    EXPECT_FALSE(silent.IsSoundOn());
    EXPECT_FALSE(silent.IsMusicOn());
}

// ---------------------------------------------------------------- cursors and listeners

TEST(Window, CursorsFollowTheirLocks) {
    auto display = createHeadlessDisplay();
    CDisplayMode mode;
    mode.width = 64;
    mode.height = 64;
    ASSERT_TRUE(display->open(mode));
    uint16_t pixels[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    CCursorImage image;
    image.width = image.height = image.pitch = 2;
    image.pixels = pixels;
    const int32_t main = display->createCursor(image), active = display->createCursor(image),
                  wait = display->createCursor(image);
    CCommandLine6 line("-window");
    CWindow window(display.get(), nullptr, &line, nullptr, CXSize(64, 64), main, "", "", "", true);
    EXPECT_EQ(window.CreateSurface(nullptr), 0);
    EXPECT_EQ(display->currentCursor(), main) << "the program's open window is kept as it is";
    window.SetActiveCursor(active);
    window.SetWaitCursor(wait);
    window.BeginActiveCursor();
    EXPECT_EQ(display->currentCursor(), active);
    window.EndActiveCursor();
    EXPECT_EQ(display->currentCursor(), main);
    window.lockActiveCursor(true);
    window.BeginActiveCursor();
    EXPECT_EQ(display->currentCursor(), main);
    window.lockActiveCursor(false);
    window.LockCursor();
    window.BeginWaitCursor();
    EXPECT_EQ(display->currentCursor(), main);
    window.UnLockCursor();
    window.enableMouse(false);
    EXPECT_EQ(display->currentCursor(), wait);
    EXPECT_FALSE(window.isMouseEnabled());
    window.enableMouse(true);
    EXPECT_EQ(display->currentCursor(), main);

    window.HideCursor();
    EXPECT_FALSE(display->isCursorVisible());
    window.HideCursor();
    window.ShowCursor();
    EXPECT_FALSE(display->isCursorVisible());
    window.ShowCursor();
    EXPECT_TRUE(display->isCursorVisible());
}

TEST(Window, MouseListenersKeepTheirFirstPriorityAndCaptionGoesOnTop) {
    HeadlessGame game;
    Listener a, b, c;
    game.window.registerMouseListener(&a, 100);
    game.window.registerMouseListener(&b, 5);
    game.window.registerMouseListener(&a, 7);
    game.window.registerMouseListener(&c, 100);
    CSortedVector* list = game.window.getMouseListeners();
    ASSERT_EQ(list->getSize(), 3);
    auto entry = [&](int i) { return static_cast<CMouseListenerEntry*>(list->at(i)); };
    EXPECT_EQ(entry(0)->getListener(), &b);
    EXPECT_EQ(entry(1)->getListener(), &a);
    EXPECT_EQ(entry(1)->getPriority(), 100);
    EXPECT_EQ(entry(2)->getListener(), &c);

    game.window.setMouseCaption(&b);
    EXPECT_EQ(c.lostFocus, 1);
    EXPECT_EQ(b.lostFocus, 1);
    EXPECT_EQ(entry(2)->getListener(), &b);
    EXPECT_EQ(entry(2)->getPriority(), 1000000);
    game.window.setMouseCaption(&b);
    EXPECT_EQ(b.lostFocus, 1);
    game.window.removeMouseListener(&a);
    EXPECT_EQ(list->getSize(), 2);

    struct Keys : CKeyListener {
    } keys;
    game.window.registerKeyListener(&keys);
    game.window.registerKeyListener(&keys);
    EXPECT_EQ(game.window.getKeyListeners()->getSize(), 1);
    game.window.removeKeyListener(&keys);
    EXPECT_EQ(game.window.getKeyListeners()->getSize(), 0);
}

// ---------------------------------------------------------------- deferred deletion

TEST_F(ClockTest, DeferredDeletionRunsEveryTenSecondsOnMarkedObjects) {
    HeadlessGame game;
    CPublicTrash* trash = game.window.getPublicTrashInterface();
    ASSERT_NE(trash, nullptr);
    int deaths = 0;
    auto* marked = new Doomed(&deaths);
    auto* kept = new Doomed(&deaths);
    trash->add(marked);
    trash->add(kept);
    marked->setToDelete();
    g_nowMs += 9'000;
    game.window.Tick();
    EXPECT_EQ(deaths, 0);
    g_nowMs += 1'500;
    game.window.Tick();
    EXPECT_EQ(deaths, 1);
    ASSERT_EQ(trash->getSize(), 1);
    EXPECT_EQ(trash->at(0), kept);
    kept->setToDelete();
    g_nowMs += 10'001;
    game.window.Tick();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(trash->getSize(), 0);
    // What is marked when the window goes is deleted with it.
    auto* last = new Doomed(&deaths);
    trash->add(last);
    last->setToDelete();
}

// ---------------------------------------------------------------- errors

TEST(Window, ShowErrorSpeaksPolishForTheDeviceCodes) {
    HeadlessGame game;
    testing::internal::CaptureStderr();
    game.window.ShowError("Kavirel");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    game.window.setErrorCode(ERR_GRAPHICS_DEVICE);
    testing::internal::CaptureStderr();
    game.window.ShowError("Kavirel");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Nieprawidłowe działanie karty graficznej."),
              std::string::npos);
    game.window.setErrorCode(ERR_SOUND_DEVICE);
    testing::internal::CaptureStderr();
    game.window.ShowError("Kavirel");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("karty dźwiękowej."), std::string::npos);
    game.window.setErrorCode(5);
    testing::internal::CaptureStderr();
    game.window.ShowError("Kavirel");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Nieznany błąd krytyczny."), std::string::npos);
}

TEST(Window, WithoutADisplayTheSurfaceFailsAsAGraphicsError) {
    CLogCapture log;
    CCommandLine6 line("-window");
    CWindow window(nullptr, nullptr, &line, nullptr, CXSize(64, 64), 0, "", "", "", true);
    EXPECT_EQ(window.CreateSurface(nullptr), ERR_GRAPHICS_DEVICE);
    EXPECT_EQ(window.GetSurface(), nullptr);
    window.OnActivateApp(true);
    window.Tick();
    window.Invalidate();
    EXPECT_EQ(window.GetScreenPtr(), nullptr);
}

TEST(Window, TheNewestWindowIsTheCurrentOneUntilItGoes) {
    EXPECT_FALSE(CImageLibrary::isRunning());
    auto first = std::make_unique<HeadlessGame>();
    EXPECT_EQ(CWindow::getCurrentWindow(), &first->window);
    EXPECT_TRUE(CImageLibrary::isRunning());
    {
        HeadlessGame second;
        EXPECT_EQ(CWindow::getCurrentWindow(), &second.window);
    }
    EXPECT_EQ(CWindow::getCurrentWindow(), nullptr);
    EXPECT_TRUE(CImageLibrary::isRunning());
    first.reset();
    EXPECT_EQ(CWindow::getCurrentWindow(), nullptr);
    EXPECT_FALSE(CImageLibrary::isRunning());
}

// The parts from the folders above the window come with the library: every window with devices has them.
TEST(Window, ADeviceWindowMakesItsPartsAndABareOneRunsWithout) {
    {
        HeadlessGame game;
        EXPECT_NE(game.window.getMusic(), nullptr);
        EXPECT_NE(game.window.getKeyboardInterface(), nullptr);
        // The program reads the mouse on the main thread: no mouse poller of the window's own.
        EXPECT_EQ(game.window.getDXMouseInterface(), nullptr);
        game.window.Tick();
        game.window.OnActivateApp(false);
        game.window.OnActivateApp(true);
    }
    CWindow bare;
    EXPECT_EQ(bare.getMusic(), nullptr);
    EXPECT_EQ(bare.getKeyboardInterface(), nullptr);
    bare.OnActivateApp(true);
    bare.Tick();
    bare.OnActivateApp(false);
    bare.StartMusic("music.ogg", true);
    EXPECT_FALSE(bare.isMusicPlaying());
}

// ---------------------------------------------------------------- secondary display

TEST_F(ClockTest, TheSecondaryDisplayShowsFramesOnlyAfterTheDelay) {
    CCommandLine6 line("-window -delay 100");
    auto display = createHeadlessDisplay();
    auto second = createHeadlessDisplay();
    CWindow window(display.get(), nullptr, &line, nullptr, CXSize(64, 48), 0, "", "", "", true);
    ASSERT_EQ(window.CreateSurface(second.get()), 0);
    window.OnActivateApp(true);
    CSecondaryDisplay* mirror = window.getSecondaryDisplay();
    ASSERT_NE(mirror, nullptr);
    // Only the game window waits for the display's refresh.
    EXPECT_TRUE(display->mode().vsync);
    EXPECT_FALSE(second->mode().vsync);
    EXPECT_EQ(second->width(), 64);
    CColor red(255, 0, 0), blue(0, 0, 255);
    window.SetBackground(&red);
    window.Tick();
    EXPECT_EQ(display->presentedPixel(5, 5), 0xF800);
    EXPECT_EQ(second->presentedPixel(5, 5), 0);
    g_nowMs += 50;
    window.Tick();
    EXPECT_EQ(second->presentedPixel(5, 5), 0);
    g_nowMs += 51;
    window.Tick();
    EXPECT_EQ(second->presentedPixel(5, 5), 0xF800);

    window.SetBackground(&blue);
    window.Invalidate();
    window.Tick(); // blue shown at once in the window, 100 ms later in the mirror
    EXPECT_EQ(display->presentedPixel(5, 5), 0x001F);
    g_nowMs += 60;
    window.Tick();
    EXPECT_EQ(second->presentedPixel(5, 5), 0xF800);
    g_nowMs += 60;
    window.Tick();
    EXPECT_EQ(second->presentedPixel(5, 5), 0x001F);
    EXPECT_LE(mirror->getPendingCount(), 1);
}

// ---------------------------------------------------------------- printing

TEST(Printer, PicturesAreKeptWithoutAPrintCommandAndPrintedThroughOne) {
    CTempFolder tmp("print");
    const char* old = std::getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", tmp.str().c_str(), 1);
    HeadlessGame game;
    CColor blue(0, 0, 255);
    game.window.SetBackground(&blue);
    game.window.Tick();

    CPlatformPrint::setPrintCommand("kavirel-no-such-print-command");
    CLogCapture log;
    CPrinter printer(&game.window, CXRect(10, 10, 30, 20));
    ASSERT_FALSE(printer.getKeptPath().empty());
    EXPECT_NE(printer.getKeptPath().find("prints"), std::string::npos);
    std::ifstream in(printer.getKeptPath(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 54u + 20 * 3 * 10);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[18], 20);
    EXPECT_EQ(bytes[22], 10);
    EXPECT_EQ(bytes[28], 24);
    EXPECT_EQ(bytes[38], 1000 & 0xFF);
    EXPECT_EQ(bytes[54], 255); // blue first
    EXPECT_EQ(bytes[55], 0);
    EXPECT_TRUE(log.contains("kept"));

    CPlatformPrint::setPrintCommand("true");
    CPrinter printed(&game.window, CXRect(0, 0, 320, 240));
    EXPECT_TRUE(printed.getKeptPath().empty());
    EXPECT_TRUE(printed.print(CXRect(-50, -50, 5000, 5000)));
    EXPECT_FALSE(printed.print(CXRect(400, 400, 500, 500)));
    CPlatformPrint::setPrintCommand("");
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

TEST(Printer, BitmapRowsArePaddedAndBottomUp) {
    std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6};
    std::vector<uint8_t> bmp = CPrinter::_init24bitdibsection(1, 2, rgb);
    ASSERT_EQ(bmp.size(), 54u + 8);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.end()),
              (std::vector<uint8_t>{6, 5, 4, 0, 3, 2, 1, 0}));
    EXPECT_TRUE(CPrinter::_init24bitdibsection(2, 2, rgb).empty());
}
