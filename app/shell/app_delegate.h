#pragma once

#include "app/shell/floating_button.h"
#include "app/shell/state/pane_factory.h"
#include "app/shell/status_menu.h"
#include "app/shell/termination.h"
#include "platform/activation_policy.h"
#include "platform/clock.h"

#include <QObject>

#include <memory>
#include <optional>

class QAction;

namespace tavik {

class MainWindowController;
class StatusItem;

// The top of the running application: owns the tray item, the floating button and the main
// window, starts everything in a fixed order, keeps the tray icon and the button in step with
// the dictation, answers the menus and a second start, and ends the process. Main thread only.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    struct Options {
        PaneFactory makePane;                     // the panes of the main window's sections
        FloatingButtonFactory makeFloatingButton; // none: the application runs without one
        platform::Clock* clock = nullptr;         // the poll and the first-launch delay
        Termination::Exit exit = Termination::immediateExit;
    };

    AppDelegate(DictationController& controller, Options options, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence, once, from the event loop: tray item, activation tracking, the
    // controller, the floating button, the state poll, the taskbar entry, the first launch.
    void launch();

    // Brings the main window to the front, on `section` when one is given.
    void showMain(std::optional<AppState::Section> section);
    // A second start of Tavik: the main window on whatever section it had.
    void reopen() { showMain(std::nullopt); }

    // The tray menu's actions; the floating button uses openMain, openSettings and quit.
    void openMain() { showMain(AppState::Section::dictation); }
    void openInsights() { showMain(AppState::Section::insights); }
    void openDictionary() { showMain(AppState::Section::dictionary); }
    void openSettings() { showMain(AppState::Section::settings); }
    void copyEntry(const QAction& item);
    void quit();

    bool isQuitting() const { return termination_.started(); }

    // One tick of the 0.1 s poll: the tray icon follows the dictation's state, the floating
    // button follows the showOrb setting.
    void tick();

    // What launch made; null before.
    StatusItem* statusItem() const { return statusItem_.get(); }
    FloatingButton* floatingButton() const { return floatingButton_.get(); }
    // The main window's controller, null until something first shows the window.
    MainWindowController* mainWindowIfMade() const { return main_.get(); }

    static constexpr std::int64_t pollIntervalMs = 100;
    static constexpr std::int64_t firstLaunchDelayMs = 400;
    static constexpr const char* launchedBeforeKey = "hasLaunchedBefore";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindowController& main();
    void followShowOrb();
    void schedulePoll();
    void applyActivationPolicy(platform::ActivationPolicy policy);
    void choose(status_menu::Action action, const QAction& item);
    QList<status_menu::Item> menuItems() const;

    DictationController& controller_;
    Options options_;
    platform::Clock& clock_;
    Termination termination_;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<FloatingButton> floatingButton_;
    std::unique_ptr<MainWindowController> main_;
    platform::ActivationPolicy policy_ = platform::ActivationPolicy::accessory;
    platform::Clock::TimerId pollTimer_ = platform::Clock::noTimer;
    platform::Clock::TimerId firstLaunchTimer_ = platform::Clock::noTimer;
    bool launched_ = false;
};

} // namespace tavik
