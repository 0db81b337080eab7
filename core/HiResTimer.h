#pragma once
#include <cstdint>

namespace KavirelDLL {

// The engine's high-resolution frame clock. Only the millisecond tick lives here so far; the frame
// statistics and the rest of the clock are completed with the timers.
class CHiResTimer {
public:
    virtual ~CHiResTimer();

    // Milliseconds since the clock's origin; the low 32 bits are also kept in appTime.
    uint32_t GetTickCount();

    static CHiResTimer timer;
    static uint32_t appTime;
};

} // namespace KavirelDLL
