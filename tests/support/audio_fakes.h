#pragma once

#include "app/dictation/audio_devices.h"
#include "platform/audio_input_engine.h"
#include "platform/audio_sources.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>

namespace tavik::test {

// A sound server the test writes by hand: its sources, its default and its change events.
class FakeAudioSources final : public platform::AudioSourcesApi {
public:
    std::vector<platform::AudioSource> list;
    std::optional<QString> defaultName;
    bool refuseWatch = false;

    std::vector<platform::AudioSource> sources() override { return list; }
    std::optional<platform::AudioSource> source(std::uint32_t index) override {
        for (const auto& s : list) {
            if (s.index == index) {
                return s;
            }
        }
        return std::nullopt;
    }
    std::optional<platform::AudioSource> source(const QString& name) override {
        for (const auto& s : list) {
            if (s.name == name) {
                return s;
            }
        }
        return std::nullopt;
    }
    std::optional<QString> defaultSourceName() override { return defaultName; }

    WatchId watch(std::function<void()> changed) override {
        if (refuseWatch) {
            return noWatch;
        }
        watchers_[++lastWatch_] = std::move(changed);
        return lastWatch_;
    }
    void unwatch(WatchId id) override { watchers_.erase(id); }

    void announceChange() {
        for (auto& [id, changed] : watchers_) {
            changed();
        }
    }
    std::size_t watcherCount() const { return watchers_.size(); }

    platform::AudioSource& add(std::uint32_t index, const QString& name, const QString& description,
                               int channels = 1, std::uint32_t rate = 48000,
                               std::uint32_t transport = 0) {
        list.push_back(
            platform::AudioSource{index, name, description, channels, rate, false, transport});
        return list.back();
    }
    void remove(std::uint32_t index) {
        std::erase_if(list, [&](const auto& s) { return s.index == index; });
    }

private:
    std::map<WatchId, std::function<void()>> watchers_;
    WatchId lastWatch_ = noWatch;
};

// Installs a fake as the source of every AudioDevices query for one test.
class ScopedAudioSources {
public:
    explicit ScopedAudioSources(FakeAudioSources& fake) { AudioDevices::setApiForTesting(&fake); }
    ~ScopedAudioSources() { AudioDevices::setApiForTesting(nullptr); }
    ScopedAudioSources(const ScopedAudioSources&) = delete;
    ScopedAudioSources& operator=(const ScopedAudioSources&) = delete;
};

// A capture engine the test drives: it records what it was asked and delivers chunks on demand.
class FakeInputEngine final : public platform::AudioInputEngine {
public:
    struct Script {
        bool hasInputUnit = true;
        int selectStatus = 0;
        std::optional<Error> startError;
    };
    // Shared with the test, which keeps a handle after handing the engine to the capture.
    struct State {
        Script script;
        bool running = false;
        std::optional<std::uint32_t> selectedId;
        std::optional<platform::AudioTapFormat> tapFormat;
        Tap tap;
        std::function<void(platform::StreamEnd)> configurationChanged;
        int starts = 0;
    };

    explicit FakeInputEngine(std::shared_ptr<State> state) : state_(std::move(state)) {}

    bool hasInputUnit() override { return state_->script.hasInputUnit; }
    int selectDevice(std::uint32_t id, const QString&) override {
        if (state_->script.selectStatus == 0) {
            state_->selectedId = id;
        }
        return state_->script.selectStatus;
    }
    void installTap(const platform::AudioTapFormat& format, Tap tap) override {
        state_->tapFormat = format;
        state_->tap = std::move(tap);
    }
    void removeTap() override {
        state_->tap = nullptr;
        state_->tapFormat.reset();
    }
    std::optional<Error> start() override {
        ++state_->starts;
        if (state_->script.startError) {
            return state_->script.startError;
        }
        state_->running = true;
        return std::nullopt;
    }
    void stop() override { state_->running = false; }
    bool isRunning() const override { return state_->running; }
    void setConfigurationChangeHandler(std::function<void(platform::StreamEnd)> handler) override {
        state_->configurationChanged = std::move(handler);
    }

private:
    std::shared_ptr<State> state_;
};

// Delivers interleaved frames through the installed tap, as the capture thread would.
inline void deliver(FakeInputEngine::State& state, const std::vector<float>& interleaved,
                    int channels = 1) {
    if (state.tap) {
        state.tap(interleaved.data(), interleaved.size() / std::size_t(channels), channels);
    }
}

} // namespace tavik::test
