#pragma once

#include <chrono>
#include <cstdint>

namespace tavik::platform::pulse {

// How often a lost or absent server is tried again: the first retry after `first`, each next one
// twice as late, never later than `cap`.
struct ReconnectPacing {
    std::chrono::milliseconds first{250};
    std::chrono::milliseconds cap{1500};
};

// What the connection to the sound server went through since it was last ready, and when it
// may be tried again. A server that is away is tried on this schedule, not at every query, and
// only the turns are told: once when it goes (or is not there at the start), once when it comes.
class ConnectionHealth {
public:
    using Clock = std::chrono::steady_clock;

    // What to tell about a turn.
    enum class Turn {
        none,        // nothing new
        unavailable, // never connected, and the first attempt failed
        lost,        // a connection that was ready failed
        connected,   // ready for the first time after failed attempts
        regained     // ready again after a loss
    };

    explicit ConnectionHealth(ReconnectPacing pacing = {}) : pacing_(pacing) {}

    // A connection attempt, or a live connection, failed at `now`.
    Turn failed(Clock::time_point now);
    // A connection became ready.
    Turn ready();

    // Whether a new attempt may begin now; always true before the first failure.
    bool attemptDue(Clock::time_point now) const { return now >= nextAttempt_; }
    Clock::time_point nextAttempt() const { return nextAttempt_; }
    // The next attempt may begin at once (someone waits on it); the pace after it is kept.
    void allowAttemptNow() { nextAttempt_ = {}; }

private:
    // The wait before the attempt after `failures` failures in a row (at least 1).
    std::chrono::milliseconds delayAfter(int failures) const;

    ReconnectPacing pacing_;
    bool ready_ = false;
    bool everReady_ = false;
    bool outageTold_ = false;
    int failuresInARow_ = 0;
    Clock::time_point nextAttempt_{};
};

} // namespace tavik::platform::pulse
