// The controller's view of the global shortcut.
#include "app/dictation/dictation_wiring.h"
#include "app/dictation/hotkey_monitor.h"
#include "app/stores/preferences.h"

#include <chrono>

namespace tavik::dictation {
namespace {

Action toAction(DictationAction action) {
    return action == DictationAction::handsFree ? Action::handsFree : Action::pushToTalk;
}

double seconds(std::chrono::nanoseconds duration) {
    return std::chrono::duration<double>(duration).count();
}

class X11ShortcutMonitor final : public ShortcutMonitor {
public:
    explicit X11ShortcutMonitor(Preferences& preferences) : prefs_(preferences) {}
    void applyBindings() override { monitor_.bindings = prefs_.bindings(); }
    bool start() override { return monitor_.start(); }
    void stop() override { monitor_.stop(); }
    double tapThreshold() const override { return seconds(monitor_.tapThreshold); }
    double doubleTapWindow() const override { return seconds(monitor_.doubleTapWindow); }
    void setOnStart(std::function<void(Action)> handler) override {
        monitor_.onStart = [handler = std::move(handler)](DictationAction action) {
            handler(toAction(action));
        };
    }
    void setOnHoldEnd(std::function<void(Action, double)> handler) override {
        monitor_.onHoldEnd = [handler = std::move(handler)](DictationAction action, double held) {
            handler(toAction(action), held);
        };
    }
    void setOnEscape(std::function<void()> handler) override {
        monitor_.onEscape = std::move(handler);
    }
    bool boundToModifierKey(Action action) const override {
        const auto found = monitor_.bindings.find(
            action == Action::handsFree ? DictationAction::handsFree : DictationAction::pushToTalk);
        return found != monitor_.bindings.end() && isModifier(found->second.key);
    }
    bool inputMonitoringGranted() override { return monitor_.inputMonitoringGranted(); }
    // X11 has no permission prompt: the selection on the root window is granted or not.
    void requestInputMonitoring() override {}

private:
    Preferences& prefs_;
    HotkeyMonitor monitor_;
};

} // namespace

std::unique_ptr<ShortcutMonitor> makeShortcutMonitor(Preferences& preferences) {
    return std::make_unique<X11ShortcutMonitor>(preferences);
}

} // namespace tavik::dictation
