#pragma once
#include <vector>

#include "display/Playable.h"
#include "display/Window.h"
#include "media/anim/AnimationManager.h"
#include "media/anim/Animo6.h"
#include "media/sequences/SequenceSupport.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// Positions of ANIMO's events in its event list.
enum : int {
    EVT_ANIMO_ONSTARTED = 3,
    EVT_ANIMO_ONFINISHED = 4,
    EVT_ANIMO_ONPAUSED = 5,
    EVT_ANIMO_ONRESUMED = 6,
    EVT_ANIMO_ONFRAMECHANGED = 7,
    EVT_ANIMO_ONCOLLISION = 8,
    EVT_ANIMO_ONCOLLISIONFINISHED = 9,
    EVT_ANIMO_ONFOCUSON = 10,
    EVT_ANIMO_ONFOCUSOFF = 11,
    EVT_ANIMO_ONCLICK = 12,
    EVT_ANIMO_ONRELEASE = 13,
};

// ANIMO: one multi-event animation on the screen. It raises the animation's start, end and frame changes with
// the event's (or frame's) name as detail, its collisions with the event and the partner, and in button mode
// plays the animation's own "ONNOEVENT", "ONFOCUSON", "ONFOCUSOFF" and "ONCLICK" events as the pointer
// enters, leaves and clicks (the click and the release over it are taken). Animations of a scene's objects
// are shared through the scene unit's cache by file name; a clone's copy is its own. Sequences that borrow
// the animation register with addSeq and are handed the new animation on a reload, and none once the object
// lets it go.
class CMC_Animo : public CMC_GraphicMedia,
                  public CPlayableObserver,
                  public CPlayableHolder,
                  public CAnimationLender {
public:
    // From the scene's definition.
    CMC_Animo(CMC_ObjectsContainer* container, CMElement* element);
    // A blank object named "temp" (CREATE and the cache reader make these); container may be null.
    explicit CMC_Animo(CMC_ObjectsContainer* container);
    // A clone around its own copy of an animation, which it observes alone.
    CMC_Animo(CMC_ObjectsContainer* container, CAnimo6* animation);
    // Borrowers and the animation's observers forget it; the family lets go of the rest.
    ~CMC_Animo() override;
    CMC_Animo(const CMC_Animo&) = delete;
    CMC_Animo& operator=(const CMC_Animo&) = delete;

    // The copy is always put on the screen: at the source's priority, or at 0. The cache is not involved.
    CXObject* clone() override;
    // Takes the animation back from the sequences, then gives it up as every graphic member does.
    bool done(bool flag) override;
    CXString** getBehavioursList() override;
    // Reading observes the animation at once.
    void serialize(CXArchive* archive) override;

    // An animation event's name as an event's detail: without a trailing "_REVERSE".
    virtual CXString getSignalEvent(CXString name);
    // Same file name (any case): nothing is read again.
    void load(CXString fileName, bool preload) override;

    CAnimo6* getAnimo() const override { return static_cast<CAnimo6*>(m_graphic); }
    CPlayable* getPlayable() override { return getAnimo(); }
    // "NAME!FRAME": the animation's image of the frame of that name.
    CGraphicsObject* getFrame(const CXString& name);
    // Plays "ONNOEVENT".
    void setAsButton(bool enable, bool activeCursor) override;
    void setOnFirstFrame(bool onFirstFrame) { m_firstFrameHit = onFirstFrame; }
    // Playables (sequences' animations) that borrow the animation; each is listed once.
    void addSeq(CPlayable* playable) override;
    void removeSeq(CPlayable* playable) override;
    int getSeqCount() const { return static_cast<int>(m_sequences.size()); }

    // The button's animation events; a running "ONCLICK" is never cut.
    void onFoncusOn();
    void onFocusOff();
    void onClick();

    bool onPlayableStarted(CPlayable* playable) override;
    bool onPlayableTick(CPlayable* playable) override;
    bool onPlayableFinished(CPlayable* playable) override;

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMC_GraphicMedia::onClick;
    using CMC_GraphicMedia::onRelease;

protected:
    CMC_GraphicMedia* newClone(CGraphicsObject* copy) override;
    // The event's name and the partner, then the partner.
    std::vector<CXString> collisionDetails(const CXString& partner) override;
    // With first-frame hit, the first image's box.
    CXRect hitBox() override;
    void setGraphicVisible(bool visible) override;

private:
    // Before the animation goes from this object: borrowers are handed none, it stops telling this object,
    // and an animation of its own leaves the unit's random plays.
    void letGoOfAnimation();
    bool buttonReady() { return mouseReady() && !CWindow::isPaused(); }
    // Plays the button's event unless "ONCLICK" runs; false when a start handler deleted this object.
    bool playButtonEvent(const char* event);

    // LOAD of a file the cache shares: the old animation leaves the screen when this object put it there and
    // every other use of it is an ANIMO of the scene that does not show it.
    void leaveTheScreenIfOnlyThisShows(CAnimo6* old);

    bool m_firstFrameHit = false;
    // This object put its animation on the screen (TOCANVAS, a LOAD in its place, the cache record).
    bool m_shows = false;
    // Borrowers, not owned; the list is this object's own.
    std::vector<CPlayable*> m_sequences;
};

// ANIMO methods, ids 1 to 72 (14 has no name and goes to the base runner); each argument is read once.
class CMC_Animo_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_SHOW = 1,
        MTH_HIDE,
        MTH_PAUSE,
        MTH_RESUME,
        MTH_SETPOSITION,
        MTH_MOVE,
        MTH_LOAD,
        MTH_CLEARCLIPPING,
        MTH_SETCLIPPING,
        MTH_PLAY,
        MTH_SETFRAME,
        MTH_STOP,
        MTH_ISPLAYING,
        MTH_UNNAMED_14, // no name, no handler
        MTH_GETPOSITIONX,
        MTH_GETPOSITIONY,
        MTH_GETWIDTH,
        MTH_GETHEIGHT,
        MTH_GETFRAME,
        MTH_GETFRAMENAME,
        MTH_GETFRAMENO,
        MTH_GETEVENTNAME,
        MTH_ISNEAR,
        MTH_ISINSIDE,
        MTH_PLAYRAND,
        MTH_MONITORCOLLISION,
        MTH_REMOVEMONITORCOLLISION,
        MTH_SETFORWARD,
        MTH_SETBACKWARD,
        MTH_NEXTFRAME,
        MTH_PREVFRAME,
        MTH_SETPRIORITY,
        MTH_GETALPHA,
        MTH_GETPIXEL,
        MTH_SETFPS,
        MTH_MERGEALPHA,
        MTH_INVALIDATE,
        MTH_GETCURRFRAMEPOSX,
        MTH_GETCURRFRAMEPOSY,
        MTH_GETCENTERX,
        MTH_GETCENTERY,
        MTH_GETNOE,
        MTH_GETNOF,
        MTH_GETNOFINEVENT,
        MTH_GETMAXWIDTH,
        MTH_GETMAXHEIGHT,
        MTH_ISVISIBLE,
        MTH_GETCFRAMEINEVENT,
        MTH_SETASBUTTON,
        MTH_SETONFF,
        MTH_SETOPACITY,
        MTH_SETVOLUME,
        MTH_SETPAN,
        MTH_SETFREQ,
        MTH_SETANCHOR,
        MTH_SETFRAMENAME,
        MTH_GETPRIORITY,
        MTH_FLIPH,
        MTH_FLIPV,
        MTH_RESETFLIPS,
        MTH_DRAWONTO,
        MTH_PLAYREVERSE,
        MTH_NPLAY,
        MTH_ISAT,
        MTH_GETOPACITY,
        MTH_GETANCHOR,
        MTH_GETEVENTNUMBER,
        MTH_GETFPS,
        MTH_REPLACECOLOR,
        MTH_GETENDX,
        MTH_GETENDY,
        MTH_ROTATERZ,
    };
    static_assert(MTH_ROTATERZ == 72, "ANIMO's ids run from 1 to 72");

    CMC_Animo_Runner() : CMC_MediaRunner(TYPE_ANIMO) {}
    void prepareMthHashSet() override;
    // Method id on the call's ANIMO; the arguments are read once each.
    static CMC_Variable* runMethod(int id, Call& call);

    // SETVOLUME's and SETPAN's scales, computed in 64 bits (a script's value may be any int).
    static int volumeOf(int volume);
    static int panOf(int pan);
};

} // namespace KavirelDLL
