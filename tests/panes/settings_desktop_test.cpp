// The settings pane on the test desktop: the real accessibility switch on the session bus, and
// the real sound server's microphones behind a real controller.
#include "app/dictation/dictation_wiring.h"
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/level_meter.h"
#include "app/panes/settings/microphone_section.h"
#include "app/panes/settings/microphone_status_line.h"
#include "app/panes/settings/permissions_card.h"
#include "app/panes/settings/permissions_model.h"
#include "app/panes/settings/settings_buttons.h"
#include "app/panes/settings/settings_view.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/stores/preferences.h"
#include "platform/accessibility.h"
#include "tests/support/audio_desktop.h"
#include "tests/support/controller_harness.h"
#include "tests/support/fixtures.h"

#include <QMenu>
#include <QTest>

#include <cmath>

namespace tavik::test {
namespace {

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

TEST(SettingsDesktop, ThePermissionsCardFollowsTheDesktopsAccessibilitySwitch) {
    TAVIK_REQUIRE_DESKTOP();
    ASSERT_TRUE(setAccessibilitySwitch(false));
    QWidget window;
    panes::settings::PermissionsModel permissions(platform::Accessibility::system());
    EXPECT_FALSE(permissions.axGranted());
    auto* card = new panes::settings::PermissionsCard(permissions, &window);
    window.show();
    ASSERT_TRUE(card->isVisible());

    // "Open" turns the switch on; the card goes on "Re-check".
    click(card->openButton());
    EXPECT_TRUE(card->isVisible());
    click(card->recheckButton());
    EXPECT_TRUE(permissions.axGranted());
    EXPECT_FALSE(card->isVisible());

    ASSERT_TRUE(setAccessibilitySwitch(false));
    click(card->recheckButton());
    EXPECT_TRUE(card->isVisible());
    ASSERT_TRUE(setAccessibilitySwitch(true));
}

QStringList shownItems(QMenu* menu) {
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            items << design::shownMnemonicText(action->text());
        }
    }
    return items;
}

std::vector<float> tone(double seconds) {
    std::vector<float> samples(std::size_t(seconds * 16000));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.3f * float(std::sin(2 * M_PI * 440 * double(i) / 16000));
    }
    return samples;
}

TEST(SettingsDesktop, TheMicrophoneMenuMovesCaptureBetweenTheServersSources) {
    TAVIK_REQUIRE_DESKTOP();
    PipeMicrophone desk(QStringLiteral("tavik_settings_desk"));
    // A filter and a null source both servers can make.
    PulseModule filter(QStringLiteral("module-remap-source"),
                       {QStringLiteral("source_name=tavik_settings_filter"),
                        QStringLiteral("master=tavik_pipe"),
                        QStringLiteral("source_properties=device.description=Filter-Input")});
    const auto silence = loadNullSource(QStringLiteral("tavik_settings_null"), 1, 16000,
                                        QStringLiteral("mono"), QStringLiteral("Null-Input"));
    ASSERT_TRUE(desk.loaded());
    ASSERT_TRUE(filter.loaded());
    ASSERT_TRUE(silence->loaded());

    ControllerStage stage;
    stage.realQueues = true;
    stage.preferences = &Preferences::shared();
    stage.makeAudio = [] {
        return dictation::makeCaptureEngine();
    };
    stage.start(false);
    panes::settings::PermissionsModel permissions(platform::Accessibility::system());
    panes::settings::SettingsView view(Preferences::shared(), stage.controller(), &permissions);
    view.resize(640, 900);
    view.show();
    auto* section = view.microphoneSection();

    click(section->menuButton());
    QMenu* menu = section->menu();
    ASSERT_NE(menu, nullptr);
    QStringList items = shownItems(menu);
    EXPECT_TRUE(items.contains(QStringLiteral("Tavik-Test-Microphone")))
        << items.join(" | ").toStdString();
    EXPECT_TRUE(items.contains(QStringLiteral("tavik_settings_desk")));
    // A filter over another source and a null source are virtual, listed under their own
    // heading; the null sink's monitor is no microphone at all.
    const auto virtualHeading = items.indexOf(QStringLiteral("Virtual and loopback"));
    EXPECT_GT(items.indexOf(QStringLiteral("Filter-Input")), virtualHeading);
    EXPECT_GT(items.indexOf(QStringLiteral("Null-Input")), virtualHeading);
    EXPECT_LT(items.indexOf(QStringLiteral("tavik_settings_desk")), virtualHeading);
    for (const QString& item : items) {
        EXPECT_FALSE(item.startsWith(QStringLiteral("Monitor of"))) << item.toStdString();
    }

    // Choosing the desk microphone moves capture there.
    for (QAction* action : menu->actions()) {
        if (design::shownMnemonicText(action->text()) == QStringLiteral("tavik_settings_desk")) {
            action->trigger();
        }
    }
    menu->close();
    QTRY_COMPARE_WITH_TIMEOUT(section->statusLine()->sentence(),
                              QStringLiteral("Listening on tavik_settings_desk"), 10000);

    // The meter moves while sound comes through the chosen source.
    auto* meter = section->statusLine()->meter();
    {
        MicFeeder feeder(desk.fifo(), tone(2.0));
        QTRY_VERIFY_WITH_TIMEOUT(meter->level() > -40, 5000);
    }

    // Unplugged: capture falls back to the system default, and the note says so.
    desk.unload();
    QTRY_VERIFY_WITH_TIMEOUT(section->note()->isVisible(), 10000);
    EXPECT_EQ(section->note()->text(),
              QStringLiteral("tavik_settings_desk isn't connected, so Tavik is using "
                             "Tavik-Test-Microphone. It switches back on its own when it "
                             "returns."));
    EXPECT_EQ(section->menuButton()->title(),
              QStringLiteral("tavik_settings_desk (not connected)"));
    stage.controller().shutdown();
}

// The sound server's record streams, one line each.
QString recordStreams() {
    return pactl({"list", "short", "source-outputs"}).value_or(QString());
}

TEST(SettingsDesktop, WithoutAReadyMicrophoneTheSectionShowsCaptureOnlyWhileItRuns) {
    TAVIK_REQUIRE_DESKTOP();
    Preferences::shared().setMicAlwaysReady(false);
    ControllerStage stage;
    stage.realQueues = true;
    stage.preferences = &Preferences::shared();
    stage.makeAudio = [] {
        return dictation::makeCaptureEngine();
    };
    stage.start();
    QTRY_VERIFY_WITH_TIMEOUT(stage.state().is(dictation::State::Kind::idle), 10000);
    panes::settings::PermissionsModel permissions(platform::Accessibility::system());
    panes::settings::SettingsView view(Preferences::shared(), stage.controller(), &permissions);
    view.resize(640, 900);
    view.show();
    auto* line = view.microphoneSection()->statusLine();
    auto* meter = line->meter();
    const QString waiting = QStringLiteral("Not listening — will use Tavik-Test-Microphone");
    const QString listening = QStringLiteral("Listening on Tavik-Test-Microphone");
    EXPECT_EQ(line->sentence(), waiting);

    // A dictation opens the microphone: the dot lights and the meter follows the voice.
    stage.press(dictation::Action::pushToTalk);
    QTRY_COMPARE_WITH_TIMEOUT(line->sentence(), listening, 10000);
    EXPECT_FALSE(recordStreams().isEmpty());
    EXPECT_TRUE(line->statusText().live);
    EXPECT_TRUE(meter->isVisible());
    {
        MicFeeder feeder(desktopMicFifo(), tone(1.0));
        QTRY_VERIFY_WITH_TIMEOUT(meter->level() > -40, 5000);
    }

    // Its end closes the microphone, and the section says so at once: not only once the sound
    // server happens to report the source idle (some servers never do).
    stage.release(1.0);
    QTRY_VERIFY_WITH_TIMEOUT(stage.log().join('\n').contains("end of utterance"), 5000);
    EXPECT_TRUE(recordStreams().isEmpty()) << recordStreams().toStdString();
    EXPECT_EQ(line->sentence(), waiting);
    EXPECT_FALSE(line->statusText().live) << "the dot stays lit";
    EXPECT_FALSE(meter->isVisible());
    EXPECT_FALSE(meter->ticking()) << "the meter keeps moving";
    QTest::qWait(300);
    EXPECT_EQ(line->sentence(), waiting);
    stage.controller().shutdown();
}

} // namespace
} // namespace tavik::test
