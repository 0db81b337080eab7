#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CCommandLine6;
class CApplication;
class CKeyboard;
class CLanguageOSVer;
class CRefreshScreen;
class CCollisionInspector;

// The engine window. Only what the core services and the graphics objects call exists so far; the
// window itself is completed with the display subsystem.
class CWindow : public CXObject {
public:
    CWindow() = default;
    // A window that carries only its language object, until the display subsystem builds the whole one.
    explicit CWindow(CLanguageOSVer* language) : m_language(language) {}

    // A software timer added for the window is due; the window itself does nothing with it.
    virtual int OnTimer(int id);

    // The keyboard poller; null until the window has created its input devices.
    CKeyboard* getKeyboardInterface() { return m_keyboard; }
    CLanguageOSVer* getLangIfc() const { return m_language; }

    // The refresh screen and the collision inspector; null until the window builds them (it does not
    // own them yet).
    CRefreshScreen* GetRefreshScreenInterface() const { return m_refreshScreen; }
    CCollisionInspector* getCollisionInspectorInterface() const { return m_collisionInspector; }

    // The program's command line, not owned; null while the window has none.
    CCommandLine6* getCommandLineIfc() { return m_commandLine; }

    // The application shell this window serves, set by the shell's constructor; null until then.
    void SetApplicationInterface(CApplication* application) { m_application = application; }
    CApplication* GetApplicationInterface() { return m_application; }

    // The engine's load messages arrive here and are discarded.
    static void toLog(CXString text, bool flag);

    // The CD data root, ending with '\'. While none is set (or an empty one) it is the first drive letter
    // configured as a CD-ROM ("E:\"), or empty when none is.
    static void setCDPath(const CXString& path);
    static CXString getCDPath();

    // Local install and per-product install, each ending with '\' when set.
    static CXString rootPath;
    static CXString gameProductPath;

protected:
    CKeyboard* m_keyboard = nullptr;
    CLanguageOSVer* m_language = nullptr;
    CApplication* m_application = nullptr;
    CRefreshScreen* m_refreshScreen = nullptr;
    CCollisionInspector* m_collisionInspector = nullptr;
    CCommandLine6* m_commandLine = nullptr;

private:
    static CXString s_cdPath;
};

} // namespace KavirelDLL
