#pragma once
#include <unordered_set>

#include "core/XString.h"
#include "script/Object.h"

namespace KavirelDLL {

class CAnimo;
class CAnimationManager;
class CMC_Object;
class CPlayable;
class CResourcesManager;
class CSound4;
class CWindow;
class CPlayableObserver;

// A script object that lends its animation to the sequences that show it (ANIMO). Borrowers register while
// they hold it and are handed the new animation on a reload.
class CAnimationLender {
public:
    virtual CAnimo* getAnimo() const = 0;
    // Each borrower is listed once.
    virtual void addSeq(CPlayable* playable) = 0;
    virtual void removeSeq(CPlayable* playable) = 0;

protected:
    // Never deleted through this interface.
    ~CAnimationLender() = default;
};

// A script object that lends its sound to speaking animations as their voice (SOUND).
class CSoundLender {
public:
    virtual CSound4* getSound() const = 0;

protected:
    ~CSoundLender() = default;
};

// The animation a simple or speaking animation shows: a script ANIMO object's (kept by handle, so one that
// is gone leaves none), a file's that the borrower holds (one use of a cache, or its own without one), or
// one it was given.
class CBorrowedAnimation {
public:
    // Null once the script object it came from is gone.
    CAnimo* get();
    void set(CAnimo* animation) { m_animation = animation; }
    // The animation of an ANIMO object; the borrower registers with the object. Nothing for another object.
    void borrow(CMC_Object* animo, CPlayable* borrower);
    // The borrower holds the animation it has now: it gives it back to the cache, or deletes it without one.
    void hold(CResourcesManager* cache);
    // The observer stops observing it; the borrower leaves the object or gives the animation back.
    void letGo(CPlayable* borrower, CPlayableObserver* observer);

private:
    CAnimo* m_animation = nullptr;
    CMC_ObjectHandle m_animo;
    bool m_fromScript = false;
    bool m_held = false;
    CResourcesManager* m_cache = nullptr;
};

// What the playables of sequence trees share.
namespace SequenceSupport {

// The object of that name seen from the scene that runs now (the script root's current episode's current
// scene); null without one.
CMC_Object* sceneObject(CWindow* window, const CXString& name);
// The object as the lender of its animation when it is an ANIMO, of its sound when it is a SOUND; null for
// any other object and for null.
CAnimationLender* animationLender(CMC_Object* object);
CSoundLender* soundLender(CMC_Object* object);
// The animation manager of the window's application; null without one.
CAnimationManager* animationManager(CWindow* window);
// A holder lets go of a tree's playable. A counted hold is one of the playable's parents (a sequence holding
// a child, a speaking animation holding another element as its voice): the last one disposes of it. Any
// other hold is the holder's own playable. A sound or an animation is disposed of only when a tree took it
// (giveBack); one that belongs to someone else (a script object's) is left as it is. Any other playable is
// deleted.
void release(CPlayable* playable, CResourcesManager* cache, bool counted);
// The holder's own use of a sound or an animation a tree took: one it made without a cache is deleted; a
// cache's gets back the observer and name it had before a tree claimed it, and one use goes back to the
// cache (which destroys it, and so takes it off the screen, at its last use).
void giveBack(CPlayable* media, CResourcesManager* cache);
// True when a tree made the sound or animation without a cache and deletes it when done.
bool isOwned(CPlayable* media);
// The tree no longer deletes it: whoever it is handed to does.
void disown(CPlayable* media);
// A tree that uses a cache's sound as a leaf claims it: the leaf is named after the element and heard by the
// tree's observer until the tree gives it back, which restores the name it had before. False, leaving it as
// it is, when another tree holds the claim or something else observes it for good (the tree then plays a
// sound of its own).
bool claim(CPlayable* media, CPlayableObserver* observer, const CXString& name);
bool isClaimed(CPlayable* media);
// The sound of a file made for one tree alone, owned by it (never in a cache).
CSound4* ownSound(CWindow* window, const CXString& path);
// The animation of a file: one use of the cache's when it holds the file, else a new one (added to the
// cache when there is one); made tells which. Null only without a file name.
CAnimo* takeAnimation(CWindow* window, CResourcesManager* cache, const CXString& file, bool& made);
// The sound of a file, as takeAnimation; a new one lets go of its samples after each play.
CSound4* takeSound(CWindow* window, CResourcesManager* cache, const CXString& path);
// At the priority of speaking characters, 1000.
void putOnScreen(CWindow* window, CAnimo* animation);
// True when inner is outer, or lies below it: a child of a sequence or the voice of a speaking animation,
// at any depth.
bool holds(CPlayable* outer, CPlayable* inner);
// Every playable holds(outer, ...) is true for; empty for null.
std::unordered_set<CPlayable*> heldBy(CPlayable* outer);

} // namespace SequenceSupport

} // namespace KavirelDLL
