// The window's parts from the folders above display/ (display/WindowParts.h), answered when the library
// loads.
#include "display/WindowParts.h"

#include "input/DXMouse.h"
#include "input/HotSpot.h"
#include "input/Keyboard.h"
#include "media/anim/AnimationManager.h"
#include "media/sound/Music.h"
#include "media/sound/SndStream.h"
#include "media/sound/Sound4.h"
#include "media/sound/SoundManager.h"
#include "objects/Mouse.h"
#include "script/Object.h"

namespace KavirelDLL {

namespace {

bool answerTheWindow() {
    CWindowParts::openSound = [](CWindow* window) { CSound4::CreateDirectSoundInterface(window); };
    CWindowParts::makeMusic = [](CWindow* window) { return new CMusic(window); };
    CWindowParts::makeKeyboard = [](CWindow* window) { return new CKeyboard(window); };
    CWindowParts::makeMouse = [](CWindow* window) { return new CDXMouse(window); };

    CWindowParts::freeMusic = [](CMusic* music) { delete music; };
    CWindowParts::freeKeyboard = [](CKeyboard* keyboard) { delete keyboard; };
    CWindowParts::freeMouse = [](CDXMouse* mouse) { delete mouse; };
    CWindowParts::closeSound = [] { CSound4::DestroySoundBuffer(); };
    CWindowParts::freeHotSpots = [] { CHotSpot::done(); };

    CWindowParts::runAnimations = [](CAnimationManager* animations) { animations->domodal(); };
    CWindowParts::runSounds = [](CSoundManager* sounds) { sounds->domodal(); };
    CWindowParts::raiseMusicLoops = [](CWindow* window) {
        if (CSndStream::pendingLoops()) CSndStream::raiseLoopEvents(window);
    };
    CWindowParts::flushObject = [](CXObject* object) { static_cast<CMC_Object*>(object)->flush(); };

    CWindowParts::focusLost = [] { CMC_Mouse::reset(false); };
    CWindowParts::focusBack = [] { CMC_Mouse::restore(); };
    return true;
}
[[maybe_unused]] const bool g_windowKnowsItsParts = answerTheWindow();

} // namespace

} // namespace KavirelDLL
