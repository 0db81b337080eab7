#include "platform/PlatformTime.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <time.h>
#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace KavirelDLL {

namespace {
const auto g_start = std::chrono::steady_clock::now();
std::atomic<CPlatformClock::ClockFn> g_injected{nullptr};
std::atomic<CPlatformClock::WallFn> g_wall{nullptr};

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

void CPlatformClock::sleepMicroseconds(uint64_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void CPlatformClock::inject(ClockFn microsecondsFn) { g_injected.store(microsecondsFn); }

int64_t CPlatformClock::wallSeconds() {
    WallFn fn = g_wall.load();
    if (fn) return fn();
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void CPlatformClock::injectWall(WallFn secondsFn) { g_wall.store(secondsFn); }

bool CPlatformClock::utc(int64_t seconds, std::tm& out) {
    const time_t t = static_cast<time_t>(seconds);
    return gmtime_r(&t, &out) != nullptr;
}

uint64_t CPlatformClock::bootMilliseconds() {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return realMicroseconds() / 1000;
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

uint64_t CPlatformClock::cycleCounter() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return 0;
#endif
}

} // namespace KavirelDLL
