#include "core/HiResTimer.h"

#include "platform/PlatformTime.h"

namespace KavirelDLL {

CHiResTimer CHiResTimer::timer;
uint32_t CHiResTimer::appTime = 1;
uint32_t CHiResTimer::frameTime = 0;
float CHiResTimer::fps = 0.0f;

namespace {
int64_t currentCount() { return static_cast<int64_t>(CPlatformClock::microseconds()); }
} // namespace

CHiResTimer::~CHiResTimer() = default;

bool CHiResTimer::Init() {
    m_frequency = 1'000'000;
    m_startCount = m_lastCount = currentCount();
    return true;
}

uint32_t CHiResTimer::Tick() {
    int64_t current = currentCount();
    float delta = static_cast<float>(current - m_lastCount);
    float frequency = static_cast<float>(m_frequency);
    // Two ticks within the same microsecond (an injected clock) leave the rate as it was rather than
    // make it infinite.
    if (delta > 0.0f) fps = frequency / delta;
    float seconds = delta > 0.0f ? delta / frequency : 0.0f;
    frameTime = static_cast<uint32_t>(static_cast<double>(seconds) * 1000.0);
    appTime += frameTime;
    m_lastCount = current;
    return frameTime;
}

uint32_t CHiResTimer::GetTickCount() {
    appTime = static_cast<uint32_t>(static_cast<uint64_t>(currentCount()) * 1000 / m_frequency);
    return appTime;
}

void CHiResTimer::Reset() {
    fps = 0.0f;
    frameTime = 0;
    appTime = 1;
    m_startCount = m_lastCount = currentCount();
}

} // namespace KavirelDLL
