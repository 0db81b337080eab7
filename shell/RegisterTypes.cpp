#include "shell/RegisterTypes.h"

#include "display/Window.h"
#include "media/anim/AnimationManager.h"
#include "media/sound/SoundManager.h"
#include "net/NetTypes.h"
#include "objects/ObjectTypes.h"
#include "script/Services.h"
#include "script/TypeRegistry.h"
#include "shell/Application.h"
#include "shell/CommandLine6.h"
#include "shell/Config.h"

namespace KavirelDLL {

namespace {

CApplication* shellOf(CWindow* window) { return window ? window->GetApplicationInterface() : nullptr; }

CCommandLine6* windowCommandLine(CWindow* window) { return window ? window->getCommandLineIfc() : nullptr; }

CCommandLine6* shellCommandLine(CWindow* window) {
    CApplication* shell = shellOf(window);
    return shell ? shell->getCommandLine() : nullptr;
}

// The shell of the window answers for its program.
class CShellHost : public CMC_Host {
public:
    CMC_Settings* config(CWindow* window) override {
        CApplication* shell = shellOf(window);
        return shell ? shell->GetConfigInterface() : nullptr;
    }
    CXString gamePath(CWindow* window) override {
        CCommandLine6* line = windowCommandLine(window);
        return line ? line->getPath() : CXString("");
    }
    CXString player(CWindow* window) override {
        CCommandLine6* line = windowCommandLine(window);
        return line ? line->getPlayer() : CXString("");
    }
    bool isParameter(CWindow* window, const CXString& name) override {
        CCommandLine6* line = shellCommandLine(window);
        return line && line->isParameter(name);
    }
    CXString parameter(CWindow* window, const CXString& name) override {
        CCommandLine6* line = shellCommandLine(window);
        return line ? line->getParameter(name) : CXString();
    }
    bool hasAnimations(CWindow* window) override { return animations(window) != nullptr; }
    void pauseAnimations(CWindow* window) override {
        if (CAnimationManager* manager = animations(window)) manager->pause();
    }
    void resumeAnimations(CWindow* window, CMC_Groupped* only) override {
        if (CAnimationManager* manager = animations(window)) manager->resume(only);
    }
    void pauseSounds(CWindow* window) override {
        if (CSoundManager* manager = sounds(window)) manager->pause();
    }
    void resumeSounds(CWindow* window) override {
        if (CSoundManager* manager = sounds(window)) manager->resume();
    }

private:
    static CAnimationManager* animations(CWindow* window) {
        CApplication* shell = shellOf(window);
        return shell ? shell->getAnimoManagerIfc() : nullptr;
    }
    static CSoundManager* sounds(CWindow* window) {
        CApplication* shell = shellOf(window);
        return shell ? shell->getSoundManagerIfc() : nullptr;
    }
};

} // namespace

void kavirelRegisterTypes() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    registerScriptTypes();
    registerObjectTypes();
    registerNetTypes();
    static CShellHost host;
    CMC_Host::install(&host);
}

} // namespace KavirelDLL
