// The controller's view of the microphone: the capture engine, the device list and the
// device monitor.
#include "app/dictation/audio_capture.h"
#include "app/dictation/audio_device_monitor.h"
#include "app/dictation/audio_devices.h"
#include "app/dictation/dictation_wiring.h"

namespace tavik::dictation {
namespace {

std::optional<Error> attempt(const std::function<void()>& operation) {
    try {
        operation();
        return std::nullopt;
    } catch (const Error& error) {
        return error;
    } catch (const std::exception& error) {
        return Error::tavik(11, QString::fromUtf8(error.what()));
    }
}

class AudioCaptureEngine final : public CaptureEngine {
public:
    double prerollSeconds() const override { return capture_.prerollSeconds(); }
    void beginUtterance() override { capture_.beginUtterance(); }
    Samples snapshot() const override { return capture_.snapshot(); }
    Samples endUtterance() override { return capture_.endUtterance(); }
    float level() const override { return capture_.level(); }
    bool isRunning() const override { return capture_.isRunning(); }
    bool isHealthy() const override { return capture_.isHealthy(); }
    std::optional<Error> start() override {
        return attempt([this] { capture_.start(); });
    }
    std::optional<Error> restart() override {
        return attempt([this] { capture_.restart(); });
    }
    void stop() override { capture_.stop(); }
    void setPreferredDeviceUID(const std::optional<QString>& uid) override {
        capture_.preferredDeviceUID = uid;
    }

    MicrophoneStatus microphoneStatus() const override {
        MicrophoneStatus status;
        const auto resolved = capture_.resolvedDevice();
        for (const auto& device : AudioDevices::inputs()) {
            status.devices << device;
        }
        if (capture_.isRunning() && capture_.activeDevice()) {
            status.active = *capture_.activeDevice();
        }
        if (resolved) {
            status.planned = resolved->first;
            status.usingFallback = resolved->second;
        }
        if (const auto id = AudioDevices::defaultInputID()) {
            if (const auto device = AudioDevices::device(*id)) {
                status.systemDefaultName = device->name;
            }
        }
        status.silent = capture_.isRunning() && capture_.isSilent();
        return status;
    }

    void setOnSamples(std::function<void(const Samples&)> handler) override {
        if (!handler) {
            capture_.onSamples = nullptr;
            return;
        }
        capture_.onSamples = [handler = std::move(handler)](std::vector<float> samples) {
            handler(samples);
        };
    }
    void setOnCaptureInterrupted(std::function<void(CaptureInterruption)> handler) override {
        capture_.onCaptureInterrupted = std::move(handler);
    }
    void setOnStarted(std::function<void()> handler) override {
        capture_.onStarted = std::move(handler);
    }
    void setOnVerified(std::function<void()> handler) override {
        capture_.onVerified = std::move(handler);
    }
    void setOnDevicesChanged(std::function<void()> handler) override {
        monitor_.onChange = std::move(handler);
    }

private:
    AudioCapture capture_;
    AudioDeviceMonitor monitor_;
};

} // namespace

std::unique_ptr<CaptureEngine> makeCaptureEngine() {
    return std::make_unique<AudioCaptureEngine>();
}

} // namespace tavik::dictation
