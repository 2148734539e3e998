// The capture stream on the shared sound-server connection: one named source, 16 kHz float in
// its own channels, never moved to another source by the server.
#include "platform/audio_input_engine.h"
#include "platform/audio_sources.h"
#include "platform/linux/pulse_client.h"

#include <algorithm>
#include <atomic>

namespace tavik::platform {
namespace {

using pulse::PulseClient;

// One chunk of 512 frames is 32 ms at 16 kHz: one voice-activity window per chunk.
constexpr std::uint32_t framesPerChunk = 512;

// The source's own channel positions: a stream in the same positions gets every channel as it
// is, where positions the source lacks (an array's aux channels heard as front and rear) would
// be mixed by PipeWire, whatever the stream's flags ask. None when the server does not say.
std::optional<pa_channel_map> sourceChannelMap(PulseClient& client, const QByteArray& name) {
    struct Query {
        std::optional<pa_channel_map> map;
        std::function<void()> finish;
    } query;
    const bool answered = client.request([&](pa_context* context, auto finish) {
        query.finish = std::move(finish);
        return pa_context_get_source_info_by_name(
            context, name.constData(),
            [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
                auto* query = static_cast<Query*>(userdata);
                if (eol == 0 && info != nullptr) {
                    query->map = info->channel_map;
                    return;
                }
                query->finish();
            },
            &query);
    });
    return answered ? query.map : std::nullopt;
}

Error pulseError(int code) {
    return Error{QStringLiteral("PulseAudio"), code, QString::fromUtf8(pa_strerror(code))};
}

class PulseInputEngine final : public AudioInputEngine {
public:
    ~PulseInputEngine() override {
        stop();
        PulseClient::Lock lock(client_);
        tap_ = nullptr;
        configurationChanged_ = nullptr;
    }

    void retryServerNow() override { client_.retryNow(); }
    bool hasInputUnit() override { return client_.ensureConnected(); }

    int selectDevice(std::uint32_t id, const QString& uid) override {
        const auto source = AudioSourcesApi::system().source(uid);
        if (!source || source->index != id || source->monitor) {
            return PA_ERR_NOENTITY;
        }
        const auto map = sourceChannelMap(client_, uid.toUtf8());
        PulseClient::Lock lock(client_);
        sourceName_ = uid.toUtf8();
        sourceMap_ = map;
        return 0;
    }

    void installTap(const AudioTapFormat& format, Tap tap) override {
        PulseClient::Lock lock(client_);
        format_ = format;
        tap_ = std::move(tap);
    }

    void removeTap() override {
        PulseClient::Lock lock(client_);
        tap_ = nullptr;
    }

    std::optional<Error> start() override {
        stop();
        if (!client_.ensureConnected()) {
            return pulseError(PA_ERR_CONNECTIONREFUSED);
        }
        const auto deadline = std::chrono::steady_clock::now() + PulseClient::defaultTimeout;
        {
            PulseClient::Lock lock(client_);
            if (auto error = connectStream()) {
                return error;
            }
        }
        client_.waitUntil(deadline, [&] { return isSettled(state_.load()); });
        PulseClient::Lock lock(client_);
        if (state_.load() == PA_STREAM_READY) {
            running_ = true;
            return std::nullopt;
        }
        const int code = state_.load() == PA_STREAM_FAILED ? client_.lastError() : PA_ERR_TIMEOUT;
        releaseStream();
        return pulseError(code != PA_OK ? code : PA_ERR_UNKNOWN);
    }

    void stop() override {
        PulseClient::Lock lock(client_);
        releaseStream();
    }

    bool isRunning() const override { return running_.load(); }

    void setConfigurationChangeHandler(std::function<void(StreamEnd)> handler) override {
        PulseClient::Lock lock(client_);
        configurationChanged_ = std::move(handler);
    }

private:
    static bool isSettled(int state) {
        return state == PA_STREAM_READY || state == PA_STREAM_FAILED ||
               state == PA_STREAM_TERMINATED;
    }

    // Under the loop lock.
    std::optional<Error> connectStream() {
        pa_context* context = client_.readyContext();
        if (context == nullptr) {
            return pulseError(PA_ERR_CONNECTIONREFUSED);
        }
        // The source's own channels, passed through by position and unmixed: servers disagree
        // on a downmix (PulseAudio averages the sides, PipeWire sums them +3 dB), so the capture
        // makes its own and the level is the same on either.
        const int channels = std::max(1, format_.channels);
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, std::uint32_t(deliveredRate),
                                  std::uint8_t(channels)};
        pa_channel_map map;
        if (sourceMap_ && sourceMap_->channels == spec.channels &&
            pa_channel_map_valid(&*sourceMap_) != 0) {
            map = *sourceMap_;
        } else {
            pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);
        }
        stream_ = pa_stream_new(context, "Tavik dictation", &spec, &map);
        if (stream_ == nullptr) {
            return pulseError(client_.lastError());
        }
        streamChannels_ = channels;
        state_ = PA_STREAM_UNCONNECTED;
        pa_stream_set_state_callback(stream_, &PulseInputEngine::onState, this);
        pa_stream_set_read_callback(stream_, &PulseInputEngine::onReadable, this);

        pa_buffer_attr attributes{};
        attributes.maxlength = std::uint32_t(-1);
        attributes.tlength = std::uint32_t(-1);
        attributes.prebuf = std::uint32_t(-1);
        attributes.minreq = std::uint32_t(-1);
        attributes.fragsize = framesPerChunk * std::uint32_t(channels) * sizeof(float);
        // Never let the server carry the stream to another source: a vanished device must end
        // the stream, not silently record a different microphone.
        auto flags = pa_stream_flags_t(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY);
        if (channels > 1) {
            flags = pa_stream_flags_t(flags | PA_STREAM_NO_REMAP_CHANNELS);
        }
        if (pa_stream_connect_record(stream_, sourceName_.constData(), &attributes, flags) < 0) {
            const int code = client_.lastError();
            releaseStream();
            return pulseError(code);
        }
        return std::nullopt;
    }

    // Under the loop lock; afterwards no callback of the old stream can run.
    void releaseStream() {
        running_ = false;
        if (stream_ == nullptr) {
            return;
        }
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
            pa_stream_disconnect(stream_);
        }
        pa_stream_unref(stream_);
        stream_ = nullptr;
        state_ = PA_STREAM_UNCONNECTED;
    }

    static void onState(pa_stream* stream, void* self) {
        auto* engine = static_cast<PulseInputEngine*>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        engine->state_ = state;
        engine->client_.wakeWaiters();
        if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) &&
            engine->running_.exchange(false) && engine->configurationChanged_) {
            // A server that goes fails its connection first, and only then its streams: a
            // stream that ends on a live connection lost its source.
            const bool connected =
                pa_context_get_state(pa_stream_get_context(stream)) == PA_CONTEXT_READY;
            engine->configurationChanged_(connected ? StreamEnd::deviceGone
                                                    : StreamEnd::serverGone);
        }
    }

    static void onReadable(pa_stream* stream, std::size_t, void* self) {
        auto* engine = static_cast<PulseInputEngine*>(self);
        const std::size_t frameBytes = std::size_t(engine->streamChannels_) * sizeof(float);
        while (pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) {
                return;
            }
            // A hole (data null) is a gap the server could not fill: nothing to deliver.
            if (data != nullptr && engine->tap_) {
                engine->tap_(static_cast<const float*>(data), bytes / frameBytes,
                             engine->streamChannels_);
            }
            pa_stream_drop(stream);
        }
    }

    PulseClient& client_ = PulseClient::shared();
    // Everything below is touched under the loop lock, except the atomics.
    pa_stream* stream_ = nullptr;
    QByteArray sourceName_;
    std::optional<pa_channel_map> sourceMap_;
    AudioTapFormat format_;
    int streamChannels_ = 1;
    Tap tap_;
    std::function<void(StreamEnd)> configurationChanged_;
    std::atomic<int> state_{PA_STREAM_UNCONNECTED};
    std::atomic<bool> running_{false};
};

} // namespace

std::unique_ptr<AudioInputEngine> AudioInputEngine::create() {
    return std::make_unique<PulseInputEngine>();
}

} // namespace tavik::platform
