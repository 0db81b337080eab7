#include "main/Program.h"

#include "core/KavirelWEB.h"

#include "core/CommandLine6.h"
#include "core/File.h"
#include "core/Folder.h"
#include "core/LanguageOSVer.h"
#include "core/Log.h"
#include "core/Path.h"
#include "display/Window.h"
#include "main/Download.h"
#include "main/FramePacer.h"
#include "main/MainWindow.h"
#include "main/ProgramIcon.h"
#include "platform/Codepage.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/ImageLibrary.h"
#include "platform/Input.h"
#include "platform/Instance.h"
#include "platform/MessageBox.h"
#include "platform/PlatformTime.h"
#include "platform/Process.h"
#include "platform/Video.h"
#include "script/Application.h"
#include "script/StopRequest.h"
#include "shell/Application.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;

namespace {

constexpr int kContinue = -2;
constexpr uint32_t kInactiveSleepMs = 100;
// The second window of the secondary display stands right of the first.
constexpr int kSecondWindowOffset = 1024;
constexpr int32_t kMaxIconSide = 256;
constexpr uint64_t kLockRetryMs = 1000;

} // namespace

CKavirelProgram::CKavirelProgram(int argc, char** argv) : m_argc(argc), m_argv(argv) {
    for (int i = 1; i < argc && argv; ++i)
        if (argv[i]) m_arguments.emplace_back(argv[i]);
}

CKavirelProgram::~CKavirelProgram() { shutDown(); }

int CKavirelProgram::run() {
    CPlatformProcess::catchTerminationSignals();
    int code = startUp();
    if (code != kContinue) {
        shutDown();
        return code;
    }
    code = EXIT_OK;
    if (m_window->LastError() != 0) {
        logMessage("the engine window failed with error %d", m_window->LastError());
        m_window->ShowError("Kavirel");
        code = EXIT_FAILED;
    } else if (!m_application || !m_application->getMCApplicationIfc()) {
        // The game never shows its window: say why, and do not end as if it had run.
        fail(gameLoadError());
        code = EXIT_FAILED;
    } else if (m_commandLine->is2Bin()) {
        // The caches are written: the game is not played.
        if (m_application->LastError() == ERR_FILE_WRITE) {
            fail(cacheWriteError());
            code = EXIT_FAILED;
        }
    } else {
        buildScenesMenu(m_application->getMCApplicationIfc(), m_menu);
        // The mirror of the secondary display shows with the game.
        if (m_secondDisplay) m_secondDisplay->show();
        m_display->show();
        mainLoop();
    }
    shutDown();
    return code;
}

int CKavirelProgram::startUp() {
    // Every script type is known before any world is built.
    kavirelRegisterTypes();
    m_commandLine = new CCommandLine6(m_argc, m_argv);

    if (hasPendingUpdate()) handOverToUpdate(m_arguments);

    writeEngineVersion();
    // Web games live in the player's data folder; the installer and uninstaller find it, and the program,
    // through these records.
    CKavirelWEB::recordProgram(CPlatformFiles::programName().c_str());

    if (m_commandLine->isParameter("uninstall")) return uninstallWebGame(*m_commandLine);

    m_language = new CLanguageOSVer();
    CPath path(nullptr);
    m_currentDirectory = CFile::getCurrentDirectory();

    m_instance = std::make_unique<CPlatformInstance>();
    if (!m_instance->acquire()) {
        if (m_instance->lastError() == EPlatformError::exists) {
            if (!m_commandLine->isForceNew()) {
                if (!m_instance->requestRaise())
                    logMessage("another copy runs, but its window could not be brought to the front");
                return EXIT_OK;
            }
        } else {
            logMessage("cannot tell whether another copy runs: %s",
                       platformErrorText(m_instance->lastError()));
        }
    }

    if (path.isCD()) {
        // The start program of the CD's root.
        const char letter = CPlatformFiles::cdromDrive();
        const std::string autorun = std::string(1, letter) + ":\\Autorun.exe";
        EPlatformError error = CPlatformProcess::exec(autorun, {});
        logMessage("\"%s\" could not be started: %s", autorun.c_str(), platformErrorText(error));
        return EXIT_OK;
    }

    if (m_commandLine->getParameter("game").IsString()) {
        int code = startWebGame(*m_commandLine, m_webGameStart);
        if (code != kPlayWebGame) return code;
        // The game runs from its own folder in the web games' folder.
        m_webGame = true;
        m_currentDirectory = CFile::getCurrentDirectory();
    }

    CXString message;
    switch (readMainSettings(*m_commandLine, m_settings, message)) {
    case ESettingsResult::ok:
        break;
    case ESettingsResult::noUserFolder:
    case ESettingsResult::badProduct:
        fail(message);
        return EXIT_NO_USER_FOLDER;
    }
    m_language->setLanguageFolder(m_settings.language);

    // -2bin writes the caches and shows no window: any video driver serves it.
    m_video = std::make_unique<CVideo>(!m_commandLine->is2Bin());
    if (!m_video->isReady()) {
        logMessage("%s", m_video->lastError().c_str());
        // No desktop to show a box on: the message goes to standard error only.
        CVideo::forceHeadless(true);
        fail("Nie mo\xBF"
             "na otworzy\xE6 okna gry: brak pulpitu.");
        return EXIT_FAILED;
    }
    if (m_commandLine->getDelay() > 0)
        m_secondDisplay =
            createMainWindow(*m_video, *m_commandLine, m_settings.title, kSecondWindowOffset, 0);
    m_display = createMainWindow(*m_video, *m_commandLine, m_settings.title, 0, 0);
    if (!m_display) {
        fail("Nie mo\xBF"
             "na otworzy\xE6 okna gry.");
        return EXIT_FAILED;
    }
    m_input = std::make_unique<CInput>(m_video.get(), m_display.get());
    m_menu.setAvailable(m_commandLine->isWindowMode() && !m_commandLine->isNoFrame());
    m_input->setFilter([this](const CInputEvent& event) { return m_menu.filter(event); });
    // A script that never returns must not keep the program from ending.
    CMC_StopRequest::setWatch(&CKavirelProgram::endRequested, this);

    CXString programFolder(CPlatformFiles::programFolder().c_str());
    programFolder += "\\";
    m_window = new CWindow(m_display.get(), m_input.get(), m_commandLine, m_language,
                           m_commandLine->getResolution(), CDisplay::systemCursorId(ESystemCursor::Arrow),
                           m_currentDirectory, programFolder, m_settings.rootPath, false);
    m_language->setWindowIfc(m_window);
    set(m_window, nullptr);
    setWindowIcon();
    m_window->OnActivateApp(true);
    m_window->SetActiveCursor(CDisplay::systemCursorId(ESystemCursor::Hand));
    m_window->SetWaitCursor(CDisplay::systemCursorId(ESystemCursor::Wait));

    if (m_window->LastError() == 0) {
        if (m_commandLine->isWindowMode()) {
            m_window->CreateSurface(m_secondDisplay.get());
        } else if (m_window->SetDisplayMode(m_commandLine->getResolution(), 16) != 0) {
            m_window->SetDisplayMode(m_commandLine->getResolution(), 15);
        }
        if (m_window->LastError() == 0) startApplication();
    }
    return kContinue;
}

void CKavirelProgram::setWindowIcon() {
    std::vector<uint8_t> rgba;
    int32_t width = 0, height = 0;
    if (m_settings.icon.IsString() &&
        !CImageLibrary::loadRgba(m_settings.icon.GetBuffer(), rgba, width, height, kMaxIconSide))
        logMessage("the icon \"%s\" does not read: the program's own icon is shown",
                   cp1250ToUtf8(m_settings.icon.GetBuffer()).c_str());
    if (rgba.empty()) {
        rgba = programIcon();
        width = height = kProgramIconSide;
    }
    m_display->setIcon(rgba.data(), width, height);
}

bool CKavirelProgram::startApplication() {
    // The shell enters the command line's game path from the current folder. A web game's folder was entered
    // by its installer, so its shell gets the line without one; the window's keeps it, as the game's name.
    CCommandLine6* shellLine = m_commandLine;
    if (m_webGame) {
        m_shellCommandLine = std::make_unique<CCommandLine6>(*m_commandLine);
        m_shellCommandLine->setPath("");
        shellLine = m_shellCommandLine.get();
    }
    m_application =
        new CApplication(m_window, m_settings.ini, "data.bf", shellLine, nullptr, m_settings.product);
    m_application->preinitializeApplication(false);
    return m_application->getMCApplicationIfc() != nullptr;
}

CXString CKavirelProgram::gameLoadError() {
    const CApplication::EFolderError folderError =
        m_application ? m_application->folderError() : CApplication::EFolderError::none;
    if (folderError == CApplication::EFolderError::gameFolder) {
        // The folder is named as the player gave it, or in full where it can be found.
        const CXString path = m_commandLine->getPath();
        std::string native;
        CXString named = path;
        if (CPlatformFiles::resolve(path.GetBuffer(), native) == EPlatformError::none)
            named = utf8ToCp1250(native).c_str();
        return CXString("Nie mo\xBF"
                        "na wczyta\xE6 gry: folder gry ") +
               named + " nie istnieje lub nie mo\xBF" + "na go otworzy\xE6.";
    }
    std::string folder;
    if (CPlatformFiles::resolve(CPlatformFiles::workingFolder(), folder) != EPlatformError::none)
        folder = CPlatformFiles::workingFolder();
    CXString text = "Nie mo\xBF"
                    "na wczyta\xE6 gry z folderu ";
    text += utf8ToCp1250(folder).c_str();
    if (folderError == CApplication::EFolderError::dataFolder)
        text += ": brak folderu danych Dane z plikiem application.def.";
    else if (!CPlatformFiles::exists("application.def") && !CPlatformFiles::exists("application.bin"))
        text += ": brak pliku application.def.";
    else
        text += ": plik application.def nie opisuje gry.";
    return text;
}

CXString CKavirelProgram::cacheWriteError() {
    // The reason is in the log: a scene outside every episode, or a file that could not be written.
    CXString text = "Nie mo\xBF"
                    "na zapisa\xE6 pami\xEA"
                    "ci podr\xEA"
                    "cznej gry (application.bin) w folderze ";
    const CXString data = CWindow::rootPath + CFolder::DATA_FOLDER;
    std::string folder;
    if (CPlatformFiles::resolve(data.GetBuffer(), folder) != EPlatformError::none) folder = data.GetBuffer();
    text += utf8ToCp1250(folder).c_str();
    text += ".";
    return text;
}

void CKavirelProgram::mainLoop() {
    CFramePacer pacer(m_display.get());
    while (!m_window->domodal()) {
        dispatchMessages();
        if (m_menu.isOpen()) menuLoop(pacer);
        if (!m_window->isActive()) CPlatformClock::sleepMilliseconds(kInactiveSleepMs);
        pacer.frameEnded();
    }
}

void CKavirelProgram::dispatchMessages() {
    m_input->pump();
    CMC_StopRequest::desktopRead();
    std::vector<CInputEvent> events;
    m_input->take(events, kInputWindow);
    for (const CInputEvent& event : events) {
        m_endAsked = m_endAsked || event.window == EWindowEvent::CloseRequested;
        MainWindowProc(m_window, event);
    }
    if (CPlatformProcess::takeTerminationRequest()) {
        m_endAsked = true;
        m_window->OnDestroy();
    }
    if (m_instance && m_instance->takeRaiseRequest()) m_display->raise();
    // A copy started with "forcenew" is the one later starts find once the first has ended.
    if (m_instance && !m_instance->isOwner() && CPlatformClock::milliseconds() >= m_nextLockTry) {
        m_nextLockTry = CPlatformClock::milliseconds() + kLockRetryMs;
        m_instance->acquire();
    }
    for (int command : m_menu.takeCommands()) OnWindowCommand(m_window, nullptr, command);
    m_menu.update(m_window);
    // Stopped scripts stay stopped through the last frame; a request that ends nothing lets them run again.
    if (CMC_StopRequest::isAsked() && !m_window->isQuitting()) CMC_StopRequest::clear();
}

bool CKavirelProgram::endRequested(void* program) {
    auto* self = static_cast<CKavirelProgram*>(program);
    return self->m_endAsked || CPlatformProcess::terminationRequested() ||
           (self->m_input && self->m_input->closeRequestPending());
}

void CKavirelProgram::menuLoop(CFramePacer& pacer) {
    while (m_menu.isOpen() && !m_window->isQuitting()) {
        m_window->Redraw(false);
        dispatchMessages();
        if (!m_window->isActive()) CPlatformClock::sleepMilliseconds(kInactiveSleepMs);
        pacer.frameEnded();
    }
}

void CKavirelProgram::fail(const CXString& text) {
    // Headless, the message box writes to standard error itself.
    if (CVideo::desktopAvailable()) logMessage("%s", cp1250ToUtf8(text.GetBuffer()).c_str());
    CDisplay* owner = m_display && m_display->isVisible() ? m_display.get() : nullptr;
    showMessageBox("Kavirel", text.GetBuffer(), EMessageButtons::Ok, EMessageAnswer::Ok, owner);
}

void CKavirelProgram::shutDown() {
    // The end runs the game's handlers as any end does; a new request stops them in turn.
    m_endAsked = false;
    CMC_StopRequest::clear();
    if (m_webGame && m_commandLine) addPlayingTime(*m_commandLine, m_webGameStart);
    m_webGame = false;
    if (m_input) m_input->setFilter({});
    m_menu.close();
    m_menu.update(m_window);
    delete m_application;
    m_application = nullptr;
    m_shellCommandLine.reset();
    if (m_window) {
        set(nullptr, nullptr);
        delete m_window;
        m_window = nullptr;
    }
    delete m_commandLine;
    m_commandLine = nullptr;
    CMC_StopRequest::setWatch(nullptr, nullptr);
    m_input.reset();
    m_display.reset();
    m_secondDisplay.reset();
    m_video.reset();
    m_instance.reset();
    delete m_language;
    m_language = nullptr;
}
