#include "core/Log.h"
#include "media/sound/Music.h"
#include "media/sound/Sound4.h"

namespace KavirelDLL {

void CMusic::play(CXString fileName, bool) {
    logMessage("music: streamed sound is not built yet, \"%s\" does not play", fileName.GetBuffer());
    setErrorCode(ERR_NOT_BUILT);
}

bool CSound4::CreateDirectSoundInterface(CWindow*) {
    logMessage("sound: the sound device is not built yet, the game runs silent");
    return false;
}

} // namespace KavirelDLL
