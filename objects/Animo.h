#pragma once
#include <vector>

#include "core/Geometry.h"
#include "display/Collisions.h"
#include "display/Playable.h"
#include "input/MouseListener.h"
#include "media/anim/AnimationManager.h"
#include "media/anim/Animo6.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;
class CMC_Scene;
class CResourcesManager;
class CWindow;

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
// plays the animation's own "ONNOEVENT", "ONFOCUSON", "ONFOCUSOFF" and "ONCLICK" events as the pointer enters,
// leaves and clicks. Animations of a scene's objects are shared through the scene unit's cache by file name.
// Sequences that borrow the animation register with addSeq and get the new animation on a reload, and none
// once the object is done.
class CMC_Animo : public CMC_Object,
                  public CPlayableObserver,
                  public CCollisionObserver,
                  public CMouseListener,
                  public CPlayableHolder {
public:
    // From the scene's definition.
    CMC_Animo(CMC_ObjectsContainer* container, CMElement* element);
    // A blank object named "temp" (CREATE and the cache reader make these); container may be null.
    explicit CMC_Animo(CMC_ObjectsContainer* container);
    // A clone around its own copy of an animation, which it observes alone.
    CMC_Animo(CMC_ObjectsContainer* container, CAnimo6* animation);
    // Leaves the window's listeners, the collision inspector and the animation's observers; the animation
    // itself belongs to the cache, or went with done.
    ~CMC_Animo() override;

    CXObject* clone() override;
    // Takes the animation back from the sequences, then gives it up: one use less in the unit's cache, and
    // destroyed when this is a clone or no scene's object.
    bool done(bool flag) override;
    CXString** getBehavioursList() override;
    // The first mouse behaviour makes the object a mouse listener at the priority of that moment.
    bool verifyBehaviour(const CXString& key) override;
    void serialize(CXArchive* archive) override;

    // An animation event's name as an event's detail: without a trailing "_REVERSE".
    virtual CXString getSignalEvent(CXString name);
    virtual void removeCollisionsMonitoring();
    // Same file name (any case): nothing is read again.
    virtual void load(CXString fileName, bool preload);

    CAnimo6* getAnimo() { return m_animation; }
    CPlayable* getPlayable() override { return m_animation; }
    // "NAME!FRAME": the animation's image of the frame of that name.
    CGraphicsObject* getFrame(const CXString& name);
    void setAsButton(bool enable, bool activeCursor);
    void setOnFirstFrame(bool onFirstFrame) { m_firstFrameHit = onFirstFrame; }
    // Playables (sequences' animations) that borrow the animation; each is listed once.
    void addSeq(CPlayable* playable);
    void removeSeq(CPlayable* playable);
    int getSeqCount() const { return static_cast<int>(m_sequences.size()); }

    // The button's animation events.
    void onFoncusOn();
    void onFocusOff();
    void onClick();

    bool onPlayableStarted(CPlayable* playable) override;
    bool onPlayableTick(CPlayable* playable) override;
    bool onPlayableFinished(CPlayable* playable) override;

    void onCollision(CGraphicsObject* a, CGraphicsObject* b) override;
    void onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) override;

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    CWindow* getWindow() const { return m_window; }
    int getPriority() const { return m_priority; }
    bool isButton() const { return m_buttonMode; }
    bool isListening() const { return m_listening; }
    bool getMonitorCollision() const { return m_monitorCollision; }
    bool getMonitorCollisionAlpha() const { return m_monitorCollisionAlpha; }
    // The container the object lives in (its scene, or the one it was made for).
    CMC_ObjectsContainer* getContainer();
    // The scene collisions are monitored with: the container, or the scene above a class instance.
    CMC_Scene* getMonitorScene();

private:
    void construct(CMC_ObjectsContainer* container);
    // The scene unit's cache when the container is a scene; else null.
    CResourcesManager* cache();
    void monitor(bool alpha);
    void raiseCollision(const char* event, CGraphicsObject* a, CGraphicsObject* b);
    // Borrowers let go, then the animation goes back to the cache it came from, or is destroyed when it is
    // this object's own.
    void releaseAnimation();
    // The box the pointer is tested against: the animation's, or the given image's with first-frame hit.
    CXRect hitBox(int image);
    // The animation stops telling this object (it stays with the cache).
    void forgetAnimation();
    bool mouseReady();

    CWindow* m_window = nullptr;
    CAnimo6* m_animation = nullptr;
    int32_t m_priority = 0;
    bool m_focused = false;
    bool m_listening = false;
    bool m_buttonMode = false;
    bool m_firstFrameHit = false;
    bool m_activeCursor = true;
    bool m_monitorCollision = false;
    bool m_monitorCollisionAlpha = false;
    bool m_preload = false;
    // The animation is a use of the scene unit's cache (else this object's own).
    bool m_cached = false;
    // Borrowers, not owned; the list is the object's own (a copy gets its own list).
    std::vector<CPlayable*> m_sequences;
    CMC_ObjectHandle m_container;
};

// ANIMO methods, ids 1 to 72 (14 answers the paused bit and has no name).
class CMC_Animo_Runner : public CMC_Runner {
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
        MTH_ISPAUSED_UNNAMED,
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

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

    // SETVOLUME's and SETPAN's scales, computed in 64 bits (a script's value may be any int).
    static int volumeOf(int volume);
    static int panOf(int pan);
};

} // namespace KavirelDLL
