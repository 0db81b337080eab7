#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CAnimationManager;
class CApplication;
class CCommandLine6;
class CConfig;
class CFont5;
class CMC_Application;
class CResourcesManager;
class CSoundManager;
class CWindow;

// The application shell as the window and the folders below the shell reach it (CWindow::getShellServices):
// the per-application services and the frame's step. The shell (shell/Application.h) builds the services and
// the script root and is the one implementation.
class CShellServices : public CXObject {
public:
    // ---- virtual operations, in the engine's order
    virtual void preinitializeApplication(bool unused) = 0;
    // The script root's frame step, and the switch to another game when it asks; always false.
    virtual bool domodal() = 0;
    virtual bool OnExit() { return true; }
    virtual void OnWindowCommand(int) {}
    // A key goes on to the hot spots and key listeners whatever the shell answers here.
    virtual int OnKeyDown(int, int) { return 0; }
    // The sound-effects folder's name for a sound.
    virtual CXString getWAVPath(CXString name) = 0;
    // The shell itself, for the folders above it.
    virtual CApplication* getApplication() = 0;

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

protected:
    CShellServices() = default;
    CShellServices(const CShellServices&) = delete;
    CShellServices& operator=(const CShellServices&) = delete;

    CWindow* m_window = nullptr;
    CAnimationManager* m_animationManager = nullptr;
    CSoundManager* m_soundManager = nullptr;
    CCommandLine6* m_commandLine = nullptr;
    CConfig* m_config = nullptr;
    CResourcesManager* m_generalResources = nullptr;
    CFont5* m_defaultFont = nullptr;
    CMC_Application* m_application = nullptr;
    void* m_instance = nullptr;
};

} // namespace KavirelDLL
