#pragma once
#include <cstdint>

namespace KavirelDLL {
class CDisplay;
} // namespace KavirelDLL

// Keeps the frame loop from running faster than the display refreshes. Where present waits for the refresh,
// frames already take a period and nothing is added; where it comes back at once (SDL's dummy driver, a
// desktop without vsync) the rest of the period is waited out. The engine's clocks are left alone: timers,
// animations and scripts read the time as before and only see fewer frames.
class CFramePacer {
public:
    using SleepFn = void (*)(uint64_t microseconds);
    // Periods follow the display's refresh rate, asked each frame (the window may move to another screen);
    // null sleeps with the platform's clock.
    explicit CFramePacer(KavirelDLL::CDisplay* display, SleepFn sleep = nullptr);
    // At the end of each frame: waits until a period has passed since the last frame ended.
    void frameEnded();
    // One refresh period; 60 Hz where the display reports no rate.
    uint64_t periodMicroseconds() const;

private:
    KavirelDLL::CDisplay* m_display;
    SleepFn m_sleep;
    uint64_t m_lastEnd;
};
