#include "core/HiResTimer.h"

#include "platform/PlatformTime.h"

namespace KavirelDLL {

CHiResTimer CHiResTimer::timer;
uint32_t CHiResTimer::appTime = 1;

CHiResTimer::~CHiResTimer() = default;

uint32_t CHiResTimer::GetTickCount() {
    appTime = static_cast<uint32_t>(CPlatformClock::milliseconds());
    return appTime;
}

} // namespace KavirelDLL
