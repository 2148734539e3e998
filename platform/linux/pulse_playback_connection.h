#pragma once

#include <pulse/context.h>
#include <pulse/thread-mainloop.h>

#include <chrono>
#include <mutex>

namespace tavik::platform {

// The client connection that plays sounds: a PulseAudio context on its own threaded main loop.
// Callbacks run on the loop's thread with the loop lock held. Connects on first use and again
// after the server went away; every wait for the server is bounded.
class PulsePlaybackConnection {
public:
    static constexpr std::chrono::milliseconds connectLimit{2'000};

    static PulsePlaybackConnection& shared();

    ~PulsePlaybackConnection();
    PulsePlaybackConnection(const PulsePlaybackConnection&) = delete;
    PulsePlaybackConnection& operator=(const PulsePlaybackConnection&) = delete;

    // Waits, bounded, until the context is ready, connecting first when needed. False when the
    // server did not answer within the limit. Call without holding the loop lock.
    bool waitUntilReady();

    // The ready context, or null; call with the loop lock held (PulsePlaybackLock).
    pa_context* readyContextLocked() const;

    pa_threaded_mainloop* loop() const { return loop_; }

private:
    PulsePlaybackConnection();
    void startConnectingLocked();

    std::mutex connecting_; // one caller (re)connects at a time
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

// Holds the loop lock for a scope.
class PulsePlaybackLock {
public:
    explicit PulsePlaybackLock(pa_threaded_mainloop* loop) : loop_(loop) {
        if (loop_ != nullptr) {
            pa_threaded_mainloop_lock(loop_);
        }
    }
    ~PulsePlaybackLock() {
        if (loop_ != nullptr) {
            pa_threaded_mainloop_unlock(loop_);
        }
    }
    PulsePlaybackLock(const PulsePlaybackLock&) = delete;
    PulsePlaybackLock& operator=(const PulsePlaybackLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

} // namespace tavik::platform
