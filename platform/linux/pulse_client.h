#pragma once

#include "platform/linux/pulse_connection_health.h"

#include <pulse/pulseaudio.h>

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

namespace tavik::platform::pulse {

// One connection to the sound server for the whole process: a threaded main loop of its own and
// a context on it. It connects on first use and fans the server's source and default-source
// events out to listeners. A server that is away (gone, or not up yet) is tried again on a
// back-off, by the client itself while anyone listens, and never at the pace of the queries;
// its going and its coming are logged and told to listeners once each (Lost, Regained).
//
// Listener and stream callbacks run on the loop thread with the loop lock held: they must not
// call a synchronous query (that would wait on the very thread that has to answer).
class PulseClient {
public:
    struct Event {
        enum class Kind {
            SourceAdded,
            SourceRemoved,
            SourceChanged,
            DefaultSourceChanged,
            Lost,
            Regained
        };
        Kind kind;
        std::uint32_t index = PA_INVALID_INDEX;
    };
    using Listener = std::function<void(const Event&)>;
    using ListenerId = std::uint64_t;

    static constexpr std::chrono::milliseconds defaultTimeout{2000};

    static PulseClient& shared();

    // `server` names a sound server other than the desktop's own (empty: the desktop's).
    explicit PulseClient(QByteArray server = {}, ReconnectPacing pacing = {});
    ~PulseClient();
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;

    // Holds the loop lock: the context, streams and operations may be touched while it lives.
    class Lock {
    public:
        explicit Lock(PulseClient& client);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        PulseClient& client_;
    };

    // Connects when needed and waits, at most `timeout`, for a ready context.
    bool ensureConnected(std::chrono::milliseconds timeout = defaultTimeout);
    // The next ensureConnected() tries a server that is away at once, whatever the back-off
    // says: for a start someone waits on (a key press), not for the queries' pace.
    void retryNow();

    // Only under Lock. Null while not connected.
    pa_context* readyContext() const;
    // Only under Lock: the context's last error code (0 without a context).
    int lastError() const;
    bool inLoopThread() const;
    // How many connections were begun so far.
    std::uint64_t connectionAttempts() const { return attempts_.load(); }

    // Issues an operation under the loop lock and waits until `finish` was called from its
    // callback, the connection failed, or the timeout passed. `issue` gets the context and a
    // completion function to call from the callback (on the loop thread); it returns the
    // operation, or null when it could not be issued. True when the callback finished.
    bool
    request(const std::function<pa_operation*(pa_context*, std::function<void()> finish)>& issue,
            std::chrono::milliseconds timeout = defaultTimeout);

    ListenerId addListener(Listener listener);
    void removeListener(ListenerId id); // takes the loop lock: no call is running once it returns

    // Wakes every bounded wait, so that a waiter re-checks its condition (loop thread only).
    void wakeWaiters();
    // Waits on the bounded-wait condition; callers hold no loop lock.
    template <typename Predicate>
    bool waitUntil(std::chrono::steady_clock::time_point deadline, Predicate done) {
        std::unique_lock lock(waitMutex_);
        return waitCondition_.wait_until(lock, deadline, done);
    }

private:
    void startContext();      // under the loop lock
    void releaseContext();    // under the loop lock
    void scheduleReconnect(); // under the loop lock; only while someone listens
    void onContextState();    // loop thread
    void onSubscription(pa_subscription_event_type_t type, std::uint32_t index);
    void refreshDefaultSource(bool announce);
    void notifyListeners(const Event& event);

    static void contextStateThunk(pa_context* context, void* self);
    static void subscriptionThunk(pa_context* context, pa_subscription_event_type_t type,
                                  std::uint32_t index, void* self);

    QByteArray server_;
    std::atomic<std::uint64_t> attempts_{0};
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_time_event* reconnectTimer_ = nullptr;
    ConnectionHealth health_;
    std::optional<QString> defaultSource_;
    bool announceDefault_ = false;
    std::map<ListenerId, Listener> listeners_;
    ListenerId lastListener_ = 0;

    std::mutex waitMutex_;
    std::condition_variable waitCondition_;
    std::uint64_t failures_ = 0; // guarded by waitMutex_; bumps wake waiters of a dead context
    bool ready_ = false;         // guarded by waitMutex_

    friend class Lock;
};

} // namespace tavik::platform::pulse
