#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CAnimationManager;
class CCommandLine6;
class CConfig;
class CFont5;
class CMC_Application;
class CMC_StructureParser;
class CResourcesManager;
class CSoundManager;
class CWindow;

// The application shell: the per-application services (animation and sound managers, the per-user
// configuration, the general resource cache) and the script root, built from "application.bin" or
// "application.def" in the game's data folder. It runs the root's frame step and switches to another game
// folder when the running game asks for one.
class CApplication : public CXObject {
public:
    // The window, the ini file's name, the big-file archive's name, the command line (may be null), the
    // program instance and the product name. With a product the configuration is a per-user copy of the
    // game's ini file.
    CApplication(CWindow* window, CXString iniName, CXString bigFileName, CCommandLine6* commandLine,
                 void* instance, CXString productName);
    ~CApplication() override;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // ---- virtual operations, in the engine's order
    // Sets the data paths and builds and starts the script root; without one the error code is 3000. With
    // "2bin" the root writes its caches instead of starting: ERR_FILE_WRITE when they are not all written.
    virtual void preinitializeApplication(bool unused);
    // The script root's frame step, and the switch to another game when it asks; always false.
    virtual bool domodal();
    virtual bool OnExit() { return true; }
    virtual void OnWindowCommand(int) {}
    // A key goes on to the hot spots and key listeners whatever the shell answers here.
    virtual int OnKeyDown(int, int) { return 0; }
    // The sound-effects folder's name for a sound.
    virtual CXString getWAVPath(CXString name);

    CResourcesManager* getGeneralResourcesManager() { return m_generalResources; }
    CAnimationManager* getAnimoManagerIfc() { return m_animationManager; }
    CSoundManager* getSoundManagerIfc() { return m_soundManager; }
    // Null when no ini file was named.
    CConfig* GetConfigInterface() { return m_config; }
    CCommandLine6* getCommandLine() { return m_commandLine; }
    CMC_Application* getMCApplicationIfc() { return m_application; }
    void* getAppInstance() { return m_instance; }
    void setDefaultFont(CFont5* font) { m_defaultFont = font; }
    CFont5* getDefaultFont() { return m_defaultFont; }
    CWindow* getWindow() { return m_window; }

    // Below the user's data folder, the folder of the products' per-user files.
    static constexpr const char* kVendorFolder = "OrvikMedia";

protected:
    // A shell without services or script root, for shells of tools and tests that supply their own.
    CApplication();

    // The CD data root and the sound-effects folder after the current folder became a game's root.
    void setDataPaths();
    // A new root from "application.def" in the current folder; null when it gives none.
    void buildFromDefinition();

    CWindow* m_window = nullptr;
    CAnimationManager* m_animationManager = nullptr;
    CSoundManager* m_soundManager = nullptr;
    CCommandLine6* m_commandLine = nullptr;
    CConfig* m_config = nullptr;
    CResourcesManager* m_generalResources = nullptr;
    CFont5* m_defaultFont = nullptr;
    CXString m_iniName;
    CXString m_bigFileName;
    CMC_Application* m_application = nullptr;
    CMC_StructureParser* m_parser = nullptr;
    void* m_instance = nullptr;
    // The shell built the sound codecs' table and takes it down.
    bool m_ownsCodecs = false;

private:
    bool m_openedBigFile = false;
};

} // namespace KavirelDLL
