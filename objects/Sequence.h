#pragma once
#include <vector>

#include "display/Playable.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CWindow;

enum : int {
    EVT_SEQUENCE_ONSTARTED = 3,
    EVT_SEQUENCE_ONFINISHED = 4,
};

// SEQUENCE: a sequence file read into a tree of playables, played with a key (and a parameter), stopped,
// paused and asked what plays. Every playable of the tree reports to the object: "ONSTARTED^name" and
// "ONFINISHED^name" for an element, the plain names for the root. Without a file that loads, every method
// does nothing and the queries answer FALSE and "".
class CMC_Sequence : public CMC_Object, public CPlayableObserver {
public:
    // A null element makes a blank object named "temp" (the cache reader fills it).
    CMC_Sequence(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Sequence() override;

    // Reads the file, then ONINIT.
    void init() override;
    // Ended before the other objects of its container, so its tree lets go of their animations first.
    bool doneFirst() override { return true; }
    // With release, the tree goes.
    bool done(bool release) override;
    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;

    bool onPlayableStarted(CPlayable* playable) override;
    bool onPlayableFinished(CPlayable* playable) override;

    // The tree, read when first needed; null when there is no file or it does not load.
    CPlayable* getSequence();
    CXString getFileName() const { return m_fileName; }
    CWindow* getWindow() const { return m_window; }

private:
    void loadSequence();
    void deleteSequence();

    CWindow* m_window = nullptr;
    CPlayable* m_sequence = nullptr;
    CXString m_fileName;
    // A file that did not load is not read again at every call.
    bool m_tried = false;
};

// SEQUENCE methods.
class CMC_Sequence_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_PLAY = 1,
        MTH_STOP,
        MTH_PAUSE,
        MTH_RESUME,
        MTH_SHOW,
        MTH_HIDE,
        MTH_ISPLAYING,
        MTH_SETVOLUME,
        MTH_SETPAN,
        MTH_SETFREQ,
        MTH_GETEVENTNAME,
        MTH_GETPLAYING,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

    // The parameter PLAY stores for a template: each 'x' or 'X' among the first elements-count characters
    // becomes the parameter character of the next element, in order.
    static CXString fillTemplate(CXString pattern, const std::vector<int>& elements);
    // SETVOLUME's and SETPAN's scales, in 64 bits.
    static int volumeOf(int volume);
    static int panOf(int pan);
};

} // namespace KavirelDLL
