#pragma once
#include "display/Playable.h"
#include "media/sequences/SequenceSupport.h"

namespace KavirelDLL {

class CAnimo;
class CResourcesManager;
class CWindow;

// A voice played while an animation shows talking events drawn at random: without a prefix the events
// whose names begin with a digit, with prefix P those named P_x but for P_START, P_END and P_STOP.
// STARTING plays P_START before the voice, ENDING plays P_END (else P_STOP) after it.
class CSpeakingAnimation : public CPlayable, public CPlayableObserver {
public:
    CSpeakingAnimation(CWindow* window, CResourcesManager* resources);
    // Gives the voice and the animation back to where they came from.
    ~CSpeakingAnimation() override;
    CSpeakingAnimation(const CSpeakingAnimation&) = delete;
    CSpeakingAnimation& operator=(const CSpeakingAnimation&) = delete;

    // The animation of the scene's ANIMO object of that name, else of that file (through the cache).
    virtual void setAnimation(CXString name);
    // The voice: the sound of the scene's SOUND object of that name, else of that file.
    virtual void apply(CXString name);
    // The voice is this playable, held as a sequence holds a child.
    virtual void apply(CPlayable* voice);
    void substAnimation(CAnimo* animation) override;
    // Null once the script object it came from is gone.
    CAnimo* getAnimation();
    CPlayable* getVoice();
    void setPrefix(CXString prefix) { m_prefix = prefix; }
    void setStarting(bool starting) { m_starting = starting; }
    void setEnding(bool ending) { m_ending = ending; }
    void setOnlyEvents(bool onlyEvents) { m_onlyEvents = onlyEvents; }

    // Without an animation, reports finished at once.
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    bool isPlaying() override;
    void seek(int) override {}
    void move(int dx, int dy) override;
    void setPosition(int x, int y) override;
    void setVisibility(bool visible) override;
    void alwaysOnTop() override;
    bool isVisible() override;
    bool onPlayableFinished(CPlayable* playable) override;

private:
    // The animation's event prefix + "_" + what ("what" alone without a prefix).
    CXString prefixed(const char* what) const;
    bool playEvent(const char* what);
    void startSpeech();
    // Draws and plays the next talking event, or finishes once the voice is over.
    void playOnOf();
    void finish();
    void reportFinished();
    void letGoVoice();

    CPlayable* m_voice = nullptr;
    CBorrowedAnimation m_animation;
    CResourcesManager* m_resources;
    bool m_onlyEvents = false;
    bool m_speechStarted = false;
    bool m_finishing = false;
    bool m_starting = false;
    bool m_ending = false;
    CMC_ObjectHandle m_scriptSound;
    bool m_soundFromScene = false;
    // The voice is another element's playable, held as one of its parents.
    bool m_voiceCounted = false;
    CXString m_prefix;
    bool m_finishReported = true;
};

} // namespace KavirelDLL
