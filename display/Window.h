#pragma once
#include <cstdint>
#include <mutex>

#include "core/Containers.h"
#include "core/GamePaths.h"
#include "core/Geometry.h"
#include "core/XObject.h"
#include "core/XTimer.h"
#include "display/ShellServices.h"

namespace KavirelDLL {

class CApplication;
class CCollisionInspector;
class CColor;
class CCommandLine6;
class CDXMouse;
class CDirectDrawSurface;
class CDisplay;
class CGraphicsObject;
class CInput;
class CInputPoller;
class CKeyListener;
class CKeyboard;
class CLanguageOSVer;
class CMC_Object;
class CMouseListener;
class CMusic;
class CRefreshScreen;
class CSecondaryDisplay;
class CSurface;
class CUnit6;
class CWindow;

// The deferred-deletion bin: objects handed to it are deleted on the first 10-second tick after they were
// marked with setToDelete(); unmarked ones stay.
class CPublicTrash : public CXVector, public CTimerNotificator {
public:
    explicit CPublicTrash(CWindow* window);
    ~CPublicTrash() override;
    CPublicTrash(const CPublicTrash&) = delete;
    CPublicTrash& operator=(const CPublicTrash&) = delete;

    void onTimer(int id) override;
    // Deletes every marked entry now.
    void flushMarked();
    int getTimerId() const { return m_id; }

    static constexpr unsigned kPeriodMs = 10000;

private:
    CXTimer* m_timers;
    int m_id;
};

// The engine's side of the game window: it owns the display surface, the screen canvas and compositor, the
// secondary display, the software timers, the collision inspector, the music, the input pollers and listener
// lists and the deferred-deletion bin, and runs one engine frame per Tick().
//
// On this platform the game window is a CDisplay and its input a CInput, both owned by the program. Input is
// read on the main thread, so no poll thread ever runs: the frame ticks the pollers itself.
class CWindow : public CXObject, public CTimerNotificator {
public:
    // A window without devices (tests and tools).
    CWindow();
    explicit CWindow(CLanguageOSVer* language);
    // The game window and its input, the command line (not owned), the language object, the resolution, the
    // main cursor (a display cursor id, 0 for none), the program's folder as the engine names it, the engine
    // library's folder (with a trailing '\'), the game-product path, and the no-poll-thread flag (without it
    // the window also makes the mouse poller).
    CWindow(CDisplay* hwnd, CInput* input, CCommandLine6* commandLine, CLanguageOSVer* language,
            CXSize resolution, int32_t cursor, CXString exePath, CXString dllPath, CXString gameProductPath,
            bool noPollThread);
    ~CWindow() override;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // ---- virtual operations, in the engine's order
    // Shows the dirty parts of the screen; force draws also in an inactive window.
    virtual int Redraw(bool force);
    virtual int OnCreate();
    virtual int OnInitialUpdate() { return 0; }
    // A software timer added for the window is due; the window itself does nothing with it.
    virtual int OnTimer(int id);
    void onTimer(int id) override { OnTimer(id); }
    virtual int OnActivateApp(bool active);
    // The game window is closing: the frame loop is told to leave.
    virtual int OnDestroy();
    virtual bool OnExit();
    // The client area's origin on the desktop.
    virtual int OnMove(int x, int y);

    // ---- frames
    int Tick();
    // One frame, then the application's step; true when the program is to leave its loop.
    bool domodal();
    void quit() { m_quit = true; }
    bool isQuitting() const { return m_quit; }

    // ---- display
    // In a window: the surfaces and the compositor, and with a second window the secondary display; answers
    // the error code (0 on success).
    int CreateSurface(CDisplay* second);
    // Full screen at the depth (a zero size takes the window's); 0 on success, else an error code.
    int SetDisplayMode(CXSize size, int bpp);
    int SetDisplayMode(int width, int height, int bpp);
    void Invalidate();
    void Invalidate(CXRect* rect);
    void Invalidate(CGraphicsObject* object);
    void SetBackground(CGraphicsObject* object);
    void SetBackground(CColor* color);
    void SetBackground(CXString fileName);
    CXSize GetScreenSize() const { return m_screenSize; }
    char* GetScreenPtr();
    int GetBpp() const;
    CSurface* GetSurface() const { return m_surface; }
    CDirectDrawSurface* getScreenCanvas() const { return m_canvas; }
    CRefreshScreen* GetRefreshScreenInterface() const { return m_refreshScreen; }
    CSecondaryDisplay* getSecondaryDisplay() const { return m_secondaryDisplay; }
    // A message box with the caption and the Polish text of the window's error code; nothing without an
    // error.
    void ShowError(CXString caption);

    // ---- timers and deferred deletion
    // With a unit the timer calls the unit (checked for activity when flag is set); without, the window.
    void SetTimer(int id, unsigned int periodMs, CTimerNotificator* unit, bool flag);
    void KillTimer(int id);
    CXTimer* GetTimerInterface() const { return m_timers; }
    CPublicTrash* getPublicTrashInterface() const { return m_trash; }

    // ---- music and sound
    void StartMusic(CXString file, bool loop);
    void StopMusic();
    bool isMusicPlaying();
    int getMusicVolume();
    void setMusicVolume(int volume);
    void setMusicPan(int pan);
    void setMusicFreq(int frequency);
    CMusic* getMusic() const { return m_music; }
    void SoundOn(bool on) { m_soundOn = on; }
    void MusicOn(bool on) { m_musicOn = on; }
    bool IsSoundOn() const { return m_soundOn; }
    bool IsMusicOn() const { return m_musicOn; }
    void SetSoundFXPath(CXString path) { m_soundFXPath = path; }
    CXString GetSoundFXPath() const { return m_soundFXPath; }
    // The sound-effects folder, one '\' and the name; the name alone while no folder is set.
    CXString GetSoundFXFullPath(CXString name);

    // ---- cursors (display cursor ids; 0 is none)
    void SetCursor(int32_t cursor);
    void SetMainCursor();
    void BeginActiveCursor();
    void EndActiveCursor() { SetMainCursor(); }
    void BeginWaitCursor();
    void EndWaitCursor() { SetMainCursor(); }
    void SetActiveCursor(int32_t cursor) { m_activeCursor = cursor; }
    void SetWaitCursor(int32_t cursor) { m_waitCursor = cursor; }
    int32_t getMainCursor() const { return m_mainCursor; }
    void LockCursor() { m_cursorLocked = true; }
    void UnLockCursor() { m_cursorLocked = false; }
    void lockActiveCursor(bool locked);
    // The pointer shows while the count is not negative; it starts at 0.
    void ShowCursor();
    void HideCursor();
    void enableMouse(bool enabled);
    bool isMouseEnabled() const { return m_mouseEnabled; }

    // ---- input
    // The input the pollers read: the platform's queue of keyboard, mouse and window events.
    CInput* getDIIfc() const { return m_input; }
    CDXMouse* getDXMouseInterface() const { return m_mouse; }
    CKeyboard* getKeyboardInterface() { return m_keyboard; }
    void registerKeyListener(CKeyListener* listener);
    void removeKeyListener(CKeyListener* listener);
    // A listener already registered keeps its first priority.
    void registerMouseListener(CMouseListener* listener, int priority);
    void removeMouseListener(CMouseListener* listener);
    // The listener takes the mouse ahead of every other (priority 1000000).
    void setMouseCaption(CMouseListener* listener);
    CSortedVector* getMouseListeners() const { return m_mouseListeners; }
    CXArray* getKeyListeners() const { return m_keyListeners; }
    void addIPoller(CInputPoller* poller);
    void removeIPoller(CInputPoller* poller);
    void removeAllIPollers();
    CXArray* getPollers() const { return m_pollers; }
    // Guards the pollers; kept for callers, since no poll thread runs.
    std::recursive_mutex* getCriticalSectionHandle() { return &m_criticalSection; }
    // Mouse routing: the hot spots first, then the mouse listeners from the highest priority down (of equals
    // the later registered first) until one takes the event. Every handler but the double click ignores the
    // event when the flags are not 0, and nothing is routed while the mouse is disabled.
    int OnMouseMove(CXPoint p, int flags);
    int OnLButtonDown(CXPoint p, int flags);
    int OnLButtonUp(CXPoint p, int flags);
    int OnLButtonDblClk(CXPoint p, int flags);
    int OnMButtonDown(CXPoint p, int flags);
    int OnMButtonUp(CXPoint p, int flags);
    int OnRButtonDown(CXPoint p, int flags);
    int OnRButtonUp(CXPoint p, int flags);
    // Key routing: the application shell, then the hot spots, then every key listener in registration order;
    // the first non-zero answer. Nothing without an application shell.
    int OnKeyDown(int code, int flags);
    int OnKeyUp(int code, int flags);
    int OnChar(int ch, int flags);
    // A desktop virtual-key code and its key-message parameter to the engine's key code.
    static int __get_virtualkey_code(int virtualKey, int keyData);
    // The letter, digit or space of a scan code (upper case); 0 for other keys.
    static int tranlateToChar(int scanCode);
    // Script objects whose flush() runs at the end of every frame (not owned).
    void registerMCListener(CMC_Object* listener);
    void removeMCListener(CMC_Object* listener);
    CXVector* getMCListeners() const { return m_mcListeners; }

    // ---- window state
    CDisplay* GetHwnd() const { return m_hwnd; }
    CLanguageOSVer* getLangIfc() const { return m_language; }
    CCommandLine6* getCommandLineIfc() const { return m_commandLine; }
    void SetApplicationInterface(CShellServices* application) { m_application = application; }
    // The shell's services, for the folders below the shell.
    CShellServices* getShellServices() const { return m_application; }
    CApplication* GetApplicationInterface() const {
        return m_application ? m_application->getApplication() : nullptr;
    }
    CCollisionInspector* getCollisionInspectorInterface() const { return m_collisionInspector; }
    bool isVMem() const { return m_vmem; }
    bool isWindowed() const { return m_windowed; }
    bool isActive() const { return m_active; }
    void Activate(bool active) { m_active = active; }
    void startDraggingWindow(int x, int y);
    void stopDraggingWindow() { m_windowDragged = false; }
    bool isWindowDragged() const { return m_windowDragged; }
    CXPoint getCatchPoint() const { return CXPoint(m_catchX, m_catchY); }
    // Frees the devices and services, in the engine's order.
    void release();

    // ---- logs
    // The engine's load messages arrive here and are discarded.
    static void toLog(CXString text, bool flag);
    void QuitOnError(CXObject*, CXString, CXString) {}

    // ---- process-wide state
    // The most recently constructed window still alive; null when none.
    static CWindow* getCurrentWindow();
    static void pause() { paused = true; }
    static void resume() { paused = false; }
    static bool isPaused() { return paused; }
    // The CD data root, ending with '\'. While none is set (or an empty one) it is the first drive letter
    // configured as a CD-ROM ("E:\"), or empty when none is.
    static void setCDPath(const CXString& path) { CGamePaths::setCDPath(path); }
    static CXString getCDPath() { return CGamePaths::getCDPath(); }

    static CXString exePath;
    static CXString dllPath;
    // Local install and per-product install, each ending with '\' when set (the file layer's CGamePaths).
    static CXString& rootPath;
    static CXString& gameProductPath;
    static bool paused;

protected:
    void showCursorId(int32_t cursor);
    // Drops the surfaces and compositor before another display mode is set.
    void releaseDisplay();
    int buildScreen();

    CDisplay* m_hwnd = nullptr;
    CInput* m_input = nullptr;
    CLanguageOSVer* m_language = nullptr;
    CShellServices* m_application = nullptr;
    CDirectDrawSurface* m_canvas = nullptr;
    CXSize m_screenSize;
    bool m_quit = false;
    bool m_vmem = false;
    bool m_mouseEnabled = true;
    bool m_noPollThread = true;
    std::recursive_mutex m_criticalSection;
    CCollisionInspector* m_collisionInspector = nullptr;
    CCommandLine6* m_commandLine = nullptr;
    bool m_cursorLocked = false;
    int32_t m_mainCursor = 0;
    int32_t m_activeCursor = 0;
    int32_t m_waitCursor = 0;
    bool m_activeCursorLocked = false;
    int32_t m_cursorCount = 0;
    CSurface* m_surface = nullptr;
    CRefreshScreen* m_refreshScreen = nullptr;
    CSecondaryDisplay* m_secondaryDisplay = nullptr;
    bool m_soundOn = true;
    bool m_musicOn = true;
    bool m_windowed = false;
    CMusic* m_music = nullptr;
    CXTimer* m_timers = nullptr;
    CXString m_soundFXPath;
    CDXMouse* m_mouse = nullptr;
    CKeyboard* m_keyboard = nullptr;
    CXArray* m_keyListeners = nullptr;
    CSortedVector* m_mouseListeners = nullptr;
    CXVector* m_mcListeners = nullptr;
    CPublicTrash* m_trash = nullptr;
    CXArray* m_pollers = nullptr;
    bool m_windowDragged = false;
    int32_t m_catchX = 0;
    int32_t m_catchY = 0;
    bool m_active = false;
    // What this window made itself and frees; a window without devices owns nothing.
    bool m_ownsDevices = false;
    bool m_ownsScreen = false;
};

// The program's window-menu commands: 40001 leaves the game, 40004 redraws the whole screen. The window given
// stands in while none was stored with set().
void set(CWindow* window, void* instance);
void OnWindowCommand(CWindow* window, void* instance, int command);

} // namespace KavirelDLL
