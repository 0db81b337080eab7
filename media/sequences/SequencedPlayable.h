#pragma once
#include "display/Playable.h"

namespace KavirelDLL {

class CWindow;
class CMElement;

// A composite playable built from a SEQUENCE element. Sequences are not built yet: a
// CSequencedPlayable plays nothing, carries ERR_NOT_BUILT and says so in the log.
class CSequencedPlayable : public CXObject, public CPlayable, public CPlayableObserver {
public:
    CSequencedPlayable(CWindow* window, CMElement* element);

    using CPlayable::play;
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    void seek(int position) override;
    bool onPlayableFinished(CPlayable* playable) override;
};

} // namespace KavirelDLL
