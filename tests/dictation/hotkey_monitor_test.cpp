// How the shortcut monitor hands its reports to the owner: queued, in order, to the callback of
// the moment, and never after the monitor is gone. The keyboard is replaced here by a scripted
// source so a test can act between an event and its queued report; the X11 source itself is
// exercised against a real X server in hotkey_monitor_desktop_test.cpp.
#include "app/dictation/hotkey_monitor.h"

#include "app/dictation/hotkey_keys.h"
#include "app/stores/diagnostic_log.h"
#include "platform/linux/x11_raw_keys_source.h"
#include "tests/support/fake_clock.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tavik {
namespace {

class ScriptedKeySource final : public platform::RawKeySource {
public:
    bool start(const QList<QByteArray>& keyNames, Sink sink) override {
        ++starts;
        names = keyNames;
        if (refuse) {
            return false;
        }
        sink_ = std::move(sink);
        return true;
    }
    void stop() override { sink_ = nullptr; }
    bool isRunning() const override { return static_cast<bool>(sink_); }
    bool hearsOtherApplications() const override { return !refuse; }

    void send(const char* name, bool pressed) {
        if (sink_) {
            sink_(platform::RawKeyEvent{name, pressed});
        }
    }

    bool refuse = false;
    int starts = 0;
    QList<QByteArray> names;

private:
    Sink sink_;
};

class HotkeyMonitorTest : public ::testing::Test {
protected:
    HotkeyMonitorTest() {
        auto owned = std::make_unique<ScriptedKeySource>();
        source = owned.get();
        monitor = std::make_unique<HotkeyMonitor>(clock, std::move(owned));
        monitor->bindings = {
            {DictationAction::pushToTalk, {TriggerKey::rightOption, TriggerGesture::hold, true}},
            {DictationAction::handsFree,
             {TriggerKey::rightCommand, TriggerGesture::doubleTap, true}}};
        monitor->onStart = [this](DictationAction action) {
            log.push_back(action == DictationAction::pushToTalk ? "start pushToTalk"
                                                                : "start handsFree");
        };
        monitor->onHoldEnd = [this](DictationAction, double seconds) {
            log.push_back("holdEnd " + std::to_string(seconds));
        };
        monitor->onEscape = [this] {
            log.push_back("escape");
        };
    }

    static void runQueued() { QCoreApplication::processEvents(); }

    test::FakeClock clock;
    ScriptedKeySource* source = nullptr;
    std::unique_ptr<HotkeyMonitor> monitor;
    std::vector<std::string> log;
};

TEST_F(HotkeyMonitorTest, ListensForEveryTriggerKeyX11CanSeeAndEscape) {
    ASSERT_TRUE(monitor->start());
    EXPECT_TRUE(monitor->isRunning());
    const QList<QByteArray> expected{"RALT", "LALT", "RWIN", "LWIN", "RCTL", "RTSH", "FK05", "FK13",
                                     "FK14", "FK15", "FK16", "FK17", "FK18", "FK19", "ESC"};
    EXPECT_EQ(source->names, expected);
}

TEST_F(HotkeyMonitorTest, ReportsAreQueuedAndRunInEventOrder) {
    ASSERT_TRUE(monitor->start());
    source->send("RALT", true);
    source->send("ESC", true);
    source->send("ESC", false);
    clock.advanceMs(1500);
    source->send("RALT", false);
    EXPECT_TRUE(log.empty()) << "a report ran inside the key handler";
    runQueued();
    EXPECT_EQ(log, (std::vector<std::string>{"start pushToTalk", "escape", "holdEnd 1.500000"}));
}

TEST_F(HotkeyMonitorTest, AQueuedReportCallsTheCallbackInstalledWhenItRuns) {
    ASSERT_TRUE(monitor->start());
    source->send("RALT", true);
    monitor->onStart = [this](DictationAction action) {
        log.push_back(action == DictationAction::pushToTalk ? "new start pushToTalk" : "?");
    };
    runQueued();
    EXPECT_EQ(log, std::vector<std::string>{"new start pushToTalk"});
}

TEST_F(HotkeyMonitorTest, ReportsQueuedBeforeTheMonitorIsGoneAreDropped) {
    ASSERT_TRUE(monitor->start());
    source->send("RALT", true);
    source->send("ESC", true);
    monitor.reset();
    runQueued();
    EXPECT_TRUE(log.empty());
}

TEST_F(HotkeyMonitorTest, ARefusedStartLeavesTheMonitorStopped) {
    source->refuse = true;
    EXPECT_FALSE(monitor->start());
    EXPECT_FALSE(monitor->isRunning());
    EXPECT_FALSE(monitor->inputMonitoringGranted());
}

TEST_F(HotkeyMonitorTest, KeysOfOtherNamesAndTheStoredMacKeyCodesAreIgnored) {
    ASSERT_TRUE(monitor->start());
    for (const char* name : {"AB04", "LCTL", "55", "61", "fn", ""}) {
        source->send(name, true);
        source->send(name, false);
    }
    runQueued();
    EXPECT_TRUE(log.empty());
}

QByteArray diagnosticLog() {
    QFile file(DiagnosticLog::url());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(HotkeyMonitorTest, ABindingOnFnIsLoggedOnceWhenSetAsItCanNeverFire) {
    const QByteArray line = "hotkey: fn cannot be heard on X11 — a shortcut on it never fires";
    const qsizetype before = diagnosticLog().count(line);
    monitor->bindings[DictationAction::handsFree] = {TriggerKey::fn, TriggerGesture::doubleTap,
                                                     true};
    monitor->start();
    monitor->start();
    EXPECT_EQ(diagnosticLog().count(line), before + 1);

    monitor->bindings[DictationAction::handsFree].enabled = false;
    monitor->start();
    monitor->bindings[DictationAction::handsFree].enabled = true;
    monitor->start();
    EXPECT_EQ(diagnosticLog().count(line), before + 2);
}

TEST(HotkeyKeys, EveryTriggerKeyButFnHasItsOwnXkbName) {
    QList<QByteArray> seen;
    for (const TriggerKey key : allCases<TriggerKey>()) {
        const QByteArray name = xkbKeyName(key);
        if (key == TriggerKey::fn) {
            EXPECT_TRUE(name.isEmpty());
            continue;
        }
        EXPECT_FALSE(seen.contains(name)) << name.constData();
        seen.append(name);
        EXPECT_EQ(triggerKeyWithXkbName(name), key) << name.constData();
    }
    EXPECT_EQ(xkbKeyName(TriggerKey::rightOption), "RALT");
    EXPECT_EQ(xkbKeyName(TriggerKey::leftCommand), "LWIN");
    EXPECT_EQ(xkbKeyName(TriggerKey::f5), "FK05");
    EXPECT_EQ(triggerKeyWithXkbName("ESC"), std::nullopt);
    EXPECT_EQ(triggerKeyWithXkbName(""), std::nullopt);
}

TEST(X11RawKeys, StartFailsCleanlyWhenNoXServerAnswers) {
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":987");
    platform::x11::RawKeys source;
    int events = 0;
    const bool started = source.start({"RALT"}, [&](const platform::RawKeyEvent&) { ++events; });
    const bool hears = source.hearsOtherApplications();
    qputenv("DISPLAY", saved);
    EXPECT_FALSE(started);
    EXPECT_FALSE(source.isRunning());
    EXPECT_FALSE(hears);
    EXPECT_EQ(events, 0);
}

} // namespace
} // namespace tavik
