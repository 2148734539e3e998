#include "platform/linux/pulse_client.h"

#include "platform/log_sink.h"

#include <algorithm>
#include <utility>

namespace tavik::platform::pulse {

PulseClient& PulseClient::shared() {
    // Never destroyed: captures and monitors held by other long-lived objects may be torn down
    // during exit, after function-local statics are gone, and still talk to it.
    static auto* client = new PulseClient;
    return *client;
}

PulseClient::PulseClient(QByteArray server, ReconnectPacing pacing)
    : server_(std::move(server)), health_(pacing) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        logLine(QStringLiteral("audio: could not create the sound server loop"));
        return;
    }
    pa_threaded_mainloop_set_name(loop_, "tavik.pulse");
    if (pa_threaded_mainloop_start(loop_) < 0) {
        logLine(QStringLiteral("audio: could not start the sound server loop"));
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }
}

PulseClient::~PulseClient() {
    if (loop_ == nullptr) {
        return;
    }
    {
        Lock lock(*this);
        if (reconnectTimer_ != nullptr) {
            pa_threaded_mainloop_get_api(loop_)->time_free(reconnectTimer_);
            reconnectTimer_ = nullptr;
        }
        listeners_.clear();
        releaseContext();
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

PulseClient::Lock::Lock(PulseClient& client) : client_(client) {
    if (client_.loop_ != nullptr) {
        pa_threaded_mainloop_lock(client_.loop_);
    }
}

PulseClient::Lock::~Lock() {
    if (client_.loop_ != nullptr) {
        pa_threaded_mainloop_unlock(client_.loop_);
    }
}

bool PulseClient::inLoopThread() const {
    return loop_ != nullptr && pa_threaded_mainloop_in_thread(loop_) != 0;
}

pa_context* PulseClient::readyContext() const {
    if (context_ == nullptr || pa_context_get_state(context_) != PA_CONTEXT_READY) {
        return nullptr;
    }
    return context_;
}

int PulseClient::lastError() const {
    return context_ != nullptr ? pa_context_errno(context_) : PA_ERR_CONNECTIONREFUSED;
}

bool PulseClient::ensureConnected(std::chrono::milliseconds timeout) {
    // Waiting here from the loop thread would wait for ourselves.
    if (loop_ == nullptr || inLoopThread()) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::uint64_t failuresBefore = 0;
    {
        Lock lock(*this);
        if (readyContext() != nullptr) {
            return true;
        }
        {
            std::lock_guard guard(waitMutex_);
            failuresBefore = failures_;
        }
        if (context_ == nullptr || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
            // A server that just failed is not asked again before its turn: queries come many
            // times a second, and each new connection would fail (and cost) the same.
            if (!health_.attemptDue(std::chrono::steady_clock::now())) {
                return false;
            }
            releaseContext();
            startContext();
        }
    }
    waitUntil(deadline, [&] { return ready_ || failures_ != failuresBefore; });
    Lock lock(*this);
    return readyContext() != nullptr;
}

void PulseClient::retryNow() {
    Lock lock(*this);
    health_.allowAttemptNow();
}

bool PulseClient::request(
    const std::function<pa_operation*(pa_context*, std::function<void()> finish)>& issue,
    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!ensureConnected(timeout)) {
        return false;
    }
    // Lives on this stack: the operation is cancelled before we return, so no callback can
    // reach it afterwards.
    bool finished = false;
    std::uint64_t failuresBefore = 0;
    pa_operation* operation = nullptr;
    {
        Lock lock(*this);
        pa_context* context = readyContext();
        if (context == nullptr) {
            return false;
        }
        {
            std::lock_guard guard(waitMutex_);
            failuresBefore = failures_;
        }
        operation = issue(context, [this, &finished] {
            std::lock_guard guard(waitMutex_);
            finished = true;
            waitCondition_.notify_all();
        });
        if (operation == nullptr) {
            return false;
        }
    }
    waitUntil(deadline, [&] { return finished || failures_ != failuresBefore; });
    Lock lock(*this);
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    std::lock_guard guard(waitMutex_);
    return finished;
}

PulseClient::ListenerId PulseClient::addListener(Listener listener) {
    if (loop_ == nullptr) {
        return 0;
    }
    ListenerId id = 0;
    {
        Lock lock(*this);
        id = ++lastListener_;
        listeners_[id] = std::move(listener);
        if (pa_context* context = readyContext()) {
            pa_operation_unref(pa_context_subscribe(
                context,
                pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
                nullptr, nullptr));
        }
    }
    if (!inLoopThread()) {
        ensureConnected();
    }
    // Someone waits for news now: a server that is away is looked for without being asked.
    Lock lock(*this);
    if (readyContext() == nullptr) {
        scheduleReconnect();
    }
    return id;
}

void PulseClient::removeListener(ListenerId id) {
    Lock lock(*this);
    listeners_.erase(id);
}

void PulseClient::wakeWaiters() {
    std::lock_guard guard(waitMutex_);
    waitCondition_.notify_all();
}

void PulseClient::startContext() {
    ++attempts_;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Tavik");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "com.trelvanic.tavik");
    context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Tavik", properties);
    pa_proplist_free(properties);
    if (context_ == nullptr) {
        {
            std::lock_guard guard(waitMutex_);
            ++failures_;
            waitCondition_.notify_all();
        }
        health_.failed(std::chrono::steady_clock::now());
        scheduleReconnect();
        return;
    }
    pa_context_set_state_callback(context_, &PulseClient::contextStateThunk, this);
    pa_context_set_subscribe_callback(context_, &PulseClient::subscriptionThunk, this);
    // A failed connect reports itself through the state callback.
    pa_context_connect(context_, server_.isEmpty() ? nullptr : server_.constData(),
                       PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

void PulseClient::releaseContext() {
    if (context_ == nullptr) {
        return;
    }
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
    std::lock_guard guard(waitMutex_);
    ready_ = false;
}

void PulseClient::contextStateThunk(pa_context*, void* self) {
    static_cast<PulseClient*>(self)->onContextState();
}

void PulseClient::onContextState() {
    switch (pa_context_get_state(context_)) {
    case PA_CONTEXT_READY: {
        {
            std::lock_guard guard(waitMutex_);
            ready_ = true;
            waitCondition_.notify_all();
        }
        if (!listeners_.empty()) {
            pa_operation_unref(pa_context_subscribe(
                context_,
                pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
                nullptr, nullptr));
        }
        refreshDefaultSource(false);
        const auto turn = health_.ready();
        if (turn == ConnectionHealth::Turn::connected) {
            logLine(QStringLiteral("audio: sound server connected"));
        } else if (turn == ConnectionHealth::Turn::regained) {
            logLine(QStringLiteral("audio: sound server connection regained"));
        }
        // A server that arrives after failed attempts is news as much as one that returns:
        // whoever waits for microphones must look again.
        if (turn != ConnectionHealth::Turn::none) {
            notifyListeners(Event{Event::Kind::Regained});
        }
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: {
        {
            std::lock_guard guard(waitMutex_);
            ready_ = false;
            ++failures_;
            waitCondition_.notify_all();
        }
        const QString reason = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
        const auto turn = health_.failed(std::chrono::steady_clock::now());
        if (turn == ConnectionHealth::Turn::lost) {
            logLine(QStringLiteral("audio: sound server connection lost — ") + reason);
            notifyListeners(Event{Event::Kind::Lost});
        } else if (turn == ConnectionHealth::Turn::unavailable) {
            logLine(QStringLiteral("audio: sound server unavailable — ") + reason);
        }
        scheduleReconnect();
        break;
    }
    default:
        break;
    }
}

void PulseClient::scheduleReconnect() {
    if (listeners_.empty() || reconnectTimer_ != nullptr || loop_ == nullptr) {
        return; // nobody waits for events: the next query due reconnects on demand
    }
    const auto wait = std::max(health_.nextAttempt() - std::chrono::steady_clock::now(),
                               std::chrono::steady_clock::duration::zero());
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    timeval due{};
    pa_gettimeofday(&due);
    pa_timeval_add(&due,
                   pa_usec_t(std::chrono::duration_cast<std::chrono::microseconds>(wait).count()));
    reconnectTimer_ = api->time_new(
        api, &due,
        [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
            auto* client = static_cast<PulseClient*>(self);
            api->time_free(event);
            client->reconnectTimer_ = nullptr;
            if (client->context_ != nullptr &&
                PA_CONTEXT_IS_GOOD(pa_context_get_state(client->context_))) {
                return;
            }
            client->releaseContext();
            client->startContext();
        },
        this);
}

void PulseClient::subscriptionThunk(pa_context*, pa_subscription_event_type_t type,
                                    std::uint32_t index, void* self) {
    static_cast<PulseClient*>(self)->onSubscription(type, index);
}

void PulseClient::onSubscription(pa_subscription_event_type_t type, std::uint32_t index) {
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const auto change = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
        if (change == PA_SUBSCRIPTION_EVENT_NEW) {
            notifyListeners(Event{Event::Kind::SourceAdded, index});
        } else if (change == PA_SUBSCRIPTION_EVENT_REMOVE) {
            notifyListeners(Event{Event::Kind::SourceRemoved, index});
        } else {
            notifyListeners(Event{Event::Kind::SourceChanged, index});
        }
    } else if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        refreshDefaultSource(true);
    }
}

void PulseClient::refreshDefaultSource(bool announce) {
    if (context_ == nullptr) {
        return;
    }
    announceDefault_ = announceDefault_ || announce;
    pa_operation* operation = pa_context_get_server_info(
        context_,
        [](pa_context*, const pa_server_info* info, void* self) {
            auto* client = static_cast<PulseClient*>(self);
            const bool announce = std::exchange(client->announceDefault_, false);
            if (info == nullptr) {
                return;
            }
            std::optional<QString> name;
            if (info->default_source_name != nullptr) {
                name = QString::fromUtf8(info->default_source_name);
            }
            if (name == client->defaultSource_) {
                return; // the server changes for many reasons; only a new default matters
            }
            client->defaultSource_ = name;
            if (announce) {
                client->notifyListeners(Event{Event::Kind::DefaultSourceChanged});
            }
        },
        this);
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

void PulseClient::notifyListeners(const Event& event) {
    // A listener may be removed by another thread only under the loop lock, which we hold.
    for (auto& [id, listener] : listeners_) {
        listener(event);
    }
}

} // namespace tavik::platform::pulse
