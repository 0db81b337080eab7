#pragma once
#include <cstdint>

#include "core/Containers.h"

namespace KavirelDLL {

class CUnit6;
class CWindow;

// Receives the ids of due software timers.
class CTimerNotificator {
public:
    virtual void onTimer(int id);

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
    CUnit6* m_unit = nullptr;
    CWindow* m_window = nullptr;
    CTimerNotificator* m_notificator = nullptr;
    bool m_unitCheck = true;
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

    // With unitCheck, the unit is called only while it is active and has had its first frame.
    void add(int id, unsigned interval, CUnit6* unit, bool unitCheck);
    void add(int id, unsigned interval, CWindow* window);
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
