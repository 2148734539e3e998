#pragma once

#include "app/dictation/hotkey_gestures.h"
#include "app/stores/trigger.h"
#include "platform/clock.h"
#include "platform/raw_key_source.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

namespace tavik {

// Hears the bound trigger keys system-wide, whichever application is in front, and reports
//   onStart(action)            when a binding's gesture begins (a hold's press, a double tap's
//                              second press),
//   onHoldEnd(action, seconds) when a key with a hold binding is let go,
//   onEscape()                 when Escape goes down (whatever the bindings).
// It only listens: keys still reach the focused application unchanged. Each report is queued to
// the main loop and runs after the key event has been handled, in order; it calls the callback
// installed when it runs, with the values of the event, and is dropped once the monitor is gone.
// Keys that Tavik synthesises itself are not heard (see platform::SyntheticKeyLedger).
//
// Main thread only. The owner assigns `bindings` and the callbacks, then calls start(); after
// changing `bindings` it calls start() again, which forgets the keys that are down.
class HotkeyMonitor final : public QObject {
public:
    explicit HotkeyMonitor(platform::Clock& clock = platform::Clock::system(),
                           std::unique_ptr<platform::RawKeySource> source = {},
                           QObject* parent = nullptr);
    ~HotkeyMonitor() override;

    // Read afresh at every key event.
    TriggerBindings bindings;
    std::function<void(DictationAction)> onStart = [](DictationAction) {
    };
    std::function<void(DictationAction, double secondsHeld)> onHoldEnd = [](DictationAction,
                                                                            double) {
    };
    std::function<void()> onEscape = [] {
    };
    // A press shorter than this is a tap.
    std::chrono::nanoseconds tapThreshold = std::chrono::milliseconds(250);
    // Greatest gap from the end of a tap to the next press of that key that makes a double tap.
    std::chrono::nanoseconds doubleTapWindow = std::chrono::milliseconds(350);

    // (Re)starts listening; false when the display server refuses, and the monitor then stays
    // stopped. Calling it while running replaces the listening.
    bool start();
    // Stops listening and forgets which keys are down.
    void stop();
    bool isRunning() const;

    // Whether keys typed into other applications can be heard (the Input Monitoring question).
    bool inputMonitoringGranted() const;

private:
    void handle(const platform::RawKeyEvent& event);
    void post(HotkeyNotice notice);
    void noteUnhearableBindings();

    platform::Clock& clock_;
    std::unique_ptr<platform::RawKeySource> source_;
    HotkeyGestures gestures_;
    bool fnNoticeLogged_ = false;
};

} // namespace tavik
