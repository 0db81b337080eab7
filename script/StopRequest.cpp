#include "script/StopRequest.h"

#include <chrono>

namespace KavirelDLL {

std::atomic<bool> CMC_StopRequest::s_asked{false};
int CMC_StopRequest::s_countdown = CMC_StopRequest::kLinesPerLook;

namespace {

using Clock = std::chrono::steady_clock;

CMC_StopRequest::Watch g_watch = nullptr;
void* g_watchContext = nullptr;
Clock::duration g_watchInterval = std::chrono::milliseconds(CMC_StopRequest::kWatchIntervalMs);
Clock::time_point g_lastRead{};

} // namespace

void CMC_StopRequest::clear() {
    s_asked.store(false, std::memory_order_relaxed);
    s_countdown = kLinesPerLook;
}

void CMC_StopRequest::setWatch(Watch watch, void* context, uint32_t intervalMs) {
    g_watch = watch;
    g_watchContext = context;
    g_watchInterval = std::chrono::milliseconds(intervalMs);
    g_lastRead = Clock::time_point{};
}

void CMC_StopRequest::desktopRead() { g_lastRead = Clock::now(); }

bool CMC_StopRequest::look() {
    s_countdown = kLinesPerLook;
    if (!isAsked() && g_watch) {
        const Clock::time_point now = Clock::now();
        if (now - g_lastRead >= g_watchInterval) {
            g_lastRead = now;
            if (g_watch(g_watchContext)) ask();
        }
    }
    if (!isAsked()) return false;
    // Every later line and round ends at once, up the whole stack.
    s_countdown = 0;
    return true;
}

} // namespace KavirelDLL
