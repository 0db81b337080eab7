#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/XString.h"
#include "display/Window.h"
#include "platform/TempFolder.h"
#include "shell/Application.h"

namespace KavirelDLL {
class CMC_Application;
class CMC_Object;
class CMC_Scene;
class CMC_StructureParser;
class CConfig;
} // namespace KavirelDLL

namespace KavirelTest {

// A game folder in a fresh temporary directory, removed afterwards. Files are written below its root with
// '/' separators ("Dane/application.def", "Dane/Room/ROOM.cnv"); definition text goes as it is, in code page
// 1250.
class CGameFolder {
public:
    CGameFolder();
    ~CGameFolder();
    CGameFolder(const CGameFolder&) = delete;
    CGameFolder& operator=(const CGameFolder&) = delete;

    void write(const std::string& relative, const std::string& text);
    // Copies a file (a built plug-in module) into the folder.
    void copy(const std::filesystem::path& from, const std::string& relative);
    bool exists(const std::string& relative) const;
    std::string read(const std::string& relative) const;

    const std::filesystem::path& path() const { return m_path; }
    // The root as the engine names it, ending with '\'.
    KavirelDLL::CXString engineRoot() const;

private:
    CTempFolder m_temp;
    std::filesystem::path m_path;
};

// One element in the definition syntax: "OBJECT=NAME" and a "NAME:KEY=VALUE" line per property, in order.
using Properties = std::vector<std::pair<std::string, std::string>>;
std::string object(const std::string& name, const Properties& properties);

struct CGameOptions {
    // Build the world from "Dane/application.bin" instead of "application.def".
    bool fromCache = false;
    // Milliseconds the clock advances per frame.
    int frameMs = 20;
    // Where the injected clock stands when the run starts, in milliseconds; 0 keeps it where the last run
    // left it (it starts at 100 s).
    uint64_t clockMs = 0;
    // The ini file below the game root that keeps TOINI values and play statistics.
    std::string ini = "Kavirel.ini";
    // The plug-in module folder below the game root (CWindow::dllPath); empty for the root itself.
    std::string modules;
    // The window gets an in-memory display (no screen), its input with the keyboard and mouse pollers, and
    // is active; each frame pumps the input after the window's tick, as the program does.
    bool input = false;
    // The sound-effects folder below the game root, as the shell sets it ("Wavs"); empty sets none (and the
    // shell resolves no folder).
    std::string soundFolder;
    // With input, the window also builds its screen (the headless display's surface and the compositor).
    bool screen = false;
    // The in-memory display's depth: 16 (5-6-5) or 15 (5-5-5).
    int screenBits = 16;
};

// A window without a display: it has the software timers the frame polls and the music, and nothing else.
class CHarnessWindow : public KavirelDLL::CWindow {
public:
    CHarnessWindow();
    ~CHarnessWindow() override;
    // The language whose folder files are looked up in first (not owned); null for none.
    void setLanguage(KavirelDLL::CLanguageOSVer* language) { m_language = language; }
    // An in-memory display and its input, with the keyboard and mouse pollers; the window becomes active.
    void attachInput(int bitsPerPixel = 16);
    // The screen over the in-memory display (800 x 600), as the program builds it.
    void attachScreen();
    KavirelDLL::CInput* input() { return m_input; }
    // Hands the input's window events to the window as the program does (focus changes).
    void takeWindowEvents();

private:
    std::unique_ptr<KavirelDLL::CDisplay> m_ownDisplay;
    std::unique_ptr<KavirelDLL::CInput> m_ownInput;
};

// The part of the application shell a game run needs: its configuration and its animation and sound managers.
class CHarnessShell : public KavirelDLL::CApplication {
public:
    explicit CHarnessShell(const KavirelDLL::CXString& iniFile);
    ~CHarnessShell() override;
    // The script root the run built (not owned: the run deletes it).
    void setRoot(KavirelDLL::CMC_Application* root);
    // The shell's window, for the folders it resolves (the sound-effects folder).
    void setWindow(KavirelDLL::CWindow* window) { m_window = window; }
};

// Runs a game folder's script world headless: builds it as the shell would (current folder, data roots,
// parser or cache), starts it, and runs frames on an injected clock, so timers tick by frame count and never
// by wall time. Everything it changed (clock, folders, data roots) is put back when it ends.
class CGameRun {
public:
    explicit CGameRun(CGameFolder& folder, CGameOptions options = {});
    ~CGameRun();
    CGameRun(const CGameRun&) = delete;
    CGameRun& operator=(const CGameRun&) = delete;

    // The application built (null when the folder gave none).
    KavirelDLL::CMC_Application* app() { return m_application; }
    CHarnessWindow* window() { return m_window.get(); }
    // With CGameOptions::input, the input events are injected into; null without.
    KavirelDLL::CInput* input() { return m_window->input(); }
    KavirelDLL::CDisplay* display() { return m_window->GetHwnd(); }
    // initialize()'s answer: a start scene was entered.
    bool started() const { return m_started; }
    // One frame each: the window's tick (timers), the first-frame notice to the scene's unit, the script
    // world's step. Stops early when the game asks for another one (RELOAD).
    void frames(int count);
    int frameCount() const { return m_frames; }
    // What the mixer played during the frames so far: 44.1 kHz, left and right interleaved.
    const std::vector<int16_t>& audio() const { return m_audio; }
    // The scene that runs now (the deepest current sub-scene, when it is a scene), or null.
    KavirelDLL::CMC_Scene* scene();
    std::string sceneName();
    // The object of that name seen from the running scene (or the application without one).
    KavirelDLL::CMC_Object* find(const std::string& name);
    // A value of the ini file as it is on disk now; "" when missing.
    std::string ini(const std::string& section, const std::string& key);
    int iniInt(const std::string& section, const std::string& key);
    // Writes "application.bin" and every cache; true when it was written.
    bool storeCache();
    // Milliseconds of the injected clock.
    static uint64_t now();

private:
    CGameFolder& m_folder;
    CGameOptions m_options;
    std::unique_ptr<CHarnessWindow> m_window;
    std::unique_ptr<CHarnessShell> m_shell;
    KavirelDLL::CMC_StructureParser* m_parser = nullptr;
    KavirelDLL::CMC_Application* m_application = nullptr;
    bool m_started = false;
    int m_frames = 0;
    std::vector<int16_t> m_audio;
    std::string m_savedFolder;
    KavirelDLL::CXString m_savedRoot;
    KavirelDLL::CXString m_savedCd;
    KavirelDLL::CXString m_savedDll;
};

} // namespace KavirelTest
