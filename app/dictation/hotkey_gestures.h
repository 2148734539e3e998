#pragma once

#include "app/stores/trigger.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace tavik {

// What one key event asks the shortcut monitor to report.
struct HotkeyNotice {
    enum class Kind { start, holdEnd };
    Kind kind = Kind::start;
    DictationAction action = DictationAction::pushToTalk;
    double secondsHeld = 0; // holdEnd only

    bool operator==(const HotkeyNotice&) const = default;
};

// The action of the first enabled binding with this key and gesture. The map iterates in the
// order of DictationAction's cases, so when two enabled bindings share key and gesture the
// earlier action wins, every time.
std::optional<DictationAction> actionFor(const TriggerBindings& bindings, TriggerKey key,
                                         TriggerGesture gesture);

// The gesture state of the trigger keys: which are down, when each was pressed and when its
// latest tap ended. Times are monotonic nanoseconds, so the thresholds hold exactly (a press of
// exactly the tap threshold is not a tap; a gap of exactly the double-tap window is a double
// tap), which seconds in floating point cannot promise.
class HotkeyGestures {
public:
    struct Timing {
        std::chrono::nanoseconds tapThreshold;
        std::chrono::nanoseconds doubleTapWindow;
    };

    // One press or release of a physical trigger key at `nowNs`. `bindings` are read afresh on
    // every event. Keys without an enabled binding are not tracked at all; a press of a key
    // already down (auto-repeat, a second keyboard) and a release of a key not down change
    // nothing.
    std::optional<HotkeyNotice> handle(TriggerKey key, bool pressed, std::int64_t nowNs,
                                       const TriggerBindings& bindings, Timing timing);

    // Forgets which keys are down (a restart of the monitor); press and tap times stay.
    void forgetDownKeys() { down_.clear(); }
    bool isDown(TriggerKey key) const { return down_.count(key) != 0; }

private:
    std::set<TriggerKey> down_;
    std::map<TriggerKey, std::int64_t> pressedAtNs_;
    // A key without an entry has no tap to follow up; there is no "0 means none" time.
    std::map<TriggerKey, std::int64_t> lastTapEndedAtNs_;
};

} // namespace tavik
