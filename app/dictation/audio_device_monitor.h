#pragma once

#include "platform/audio_sources.h"
#include "platform/clock.h"

#include <QObject>

#include <functional>
#include <vector>

namespace tavik {

// Tells its owner, on the main thread, that the microphones or the default input changed.
// A burst of server events (a device brings several sources, a default change follows a plug)
// is reported once, 0.3 s after its last event.
class AudioDeviceMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t debounceNs = platform::msToNs(300);

    explicit AudioDeviceMonitor(platform::Clock& clock = platform::Clock::system(),
                                QObject* parent = nullptr);
    ~AudioDeviceMonitor() override;

    std::function<void()> onChange;

    // How many registrations with the sound server succeeded (0 when none did).
    std::size_t listenerCount() const { return listeners_.size(); }

private:
    void schedule();

    platform::Clock& clock_;
    platform::AudioSourcesApi& api_;
    std::vector<platform::AudioSourcesApi::WatchId> listeners_;
    platform::Clock::TimerId pending_ = platform::Clock::noTimer;
};

} // namespace tavik
