#include "harness/GameHarness.h"

#include <fstream>
#include <iterator>

#include "core/File.h"
#include "core/Folder.h"
#include "core/XTimer.h"
#include "display/Collisions.h"
#include "input/DXMouse.h"
#include "input/HotSpot.h"
#include "input/Keyboard.h"
#include "media/anim/AnimationManager.h"
#include "media/controls/Unit6.h"
#include "media/sound/Music.h"
#include "media/sound/SndStream.h"
#include "media/sound/Sound4.h"
#include "media/sound/SoundCodec.h"
#include "media/sound/SoundManager.h"
#include "platform/Audio.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/PlatformTime.h"
#include "platform/TempFolder.h"
#include "script/Application.h"
#include "script/Scene.h"
#include "script/StructureParser.h"
#include "shell/Config.h"
#include "shell/RegisterTypes.h"

namespace KavirelTest {

using namespace KavirelDLL;

namespace {

// Microseconds of the injected clock; it starts well after zero, as a running system's does.
uint64_t g_clock = 100'000'000;

uint64_t injectedClock() { return g_clock; }

CXString engineName(const std::filesystem::path& path) {
    return CXString(CPlatformFiles::toEngineName(path.string()).c_str());
}

} // namespace

// ---- CGameFolder ----

CGameFolder::CGameFolder() : m_temp("game"), m_path(m_temp.path()) {
    std::filesystem::create_directories(m_path / "Dane");
}

CGameFolder::~CGameFolder() = default;

void CGameFolder::write(const std::string& relative, const std::string& text) {
    std::filesystem::path full = m_path / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << text;
    CPlatformFiles::invalidateIndex(full.parent_path().string());
}

void CGameFolder::copy(const std::filesystem::path& from, const std::string& relative) {
    std::filesystem::path full = m_path / relative;
    std::filesystem::create_directories(full.parent_path());
    std::filesystem::copy_file(from, full, std::filesystem::copy_options::overwrite_existing);
    CPlatformFiles::invalidateIndex(full.parent_path().string());
}

bool CGameFolder::exists(const std::string& relative) const {
    return std::filesystem::exists(m_path / relative);
}

std::string CGameFolder::read(const std::string& relative) const {
    std::ifstream in(m_path / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CXString CGameFolder::engineRoot() const {
    CXString root = engineName(m_path);
    if (root.lastChar() != '\\') root += "\\";
    return root;
}

std::string object(const std::string& name, const Properties& properties) {
    std::string text = "OBJECT=" + name + "\n";
    for (const auto& [key, value] : properties) text += name + ":" + key + "=" + value + "\n";
    return text;
}

// ---- window and shell ----

CHarnessWindow::CHarnessWindow() {
    m_timers = new CXTimer(this);
    m_music = new CMusic(this);
}

CHarnessWindow::~CHarnessWindow() {
    // As a window that owns its devices does: the hot spots' window goes with it, so the next window's hot
    // spots never reach this one.
    CHotSpot::done();
    delete m_keyboard;
    m_keyboard = nullptr;
    delete m_mouse;
    m_mouse = nullptr;
    delete m_collisionInspector;
    m_collisionInspector = nullptr;
    delete m_pollers;
    m_pollers = nullptr;
    delete m_keyListeners;
    m_keyListeners = nullptr;
    if (m_mouseListeners) {
        for (int i = 0; i < m_mouseListeners->getSize(); ++i) delete m_mouseListeners->at(i);
        delete m_mouseListeners;
        m_mouseListeners = nullptr;
    }
    m_input = nullptr;
    m_hwnd = nullptr;
    delete m_music;
    m_music = nullptr;
    delete m_timers;
    m_timers = nullptr;
}

void CHarnessWindow::attachInput(int bitsPerPixel) {
    m_ownDisplay = createHeadlessDisplay();
    CDisplayMode mode;
    mode.width = 800;
    mode.height = 600;
    mode.bitsPerPixel = bitsPerPixel;
    m_ownDisplay->open(mode);
    m_ownInput = std::make_unique<CInput>(nullptr, m_ownDisplay.get());
    m_hwnd = m_ownDisplay.get();
    m_input = m_ownInput.get();
    m_pollers = new CXArray(101, 0.75f);
    m_keyListeners = new CXArray(101, 0.75f);
    m_mouseListeners = new CSortedVector(101);
    m_keyboard = new CKeyboard(this);
    m_mouse = new CDXMouse(this);
    // Collisions are told on the window's tick, as the program's window does.
    if (!m_collisionInspector) m_collisionInspector = new CCollisionInspector();
    m_active = true;
    m_ownDisplay->onWindowEvent(EWindowEvent::FocusGained);
}

void CHarnessWindow::attachScreen() {
    m_screenSize = CXSize(800, 600);
    CreateSurface(nullptr);
}

void CHarnessWindow::takeWindowEvents() {
    if (!m_input) return;
    std::vector<CInputEvent> events;
    m_input->take(events, kInputWindow);
    for (const CInputEvent& e : events) {
        if (e.window == EWindowEvent::FocusGained) OnActivateApp(true);
        if (e.window == EWindowEvent::FocusLost) OnActivateApp(false);
    }
}

CHarnessShell::CHarnessShell(const CXString& iniFile) {
    m_config = new CConfig(iniFile);
    m_animationManager = new CAnimationManager();
    m_soundManager = new CSoundManager();
    CSoundCodec::init_codecs();
    m_ownsCodecs = true;
}

void CHarnessShell::setRoot(CMC_Application* root) { m_application = root; }

CHarnessShell::~CHarnessShell() {
    delete m_config;
    m_config = nullptr;
}

// ---- CGameRun ----

uint64_t CGameRun::now() { return g_clock / 1000; }

CGameRun::CGameRun(CGameFolder& folder, CGameOptions options) : m_folder(folder), m_options(options) {
    kavirelRegisterTypes();
    m_savedFolder = CPlatformFiles::workingFolder();
    m_savedRoot = CWindow::rootPath;
    m_savedCd = CWindow::getCDPath();
    m_savedDll = CWindow::dllPath;
    if (m_options.clockMs) g_clock = m_options.clockMs * 1000;
    CPlatformClock::inject(&injectedClock);
    // A unit left by an earlier world would still point at that world's window.
    CMC_Scene::doneDefUnit();

    // Sounds play on the in-memory mixer, which each frame renders for the frame's time; the music's refill
    // follows each frame instead of running on its own thread.
    CSound4::useDevice(CAudioDevice::openMemory());
    CSndStream::setRefillThreads(false);
    m_window = std::make_unique<CHarnessWindow>();
    if (m_options.input || m_options.screen) m_window->attachInput(m_options.screenBits);
    if (m_options.screen) m_window->attachScreen();
    CXString root = folder.engineRoot();
    m_shell = std::make_unique<CHarnessShell>(root + m_options.ini.c_str());
    m_window->SetApplicationInterface(m_shell.get());
    if (!m_options.soundFolder.empty()) {
        m_window->SetSoundFXPath(root + m_options.soundFolder.c_str());
        m_shell->setWindow(m_window.get());
    }

    // As the shell does: the game folder is the current folder and the CD data root, then into "Dane".
    CFile::chDir(root);
    CWindow::rootPath = root;
    CWindow::setCDPath(root);
    CWindow::dllPath = m_options.modules.empty() ? root : root + m_options.modules.c_str() + "\\";
    CFile::chDir(CXString(CFolder::DATA_FOLDER));

    if (m_options.fromCache) {
        m_application = new CMC_Application(m_window.get());
    } else {
        m_parser = new CMC_StructureParser(m_window.get(), CXString("application.def"));
        m_application = m_parser->getMCApplication();
    }
    m_shell->setRoot(m_application);
    if (m_application) m_started = m_application->initialize(nullptr);
}

CGameRun::~CGameRun() {
    m_window->StopMusic();
    m_shell->setRoot(nullptr);
    delete m_application;
    m_application = nullptr;
    delete m_parser;
    m_parser = nullptr;
    CMC_Scene::doneDefUnit();
    m_window->SetApplicationInterface(nullptr);
    m_shell.reset();
    m_window.reset();
    CSound4::DestroySoundBuffer();
    CSndStream::setRefillThreads(true);
    CXTimer::enable(true);
    CWindow::resume();
    CPlatformClock::inject(nullptr);
    CWindow::rootPath = m_savedRoot;
    CWindow::setCDPath(m_savedCd);
    CWindow::dllPath = m_savedDll;
    CPlatformFiles::changeWorkingFolder(m_savedFolder);
}

void CGameRun::frames(int count) {
    for (int i = 0; i < count && m_application; ++i) {
        g_clock += static_cast<uint64_t>(m_options.frameMs) * 1000;
        if (CAudioDevice* device = CSound4::getDevice()) {
            size_t frames = static_cast<size_t>(device->outputRate()) * m_options.frameMs / 1000;
            size_t at = m_audio.size();
            m_audio.resize(at + 2 * frames);
            device->render(m_audio.data() + at, static_cast<int>(frames));
        }
        if (CSndStream* music = m_window->getMusic()->getStream()) music->TimeFunc();
        m_window->Tick();
        if (CInput* input = m_window->input()) {
            input->pump();
            m_window->takeWindowEvents();
        }
        // Without a screen nothing redraws, so the unit hears of its scene's first frame here.
        CUnit6* unit = CMC_Scene::getDefUnit();
        if (unit && unit->isActive() && !unit->wasInitiallyUpdated() &&
            !m_window->GetRefreshScreenInterface())
            unit->onInitialUpdate();
        ++m_frames;
        if (m_application->domodal()) break;
    }
}

CMC_Scene* CGameRun::scene() {
    CMC_Scene* scene = m_application;
    while (scene && scene->getCurrentScene()) scene = scene->getCurrentScene();
    return scene && scene->getType() == TYPE_SCENE ? scene : nullptr;
}

std::string CGameRun::sceneName() {
    CMC_Scene* running = scene();
    return running ? running->getName().GetBuffer() : "";
}

CMC_Object* CGameRun::find(const std::string& name) {
    CMC_ObjectsContainer* from = scene();
    if (!from) from = m_application;
    return from ? from->getObject(CXString(name.c_str())) : nullptr;
}

std::string CGameRun::ini(const std::string& section, const std::string& key) {
    // A fresh reader: what is on disk, not what a cached reader remembers.
    CConfig config(m_folder.engineRoot() + m_options.ini.c_str());
    return config.GetString(CXString(section.c_str()), CXString(key.c_str())).GetBuffer();
}

int CGameRun::iniInt(const std::string& section, const std::string& key) {
    CConfig config(m_folder.engineRoot() + m_options.ini.c_str());
    return config.GetInt(CXString(section.c_str()), CXString(key.c_str()));
}

bool CGameRun::storeCache() { return m_application && m_application->storeBinary(); }

} // namespace KavirelTest
