// Play-back of decoded sound files through PulseAudio (or PipeWire's PulseAudio service).
#include "platform/audio_playback.h"
#include "platform/linux/pulse_playback_connection.h"
#include "platform/log_sink.h"

#include <pulse/error.h>
#include <pulse/stream.h>
#include <sndfile.h>

#include <QByteArray>

#include <algorithm>
#include <optional>
#include <vector>

namespace tavik::platform {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// The whole file as interleaved signed 16-bit samples; none when it cannot be read.
struct DecodedSound {
    std::vector<int16_t> samples;
    int rate = 0;
    int channels = 0;
};

std::optional<DecodedSound> decode(const QString& path) {
    SF_INFO info{};
    const QByteArray name = path.toLocal8Bit();
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(name.constData(), SFM_READ, &info));
    if (file == nullptr || info.channels <= 0 ||
        info.channels > static_cast<int>(PA_CHANNELS_MAX) || info.samplerate <= 0 ||
        info.frames < 0) {
        return std::nullopt;
    }
    DecodedSound sound;
    sound.rate = info.samplerate;
    sound.channels = info.channels;
    sound.samples.resize(static_cast<std::size_t>(info.frames) *
                         static_cast<std::size_t>(info.channels));
    const sf_count_t read = sf_readf_short(file.get(), sound.samples.data(), info.frames);
    if (read != info.frames || sf_error(file.get()) != SF_ERR_NO_ERROR) {
        return std::nullopt; // a truncated or damaged file
    }
    pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<uint32_t>(sound.rate),
                        static_cast<uint8_t>(sound.channels)};
    if (pa_sample_spec_valid(&spec) == 0) {
        return std::nullopt;
    }
    return sound;
}

class PulseSound final : public PlaybackSound {
public:
    PulseSound(PulsePlaybackConnection& connection, DecodedSound sound)
        : connection_(connection), sound_(std::move(sound)) {}

    ~PulseSound() override { stop(); }

    PlaybackResult play(Ended ended) override {
        stop();
        if (!connection_.waitUntilReady()) {
            return PlaybackResult::failed(QStringLiteral("no sound server is answering"));
        }
        PulsePlaybackLock lock(connection_.loop());
        pa_context* context = connection_.readyContextLocked();
        if (context == nullptr) {
            return PlaybackResult::failed(QStringLiteral("no sound server is answering"));
        }
        const pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<uint32_t>(sound_.rate),
                                  static_cast<uint8_t>(sound_.channels)};
        stream_ = pa_stream_new(context, "Tavik play-back", &spec, nullptr);
        if (stream_ == nullptr ||
            pa_stream_connect_playback(stream_, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr,
                                       nullptr) < 0) {
            logLine(QStringLiteral("audio: play-back refused by the sound server — ") +
                    QString::fromUtf8(pa_strerror(pa_context_errno(context))));
            releaseStreamLocked();
            return PlaybackResult::failed(QStringLiteral("the sound server refused it"));
        }
        written_ = 0;
        ended_ = std::move(ended);
        pa_stream_set_state_callback(stream_, &PulseSound::onStateChanged, this);
        pa_stream_set_write_callback(stream_, &PulseSound::onWritable, this);
        return {};
    }

    void stop() override {
        PulsePlaybackLock lock(connection_.loop());
        releaseStreamLocked();
    }

private:
    std::size_t totalBytes() const { return sound_.samples.size() * sizeof(int16_t); }

    // Loop thread, lock held: hands the server as much as it asks for, then waits for the
    // last sample to be heard.
    static void onWritable(pa_stream* stream, std::size_t requested, void* self) {
        auto* sound = static_cast<PulseSound*>(self);
        const auto* bytes = reinterpret_cast<const uint8_t*>(sound->sound_.samples.data());
        const std::size_t remaining = sound->totalBytes() - sound->written_;
        const std::size_t chunk = std::min(requested, remaining);
        if (chunk > 0) {
            if (pa_stream_write(stream, bytes + sound->written_, chunk, nullptr, 0,
                                PA_SEEK_RELATIVE) < 0) {
                return;
            }
            sound->written_ += chunk;
        }
        if (sound->written_ == sound->totalBytes() && sound->drain_ == nullptr) {
            pa_stream_set_write_callback(stream, nullptr, nullptr);
            sound->drain_ = pa_stream_drain(stream, &PulseSound::onDrained, sound);
        }
    }

    static void onDrained(pa_stream* stream, int success, void* self) {
        auto* sound = static_cast<PulseSound*>(self);
        if (sound->drain_ != nullptr) {
            pa_operation_unref(sound->drain_);
            sound->drain_ = nullptr;
        }
        if (success == 0) {
            sound->brokeOffLocked(stream);
            return;
        }
        Ended ended = std::move(sound->ended_);
        // Heard to the end: give the server its stream back now rather than at the next play.
        sound->releaseStreamLocked();
        if (ended) {
            ended(PlaybackResult{});
        }
    }

    // Loop thread, lock held. A stream that fails (the server went away, or someone ended it
    // in the sound settings) never drains: without this the play would seem to go on forever.
    static void onStateChanged(pa_stream* stream, void* self) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
            static_cast<PulseSound*>(self)->brokeOffLocked(stream);
        }
    }

    // Says once that the play is over without having been heard to its end. The stream itself
    // is let go at the next stop, outside its own callbacks.
    void brokeOffLocked(pa_stream* stream) {
        Ended ended = std::move(ended_);
        ended_ = nullptr;
        if (!ended) {
            return;
        }
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        logLine(QStringLiteral("audio: play-back stopped by the sound server — ") +
                QString::fromUtf8(pa_strerror(pa_context_errno(pa_stream_get_context(stream)))));
        ended(PlaybackResult::failed(QStringLiteral("the sound server stopped it")));
    }

    void releaseStreamLocked() {
        if (drain_ != nullptr) {
            pa_operation_cancel(drain_);
            pa_operation_unref(drain_);
            drain_ = nullptr;
        }
        if (stream_ != nullptr) {
            // Our own disconnect is not a failure to report.
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        ended_ = nullptr;
    }

    PulsePlaybackConnection& connection_;
    const DecodedSound sound_;
    // Touched with the loop lock held only.
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    std::size_t written_ = 0;
    Ended ended_;
};

class PulsePlayback final : public AudioPlayback {
public:
    std::unique_ptr<PlaybackSound> open(const QString& path) override {
        std::optional<DecodedSound> sound = decode(path);
        if (!sound) {
            return nullptr;
        }
        return std::make_unique<PulseSound>(PulsePlaybackConnection::shared(), std::move(*sound));
    }
};

} // namespace

AudioPlayback& AudioPlayback::system() {
    static PulsePlayback playback;
    return playback;
}

} // namespace tavik::platform
