// The shortcut monitor on a real X server: keys injected through XTest from another connection
// reach it as raw events, whatever window has focus.
#include "app/dictation/hotkey_monitor.h"

#include "platform/synthetic_key_ledger.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fixtures.h"
#include "tests/support/hotkey_xtest_keyboard.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

namespace tavik {
namespace {

using test::spinUntil;

struct Report {
    enum Kind { start, holdEnd, escape } kind;
    DictationAction action;
    double seconds;
    bool onMainThread;

    bool operator==(const Report& other) const {
        return kind == other.kind && action == other.action && seconds == other.seconds;
    }
};

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class HotkeyMonitorDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        ASSERT_TRUE(keyboard.isOpen());
        monitor.bindings = {
            {DictationAction::pushToTalk, {TriggerKey::rightOption, TriggerGesture::hold, true}},
            {DictationAction::handsFree,
             {TriggerKey::rightCommand, TriggerGesture::doubleTap, true}}};
        monitor.onStart = [this](DictationAction action) {
            reports.push_back({Report::start, action, 0, onMainThread()});
        };
        monitor.onHoldEnd = [this](DictationAction action, double seconds) {
            reports.push_back({Report::holdEnd, action, seconds, onMainThread()});
        };
        monitor.onEscape = [this] {
            reports.push_back({Report::escape, DictationAction::pushToTalk, 0, onMainThread()});
        };
    }

    bool waitForReports(std::size_t count) {
        return spinUntil([&] { return reports.size() >= count; }, 5000);
    }
    // Escape always reports, and events are handled in order: once its report is in, every key
    // injected before it has been handled, at the fake time of that moment.
    void settle() {
        const std::size_t before = reports.size();
        keyboard.press("ESC");
        keyboard.release("ESC");
        ASSERT_TRUE(waitForReports(before + 1));
        ASSERT_EQ(reports.back(), escapePressed);
        reports.pop_back();
    }

    test::FakeClock clock;
    HotkeyMonitor monitor{clock};
    test::XTestKeyboard keyboard;
    std::vector<Report> reports;
    static const Report escapePressed;
};

const Report HotkeyMonitorDesktopTest::escapePressed{Report::escape, DictationAction::pushToTalk, 0,
                                                     true};
const Report pushToTalkStarted{Report::start, DictationAction::pushToTalk, 0, true};
const Report handsFreeStarted{Report::start, DictationAction::handsFree, 0, true};

Report holdEnded(DictationAction action, double seconds) {
    return {Report::holdEnd, action, seconds, true};
}

TEST_F(HotkeyMonitorDesktopTest, HoldingRightAltReportsStartAndHoldEndOnTheMainThread) {
    ASSERT_TRUE(monitor.start());
    EXPECT_TRUE(monitor.isRunning());
    EXPECT_TRUE(monitor.inputMonitoringGranted());

    keyboard.press("RALT");
    ASSERT_TRUE(waitForReports(1));
    clock.advanceMs(2000);
    keyboard.release("RALT");
    ASSERT_TRUE(waitForReports(2));
    EXPECT_EQ(reports, (std::vector<Report>{pushToTalkStarted,
                                            holdEnded(DictationAction::pushToTalk, 2.0)}));
    EXPECT_TRUE(reports[0].onMainThread);
    EXPECT_TRUE(reports[1].onMainThread);
}

TEST_F(HotkeyMonitorDesktopTest, DoubleTapOfRightSuperStartsHandsFreeOnlyWithinTheWindow) {
    ASSERT_TRUE(monitor.start());
    keyboard.press("RWIN");
    clock.advanceMs(100);
    settle();
    keyboard.release("RWIN");
    clock.advanceMs(200);
    settle();
    keyboard.press("RWIN");
    ASSERT_TRUE(waitForReports(1));
    EXPECT_EQ(reports, std::vector<Report>{handsFreeStarted});

    clock.advanceMs(100);
    settle();
    keyboard.release("RWIN");
    clock.advanceMs(500);
    settle();
    keyboard.press("RWIN");
    keyboard.release("RWIN");
    settle();
    EXPECT_EQ(reports, std::vector<Report>{handsFreeStarted});
}

TEST_F(HotkeyMonitorDesktopTest, F13IsFoundByItsKeyNameThoughTheKeymapGivesItALauncherSymbol) {
    if (keyboard.keycode("FK13") == 0) {
        GTEST_SKIP() << "the test display's keymap has no FK13";
    }
    monitor.bindings[DictationAction::handsFree] = {TriggerKey::f13, TriggerGesture::hold, true};
    ASSERT_TRUE(monitor.start());
    keyboard.press("FK13");
    settle();
    clock.advanceMs(600);
    keyboard.release("FK13");
    ASSERT_TRUE(waitForReports(2));
    EXPECT_EQ(reports,
              (std::vector<Report>{handsFreeStarted, holdEnded(DictationAction::handsFree, 0.6)}));
}

TEST_F(HotkeyMonitorDesktopTest, EscapeReportsOnPressOnlyAndUnboundKeysReportNothing) {
    ASSERT_TRUE(monitor.start());
    // Left Alt, left Super, F13 and V (X keycode 55, the stored code of left Command) are bound
    // to nothing here.
    for (const char* name : {"LALT", "LWIN", "FK13", "AB04"}) {
        if (keyboard.keycode(name) != 0) {
            keyboard.press(name);
            keyboard.release(name);
        }
    }
    keyboard.pressKeycode(55);
    keyboard.releaseKeycode(55);
    keyboard.press("ESC");
    ASSERT_TRUE(waitForReports(1));
    keyboard.release("ESC");
    keyboard.press("RALT");
    ASSERT_TRUE(waitForReports(2));
    keyboard.release("RALT");
    ASSERT_TRUE(waitForReports(3));
    EXPECT_EQ(reports, (std::vector<Report>{escapePressed, pushToTalkStarted,
                                            holdEnded(DictationAction::pushToTalk, 0)}));
}

TEST_F(HotkeyMonitorDesktopTest, KeysStillReachTheFocusedWindowWhileTheMonitorListens) {
    test::FocusedKeyWindow focused;
    ASSERT_TRUE(focused.isOpen());
    ASSERT_TRUE(monitor.start());
    for (const char* name : {"RALT", "FK13", "ESC"}) {
        const unsigned code = keyboard.keycode(name);
        if (code == 0) {
            continue;
        }
        keyboard.press(name);
        keyboard.release(name);
        EXPECT_TRUE(focused.sawPressAndRelease(code, 5000)) << name;
    }
    ASSERT_TRUE(waitForReports(3));
    EXPECT_EQ(reports[0], pushToTalkStarted);
}

TEST_F(HotkeyMonitorDesktopTest, KeysTavikSynthesisesItselfAreNotHeard) {
    auto& ledger = platform::SyntheticKeyLedger::shared();
    const unsigned rightAlt = keyboard.keycode("RALT");
    ASSERT_TRUE(monitor.start());
    ledger.willPost(rightAlt, true);
    ledger.willPost(rightAlt, false);
    keyboard.press("RALT");
    keyboard.release("RALT");
    settle();
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(ledger.pendingNotes(), 0U);

    // The same key from anyone else (a test, a remapping tool) is a shortcut as usual.
    keyboard.press("RALT");
    ASSERT_TRUE(waitForReports(1));
    EXPECT_EQ(reports, std::vector<Report>{pushToTalkStarted});
    keyboard.release("RALT");
    ASSERT_TRUE(waitForReports(2));
}

TEST_F(HotkeyMonitorDesktopTest, AnotherSeatIsHeardAndItsXTestDeviceIsKnownOnceItAppears) {
    ASSERT_TRUE(monitor.start());
    // Added while the monitor runs: its XTest device is new to the monitor.
    test::XTestKeyboard secondSeat;
    ASSERT_TRUE(secondSeat.moveToNewMaster("tavik second seat"));
    auto& ledger = platform::SyntheticKeyLedger::shared();
    const unsigned rightAlt = secondSeat.keycode("RALT");
    ledger.willPost(rightAlt, true);
    ledger.willPost(rightAlt, false);
    secondSeat.press("RALT");
    secondSeat.release("RALT");
    settle();
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(ledger.pendingNotes(), 0U);

    secondSeat.press("RALT");
    ASSERT_TRUE(waitForReports(1));
    secondSeat.release("RALT");
    ASSERT_TRUE(waitForReports(2));
    EXPECT_EQ(reports,
              (std::vector<Report>{pushToTalkStarted, holdEnded(DictationAction::pushToTalk, 0)}));
}

TEST_F(HotkeyMonitorDesktopTest, RestartingListensOnceAndForgetsKeysThatAreDown) {
    ASSERT_TRUE(monitor.start());
    ASSERT_TRUE(monitor.start());
    keyboard.press("RALT");
    settle();
    EXPECT_EQ(reports, std::vector<Report>{pushToTalkStarted});

    // Held across a restart: its release is not reported, its next press is a fresh press.
    ASSERT_TRUE(monitor.start());
    keyboard.release("RALT");
    settle();
    EXPECT_EQ(reports.size(), 1U);
    keyboard.press("RALT");
    settle();
    EXPECT_EQ(reports, (std::vector<Report>{pushToTalkStarted, pushToTalkStarted}));
    keyboard.release("RALT");
    settle();
    ASSERT_EQ(reports.size(), 3U);

    monitor.stop();
    EXPECT_FALSE(monitor.isRunning());
    keyboard.press("RALT");
    keyboard.release("RALT");
    keyboard.press("ESC");
    keyboard.release("ESC");
    EXPECT_FALSE(spinUntil([&] { return reports.size() > 3; }, 300));
}

bool runXkbcomp(const QStringList& arguments) {
    QProcess xkbcomp;
    xkbcomp.start(QStringLiteral("xkbcomp"), arguments);
    return xkbcomp.waitForFinished(20000) && xkbcomp.exitStatus() == QProcess::NormalExit &&
           xkbcomp.exitCode() == 0;
}

// Loads a keymap into the test display for one test and puts the original back afterwards.
class KeymapSwap {
public:
    // Applies each replacement in turn to the current keymap and loads the result.
    bool load(const std::vector<std::pair<QByteArray, QByteArray>>& replacements) {
        const QString display = qEnvironmentVariable("DISPLAY");
        original_ = folder_.filePath("original.xkb");
        if (!runXkbcomp({"-xkb", display, original_})) {
            return false;
        }
        QFile file(original_);
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        QByteArray keymap = file.readAll();
        for (const auto& [from, to] : replacements) {
            if (!keymap.contains(from)) {
                return false;
            }
            keymap.replace(from, to);
        }
        const QString changed = folder_.filePath("changed.xkb");
        QFile out(changed);
        if (!out.open(QIODevice::WriteOnly) || out.write(keymap) != keymap.size()) {
            return false;
        }
        out.close();
        loaded_ = runXkbcomp({"-w", "0", changed, display});
        return loaded_;
    }
    ~KeymapSwap() {
        if (loaded_) {
            runXkbcomp({"-w", "0", original_, qEnvironmentVariable("DISPLAY")});
        }
    }

private:
    QTemporaryDir folder_;
    QString original_;
    bool loaded_ = false;
};

TEST_F(HotkeyMonitorDesktopTest, KeysAreFoundAgainWhenTheKeymapRenamesThem) {
    if (QStandardPaths::findExecutable("xkbcomp").isEmpty()) {
        GTEST_SKIP() << "xkbcomp is not installed";
    }
    const unsigned rightAlt = keyboard.keycode("RALT");
    const unsigned rightControl = keyboard.keycode("RCTL");
    ASSERT_NE(rightAlt, 0U);
    ASSERT_NE(rightControl, 0U);
    ASSERT_TRUE(monitor.start());
    keyboard.pressKeycode(rightControl);
    keyboard.releaseKeycode(rightControl);
    settle();
    EXPECT_TRUE(reports.empty()) << "right Control is bound to nothing";

    // The two keys trade keycodes: right Alt now sits where right Control was.
    const auto definition = [](const char* name, unsigned code) {
        return QByteArray("<") + name + "> = " + QByteArray::number(code) + ";";
    };
    KeymapSwap swap;
    ASSERT_TRUE(swap.load({{definition("RALT", rightAlt), "<RALT> = @;"},
                           {definition("RCTL", rightControl), definition("RCTL", rightAlt)},
                           {"<RALT> = @;", definition("RALT", rightControl)}}));
    keyboard.pressKeycode(rightControl);
    keyboard.releaseKeycode(rightControl);
    ASSERT_TRUE(waitForReports(2));
    EXPECT_EQ(reports,
              (std::vector<Report>{pushToTalkStarted, holdEnded(DictationAction::pushToTalk, 0)}));
}

} // namespace
} // namespace tavik
