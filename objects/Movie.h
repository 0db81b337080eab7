#pragma once
#include "display/Playable.h"
#include "objects/MediaObject.h"
#include "script/Object.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CMovie;

enum : int {
    EVT_MOVIE_ONSTARTED = 3,
    EVT_MOVIE_ONFINISHED = 4,
    EVT_MOVIE_ONFRAMEUPDATED = 5,
};

// MOVIE: a movie file on the scene's screen. Its events come on the main thread, in the frame after the
// worker decoded them.
class CMC_Movie : public CMC_Object, public CPlayableObserver {
public:
    // FILENAME, PRIORITY (below 0: not on the screen), POSITION.
    CMC_Movie(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Movie() override;

    virtual CMovie* getMovie() { return m_movie; }
    CXString** getBehavioursList() override;

    bool onPlayableStarted(CPlayable* playable) override;
    bool onPlayableTick(CPlayable* playable) override;
    bool onPlayableFinished(CPlayable* playable) override;

private:
    CMovie* m_movie = nullptr;
};

// MOVIE methods.
class CMC_Movie_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_LOAD = 1,
        MTH_SETPOSITION = 2,
        MTH_PLAY = 3,
        MTH_STOP = 4,
        MTH_SETLOOP = 5,
        MTH_SEEK = 6,
        MTH_ISPLAYING = 7,
        MTH_PAUSE = 8,
        MTH_RESUME = 9,
    };

    CMC_Movie_Runner() : CMC_MediaRunner(TYPE_MOVIE) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
