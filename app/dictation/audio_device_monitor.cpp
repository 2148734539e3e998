#include "app/dictation/audio_device_monitor.h"

#include "app/dictation/audio_devices.h"
#include "platform/main_thread.h"

#include <QPointer>

namespace tavik {

AudioDeviceMonitor::AudioDeviceMonitor(platform::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), api_(AudioDevices::api()) {
    // The server reports on its own thread; the debounce and onChange live on the main thread.
    // One registration carries both the device-list and the default-input events.
    const auto id = api_.watch([this] { platform::postToMain(this, [this] { schedule(); }); });
    if (id != platform::AudioSourcesApi::noWatch) {
        listeners_.push_back(id);
    }
}

AudioDeviceMonitor::~AudioDeviceMonitor() {
    for (const auto id : listeners_) {
        api_.unwatch(id);
    }
    clock_.cancel(pending_);
}

void AudioDeviceMonitor::schedule() {
    clock_.cancel(pending_);
    pending_ = clock_.schedule(debounceNs, [self = QPointer<AudioDeviceMonitor>(this)] {
        if (self == nullptr) {
            return;
        }
        self->pending_ = platform::Clock::noTimer;
        if (self->onChange) {
            self->onChange();
        }
    });
}

} // namespace tavik
