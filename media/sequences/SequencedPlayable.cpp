#include "media/sequences/SequencedPlayable.h"

#include "core/Elements.h"
#include "core/Log.h"

namespace KavirelDLL {

CSequencedPlayable::CSequencedPlayable(CWindow* window, CMElement* element) : CPlayable(window) {
    m_type = 7;
    setErrorCode(ERR_NOT_BUILT);
    logMessage("sequence %s not built: sequences are not built yet",
               element ? element->name().GetBuffer() : "");
}

void CSequencedPlayable::play() {
    m_status = 0;
    setErrorCode(ERR_NOT_BUILT);
    logMessage("sequence not played: sequences are not built yet");
}

void CSequencedPlayable::stop(bool) { m_status = 0; }

void CSequencedPlayable::pause() {}

void CSequencedPlayable::resume() {}

void CSequencedPlayable::seek(int) {}

bool CSequencedPlayable::onPlayableFinished(CPlayable*) { return false; }

} // namespace KavirelDLL
