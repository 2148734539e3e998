#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <deque>
#include <mutex>

namespace tavik::platform {

// Keys that this process posts itself through XTest (the paste chord, typed text) come back to
// every raw-key listener on the display as events of the server's XTest keyboard, exactly like
// keys a remapping tool or a test injects. They must never act as a shortcut, yet the XTest
// device cannot simply be ignored. So whoever posts a fake key event notes it here first, and the
// raw-key source drops the one XTest event that matches each note.
//
// Notes are matched by X keycode and direction, oldest first. A note that is never matched (no
// listener was running, or the server dropped the event) expires `expiryNs` after the most recent
// note, so a long typing run keeps its notes alive while it lasts and a forgotten note cannot
// swallow a later key for long. While the main thread is busy posting, nothing claims notes, so
// they are capped at `maxNotes`, the oldest going first.
class SyntheticKeyLedger {
public:
    static constexpr std::int64_t expiryNs = 5'000'000'000;
    static constexpr std::size_t maxNotes = 4096;

    explicit SyntheticKeyLedger(const Clock& clock) : clock_(clock) {}

    static SyntheticKeyLedger& shared();

    // Call right before posting a fake press (pressed = true) or release of `keycode`.
    void willPost(std::uint32_t keycode, bool pressed);

    // For raw-key listeners: true when an XTest event with this keycode and direction was noted
    // by willPost(); that note is consumed.
    bool claim(std::uint32_t keycode, bool pressed);

    std::size_t pendingNotes() const;

private:
    struct Note {
        std::uint32_t keycode;
        bool pressed;
    };
    void dropExpiredLocked();

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::deque<Note> notes_;
    std::int64_t lastNoteAtNs_ = 0;
};

} // namespace tavik::platform
