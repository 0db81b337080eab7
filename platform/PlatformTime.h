#pragma once
#include <cstdint>

namespace KavirelDLL {

// Monotonic time since the process started; tests may inject their own clock.
class CPlatformClock {
public:
    using ClockFn = uint64_t (*)();
    static uint64_t milliseconds();
    static uint64_t microseconds();
    static void sleepMilliseconds(uint32_t ms);
    // Replaces the clock with a function returning microseconds; null restores the real one.
    static void inject(ClockFn microsecondsFn);
};

} // namespace KavirelDLL
