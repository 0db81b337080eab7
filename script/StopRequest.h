#pragma once
#include <atomic>
#include <cstdint>

namespace KavirelDLL {

// A program asked to end (a termination signal, the window's close button) while a script runs without end
// would never get back to its main loop. While the stop is asked, running behaviours end as after a BREAK
// (the break code travels up) and none starts; the program then ends as it always does.
class CMC_StopRequest {
public:
    // Any thread may ask.
    static void ask() { s_asked.store(true, std::memory_order_relaxed); }
    static bool isAsked() { return s_asked.load(std::memory_order_relaxed); }
    // Scripts run again: the program took the request over, or it was not meant for them.
    static void clear();

    // What the line loop and the script loops ask before each line or round, on the main thread: true when
    // they must end as after a BREAK. Only one call in kLinesPerLook looks further; that one looks at the
    // clock too, and asks the watch once the desktop has not been read for the watch's interval.
    static bool check() { return --s_countdown <= 0 && look(); }

    // Answers whether the program is asked to end; called on the main thread from inside a running script,
    // so it may read the desktop but runs no script code. Null removes it.
    using Watch = bool (*)(void* context);
    static void setWatch(Watch watch, void* context, uint32_t intervalMs = kWatchIntervalMs);
    // The main loop read the desktop itself: the watch waits for another interval.
    static void desktopRead();

    static constexpr int kLinesPerLook = 256;
    static constexpr uint32_t kWatchIntervalMs = 250;

private:
    static bool look();

    static std::atomic<bool> s_asked;
    static int s_countdown;
};

} // namespace KavirelDLL
