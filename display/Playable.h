#pragma once
#include <cstdint>
#include <memory>

#include "core/FileResolver.h"
#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;
class CXArray;
class CXVector;
class CAnimo;
class CPlayable;

// Told when a playable starts, shows a new frame, finishes and resumes. Answers are false unless an
// observer says otherwise.
class CPlayableObserver {
public:
    virtual bool onPlayableStarted(CPlayable* playable);
    virtual bool onPlayableTick(CPlayable* playable);
    virtual bool onPlayableFinished(CPlayable* playable);
    virtual bool onPlayableResumed(CPlayable* playable);

protected:
    // Observers are never deleted through this interface.
    ~CPlayableObserver() = default;
};

// One key-to-event mapping of a playable.
class CPlayableSingleEvent : public CXObject {
public:
    CPlayableSingleEvent(CXString key, CXString event) : m_key(key), m_event(event) {}

    CXString getKey() const { return m_key; }
    CXString getEvent() const { return m_event; }
    void setEvent(CXString event) { m_event = event; }

private:
    CXString m_key;
    CXString m_event;
};

// The key-to-event map of a playable; owns its mappings.
class CPlayableEvents : public CXObject {
public:
    CPlayableEvents();
    // Copies every mapping.
    CPlayableEvents(const CPlayableEvents& other);
    CPlayableEvents& operator=(const CPlayableEvents& other);
    ~CPlayableEvents() override;

    // Appends; duplicates are kept and the first one wins on lookup.
    void addEvent(CXString key, CXString event);
    // Replaces the event of the first mapping whose key is exactly key; nothing when none is.
    void setEvent(CXString key, CXString event);
    // Keys compared in upper case; "" when none matches.
    CXString getEvent(CXString key);
    int getSize() const;

private:
    void clear();
    void copyFrom(const CPlayableEvents& other);

    CXVector* m_events;
};

// Base of everything that plays over time: animations, still images, sounds, movies, sequences.
class CPlayable : public CFileResolver {
public:
    enum : int32_t { STATUS_PLAYING = 1, STATUS_PAUSED = 2 };
    enum : int { NOTIFY_STARTED = 1, NOTIFY_TICK = 2, NOTIFY_FINISHED = 3, NOTIFY_RESUMED = 4 };

    explicit CPlayable(CWindow* window);
    // A copy has its own event map and observer list, copied from the source's.
    CPlayable(const CPlayable& other);
    CPlayable& operator=(const CPlayable& other);
    ~CPlayable() override;

    virtual void addChild(CPlayable* child);
    virtual void setParent(CPlayable* parent);
    virtual bool isParent();
    virtual void substAnimation(CAnimo* animation);
    virtual CXArray* getNotifiers();
    // The observer becomes the only one.
    virtual void setNotifier(CPlayableObserver* observer);
    virtual CPlayable* getPlaying();
    virtual CXString getParam();
    virtual CXString getParameter(CXString key);
    virtual CXString getParameter();
    // Stops, remembers the key, goes playing with the key's event as parameter, then plays.
    virtual void play(CXString key);
    virtual void play() = 0;
    virtual void stop(bool notify) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual bool onPlayableFinished(CPlayable* playable);
    virtual void onStarted();
    virtual void onFinished();
    virtual int getStatus();
    virtual bool isPlaying();
    virtual bool isPaused();
    virtual int getType();
    virtual void seek(int position) = 0;
    virtual int previous();
    virtual int next();
    virtual int getFPS();
    virtual void move(int dx, int dy);
    virtual void move(CXPoint delta);
    virtual void setPosition(int x, int y);
    virtual void setPosition(CXPoint p);
    virtual void SetGlobalPosition(int x, int y);
    virtual void SetGlobalPosition(CXPoint p);
    virtual bool isVisible();
    virtual void setVisibility(bool visible);
    virtual void show();
    virtual void hide();
    virtual void alwaysOnTop();
    virtual CXString getLastPlayedEvent();
    // Calls every observer on a copy of the list taken now, then the generic notifier: 1 started, 2 tick,
    // 3 finished, 4 resumed. The last observer's answer; true when nobody was called.
    virtual bool notify(int code);
    virtual void setVolume(int volume);
    virtual void setPanning(int panning);
    virtual void setFrequency(int frequency);

    void setName(CXString name) { m_name = name; }
    CXString getName() const { return m_name; }
    void setParameter(CXString parameter) { m_parameter = parameter; }
    void setParameter(CXString key, CXString event);
    void addEvent(CXString key, CXString event);
    CPlayableEvents* getEvents() const { return m_events; }

    void addNotifier(CPlayableObserver* observer);
    void removeNotifier(CPlayableObserver* observer);
    void clearNotifiers();
    void setGenericNotifier(CPlayableObserver* observer) { m_genericNotifier = observer; }
    CPlayableObserver* getGenericNotifier() const { return m_genericNotifier; }

    void setWaitMode(bool wait) { m_waitMode = wait; }
    bool getWaitMode() const { return m_waitMode; }
    void setMode(int mode) { m_mode = mode; }
    int getMode() const { return m_mode; }
    void addParent() { ++m_parentsNo; }
    void subParent() { --m_parentsNo; }
    int getParentsNo() const { return m_parentsNo; }
    CPlayable* getParent() const { return m_parent; }
    CWindow* getWindow() const { return m_window; }
    int getVolume() const { return m_volume; }
    int getPanning() const { return m_panning; }
    int getFrequency() const { return m_frequency; }

protected:
    int32_t m_type = 0;
    int32_t m_status = 0;
    int32_t m_position = -1;
    CXString m_name;
    CWindow* m_window = nullptr;
    bool m_waitMode = true;
    CXString m_parameter;
    CPlayableEvents* m_events = nullptr;
    int32_t m_mode = 1;
    int32_t m_parentsNo = 0;
    bool m_visible = true;
    CXString m_lastPlayedEvent;
    int32_t m_volume = 0;
    int32_t m_panning = 0;
    int32_t m_frequency = 0;
    CPlayable* m_parent = nullptr;
    CPlayableObserver* m_genericNotifier = nullptr;
    CXArray* m_observers = nullptr;

    // False once the playable is destroyed: code that notifies observers checks it before going on.
    std::shared_ptr<bool> aliveToken() const { return m_alive; }

private:
    // Cleared by the destructor, so a notification stops when an observer deletes this playable.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    void copyFields(const CPlayable& other);
};

} // namespace KavirelDLL
