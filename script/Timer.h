#pragma once
#include "core/XTimer.h"
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CWindow;

enum : int { EVT_TIMER_ONTICK = 3 };

// TIMER: raises "ONTICK^n" (or "ONTICK" when nothing answers that) every ELAPSE milliseconds while it is
// enabled, counting its ticks, and stops itself after TICKS ticks when that is 1 or more. It rides on the
// window's software timers, polled once per frame.
class CMC_Timer : public CMC_Object, public CTimerNotificator {
public:
    CMC_Timer(CMC_ObjectsContainer* scene, CMElement* element);
    // A blank timer named "temp" without a timer entry (the cache reader fills it).
    explicit CMC_Timer(CMC_ObjectsContainer* scene);
    ~CMC_Timer() override;

    CXString** getBehavioursList() override;
    // The object part, then ELAPSE and TICKS; a timer read back enters the window's timers.
    void serialize(CXArchive* archive) override;
    void onTimer(int id) override;

    void enable();
    void disable();
    // Pause and resume act on the window's whole timer list.
    void pause();
    void resume();
    void reset();
    void set(int limit);
    void setElapse(int ms);

    bool isEnabled() const { return m_enabled; }
    int getTick() const { return m_ticks; }
    int getTickLimit() const { return m_tickLimit; }
    CXString getElapse() const { return m_elapse; }
    // Zero while the timer has no entry in the window's timers.
    int getTimerId() const { return m_timerId; }

private:
    CXTimer* timers();
    void enter();

    CWindow* m_window = nullptr;
    bool m_enabled = true;
    int32_t m_ticks = 0;
    int32_t m_tickLimit = 0;
    CXString m_elapse;
    int m_timerId = 0;
};

// TIMER methods.
class CMC_Timer_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ENABLE = 1,
        MTH_DISABLE = 2,
        MTH_PAUSE = 3,
        MTH_RESUME = 4,
        MTH_GETTICKS = 5,
        MTH_RESET = 6,
        MTH_SET = 7,
        MTH_SETELAPSE = 8,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
