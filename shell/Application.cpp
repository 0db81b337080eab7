#include "shell/Application.h"

#include <string>

#include "core/CommandLine6.h"
#include "core/Config.h"
#include "core/File.h"
#include "core/Folder.h"
#include "core/Log.h"
#include "core/Path.h"
#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "input/HotSpot.h"
#include "media/anim/AnimationManager.h"
#include "media/sound/SoundCodec.h"
#include "media/sound/SoundManager.h"
#include "platform/Files.h"
#include "script/Application.h"
#include "script/StructureParser.h"
#include "shell/RegisterTypes.h"

namespace KavirelDLL {

namespace {

// One name within a folder: no separators, drive letters or steps up.
bool isPlainName(const CXString& name) {
    const std::string text = name.GetBuffer();
    if (text.empty() || text == "." || text == "..") return false;
    return text.find_first_of("\\/:") == std::string::npos;
}

} // namespace

CApplication::CApplication() { kavirelRegisterTypes(); }

CApplication::CApplication(CWindow* window, CXString iniName, CXString bigFileName,
                           CCommandLine6* commandLine, void* instance, CXString productName)
    : m_iniName(iniName), m_bigFileName(bigFileName) {
    m_window = window;
    m_commandLine = commandLine;
    m_instance = instance;
    kavirelRegisterTypes();
    m_animationManager = new CAnimationManager();
    m_soundManager = new CSoundManager();
    CSoundCodec::init_codecs();
    m_ownsCodecs = true;
    if (m_bigFileName.IsString()) m_openedBigFile = CFile::openBigFile(m_bigFileName);
    if (m_window) m_window->SetApplicationInterface(this);

    // Without an ini name there is nothing to configure (with a product it would name a folder).
    if (!m_iniName.IsString()) return;
    CXString root = CWindow::rootPath;
    if (!productName.IsString()) {
        m_config = new CConfig(root + m_iniName);
        return;
    }
    const std::string dataFolder = CPlatformFiles::userDataFolder();
    if (dataFolder.empty() || !isPlainName(productName) || !isPlainName(m_iniName)) {
        logMessage("no per-user copy of %s for the product \"%s\": the game's own file is used",
                   m_iniName.GetBuffer(), productName.GetBuffer());
        m_config = new CConfig(root + m_iniName);
        return;
    }
    CXString folder(dataFolder.c_str());
    folder += "\\";
    folder += kVendorFolder;
    folder += "\\";
    folder += productName;
    CXString perUser = folder + "\\" + m_iniName;
    if (CPlatformFiles::createFolder(folder.GetBuffer()) != EPlatformError::none)
        logMessage("the folder %s cannot be made", folder.GetBuffer());
    // Once only: later runs keep the player's copy even when the game's own file changes.
    if (!CPlatformFiles::exists(perUser.GetBuffer()))
        CPlatformFiles::copyFile((root + m_iniName).GetBuffer(), perUser.GetBuffer(), true);
    m_config = new CConfig(perUser);
}

CApplication::~CApplication() {
    delete m_application;
    m_application = nullptr;
    delete m_parser;
    m_parser = nullptr;
    delete m_config;
    m_config = nullptr;
    delete m_generalResources;
    m_generalResources = nullptr;
    delete m_animationManager;
    m_animationManager = nullptr;
    delete m_soundManager;
    m_soundManager = nullptr;
    if (m_ownsCodecs) CSoundCodec::done_codecs();
    if (m_openedBigFile) CFile::closeBigFile();
    if (m_window) {
        CHotSpot::done();
        // The window outlives its shell by a moment; its frame must not reach a deleted one.
        if (m_window->GetApplicationInterface() == this) m_window->SetApplicationInterface(nullptr);
    }
}

void CApplication::setDataPaths() {
    CPath path(m_window);
    CWindow::setCDPath(path.GetFullPath(CXString("")));
    if (m_window) m_window->SetSoundFXPath(path.GetFullPath(CXString("Wavs")));
}

void CApplication::buildFromDefinition() {
    m_parser = new CMC_StructureParser(m_window, CXString("application.def"));
    m_application = m_parser->getMCApplication();
}

void CApplication::preinitializeApplication(bool) {
    if (!m_window) {
        setErrorCode(ERR_NO_SCRIPT_ROOT);
        return;
    }
    const CXString gamePath = m_commandLine ? m_commandLine->getPath() : CXString(".");
    if (!m_generalResources) m_generalResources = new CResourcesManager(m_window);
    if (gamePath.IsString()) {
        // The game's big file is the one in its own folder, not the starting folder's.
        if (m_openedBigFile) CFile::closeBigFile();
        m_openedBigFile = false;
        if (CFile::chDir(gamePath) != 0) {
            logMessage("the game folder %s cannot be entered", gamePath.GetBuffer());
            // Another folder's game is never played in its place.
            m_folderError = EFolderError::gameFolder;
            setErrorCode(ERR_NO_SCRIPT_ROOT);
            return;
        }
        if (m_bigFileName.IsString()) m_openedBigFile = CFile::openBigFile(m_bigFileName);
    }
    setDataPaths();
    if (CFile::chDir(CXString(CFolder::DATA_FOLDER)) != 0) {
        // Without it the game's scenes are nowhere: a window that shows nothing and never ends.
        std::string folder;
        if (CPlatformFiles::resolve(CPlatformFiles::workingFolder(), folder) != EPlatformError::none)
            folder = CPlatformFiles::workingFolder();
        logMessage("the game folder %s has no data folder %s", folder.c_str(), CFolder::DATA_FOLDER);
        m_folderError = EFolderError::dataFolder;
        setErrorCode(ERR_NO_SCRIPT_ROOT);
        return;
    }

    if (m_commandLine && !m_commandLine->isForceCNV() &&
        CFile::fileExists(m_window, CXString("application.bin")))
        m_application = new CMC_Application(m_window);
    else
        buildFromDefinition();

    if (!m_application) {
        logMessage("the game has no application: neither application.bin nor application.def gives one");
        setErrorCode(ERR_NO_SCRIPT_ROOT);
        return;
    }
    if (m_commandLine && m_commandLine->is2Bin()) {
        if (!m_application->storeBinary()) {
            logMessage("application.bin could not be written whole");
            setErrorCode(ERR_FILE_WRITE);
        }
    } else {
        m_application->initialize(nullptr);
    }
}

bool CApplication::domodal() {
    if (!m_application || !m_application->domodal()) return false;
    const CXString next = m_application->getNextGame();
    const CXString running = CFile::getCurrentDirectory();
    CFile::chDir(CWindow::exePath);
    if (!next.IsString() || !CFile::dirExists(next)) {
        // The game goes on where it was, and is not asked again every frame.
        logMessage("the next game's folder %s does not exist", next.GetBuffer());
        CFile::chDir(running);
        m_application->setNextGame(CXString(""));
        return false;
    }
    m_window->BeginWaitCursor();
    CFile::chDir(next);
    delete m_application;
    m_application = nullptr;
    delete m_parser;
    m_parser = nullptr;
    setDataPaths();
    CFile::chDir(CXString(CFolder::DATA_FOLDER));
    buildFromDefinition();
    if (m_application) {
        setErrorCode(0);
        m_application->initialize(nullptr);
    } else {
        logMessage("the next game %s has no application", next.GetBuffer());
        setErrorCode(ERR_NO_SCRIPT_ROOT);
    }
    m_window->SetMainCursor();
    return false;
}

CXString CApplication::getWAVPath(CXString name) {
    return m_window ? m_window->GetSoundFXFullPath(name) : name;
}

} // namespace KavirelDLL
