#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CAnimationManager;
class CConfig;
class CSoundManager;

// The application shell. Only what the window's frame and the scripts ask of it exists so far: its
// configuration, its animation and sound managers (null until the shell builds them) and its frame step,
// which reports that the script root's step is not built yet. The shell is completed with the display
// subsystem.
class CApplication : public CXObject {
public:
    // The script root's frame step; true when the running game asks to leave (it never does).
    virtual bool domodal();
    virtual bool OnExit() { return true; }
    // A key goes on to the hot spots and key listeners whatever the shell answers here.
    virtual int OnKeyDown(int, int) { return 0; }

    // Null when no ini file was named.
    CConfig* GetConfigInterface() { return m_config; }
    CAnimationManager* getAnimoManagerIfc() { return m_animationManager; }
    CSoundManager* getSoundManagerIfc() { return m_soundManager; }

protected:
    CConfig* m_config = nullptr;
    CAnimationManager* m_animationManager = nullptr;
    CSoundManager* m_soundManager = nullptr;

private:
    bool m_reported = false;
};

} // namespace KavirelDLL
