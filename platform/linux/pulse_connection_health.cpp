#include "platform/linux/pulse_connection_health.h"

#include <algorithm>
#include <utility>

namespace tavik::platform::pulse {

std::chrono::milliseconds ConnectionHealth::delayAfter(int failures) const {
    auto delay = std::max(pacing_.first, std::chrono::milliseconds(1));
    for (int i = 1; i < failures && delay < pacing_.cap; ++i) {
        delay *= 2;
    }
    return std::min(delay, std::max(pacing_.cap, pacing_.first));
}

ConnectionHealth::Turn ConnectionHealth::failed(Clock::time_point now) {
    const bool wasReady = std::exchange(ready_, false);
    failuresInARow_ = wasReady ? 1 : failuresInARow_ + 1;
    nextAttempt_ = now + delayAfter(failuresInARow_);
    if (outageTold_) {
        return Turn::none;
    }
    outageTold_ = true;
    return everReady_ ? Turn::lost : Turn::unavailable;
}

ConnectionHealth::Turn ConnectionHealth::ready() {
    if (ready_) {
        return Turn::none;
    }
    ready_ = true;
    failuresInARow_ = 0;
    nextAttempt_ = {};
    const bool firstTime = !std::exchange(everReady_, true);
    if (!std::exchange(outageTold_, false)) {
        return Turn::none;
    }
    return firstTime ? Turn::connected : Turn::regained;
}

} // namespace tavik::platform::pulse
