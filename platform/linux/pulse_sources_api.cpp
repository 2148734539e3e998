// The sound server's sources behind the device queries, on the shared connection.
#include "platform/audio_sources.h"
#include "platform/linux/pulse_client.h"
#include "platform/linux/pulse_transport.h"

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
        SourceQuery query;
        const bool answered = client().request([&](pa_context* context, auto finish) {
            query.finish = std::move(finish);
            return pa_context_get_source_info_list(context, &SourceQuery::onInfo, &query);
        });
        if (!answered || !query.complete) {
            return {};
        }
        return std::move(query.found);
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
        return answered ? query.name : std::nullopt;
    }

    WatchId watch(std::function<void()> changed) override {
        using Kind = PulseClient::Event::Kind;
        return client().addListener(
            [changed = std::move(changed)](const PulseClient::Event& event) {
                // A source's own changes (volume, a stream starting) are not device changes.
                if (event.kind != Kind::SourceChanged) {
                    changed();
                }
            });
    }

    void unwatch(WatchId id) override { client().removeListener(id); }

private:
    static PulseClient& client() { return PulseClient::shared(); }

    static std::optional<AudioSource> first(bool answered, SourceQuery& query) {
        if (!answered || query.found.empty()) {
            return std::nullopt;
        }
        return std::move(query.found.front());
    }
};

} // namespace

AudioSourcesApi& AudioSourcesApi::system() {
    static PulseSourcesApi api;
    return api;
}

} // namespace tavik::platform
