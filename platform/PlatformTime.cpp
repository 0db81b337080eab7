#include "platform/PlatformTime.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace KavirelDLL {

namespace {
const auto g_start = std::chrono::steady_clock::now();
std::atomic<CPlatformClock::ClockFn> g_injected{nullptr};

uint64_t realMicroseconds() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - g_start)
            .count());
}
} // namespace

uint64_t CPlatformClock::microseconds() {
    ClockFn fn = g_injected.load();
    return fn ? fn() : realMicroseconds();
}

uint64_t CPlatformClock::milliseconds() { return microseconds() / 1000; }

void CPlatformClock::sleepMilliseconds(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void CPlatformClock::inject(ClockFn microsecondsFn) { g_injected.store(microsecondsFn); }

} // namespace KavirelDLL
