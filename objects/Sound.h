#pragma once
#include <vector>

#include "display/Playable.h"
#include "media/sequences/SequenceSupport.h"
#include "media/sound/Sound4.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

enum : int {
    EVT_SOUND_ONSTARTED = 3,
    EVT_SOUND_ONFINISHED = 4,
    EVT_SOUND_ONRESUMED = 5,
};

// Told when a SOUND object lets go of its sound (another sound read, done, deleted): whoever kept the bare
// sound (a button's hover and click sounds) forgets it then.
class CMC_Sound;
class CSoundWatcher {
public:
    // from is the SOUND object letting go (its sound may be shared with other SOUND objects).
    virtual void onSoundGone(CMC_Sound* from, CSound4* sound) = 0;

protected:
    ~CSoundWatcher() = default;
};

// SOUND: one static sound of the sound-effects folder. In a scene, sounds of one file are shared through the
// scene unit's resource cache; elsewhere the object owns its sound.
class CMC_Sound : public CMC_MediaObject, public CPlayableObserver, public CSoundLender {
public:
    // Definition form: FILENAME, PRELOAD, FLUSHAFTERPLAYED.
    CMC_Sound(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form (scripts and caches make these).
    explicit CMC_Sound(CMC_ObjectsContainer* container);
    ~CMC_Sound() override;

    bool done(bool flag) override;
    CXString** getBehavioursList() override;
    // The definition's file name (without the sound-effects folder), PRELOAD, FLUSHAFTERPLAYED.
    void serialize(CXArchive* archive) override;

    bool onPlayableStarted(CPlayable* playable) override;
    bool onPlayableFinished(CPlayable* playable) override;
    bool onPlayableResumed(CPlayable* playable) override;

    CSound4* getSound() const override { return m_sound; }
    void addWatcher(CSoundWatcher* watcher);
    void removeWatcher(CSoundWatcher* watcher);
    bool getPreload() const { return m_preload; }
    bool getFlushAfterPlayed() const { return m_flushAfterPlayed; }

    // SETVOLUME's and SETPAN's script values in hundredths of a decibel, computed in 64 bits.
    static int volumeOf(int value);
    static int panOf(int value);

private:
    // Makes or finds the sound of the file of the sound-effects folder.
    void create(const CXString& fileName);
    // Lets go of the sound: no longer observed, the cache's uses given back, an own sound destroyed.
    void releaseSound(bool destroyOwn);

    CSound4* m_sound = nullptr;
    // FILENAME as the definition gave it.
    CXString m_fileName;
    bool m_preload = false;
    bool m_flushAfterPlayed = false;
    std::vector<CSoundWatcher*> m_watchers;
};

// SOUND methods.
class CMC_Sound_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_PLAY = 1,
        MTH_STOP = 2,
        MTH_PAUSE = 3,
        MTH_RESUME = 4,
        MTH_LOAD = 7,
        MTH_SETVOLUME = 8,
        MTH_SETPAN = 9,
        MTH_SETFREQ = 10,
        MTH_ISPLAYING = 11,
    };

    CMC_Sound_Runner() : CMC_MediaRunner(TYPE_SOUND) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
