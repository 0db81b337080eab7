#include "main/FramePacer.h"

#include "platform/Display.h"
#include "platform/PlatformTime.h"

using namespace KavirelDLL;

namespace {

constexpr int32_t kDefaultRate = 60;
// A frame this close to the period was paced by the display's refresh; waiting on would drift against it and
// miss every so many refreshes.
constexpr uint64_t kSlackUs = 1000;

} // namespace

CFramePacer::CFramePacer(CDisplay* display, SleepFn sleep)
    : m_display(display), m_sleep(sleep ? sleep : &CPlatformClock::sleepMicroseconds),
      m_lastEnd(CPlatformClock::microseconds()) {}

uint64_t CFramePacer::periodMicroseconds() const {
    const int32_t rate = m_display ? m_display->refreshRate() : 0;
    return 1000000u / uint64_t(rate > 0 ? rate : kDefaultRate);
}

void CFramePacer::frameEnded() {
    uint64_t now = CPlatformClock::microseconds();
    const uint64_t took = now >= m_lastEnd ? now - m_lastEnd : 0;
    const uint64_t period = periodMicroseconds();
    if (took + kSlackUs < period) {
        m_sleep(period - took);
        now = CPlatformClock::microseconds();
    }
    m_lastEnd = now;
}
