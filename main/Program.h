#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/XString.h"
#include "main/ScenesMenu.h"
#include "main/Startup.h"

namespace KavirelDLL {
class CApplication;
class CCommandLine6;
class CDisplay;
class CInput;
class CLanguageOSVer;
class CPlatformInstance;
class CVideo;
class CWindow;
} // namespace KavirelDLL
class CFramePacer;

// Exit codes: 0 a run that ended as asked (also a second start that handed over to the first), 1 a game that
// could not start, -1 (255) a user folder that cannot be used.
enum : int { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_NO_USER_FOLDER = -1 };

// The whole life of the program: the command line, the maintenance hand-overs, one running copy per user, the
// ini file, the game window, the engine window and the application shell, the frame loop, and shutdown in the
// fixed order (application shell, engine window, command line).
class CKavirelProgram {
public:
    CKavirelProgram(int argc, char** argv);
    ~CKavirelProgram();
    CKavirelProgram(const CKavirelProgram&) = delete;
    CKavirelProgram& operator=(const CKavirelProgram&) = delete;

    // The exit code.
    int run();

private:
    // Start-up up to the loop; the exit code when the program ends there, else -2.
    int startUp();
    // The ICON file of the ini, or the program's own icon when there is none or it does not read.
    void setWindowIcon();
    bool startApplication();
    void mainLoop();
    // The desktop's messages of one pass: window events, a termination request, a later start's raise
    // request, the menu's commands.
    void dispatchMessages();
    // While the menu is pulled down the game waits; only the screen, with the menu, is drawn.
    void menuLoop(CFramePacer& pacer);
    void shutDown();
    // Asked by a script that has held the main thread for a while: whether a termination signal or the
    // window's close button asks the program to end, now or before the last frame that runs it.
    static bool endRequested(void* program);
    // A message box and the same text on standard error.
    void fail(const KavirelDLL::CXString& text);
    KavirelDLL::CXString gameLoadError();
    // Why -2bin ends with a failure.
    KavirelDLL::CXString cacheWriteError();

    int m_argc;
    char** m_argv;
    std::vector<std::string> m_arguments;
    KavirelDLL::CCommandLine6* m_commandLine = nullptr;
    // A web game's shell's copy of the command line, without the game path (its folder is entered already).
    std::unique_ptr<KavirelDLL::CCommandLine6> m_shellCommandLine;
    KavirelDLL::CLanguageOSVer* m_language = nullptr;
    KavirelDLL::CXString m_currentDirectory;
    SMainSettings m_settings;
    std::unique_ptr<KavirelDLL::CPlatformInstance> m_instance;
    uint64_t m_nextLockTry = 0;
    std::unique_ptr<KavirelDLL::CVideo> m_video;
    std::unique_ptr<KavirelDLL::CDisplay> m_display;
    std::unique_ptr<KavirelDLL::CDisplay> m_secondDisplay;
    std::unique_ptr<KavirelDLL::CInput> m_input;
    KavirelDLL::CWindow* m_window = nullptr;
    KavirelDLL::CApplication* m_application = nullptr;
    CScenesMenu m_menu;
    // A signal or the close button ended the main loop; the last frame's scripts get no more time.
    bool m_endAsked = false;
    // A web game's start tick; its play time is added at shutdown.
    bool m_webGame = false;
    uint32_t m_webGameStart = 0;
};
