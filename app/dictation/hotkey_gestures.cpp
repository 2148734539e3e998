#include "app/dictation/hotkey_gestures.h"

#include <algorithm>

namespace tavik {

std::optional<DictationAction> actionFor(const TriggerBindings& bindings, TriggerKey key,
                                         TriggerGesture gesture) {
    for (const auto& [action, binding] : bindings) {
        if (binding.enabled && binding.key == key && binding.gesture == gesture) {
            return action;
        }
    }
    return std::nullopt;
}

std::optional<HotkeyNotice> HotkeyGestures::handle(TriggerKey key, bool pressed, std::int64_t nowNs,
                                                   const TriggerBindings& bindings, Timing timing) {
    const bool watched = std::any_of(bindings.begin(), bindings.end(), [key](const auto& entry) {
        return entry.second.enabled && entry.second.key == key;
    });
    if (!watched || pressed == isDown(key)) {
        return std::nullopt;
    }

    if (pressed) {
        down_.insert(key);
        const auto lastTap = lastTapEndedAtNs_.find(key);
        const bool followsTap = lastTap != lastTapEndedAtNs_.end() &&
                                nowNs - lastTap->second <= timing.doubleTapWindow.count();
        pressedAtNs_[key] = nowNs;
        lastTapEndedAtNs_.erase(key);
        if (followsTap) {
            if (auto action = actionFor(bindings, key, TriggerGesture::doubleTap)) {
                return HotkeyNotice{HotkeyNotice::Kind::start, *action, 0};
            }
        }
        if (auto action = actionFor(bindings, key, TriggerGesture::hold)) {
            return HotkeyNotice{HotkeyNotice::Kind::start, *action, 0};
        }
        return std::nullopt;
    }

    down_.erase(key);
    const auto pressedAt = pressedAtNs_.find(key);
    const std::int64_t heldNs = pressedAt == pressedAtNs_.end() ? 0 : nowNs - pressedAt->second;
    if (heldNs < timing.tapThreshold.count()) {
        lastTapEndedAtNs_[key] = nowNs;
    } else {
        lastTapEndedAtNs_.erase(key);
    }
    if (auto action = actionFor(bindings, key, TriggerGesture::hold)) {
        return HotkeyNotice{HotkeyNotice::Kind::holdEnd, *action,
                            static_cast<double>(heldNs) / 1e9};
    }
    return std::nullopt;
}

} // namespace tavik
