#pragma once
#include <cstdint>

#include "core/Containers.h"

namespace KavirelDLL {

class CWindow;

// Receives the ids of due software timers (the window and the scene's unit are such targets too).
class CTimerNotificator {
public:
    virtual void onTimer(int id);
    // Asked before each call of a timer added with the check: a target not ready lets the call pass (a
    // unit while inactive or before its first frame).
    virtual bool acceptsTimer() { return true; }

protected:
    ~CTimerNotificator() = default;
};

// One software timer. Times are milliseconds of the platform's monotonic clock, counted from process
// start in 64 bits, so the due test never meets a wrapped counter.
class CTimerObject : public CXObject {
public:
    CTimerObject() = default;

    int getId() const { return m_id; }
    unsigned getInterval() const { return m_interval; }
    void setInterval(unsigned interval) { m_interval = interval; }
    uint32_t getFireCount() const { return m_fireCount; }
    uint64_t getStartTick() const { return m_startTick; }
    bool isToRemove() const { return m_toRemove; }

private:
    friend class CXTimer;

    int32_t m_id = 0;
    uint32_t m_interval = 0;
    uint32_t m_fireCount = 0;
    uint64_t m_startTick = 0;
    int64_t m_pauseOffset = 0;
    CTimerNotificator* m_notificator = nullptr;
    bool m_check = false;
    bool m_toRemove = false;
};

// The engine window's software timers, polled once per frame on the main thread. A timer fires at most
// once per poll and catches up on later polls when frames come late.
class CXTimer : public CXObject {
public:
    explicit CXTimer(CWindow* window);
    ~CXTimer() override;
    CXTimer(const CXTimer&) = delete;
    CXTimer& operator=(const CXTimer&) = delete;

    // With check, the target is called only while it accepts timers (a unit: while it is active and has had
    // its first frame).
    void add(int id, unsigned interval, CTimerNotificator* target, bool check);
    void add(int id, unsigned interval, CTimerNotificator* target);

    // The lookups below skip entries already removed, so an id used again after a removal finds the
    // new entry.
    CTimerObject* find(int id);
    // The entry is deleted at the next poll, so a callback may remove its own timer.
    void remove(int id);
    void reset(int id);

    void pause();
    void resume();

    int domodal();

    // Entries kept for a script object (a behaviour repeating on a timer, a TIMER) take their id from here:
    // an object's address does not fit in an id. These ids start at 2^30, clear of the small fixed ones.
    static int newObjectId();

    static void enable(bool on);
    static bool isEnabled() { return enabled; }

    int getCount() const { return m_timers.getSize(); }

private:
    CTimerObject* addEntry(int id, unsigned interval);
    void dispatch(CTimerObject* entry);

    CXVector m_timers;
    CXVector m_snapshot;
    bool m_polling = false;

    static bool enabled;
};

} // namespace KavirelDLL
