#pragma once
#include <cstdint>
#include <ctime>

namespace KavirelDLL {

// Monotonic time since the process started; tests may inject their own clock.
class CPlatformClock {
public:
    using ClockFn = uint64_t (*)();
    static uint64_t milliseconds();
    static uint64_t microseconds();
    static void sleepMilliseconds(uint32_t ms);
    static void sleepMicroseconds(uint64_t us);
    // Replaces the clock with a function returning microseconds; null restores the real one.
    static void inject(ClockFn microsecondsFn);

    // The wall clock: seconds since 1970 (UTC); tests may inject their own.
    using WallFn = int64_t (*)();
    static int64_t wallSeconds();
    static void injectWall(WallFn secondsFn);
    // The broken-down UTC time of seconds since 1970; false when the system cannot tell it.
    static bool utc(int64_t seconds, std::tm& out);
    // Milliseconds since the machine started.
    static uint64_t bootMilliseconds();
    // The processor's time-stamp counter (0 where there is none).
    static uint64_t cycleCounter();
};

} // namespace KavirelDLL
