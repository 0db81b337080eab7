#pragma once
#include "core/Containers.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CAnimo;
class CMElement;
class CResourcesManager;
class CWindow;

// Plays its children one after another (mode 1), one at random (mode 2) or the one its parameter's first
// character selects (mode 3). The animation manager calls next() while it plays, so a child that ends
// without telling anyone is followed all the same.
class CSequencedPlayable : public CXObject, public CPlayable, public CPlayableObserver {
public:
    enum : int { MODE_SEQUENCE = 1, MODE_RANDOM = 2, MODE_PARAMETER = 3 };

    explicit CSequencedPlayable(CWindow* window);
    // The element is not read.
    CSequencedPlayable(CWindow* window, CMElement* element);
    // Lets go of every child and leaves the animation manager. The last parent deletes a child, but for a
    // sound or an animation: one a tree took is given back (to its cache, or deleted when the tree made it
    // without one), any other is left to its owner.
    ~CSequencedPlayable() override;
    CSequencedPlayable(const CSequencedPlayable&) = delete;
    CSequencedPlayable& operator=(const CSequencedPlayable&) = delete;

    // Appends and counts this sequence as one more parent of the child. A child that would hold this
    // sequence (itself among them) is refused.
    void addChild(CPlayable* child) override;
    using CPlayable::play;
    void play() override;
    int next() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    // -4 next, -3 previous, -2 last, -1 first, else that index; a target outside the children ends the play.
    // Starting a child of a sequence whose play ended begins a new play, whose end is told again.
    void seek(int target) override;
    bool onPlayableFinished(CPlayable* child) override;
    using CPlayable::getParameter;
    // The parameter a child gets: empty unless longer than one character; in mode 3 without its first one.
    CXString getParameter() override;
    CPlayable* getPlaying() override;
    using CPlayable::getLastPlayedEvent;
    // Empty unless a child plays. A name other than this sequence's own asks the nested sequences in
    // order; otherwise the current child answers.
    virtual CXString getLastPlayedEvent(CXString name);
    // Follows the key through the event map, then down the tree by the parameter's characters.
    virtual CPlayable* get(CXString key);
    // A new array (the caller deletes it) of the distinct animations below.
    virtual CXArray* getAllAnimations();
    // A new array of the distinct playables below of that type (sequences are searched, not listed).
    virtual CXArray* getAllOfType(int type);
    // Of the first animation (first 1) or the first one playing; empty without one.
    virtual CXRect getBoundingBox(int first);
    virtual CXPoint getPosition(int first);
    void setPosition(int x, int y) override;
    void alwaysOnTop() override;
    void setVisibility(bool visible) override;
    void move(int dx, int dy) override;
    // The sequence's volume and pan, and its frequency when above 0, go to the playable.
    virtual void accure(CPlayable* playable);

    // The cache this tree's sounds and animations came from (none: the tree owns them).
    void setResources(CResourcesManager* cache) { m_resources = cache; }
    CResourcesManager* getResources() const { return m_resources; }
    int getChildrenCount() const { return m_children.getSize(); }
    CPlayable* getChild(int index) const { return static_cast<CPlayable*>(m_children.at(index)); }
    int getCurrent() const { return m_current; }
    int getStarted() const { return m_started; }

    // The child index a parameter character selects; -1 for none.
    static int selectIndex(unsigned char c);

private:
    CPlayable* child(int index) const;
    CPlayable* currentChild() const { return child(m_current); }
    void startChild(int index);
    // Clears the playing bit and stops the current child; false when nothing played.
    bool halt(bool notifyChild);
    void reportFinished();
    void collect(CXArray* into, int type);
    CAnimo* firstAnimation(bool playingOnly);

    CXArray m_children{101, 0.75f};
    int32_t m_current = -1;
    int32_t m_started = -1;
    bool m_resumed = false;
    // Finished is told once per play.
    bool m_finishReported = true;
    // A seek stops its child itself and does not follow the child's finish.
    bool m_seeking = false;
    CResourcesManager* m_resources = nullptr;
};

} // namespace KavirelDLL
