#include "display/Window.h"

#include <cstdlib>
#include <vector>

#include "core/CommandLine6.h"
#include "core/File.h"
#include "core/HiResTimer.h"
#include "core/Log.h"
#include "core/WindowLink.h"
#include "display/Collisions.h"
#include "display/DirectDrawSurface.h"
#include "display/InputPoller.h"
#include "display/MouseListener.h"
#include "display/RefreshRegion.h"
#include "display/RefreshScreen.h"
#include "display/SecondaryDisplay.h"
#include "display/ShellServices.h"
#include "display/Surface.h"
#include "display/WindowParts.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/ImageLibrary.h"
#include "platform/MessageBox.h"
#include "platform/PlatformTime.h"

namespace KavirelDLL {

CXString CWindow::exePath;
CXString CWindow::dllPath;
CXString& CWindow::rootPath = CGamePaths::rootPath;
CXString& CWindow::gameProductPath = CGamePaths::gameProductPath;
bool CWindow::paused = false;

namespace {

CWindow* g_current = nullptr;
CWindow* g_stored = nullptr;
void* g_instance = nullptr;

// The core library's questions about the window.
bool answerTheCore() {
    CWindowLink::language = [](CWindow* window) { return window->getLangIfc(); };
    CWindowLink::commandLine = [](CWindow* window) { return window->getCommandLineIfc(); };
    return true;
}
[[maybe_unused]] const bool g_coreKnowsTheWindow = answerTheCore();

template <typename T>
std::vector<T*> snapshot(const CXArray* list) {
    std::vector<T*> items;
    if (!list) return items;
    for (int i = 0; i < list->getSize(); ++i) items.push_back(static_cast<T*>(list->at(i)));
    return items;
}

} // namespace

// ---------------------------------------------------------------- deferred deletion

CPublicTrash::CPublicTrash(CWindow* window)
    : CXVector(101, 0.75f), m_timers(window ? window->GetTimerInterface() : nullptr),
      m_id(static_cast<int>(reinterpret_cast<uintptr_t>(this))) {
    if (m_timers) m_timers->add(m_id, kPeriodMs, static_cast<CTimerNotificator*>(this));
}

CPublicTrash::~CPublicTrash() {
    if (m_timers) m_timers->remove(m_id);
    flushMarked();
}

void CPublicTrash::onTimer(int) { flushMarked(); }

void CPublicTrash::flushMarked() {
    for (int i = 0; i < getSize();) {
        CXObject* object = at(i);
        if (object && object->isToDelete()) {
            // Out of the list before it goes, in case its destructor looks at the bin.
            removeAt(i);
            delete object;
        } else {
            ++i;
        }
    }
}

// ---------------------------------------------------------------- construction

CWindow::CWindow() { g_current = this; }

CWindow::CWindow(CLanguageOSVer* language) : m_language(language) { g_current = this; }

CWindow::CWindow(CDisplay* hwnd, CInput* input, CCommandLine6* commandLine, CLanguageOSVer* language,
                 CXSize resolution, int32_t cursor, CXString exePathArg, CXString dllPathArg,
                 CXString gameProductPathArg, bool noPollThread)
    : m_hwnd(hwnd), m_input(input), m_language(language), m_screenSize(resolution),
      m_noPollThread(noPollThread), m_commandLine(commandLine), m_mainCursor(cursor), m_ownsDevices(true) {
    m_windowed = commandLine ? commandLine->isWindowMode() : true;
    CHiResTimer::timer.Init();
    exePath = exePathArg;
    dllPath = dllPathArg;
    rootPath = CFile::getCurrentDirectory();
    gameProductPath = gameProductPathArg;
    std::srand(static_cast<unsigned>(CPlatformClock::milliseconds()));
    g_current = this;

    m_timers = new CXTimer(this);
    m_pollers = new CXArray(101, 0.75f);
    if (!m_cursorLocked) SetMainCursor();

    // -nosound silences everything: the device is then a silent one that keeps time.
    if (commandLine) m_soundOn = commandLine->isSoundEnabled();
    if (CWindowParts::openSound) CWindowParts::openSound(this);
    if (CWindowParts::makeMusic) m_music = CWindowParts::makeMusic(this);
    if (CWindowParts::makeKeyboard) m_keyboard = CWindowParts::makeKeyboard(this);
    if (!noPollThread && CWindowParts::makeMouse) m_mouse = CWindowParts::makeMouse(this);

    m_keyListeners = new CXArray(101, 0.75f);
    m_mcListeners = new CXVector(101, 0.75f);
    m_mouseListeners = new CSortedVector(101);
    m_collisionInspector = new CCollisionInspector();
    m_trash = new CPublicTrash(this);

    if (commandLine) {
        m_musicOn = commandLine->isMusicEnabled();
        m_soundOn = commandLine->isSoundEnabled();
        m_vmem = commandLine->isVMem();
    }
    CImageLibrary::start();
}

CWindow::~CWindow() {
    release();
    if (m_ownsDevices) {
        delete m_pollers;
        m_pollers = nullptr;
        CImageLibrary::stop();
    }
    if (g_current == this) g_current = nullptr;
    if (g_stored == this) g_stored = nullptr;
}

void CWindow::releaseDisplay() {
    if (!m_ownsScreen) return;
    delete m_refreshScreen;
    m_refreshScreen = nullptr;
    delete m_secondaryDisplay;
    m_secondaryDisplay = nullptr;
    delete m_canvas;
    m_canvas = nullptr;
    delete m_surface;
    m_surface = nullptr;
    m_ownsScreen = false;
}

void CWindow::release() {
    if (m_ownsDevices) CGraphicsObject::ReleaseGraphics();
    if (m_ownsDevices) {
        delete m_trash;
        m_trash = nullptr;
    }
    releaseDisplay();
    if (!m_ownsDevices) return;
    if (CWindowParts::freeMusic) CWindowParts::freeMusic(m_music);
    m_music = nullptr;
    delete m_timers;
    m_timers = nullptr;
    if (CWindowParts::freeKeyboard) CWindowParts::freeKeyboard(m_keyboard);
    m_keyboard = nullptr;
    if (CWindowParts::freeMouse) CWindowParts::freeMouse(m_mouse);
    m_mouse = nullptr;
    delete m_collisionInspector;
    m_collisionInspector = nullptr;
    if (CWindowParts::closeSound) CWindowParts::closeSound();
    delete m_keyListeners;
    m_keyListeners = nullptr;
    delete m_mcListeners;
    m_mcListeners = nullptr;
    if (m_mouseListeners) {
        for (int i = 0; i < m_mouseListeners->getSize(); ++i) delete m_mouseListeners->at(i);
        delete m_mouseListeners;
        m_mouseListeners = nullptr;
    }
    m_input = nullptr;
    if (CWindowParts::freeHotSpots) CWindowParts::freeHotSpots();
}

CWindow* CWindow::getCurrentWindow() { return g_current; }

// ---------------------------------------------------------------- display

int CWindow::buildScreen() {
    m_canvas = new CDirectDrawSurface(this, m_hwnd);
    m_screenSize = m_surface->GetScreenSize();
    m_refreshScreen = new CRefreshScreen(this, false);
    m_ownsScreen = true;
    // A display error left by an earlier try (16 bits before 15) is over.
    if (LastError() == ERR_GRAPHICS_DEVICE) setErrorCode(0);
    return 0;
}

int CWindow::CreateSurface(CDisplay* second) {
    releaseDisplay();
    m_surface = new CSurface(m_hwnd, m_screenSize.cx, m_screenSize.cy);
    if (int error = m_surface->LastError()) {
        delete m_surface;
        m_surface = nullptr;
        setErrorCode(error);
        return error;
    }
    buildScreen();
    if (second) {
        m_secondaryDisplay =
            new CSecondaryDisplay(second, this, m_commandLine ? m_commandLine->getDelay() : 0);
        m_surface->setSecondaryDisplay(m_secondaryDisplay);
    }
    return 0;
}

int CWindow::SetDisplayMode(CXSize size, int bpp) {
    if (size.cx == 0 || size.cy == 0) size = m_screenSize;
    releaseDisplay();
    const bool flip = m_commandLine && m_commandLine->isPageFlippingEnabled();
    m_surface = new CSurface(&size, &bpp, m_hwnd, flip);
    if (int error = m_surface->LastError()) {
        delete m_surface;
        m_surface = nullptr;
        setErrorCode(error);
        return error;
    }
    return buildScreen();
}

int CWindow::SetDisplayMode(int width, int height, int bpp) {
    return SetDisplayMode(CXSize(width, height), bpp);
}

char* CWindow::GetScreenPtr() { return m_surface ? m_surface->GetScreenPtr() : nullptr; }

int CWindow::GetBpp() const { return m_surface ? m_surface->GetBPP() : 0; }

void CWindow::Invalidate() {
    if (m_refreshScreen) m_refreshScreen->Invalidate(static_cast<CXRect*>(nullptr));
}

void CWindow::Invalidate(CXRect* rect) {
    if (m_refreshScreen) m_refreshScreen->Invalidate(rect);
}

void CWindow::Invalidate(CGraphicsObject* object) {
    if (m_refreshScreen) m_refreshScreen->Invalidate(object);
}

void CWindow::SetBackground(CGraphicsObject* object) {
    if (m_refreshScreen) m_refreshScreen->SetBackground(object);
}

void CWindow::SetBackground(CColor* color) {
    if (m_refreshScreen) m_refreshScreen->SetBackground(color);
}

void CWindow::SetBackground(CXString fileName) {
    if (m_refreshScreen) m_refreshScreen->SetBackground(fileName);
}

int CWindow::Redraw(bool force) {
    if (!m_surface || !m_refreshScreen || !m_canvas) return 0;
    if (!force && !m_active) return 0;
    bool redrawAll = false;
    const bool drawn = m_refreshScreen->Redraw(m_canvas, m_surface, &redrawAll);
    if (drawn && m_surface->IsFlippingEnabled()) {
        m_surface->Flip();
    } else {
        if (drawn) {
            CRefreshRegion* region = m_refreshScreen->getRefreshList();
            const CXSize size = m_canvas->Size();
            for (int i = 0; i < region->getSize(); ++i) {
                CXRect* entry = region->rectAt(i);
                CXRect r = entry ? *entry : CXRect(0, 0, size.cx, size.cy);
                if (r.Width() == 0 || r.Height() == 0) continue;
                r.right = std::min(r.right, size.cx);
                r.bottom = std::min(r.bottom, size.cy);
                m_surface->Blt(m_canvas, r.left, r.top, &r);
            }
        }
        // Presented every frame: the display draws again what the desktop may have lost.
        m_surface->Present();
    }
    if (drawn) m_refreshScreen->getRefreshList()->clear();
    if (redrawAll) Invalidate();
    return 0;
}

void CWindow::ShowError(CXString caption) {
    const int code = LastError();
    if (code == 0) return;
    const char* text = code == ERR_GRAPHICS_DEVICE ? "Nieprawid\xB3owe dzia\xB3"
                                                     "anie karty graficznej."
                       : code == ERR_SOUND_DEVICE  ? "Nieprawid\xB3owe dzia\xB3"
                                                     "anie karty d\x9Fwi\xEAkowej."
                                                   : "Nieznany b\xB3\xB9"
                                                     "d krytyczny.";
    showMessageBox(caption.GetBuffer(), text, EMessageButtons::Ok, EMessageAnswer::Ok, m_hwnd);
}

// ---------------------------------------------------------------- frames

int CWindow::Tick() {
    Redraw(false);
    if (m_secondaryDisplay) m_secondaryDisplay->redraw();
    // Input is read on the main thread, so the frame ticks the pollers itself.
    if (m_active)
        for (CInputPoller* poller : snapshot<CInputPoller>(m_pollers))
            if (m_pollers->contains(poller)) poller->tick();
    if (m_timers) m_timers->domodal();
    if (m_application) {
        CAnimationManager* animations = m_application->getAnimoManagerIfc();
        if (animations && CWindowParts::runAnimations) CWindowParts::runAnimations(animations);
        CSoundManager* sounds = m_application->getSoundManagerIfc();
        if (sounds && CWindowParts::runSounds) CWindowParts::runSounds(sounds);
    }
    if (CWindowParts::raiseMusicLoops) CWindowParts::raiseMusicLoops(this);
    if (m_collisionInspector) m_collisionInspector->tick();
    for (CInputPoller* poller : snapshot<CInputPoller>(m_pollers))
        if (m_pollers->contains(poller)) poller->flushSignals(true);
    if (m_mcListeners) {
        std::vector<CXObject*> listeners;
        for (int i = 0; i < m_mcListeners->getSize(); ++i) listeners.push_back(m_mcListeners->at(i));
        for (CXObject* listener : listeners)
            if (m_mcListeners->contains(listener) && CWindowParts::flushObject)
                CWindowParts::flushObject(listener);
    }
    return 0;
}

bool CWindow::domodal() {
    Tick();
    const bool leave = m_application ? m_application->domodal() : false;
    return leave || m_quit;
}

// ---------------------------------------------------------------- window events

int CWindow::OnCreate() {
    if (m_timers) m_timers->add(0, 1, this);
    return 0;
}

int CWindow::OnTimer(int) { return 0; }

int CWindow::OnActivateApp(bool active) {
    if (active == m_active) return 0;
    m_active = active;
    if (!active) {
        // The pollers read nothing while inactive, so they take now what came before the focus went: the
        // releases of the keys and buttons held then, or a held key would repeat until the focus came back.
        for (CInputPoller* poller : snapshot<CInputPoller>(m_pollers))
            if (m_pollers->contains(poller)) poller->tick();
        if (m_refreshScreen) m_refreshScreen->onFocusOff();
        if (CWindowParts::focusLost) CWindowParts::focusLost();
        m_windowDragged = false;
    } else {
        m_windowDragged = false;
        if (m_refreshScreen) {
            m_refreshScreen->onFocusOn();
            Invalidate();
        }
        if (CWindowParts::focusBack) CWindowParts::focusBack();
    }
    return 0;
}

int CWindow::OnDestroy() {
    quit();
    return 0;
}

bool CWindow::OnExit() { return m_application ? m_application->OnExit() : true; }

int CWindow::OnMove(int x, int y) {
    if (!m_windowed || !m_refreshScreen) return 0;
    m_refreshScreen->SetPosition(x, y);
    Invalidate();
    return 0;
}

void CWindow::startDraggingWindow(int x, int y) {
    m_windowDragged = true;
    m_catchX = x;
    m_catchY = y;
}

// ---------------------------------------------------------------- timers

void CWindow::SetTimer(int id, unsigned int periodMs, CTimerNotificator* unit, bool flag) {
    if (!m_timers) return;
    if (unit)
        m_timers->add(id, periodMs, unit, flag);
    else
        m_timers->add(id, periodMs, this);
}

void CWindow::KillTimer(int id) {
    if (m_timers) m_timers->remove(id);
}

// ---------------------------------------------------------------- sound

CXString CWindow::GetSoundFXFullPath(CXString name) {
    if (!m_soundFXPath.IsString()) return name;
    CXString full = m_soundFXPath;
    full += "\\";
    full += name;
    return full;
}

// ---------------------------------------------------------------- cursors

void CWindow::showCursorId(int32_t cursor) {
    if (cursor && m_hwnd) m_hwnd->setCursor(cursor);
}

void CWindow::SetCursor(int32_t cursor) {
    if (!m_cursorLocked) showCursorId(cursor);
}

void CWindow::SetMainCursor() {
    if (m_mainCursor && !m_cursorLocked) showCursorId(m_mainCursor);
}

void CWindow::BeginActiveCursor() {
    if (m_activeCursor && !m_activeCursorLocked && !m_cursorLocked) showCursorId(m_activeCursor);
}

void CWindow::BeginWaitCursor() {
    if (m_waitCursor && !m_cursorLocked) showCursorId(m_waitCursor);
}

void CWindow::lockActiveCursor(bool locked) {
    SetMainCursor();
    m_activeCursorLocked = locked;
}

void CWindow::ShowCursor() {
    ++m_cursorCount;
    if (m_hwnd) m_hwnd->setCursorVisible(m_cursorCount >= 0);
}

void CWindow::HideCursor() {
    --m_cursorCount;
    if (m_hwnd) m_hwnd->setCursorVisible(m_cursorCount >= 0);
}

void CWindow::enableMouse(bool enabled) {
    m_mouseEnabled = enabled;
    if (enabled)
        SetMainCursor();
    else
        BeginWaitCursor();
}

// ---------------------------------------------------------------- listeners and pollers

int CMouseListenerEntry::compare(CXObject* other) {
    auto* o = static_cast<CMouseListenerEntry*>(other);
    // Only the sign counts; a difference could overflow.
    return o ? (m_priority > o->m_priority) - (m_priority < o->m_priority) : 0;
}

void CWindow::registerKeyListener(CKeyListener* listener) {
    if (listener && m_keyListeners && !m_keyListeners->contains(listener)) m_keyListeners->add(listener);
}

void CWindow::removeKeyListener(CKeyListener* listener) {
    if (m_keyListeners) m_keyListeners->remove(listener);
}

void CWindow::registerMouseListener(CMouseListener* listener, int priority) {
    if (!listener || !m_mouseListeners) return;
    for (int i = 0; i < m_mouseListeners->getSize(); ++i)
        if (static_cast<CMouseListenerEntry*>(m_mouseListeners->at(i))->getListener() == listener) return;
    m_mouseListeners->add(new CMouseListenerEntry(listener, priority));
}

void CWindow::removeMouseListener(CMouseListener* listener) {
    if (!m_mouseListeners) return;
    for (int i = 0; i < m_mouseListeners->getSize(); ++i) {
        auto* entry = static_cast<CMouseListenerEntry*>(m_mouseListeners->at(i));
        if (entry->getListener() == listener) {
            m_mouseListeners->removeAt(i);
            delete entry;
            return;
        }
    }
}

void CWindow::setMouseCaption(CMouseListener* listener) {
    if (!listener || !m_mouseListeners || m_mouseListeners->getSize() == 0) return;
    auto* top = static_cast<CMouseListenerEntry*>(m_mouseListeners->at(m_mouseListeners->getSize() - 1));
    if (top->getListener() == listener) return;
    top->getListener()->onLooseFocus();
    removeMouseListener(listener);
    listener->onLooseFocus();
    registerMouseListener(listener, 1000000);
}

void CWindow::addIPoller(CInputPoller* poller) {
    std::lock_guard<std::recursive_mutex> lock(m_criticalSection);
    if (poller && m_pollers && !m_pollers->contains(poller)) m_pollers->add(poller);
}

void CWindow::removeIPoller(CInputPoller* poller) {
    std::lock_guard<std::recursive_mutex> lock(m_criticalSection);
    if (m_pollers) m_pollers->remove(poller);
}

void CWindow::removeAllIPollers() {
    std::lock_guard<std::recursive_mutex> lock(m_criticalSection);
    if (m_pollers) m_pollers->removeAll();
}

// ---------------------------------------------------------------- logs and paths

void CWindow::toLog(CXString text, bool flag) { toWindowLog(text.GetBuffer(), flag); }

// ---------------------------------------------------------------- window menu

void set(CWindow* window, void* instance) {
    g_stored = window;
    g_instance = instance;
}

void OnWindowCommand(CWindow* window, void*, int command) {
    CWindow* target = g_stored ? g_stored : window;
    if (!target) return;
    if (command == 40001) {
        target->quit();
    } else if (command == 40004) {
        target->Invalidate();
        target->Redraw(false);
    }
}

} // namespace KavirelDLL
