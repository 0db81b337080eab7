#pragma once
#include <cstdint>

namespace KavirelDLL {

// The engine's high-resolution frame clock over the platform's monotonic microsecond counter.
// One engine-wide instance; the frame statistics are static so any code can read them.
class CHiResTimer {
public:
    CHiResTimer() = default;
    virtual ~CHiResTimer();

    // False when the system has no usable counter; otherwise starts the frame clock now.
    bool Init();
    // Advances the frame clock by the time since the previous tick; returns frameTime.
    uint32_t Tick();
    // Milliseconds since the clock's origin; the low 32 bits are also kept in appTime.
    uint32_t GetTickCount();
    void Reset();

    static CHiResTimer timer;
    static uint32_t appTime;   // ms; 1 at start
    static uint32_t frameTime; // ms of the last frame
    static float fps;

private:
    int64_t m_startCount = 0;
    int64_t m_frequency = 1'000'000; // counts per second
    int64_t m_lastCount = 0;
};

} // namespace KavirelDLL
