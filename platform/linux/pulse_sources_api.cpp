// The sound server's sources behind the device queries, on the shared connection.
#include "platform/audio_sources.h"
#include "platform/linux/pulse_client.h"
#include "platform/linux/pulse_transport.h"

#include <memory>
#include <mutex>
#include <utility>

namespace tavik::platform {
namespace {

using pulse::PulseClient;

pulse::SourceTraits traitsOf(const pa_source_info& info);

AudioSource toSource(const pa_source_info& info) {
    const pulse::SourceTraits traits = traitsOf(info);
    AudioSource source;
    source.index = info.index;
    source.name = QString::fromUtf8(info.name != nullptr ? info.name : "");
    source.description = QString::fromUtf8(info.description != nullptr ? info.description : "");
    source.channels = info.sample_spec.channels;
    source.sampleRate = info.sample_spec.rate;
    source.monitor = pulse::isMonitorSource(traits, info.monitor_of_sink != PA_INVALID_INDEX);
    source.transport = pulse::classifyTransport(traits);
    return source;
}

pulse::SourceTraits traitsOf(const pa_source_info& info) {
    pulse::SourceTraits traits;
    traits.name = QString::fromUtf8(info.name != nullptr ? info.name : "");
    traits.driver = QString::fromUtf8(info.driver != nullptr ? info.driver : "");
    void* state = nullptr;
    while (const char* key = pa_proplist_iterate(info.proplist, &state)) {
        if (const char* value = pa_proplist_gets(info.proplist, key)) {
            traits.properties.insert(QString::fromUtf8(key), QString::fromUtf8(value));
        }
    }
    return traits;
}

// Collects the answers of one source query; touched by the loop thread until `finish`.
struct SourceQuery {
    std::vector<AudioSource> found;
    bool complete = false;
    std::function<void()> finish;

    static void onInfo(pa_context*, const pa_source_info* info, int endOfList, void* userdata) {
        auto* query = static_cast<SourceQuery*>(userdata);
        if (endOfList != 0) {
            query->complete = endOfList > 0;
            query->finish();
            return;
        }
        if (info != nullptr) {
            query->found.push_back(toSource(*info));
        }
    }
};

class PulseSourcesApi final : public AudioSourcesApi {
public:
    std::vector<AudioSource> sources() override {
        auto listed = listedSources();
        return listed ? std::move(*listed) : std::vector<AudioSource>();
    }

    std::optional<AudioSource> source(std::uint32_t index) override {
        if (index == PA_INVALID_INDEX) {
            return std::nullopt;
        }
        SourceQuery query;
        const bool answered = client().request([&](pa_context* context, auto finish) {
            query.finish = std::move(finish);
            return pa_context_get_source_info_by_index(context, index, &SourceQuery::onInfo,
                                                       &query);
        });
        return first(answered, query);
    }

    std::optional<AudioSource> source(const QString& name) override {
        if (name.isEmpty()) {
            return std::nullopt;
        }
        const QByteArray utf8 = name.toUtf8();
        SourceQuery query;
        const bool answered = client().request([&](pa_context* context, auto finish) {
            query.finish = std::move(finish);
            return pa_context_get_source_info_by_name(context, utf8.constData(),
                                                      &SourceQuery::onInfo, &query);
        });
        return first(answered, query);
    }

    std::optional<QString> defaultSourceName() override {
        const auto answer = serverDefault();
        return answer ? *answer : std::nullopt;
    }

    std::optional<Listing> listing() override {
        auto listed = listedSources();
        if (!listed) {
            return std::nullopt;
        }
        auto named = serverDefault();
        if (!named) {
            return std::nullopt;
        }
        return Listing{std::move(*listed), std::move(*named)};
    }

    std::optional<Listing> lastAnnounced() override {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(announced_->mutex);
            if (announced_->listing) {
                return announced_->listing;
            }
            seen = announced_->changes;
        }
        if (!watchAnnouncements()) {
            return listing();
        }
        auto now = listing();
        std::lock_guard lock(announced_->mutex);
        // A change announced while it was read may or may not be in it: not kept, then.
        if (now && announced_->changes == seen) {
            announced_->listing = now;
        }
        return now;
    }

    WatchId watch(std::function<void()> changed) override {
        using Kind = PulseClient::Event::Kind;
        return client().addListener([changed = std::move(changed),
                                     announced = announced_](const PulseClient::Event& event) {
            // Whoever acts on the change finds the last listing gone, whichever listener
            // the loop runs first.
            announced->forget();
            // A source's own changes (volume, a stream starting) are not device changes.
            if (event.kind != Kind::SourceChanged) {
                changed();
            }
        });
    }

    void unwatch(WatchId id) override { client().removeListener(id); }

private:
    // The listing as last read, dropped at every announcement. Shared with the listener, which
    // runs on the loop thread and may outlive this object at exit.
    struct Announced {
        std::mutex mutex;
        std::optional<Listing> listing;
        std::uint64_t changes = 0;

        void forget() {
            std::lock_guard lock(mutex);
            ++changes;
            listing.reset();
        }
    };

    static PulseClient& client() { return PulseClient::shared(); }

    // Listens from the first use on; every event of the sources or the server counts, a
    // source's own change included (its sample rate may have moved).
    bool watchAnnouncements() {
        std::lock_guard lock(watchMutex_);
        if (announcementWatch_ == noWatch) {
            announcementWatch_ = client().addListener(
                [announced = announced_](const PulseClient::Event&) { announced->forget(); });
        }
        return announcementWatch_ != noWatch;
    }

    std::optional<std::vector<AudioSource>> listedSources() {
        SourceQuery query;
        const bool answered = client().request([&](pa_context* context, auto finish) {
            query.finish = std::move(finish);
            return pa_context_get_source_info_list(context, &SourceQuery::onInfo, &query);
        });
        if (!answered || !query.complete) {
            return std::nullopt;
        }
        return std::move(query.found);
    }

    // None when the server did not answer; no name inside when it has no default source.
    std::optional<std::optional<QString>> serverDefault() {
        struct ServerQuery {
            std::optional<QString> name;
            std::function<void()> finish;
        } query;
        const bool answered = client().request([&](pa_context* context, auto finish) {
            query.finish = std::move(finish);
            return pa_context_get_server_info(
                context,
                [](pa_context*, const pa_server_info* info, void* userdata) {
                    auto* query = static_cast<ServerQuery*>(userdata);
                    if (info != nullptr && info->default_source_name != nullptr &&
                        *info->default_source_name != '\0') {
                        query->name = QString::fromUtf8(info->default_source_name);
                    }
                    query->finish();
                },
                &query);
        });
        if (!answered) {
            return std::nullopt;
        }
        return std::optional<std::optional<QString>>(std::move(query.name));
    }

    static std::optional<AudioSource> first(bool answered, SourceQuery& query) {
        if (!answered || query.found.empty()) {
            return std::nullopt;
        }
        return std::move(query.found.front());
    }

    std::shared_ptr<Announced> announced_ = std::make_shared<Announced>();
    std::mutex watchMutex_;
    WatchId announcementWatch_ = noWatch;
};

} // namespace

AudioSourcesApi& AudioSourcesApi::system() {
    static PulseSourcesApi api;
    return api;
}

} // namespace tavik::platform
