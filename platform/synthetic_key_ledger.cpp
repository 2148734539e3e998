#include "platform/synthetic_key_ledger.h"

#include <algorithm>

namespace tavik::platform {

SyntheticKeyLedger& SyntheticKeyLedger::shared() {
    static SyntheticKeyLedger ledger(Clock::system());
    return ledger;
}

void SyntheticKeyLedger::willPost(std::uint32_t keycode, bool pressed) {
    std::lock_guard lock(mutex_);
    dropExpiredLocked();
    if (notes_.size() == maxNotes) {
        notes_.pop_front();
    }
    notes_.push_back(Note{keycode, pressed});
    lastNoteAtNs_ = clock_.monotonicNs();
}

bool SyntheticKeyLedger::claim(std::uint32_t keycode, bool pressed) {
    std::lock_guard lock(mutex_);
    dropExpiredLocked();
    const auto it = std::find_if(notes_.begin(), notes_.end(), [&](const Note& note) {
        return note.keycode == keycode && note.pressed == pressed;
    });
    if (it == notes_.end()) {
        return false;
    }
    notes_.erase(it);
    return true;
}

std::size_t SyntheticKeyLedger::pendingNotes() const {
    std::lock_guard lock(mutex_);
    return notes_.size();
}

void SyntheticKeyLedger::dropExpiredLocked() {
    if (!notes_.empty() && clock_.monotonicNs() - lastNoteAtNs_ > expiryNs) {
        notes_.clear();
    }
}

} // namespace tavik::platform
