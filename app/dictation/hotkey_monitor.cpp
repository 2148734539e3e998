#include "app/dictation/hotkey_monitor.h"

#include "app/dictation/hotkey_keys.h"
#include "app/stores/diagnostic_log.h"
#include "platform/main_thread.h"

#include <algorithm>

namespace tavik {

HotkeyMonitor::HotkeyMonitor(platform::Clock& clock, std::unique_ptr<platform::RawKeySource> source,
                             QObject* parent)
    : QObject(parent), clock_(clock),
      source_(source ? std::move(source) : platform::makeRawKeySource()) {}

HotkeyMonitor::~HotkeyMonitor() {
    // No listening may outlive the monitor its events are handed to.
    stop();
}

bool HotkeyMonitor::start() {
    stop();
    noteUnhearableBindings();
    return source_->start(hotkeyXkbKeyNames(),
                          [this](const platform::RawKeyEvent& event) { handle(event); });
}

void HotkeyMonitor::stop() {
    source_->stop();
    gestures_.forgetDownKeys();
}

bool HotkeyMonitor::isRunning() const {
    return source_->isRunning();
}

bool HotkeyMonitor::inputMonitoringGranted() const {
    return source_->hearsOtherApplications();
}

void HotkeyMonitor::handle(const platform::RawKeyEvent& event) {
    if (event.keyName == escapeXkbKeyName) {
        if (event.pressed) {
            platform::postToMain(this, [this] {
                if (onEscape) {
                    onEscape();
                }
            });
        }
        return;
    }
    const auto key = triggerKeyWithXkbName(event.keyName);
    if (!key) {
        return;
    }
    const auto notice = gestures_.handle(*key, event.pressed, clock_.monotonicNs(), bindings,
                                         {tapThreshold, doubleTapWindow});
    if (notice) {
        post(*notice);
    }
}

void HotkeyMonitor::post(HotkeyNotice notice) {
    platform::postToMain(this, [this, notice] {
        if (notice.kind == HotkeyNotice::Kind::start) {
            if (onStart) {
                onStart(notice.action);
            }
        } else if (onHoldEnd) {
            onHoldEnd(notice.action, notice.secondsHeld);
        }
    });
}

void HotkeyMonitor::noteUnhearableBindings() {
    const bool bindsFn = std::any_of(bindings.begin(), bindings.end(), [](const auto& entry) {
        return entry.second.enabled && entry.second.key == TriggerKey::fn;
    });
    if (bindsFn && !fnNoticeLogged_) {
        slog("hotkey: fn cannot be heard on X11 — a shortcut on it never fires");
    }
    fnNoticeLogged_ = bindsFn;
}

} // namespace tavik
