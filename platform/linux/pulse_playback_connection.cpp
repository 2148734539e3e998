#include "platform/linux/pulse_playback_connection.h"

#include "platform/log_sink.h"

#include <pulse/proplist.h>

#include <QString>

#include <thread>

namespace tavik::platform {

namespace {

bool isFinal(pa_context_state_t state) {
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

} // namespace

PulsePlaybackConnection& PulsePlaybackConnection::shared() {
    // Kept for the life of the process: sounds may still be playing while statics are torn down.
    static auto* connection = new PulsePlaybackConnection();
    return *connection;
}

PulsePlaybackConnection::PulsePlaybackConnection() {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ != nullptr) {
        pa_threaded_mainloop_set_name(loop_, "tavik-playback");
        if (pa_threaded_mainloop_start(loop_) < 0) {
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
        }
    }
}

PulsePlaybackConnection::~PulsePlaybackConnection() {
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_stop(loop_);
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_free(loop_);
}

void PulsePlaybackConnection::startConnectingLocked() {
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Tavik");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "com.trelvanic.tavik");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "event");
    context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Tavik", properties);
    pa_proplist_free(properties);
    if (context_ != nullptr &&
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        pa_context_unref(context_);
        context_ = nullptr;
    }
}

pa_context* PulsePlaybackConnection::readyContextLocked() const {
    if (context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY) {
        return context_;
    }
    return nullptr;
}

bool PulsePlaybackConnection::waitUntilReady() {
    if (loop_ == nullptr) {
        return false;
    }
    const std::lock_guard connecting(connecting_);
    {
        PulsePlaybackLock lock(loop_);
        if (readyContextLocked() != nullptr) {
            return true;
        }
        if (context_ == nullptr || isFinal(pa_context_get_state(context_))) {
            startConnectingLocked();
        }
    }
    // The state callback would need the loop thread to signal us; polling keeps the wait
    // bounded without it.
    const auto deadline = std::chrono::steady_clock::now() + connectLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        {
            PulsePlaybackLock lock(loop_);
            if (context_ == nullptr) {
                break;
            }
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY) {
                return true;
            }
            if (isFinal(state)) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    logLine(QStringLiteral("audio: no sound server for play-back — not playing"));
    return false;
}

} // namespace tavik::platform
