#pragma once
#include <cstdint>
#include <memory>

#include "core/Containers.h"
#include "core/XTimer.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CRandomPlayable;
class CUnit6;
class CWindow;

// Asked before each random play and told after it ends; normally the scene unit.
class CRandomPlayableNotifier {
public:
    // Permission to play; count is the play's place in its burst.
    virtual bool onRandomPlayableStarted(CPlayable* playable, int count);
    // True asks for another play at the next tick.
    virtual bool onRandomPlayableFinished(CPlayable* playable, int count);

protected:
    ~CRandomPlayableNotifier() = default;
};

// One playable that plays by itself: about perMinute times a minute, in bursts of up to maxRepeat - 1
// plays. The countdown is in ticks of one second and stands still while the playable plays.
class CRandomPlayableEntry : public CXObject, public CPlayableObserver {
public:
    CRandomPlayableEntry(CRandomPlayable* owner, CPlayable* playable, double perMinute, int maxRepeat,
                         CXString event);
    // Stops observing the playable.
    ~CRandomPlayableEntry() override;
    CRandomPlayableEntry(const CRandomPlayableEntry&) = delete;
    CRandomPlayableEntry& operator=(const CRandomPlayableEntry&) = delete;

    virtual bool isPlaying();
    virtual CPlayable* getPlayable();
    // Plays made in the current burst.
    virtual int getSeqTime();
    virtual void tick();
    bool onPlayableFinished(CPlayable* playable) override;

    // A new countdown and burst; a rate of 0 or less never counts down.
    void initialize();
    int getCountdown() const { return m_countdown; }
    int getBurst() const { return m_burst; }
    // False once the entry is deleted.
    std::shared_ptr<bool> aliveToken() const { return m_alive; }

private:
    void playOnce();

    CRandomPlayable* m_owner;
    CPlayable* m_playable;
    double m_perMinute;
    int32_t m_maxRepeat;
    int32_t m_countdown = 0;
    int32_t m_burst = 0;
    int32_t m_seqTime = 0;
    CXString m_event;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// The scene's random playables, ticked once a second by the window's software timer.
class CRandomPlayable : public CXObject, public CTimerNotificator {
public:
    CRandomPlayable(CWindow* window, CUnit6* unit);
    // Leaves the timer and deletes the entries.
    ~CRandomPlayable() override;
    CRandomPlayable(const CRandomPlayable&) = delete;
    CRandomPlayable& operator=(const CRandomPlayable&) = delete;

    virtual void add(CPlayable* playable, double perMinute, int maxRepeat, CXString event);
    // The first entry of the playable; nothing when it has none.
    virtual void remove(CPlayable* playable);
    void onTimer(int id) override;

    void addNotifier(CRandomPlayableNotifier* notifier);
    void removeNotifier(CRandomPlayableNotifier* notifier);
    // Every notifier in order; the last one's answer, false without notifiers.
    bool notify(CRandomPlayableEntry* entry, bool started);

    int getCount() const { return m_entries.getSize(); }
    CRandomPlayableEntry* getEntry(int index) {
        return static_cast<CRandomPlayableEntry*>(m_entries.at(index));
    }
    CUnit6* getUnit() const { return m_unit; }

private:
    CUnit6* m_unit;
    CXTimer* m_timer = nullptr;
    int m_timerId = 0;
    CXVector m_entries{101, 0.75f};
    CXArray m_notifiers{101, 0.75f};
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace KavirelDLL
