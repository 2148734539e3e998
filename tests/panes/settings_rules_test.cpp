// The settings pane's rules on their own: binding rewrites, the microphone texts, the meter.
#include "app/panes/settings/microphone_rules.h"
#include "app/panes/settings/settings_rules.h"
#include "platform/audio_transport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavik::panes::settings {
namespace {

AudioInputDevice device(std::uint32_t id, const QString& uid, const QString& name,
                        std::uint32_t transport = platform::transport::usb) {
    return AudioInputDevice{id, uid, name, 1, transport};
}

TEST(SettingsBindingRewrite, ReplacesExactlyOneFieldOfTheStoredBinding) {
    // No entry: switching on stores right Alt held, enabled.
    EXPECT_EQ(rewrittenBinding(std::nullopt, true),
              (TriggerBinding{TriggerKey::rightOption, TriggerGesture::hold, true}));
    // No entry: a key alone starts from the enabled default.
    EXPECT_EQ(rewrittenBinding(std::nullopt, TriggerKey::f13),
              (TriggerBinding{TriggerKey::f13, TriggerGesture::hold, true}));

    const TriggerBinding stored{TriggerKey::rightCommand, TriggerGesture::doubleTap, true};
    EXPECT_EQ(rewrittenBinding(stored, TriggerGesture::doubleTap), stored);
    const TriggerBinding off = rewrittenBinding(stored, false);
    EXPECT_EQ(off, (TriggerBinding{TriggerKey::rightCommand, TriggerGesture::doubleTap, false}));
    EXPECT_EQ(rewrittenBinding(off, true), stored);
    EXPECT_EQ(rewrittenBinding(stored, TriggerGesture::hold).key, TriggerKey::rightCommand);

    // What a row shows for an action without an entry: off, so it can't be mistaken for armed.
    EXPECT_EQ(displayedBinding({}, DictationAction::handsFree),
              (TriggerBinding{TriggerKey::rightOption, TriggerGesture::hold, false}));
    EXPECT_TRUE(bindsUnheardKey({TriggerKey::fn, TriggerGesture::hold, true}));
    EXPECT_FALSE(bindsUnheardKey({TriggerKey::fn, TriggerGesture::hold, false}));
}

TEST(SettingsSliderValues, GoDownToTheStepBelowAndNeverOverflow) {
    EXPECT_EQ(snappedDown(749.9, 50), 700);
    EXPECT_EQ(snappedDown(750.0, 50), 750);
    EXPECT_EQ(snappedDown(1200, 50), 1200);
    EXPECT_EQ(snappedDown(std::nan(""), 50), 0);
    EXPECT_EQ(snappedDown(std::numeric_limits<double>::infinity(), 50), 0);
    EXPECT_EQ(snappedDown(1e300, 50), 0);
    EXPECT_EQ(usageLine(250, 12999999), QStringLiteral("250 MB · using 12 MB"));
    EXPECT_EQ(usageLine(1000, 5000000000), QStringLiteral("1000 MB · using 5000 MB"));
    EXPECT_EQ(holdLabel(1200), QStringLiteral("1200 ms"));
}

TEST(SettingsMicrophoneMenu, TitlesAndEntriesFollowTheChoiceAndTheDevices) {
    dictation::MicrophoneStatus status;
    EXPECT_EQ(microphoneMenuTitle(status, std::nullopt, std::nullopt),
              QStringLiteral("System default"));
    status.systemDefaultName = QStringLiteral("Built-in Audio");
    EXPECT_EQ(microphoneMenuTitle(status, std::nullopt, std::nullopt),
              QStringLiteral("System default — Built-in Audio"));

    // With no devices at all, "Microphones" still heads its (empty) section.
    auto entries = microphoneMenuEntries(status, std::nullopt);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0].checked);
    EXPECT_FALSE(entries[0].device.has_value());
    EXPECT_TRUE(entries[1].header);
    EXPECT_EQ(entries[1].text, QStringLiteral("Microphones"));

    status.devices = {device(1, "usb-1", "R&D <b>Mic</b>"),
                      device(2, "null", "Loopback", platform::transport::virtualDevice),
                      device(3, "bt", "Headset", platform::transport::bluetooth)};
    EXPECT_EQ(microphoneMenuTitle(status, QStringLiteral("usb-1"), QStringLiteral("old name")),
              QStringLiteral("R&D <b>Mic</b>"));
    EXPECT_EQ(microphoneMenuTitle(status, QStringLiteral("gone"), QStringLiteral("Desk Mic")),
              QStringLiteral("Desk Mic (not connected)"));
    EXPECT_EQ(microphoneMenuTitle(status, QStringLiteral("gone"), std::nullopt),
              QStringLiteral("Chosen microphone (not connected)"));

    entries = microphoneMenuEntries(status, QStringLiteral("bt"));
    QStringList texts;
    for (const auto& entry : entries) {
        texts << (entry.header ? "# " : entry.checked ? "* " : "- ") + entry.text;
    }
    EXPECT_EQ(texts,
              (QStringList{"- System default — Built-in Audio", "# Microphones", "- R&D <b>Mic</b>",
                           "* Headset", "# Virtual and loopback", "- Loopback"}));
    EXPECT_EQ(entries[3].device, status.devices[2]);
}

TEST(SettingsMicrophoneNotes, TheFirstThatAppliesWins) {
    const auto builtIn = device(1, "in", "Built-in", platform::transport::builtIn);
    const auto loop = device(2, "loop", "Loop", platform::transport::virtualDevice);
    const auto headset = device(3, "bt", "Headset", platform::transport::bluetoothLE);
    dictation::MicrophoneStatus status;
    status.devices = {builtIn, loop, headset};
    status.active = loop;
    status.planned = loop;
    status.silent = true;
    status.usingFallback = true;
    const auto noteText = [&] {
        const auto note = microphoneNote(status, std::nullopt);
        return note ? note->text.section(QLatin1Char(' '), 0, 2) : QStringLiteral("none");
    };

    // Silent, then the fallback, then virtual, then Bluetooth (the only quiet one), then none.
    EXPECT_EQ(noteText(), QStringLiteral("Loop is selected"));
    status.silent = false;
    EXPECT_EQ(noteText(), QStringLiteral("Your chosen microphone"));
    status.usingFallback = false;
    EXPECT_EQ(noteText(), QStringLiteral("Loop is a"));
    status.planned = headset;
    EXPECT_EQ(noteText(), QStringLiteral("Using a Bluetooth"));
    EXPECT_FALSE(microphoneNote(status, std::nullopt)->warning);
    EXPECT_TRUE(microphoneNote(status, std::nullopt)
                    ->text.contains(QStringLiteral("With \"Keep the microphone ready\" on")));
    status.planned = builtIn;
    EXPECT_EQ(noteText(), QStringLiteral("none"));
    // A silent device that is not capturing says nothing of silence.
    status.active.reset();
    status.silent = true;
    EXPECT_EQ(noteText(), QStringLiteral("none"));
    EXPECT_EQ(microphoneStatusText(status).lead, QStringLiteral("Not listening — will use "));
}

TEST(SettingsLevelMeter, MapsDecibelsOntoTheTrack) {
    EXPECT_DOUBLE_EQ(meterLevelWidth(-70, 88), 2);
    EXPECT_DOUBLE_EQ(meterLevelWidth(-60, 88), 2);
    EXPECT_DOUBLE_EQ(meterLevelWidth(-30, 88), 44);
    EXPECT_DOUBLE_EQ(meterLevelWidth(0, 88), 88);
    EXPECT_DOUBLE_EQ(meterLevelWidth(6, 88), 88);
    EXPECT_DOUBLE_EQ(meterLevelWidth(std::nanf(""), 88), 2);
    EXPECT_DOUBLE_EQ(meterLevelWidth(-std::numeric_limits<float>::infinity(), 88), 2);
    EXPECT_DOUBLE_EQ(meterLevelWidth(std::numeric_limits<float>::infinity(), 88), 88);
}

} // namespace
} // namespace tavik::panes::settings
