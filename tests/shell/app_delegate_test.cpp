// The delegate over a real controller: the launch order, the first launch, the 0.1 s poll, the
// tray menu's commands, the taskbar entry and the way out.
#include "app/panes/pane_factory.h"
#include "app/shell/app_delegate.h"
#include "app/shell/main_window.h"
#include "app/shell/status_item.h"
#include "app/stores/diagnostic_log.h"
#include "app/stores/preferences.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using dictation::Action;
using Section = AppState::Section;

// The floating button as the delegate sees it; the button itself is another component's.
class RecordingButton final : public FloatingButton {
public:
    explicit RecordingButton(QStringList& log) : log_(log) {}
    void show() override {
        log_ << "show";
        visible_ = true;
    }
    void hide() override {
        log_ << "hide";
        visible_ = false;
    }
    bool isVisible() const override { return visible_; }

private:
    QStringList& log_;
    bool visible_ = false;
};

class DelegateTest : public ::testing::Test {
protected:
    void SetUp() override { stage.build(); }

    AppDelegate& make() {
        AppDelegate::Options options;
        options.clock = &stage.clock;
        options.makePane = panes::makePane;
        options.exit = [this](int status) {
            exits << status;
        };
        options.makeFloatingButton = [this](DictationController& c, FloatingButtonActions a) {
            buttonLog << QStringLiteral("made: controller started %1 times, tray %2")
                             .arg(stage.shortcut->starts)
                             .arg(delegate && delegate->statusItem() ? "made" : "missing");
            EXPECT_EQ(&c, &stage.controller());
            actions = std::move(a);
            return std::make_unique<RecordingButton>(buttonLog);
        };
        delegate = std::make_unique<AppDelegate>(stage.controller(), std::move(options));
        return *delegate;
    }

    QWidget* window() const {
        return delegate->mainWindowIfMade() ? delegate->mainWindowIfMade()->window() : nullptr;
    }
    Section section() const { return delegate->mainWindowIfMade()->state().section(); }
    QAction* menuItem(const QString& text) {
        delegate->statusItem()->rebuild();
        for (QAction* action : delegate->statusItem()->menu().actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }

    test::ControllerStage stage;
    std::unique_ptr<AppDelegate> delegate;
    QStringList buttonLog;
    FloatingButtonActions actions;
    QList<int> exits;
};

TEST_F(DelegateTest, LaunchRunsItsStepsInOrderAndTheFirstLaunchOpensTheWindowLater) {
    auto& defaults = platform::DefaultsStore::shared();
    ASSERT_FALSE(defaults.contains("hasLaunchedBefore"));
    AppDelegate& app = make();
    app.launch();
    // The tray item came first, then the controller was started, then the button was made
    // and shown.
    EXPECT_EQ(buttonLog, QStringList({"made: controller started 1 times, tray made", "show"}));
    ASSERT_NE(app.statusItem(), nullptr);
    EXPECT_EQ(app.statusItem()->iconName(), "menubarTemplate");
    // A panel reads the menu before anyone opens it: it is full from the start.
    EXPECT_EQ(app.statusItem()->menu().actions().size(), 9);
    EXPECT_EQ(defaults.exactBool("hasLaunchedBefore"), true);

    stage.clock.advanceMs(399);
    EXPECT_EQ(window(), nullptr);
    stage.clock.advanceMs(1);
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(section(), Section::dictation);

    app.launch(); // a second call changes nothing
    EXPECT_EQ(stage.shortcut->starts, 1);
}

TEST_F(DelegateTest, LaterLaunchesOpenNoWindowButAFalseFlagCountsAsFirst) {
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    make().launch();
    stage.clock.advanceMs(600);
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(buttonLog.size(), 2 + 6) << "made, shown, then shown again on each tick";

    delegate.reset();
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", false);
    test::ControllerStage another;
    another.build();
    AppDelegate::Options options;
    options.clock = &another.clock;
    options.makePane = panes::makePane;
    AppDelegate second(another.controller(), std::move(options));
    second.launch();
    another.clock.advanceMs(400);
    ASSERT_NE(second.mainWindowIfMade(), nullptr);
    EXPECT_TRUE(second.mainWindowIfMade()->window()->isVisible());
}

TEST_F(DelegateTest, ThePollKeepsTheButtonAndTheTrayIconInStepWithinATick) {
    Preferences::shared().setShowOrb(false);
    make().launch();
    EXPECT_EQ(buttonLog.size(), 1) << "made, not shown";
    ASSERT_NE(delegate->floatingButton(), nullptr);
    EXPECT_FALSE(delegate->floatingButton()->isVisible());

    stage.clock.advanceMs(100);
    EXPECT_EQ(delegate->statusItem()->iconName(), "arrow.trianglehead.2.clockwise");
    Preferences::shared().setShowOrb(true);
    stage.clock.advanceMs(100);
    EXPECT_TRUE(delegate->floatingButton()->isVisible());
    Preferences::shared().setShowOrb(false);
    stage.clock.advanceMs(100);
    EXPECT_FALSE(delegate->floatingButton()->isVisible());
    EXPECT_EQ(buttonLog.mid(1), QStringList({"show", "hide"}));

    stage.loadModels();
    stage.clock.advanceMs(100);
    EXPECT_EQ(delegate->statusItem()->iconName(), "menubarTemplate");
    stage.press(Action::pushToTalk);
    stage.advance(0.1);
    EXPECT_EQ(delegate->statusItem()->iconName(), "mic.fill");
    stage.speak(1.0);
    stage.release(1.0);
    stage.advance(0.1);
    EXPECT_EQ(delegate->statusItem()->iconName(), "waveform");
    stage.runJobs();
    stage.advance(0.1);
    EXPECT_EQ(delegate->statusItem()->iconName(), "menubarTemplate");

    stage.settings->micAlwaysReady = false;
    stage.capture->running = false;
    stage.capture->startError = Error::tavik(10, "No microphone is connected.");
    stage.press(Action::pushToTalk);
    stage.advance(0.1);
    EXPECT_EQ(delegate->statusItem()->iconName(), "exclamationmark.triangle");
}

TEST_F(DelegateTest, MenuCommandsAndTheButtonOpenTheWindowOnTheirSection) {
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    make().launch();
    stage.loadModels();
    menuItem("Insights")->trigger();
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(section(), Section::insights);
    QWidget* const first = window();

    window()->close();
    EXPECT_FALSE(window()->isVisible());
    menuItem("Settings…")->trigger();
    EXPECT_EQ(window(), first) << "made once, hidden when closed";
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(section(), Section::settings);

    delegate->reopen(); // a second start of Tavik: the section it had
    EXPECT_EQ(section(), Section::settings);
    delegate->mainWindowIfMade()->state().setSearch("meeting");
    menuItem("Dictionary")->trigger();
    EXPECT_EQ(section(), Section::dictionary);
    actions.openMain();
    EXPECT_EQ(section(), Section::dictation);
    EXPECT_EQ(delegate->mainWindowIfMade()->state().search(), "meeting");
    actions.openSettings();
    EXPECT_EQ(section(), Section::settings);
    menuItem("Open Tavik")->trigger();
    EXPECT_EQ(section(), Section::dictation);
    EXPECT_TRUE(exits.isEmpty());
}

TEST_F(DelegateTest, TheTaskbarEntryFollowsShowInDockFromLaunchOn) {
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    make().launch();
    delegate->openMain();
    EXPECT_FALSE(delegate->mainWindowIfMade()->inTaskbar());
    Preferences::shared().setShowInDock(true);
    EXPECT_TRUE(delegate->mainWindowIfMade()->inTaskbar());
    Preferences::shared().setShowInDock(false);
    EXPECT_FALSE(delegate->mainWindowIfMade()->inTaskbar());
    delegate.reset();
    // A delegate gone never hears the setting again.
    Preferences::shared().setShowInDock(true);

    test::ControllerStage another;
    another.build();
    AppDelegate::Options options;
    options.clock = &another.clock;
    options.makePane = panes::makePane;
    AppDelegate second(another.controller(), std::move(options));
    second.launch();
    second.openSettings();
    EXPECT_TRUE(second.mainWindowIfMade()->inTaskbar()) << "showInDock on at launch";
}

QStringList logLines() {
    QFile file(DiagnosticLog::url());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST_F(DelegateTest, EveryQuitPathRunsTheOneSequenceOnce) {
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    make().launch();
    stage.loadModels();
    delegate->openMain();
    const int stopsBefore = stage.shortcut->stops;

    actions.quit(); // the floating button's menu
    EXPECT_EQ(exits, QList<int>{0});
    EXPECT_TRUE(delegate->isQuitting());
    EXPECT_GT(stage.shortcut->stops, stopsBefore) << "the controller was shut down";
    EXPECT_TRUE(stage.record->events.contains("drainWriters"));
    const QStringList lines = logLines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.last(), "[tavik] exited cleanly");
    EXPECT_TRUE(lines[lines.size() - 2].endsWith("] quitting"));

    menuItem("Quit Tavik")->trigger();
    delegate->quit();
    EXPECT_EQ(exits, QList<int>{0}) << "a quit during quit does nothing";
    delegate->openSettings();
    EXPECT_NE(section(), Section::settings) << "no window work once quitting";
}

TEST_F(DelegateTest, QtsOwnQuitTakesTheSameWayOutBeforeAnyWindowIsClosed) {
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    make().launch();
    delegate->openMain();
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    EXPECT_EQ(exits, QList<int>{0});
    // Qt would have closed every window first, which a window could read as its user's wish.
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(logLines().last(), "[tavik] exited cleanly");
}

} // namespace
} // namespace tavik
