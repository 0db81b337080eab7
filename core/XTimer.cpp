#include "core/XTimer.h"

#include <cstdint>

#include "platform/PlatformTime.h"

namespace KavirelDLL {

bool CXTimer::enabled = true;

void CTimerNotificator::onTimer(int) {}

namespace {
uint64_t now() { return CPlatformClock::milliseconds(); }
} // namespace

CXTimer::CXTimer(CWindow*) : m_timers(101, 0.75f), m_snapshot(101, 0.75f) {}

CXTimer::~CXTimer() {
    for (int i = 0; i < m_timers.getSize(); ++i) delete m_timers.at(i);
    m_timers.removeAll();
}

CTimerObject* CXTimer::addEntry(int id, unsigned interval) {
    auto* entry = new CTimerObject;
    entry->m_id = id;
    entry->m_interval = interval;
    entry->m_startTick = now();
    m_timers.add(entry);
    return entry;
}

void CXTimer::add(int id, unsigned interval, CTimerNotificator* target, bool check) {
    CTimerObject* entry = addEntry(id, interval);
    entry->m_notificator = target;
    entry->m_check = check;
}

void CXTimer::add(int id, unsigned interval, CTimerNotificator* target) {
    addEntry(id, interval)->m_notificator = target;
}

CTimerObject* CXTimer::find(int id) {
    for (int i = 0; i < m_timers.getSize(); ++i) {
        auto* entry = static_cast<CTimerObject*>(m_timers.at(i));
        if (entry->m_id == id && !entry->m_toRemove) return entry;
    }
    return nullptr;
}

void CXTimer::remove(int id) {
    if (CTimerObject* entry = find(id)) entry->m_toRemove = true;
}

void CXTimer::reset(int id) {
    if (CTimerObject* entry = find(id)) {
        entry->m_startTick = now();
        entry->m_fireCount = 0;
    }
}

void CXTimer::pause() {
    uint64_t t = now();
    for (int i = 0; i < m_timers.getSize(); ++i) {
        auto* entry = static_cast<CTimerObject*>(m_timers.at(i));
        entry->m_pauseOffset = static_cast<int64_t>(t - entry->m_startTick) -
                               static_cast<int64_t>(entry->m_interval) * entry->m_fireCount;
    }
}

void CXTimer::resume() {
    uint64_t t = now();
    for (int i = 0; i < m_timers.getSize(); ++i) {
        auto* entry = static_cast<CTimerObject*>(m_timers.at(i));
        entry->m_fireCount = 0;
        entry->m_startTick = t - static_cast<uint64_t>(entry->m_pauseOffset);
    }
}

void CXTimer::enable(bool on) { enabled = on; }

int CXTimer::newObjectId() {
    static int next = 1 << 30;
    int id = next;
    next = next == INT32_MAX ? 1 << 30 : next + 1;
    return id;
}

void CXTimer::dispatch(CTimerObject* entry) {
    CTimerNotificator* target = entry->m_notificator;
    if (target && (!entry->m_check || target->acceptsTimer())) target->onTimer(entry->m_id);
}

int CXTimer::domodal() {
    // A callback that runs a nested frame would overwrite the snapshot this pass is walking.
    if (!enabled || m_polling) return 0;
    m_polling = true;
    m_snapshot.removeAll();
    m_timers.copyInto(&m_snapshot);
    int count = m_snapshot.getSize();
    for (int i = 0; i < count; ++i) {
        auto* entry = static_cast<CTimerObject*>(m_snapshot.at(i));
        uint64_t t = now();
        if (entry->m_toRemove) {
            m_timers.remove(entry);
            delete entry;
            continue;
        }
        // Signed: a timer resumed with time owed may start a little in the future.
        int64_t elapsed = static_cast<int64_t>(t - entry->m_startTick);
        if (elapsed <
            static_cast<int64_t>(entry->m_interval) * (static_cast<int64_t>(entry->m_fireCount) + 1))
            continue;
        ++entry->m_fireCount;
        dispatch(entry);
    }
    m_snapshot.removeAll();
    m_polling = false;
    return 0;
}

} // namespace KavirelDLL
