#pragma once
#include "display/Playable.h"
#include "media/sequences/SequenceSupport.h"

namespace KavirelDLL {

class CAnimo;
class CMC_Object;
class CResourcesManager;
class CWindow;

// Plays one event of an animation: one of a file (shared through a cache) or the one a script ANIMO
// object shows.
class CSimpleAnimation : public CPlayable, public CPlayableObserver {
public:
    CSimpleAnimation(CWindow* window, CAnimo* animation);
    // Uses an ANIMO object's animation and registers with the object, which hands over a new one or none.
    CSimpleAnimation(CWindow* window, CMC_Object* animo);
    // Leaves the script object, or gives the animation back to where it came from.
    ~CSimpleAnimation() override;
    CSimpleAnimation(const CSimpleAnimation&) = delete;
    CSimpleAnimation& operator=(const CSimpleAnimation&) = delete;

    void setEventIndex(int index) { m_eventIndex = index; }
    int getEventIndex() const { return m_eventIndex; }
    void setAnimation(CAnimo* animation);
    // Null once the script object it came from is gone.
    CAnimo* getAnimation();
    // The animation is one use of the cache, given back when this leaf goes; without a cache the leaf owns
    // it and deletes it.
    void holdAnimation(CResourcesManager* cache);

    // Without an animation, or with an event the animation cannot play, reports finished at once.
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    bool isPlaying() override;
    void setVisibility(bool visible) override;
    bool isVisible() override;
    void seek(int) override {}
    void substAnimation(CAnimo* animation) override;
    bool onPlayableFinished(CPlayable* playable) override;

private:
    int32_t m_eventIndex = 0;
    CBorrowedAnimation m_animation;
    // Between a play and the animation's end.
    bool m_awaitingEnd = false;
};

} // namespace KavirelDLL
