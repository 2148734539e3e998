// The settings pane's frame, permissions and general switches, against the real settings and
// audio archive in the test's own HOME.
#include "app/panes/settings/general_sections.h"
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/permissions_card.h"
#include "app/panes/settings/settings_section.h"
#include "app/panes/settings/status_pill.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "app/stores/audio_store.h"
#include "platform/activation_policy.h"
#include "tests/panes/settings_pane_support.h"

#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace tavik::test {
namespace {

using design::Theme;
using panes::settings::SettingsSection;

// The toggle whose label is `text`, anywhere in the pane.
design::TavikToggle* toggleNamed(QWidget* pane, const QString& text) {
    for (auto* toggle : pane->findChildren<design::TavikToggle*>()) {
        if (toggle->text() == text) {
            return toggle;
        }
    }
    return nullptr;
}

TEST_F(SettingsPaneTest, FramesSixSectionsUnderAFixedHeaderThatFollowsTheController) {
    accessibility.enabled = true;
    open(QSize(640, 500));

    QStringList titles;
    for (SettingsSection* section : view->sections()) {
        titles << section->titleLabel()->text();
        EXPECT_EQ(section->titleLabel()->font().letterSpacing(), 0);
        EXPECT_EQ(section->titleLabel()->font().pixelSize(), 10);
    }
    EXPECT_EQ(titles, (QStringList{"MODEL", "SHORTCUT", "APPEARANCE", "FEEDBACK", "AUDIO HISTORY",
                                   "MICROPHONE"}));
    // Nothing missing: no card and no gap where it would be.
    EXPECT_TRUE(view->permissionsCard()->isHidden());
    EXPECT_EQ(view->sections().first()->mapTo(view->column(), QPoint(0, 0)), QPoint(20, 20));

    EXPECT_EQ(view->modeLine()->text(),
              QStringLiteral("hold Right Alt to talk · double-tap Right Super for hands-free"));
    EXPECT_EQ(view->pill()->text(), QStringLiteral("Ready"));
    EXPECT_EQ(view->pill()->color(), Theme::mist);
    stage.press(dictation::Action::pushToTalk);
    EXPECT_EQ(view->pill()->text(), QStringLiteral("Listening"));
    EXPECT_EQ(view->pill()->color(), Theme::phosphor);
    stage.speak(1.0);
    stage.release(1.0);
    EXPECT_EQ(view->pill()->text(), QStringLiteral("Working"));
    stage.runJobs();
    stage.capture->startError = Error{QStringLiteral("Tavik"), 10, QStringLiteral("No device")};
    stage.capture->running = false;
    stage.capture->healthy = false;
    stage.press(dictation::Action::pushToTalk);
    ASSERT_TRUE(stage.state().is(dictation::State::Kind::failed));
    EXPECT_EQ(view->pill()->text(), QStringLiteral("Problem"));
    EXPECT_EQ(view->pill()->color(), Theme::phosphor);

    // The header stays put while the column scrolls beneath it.
    EXPECT_FALSE(view->scrollArea()->isAncestorOf(view->header()));
    const QRect headerBefore = placeOf(view->header());
    QScrollBar* bar = view->scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the column should be taller than a 500 px pane";
    bar->setValue(bar->maximum());
    EXPECT_EQ(placeOf(view->header()), headerBefore);
    EXPECT_LT(view->sections().first()->mapTo(view.get(), QPoint(0, 0)).y(), headerBefore.top());

    // The mode line follows the bindings it describes.
    prefs.setBinding(DictationAction::handsFree,
                     {TriggerKey::rightCommand, TriggerGesture::doubleTap, false});
    EXPECT_EQ(view->modeLine()->text(), QStringLiteral("hold Right Alt to talk"));
}

TEST_F(SettingsPaneTest, AsksForAccessibilityUntilReCheckFindsItOn) {
    accessibility.enabled = false;
    open();
    auto* card = view->permissionsCard();
    ASSERT_TRUE(card->isVisible());
    EXPECT_TRUE(card->accessibilityRow()->isVisible());
    EXPECT_EQ(card->recheckButton()->text(), QStringLiteral("Re-check"));
    EXPECT_LT(placeOf(card).top(), placeOf(view->sections().first()).top());

    // "Open" asks the desktop to switch accessibility on; the card waits for "Re-check".
    click(card->openButton());
    EXPECT_EQ(accessibility.enableRequests, 1);
    accessibility.enabled = true;
    QCoreApplication::processEvents();
    EXPECT_TRUE(card->isVisible());
    click(card->recheckButton());
    EXPECT_FALSE(card->isVisible());
    EXPECT_TRUE(view->permissions().axGranted());

    // A pane made later reads afresh.
    accessibility.enabled = false;
    closePane();
    permissions = std::make_unique<panes::settings::PermissionsModel>(accessibility);
    EXPECT_FALSE(permissions->axGranted());
    EXPECT_TRUE(permissions->micGranted());
}

TEST_F(SettingsPaneTest, SwitchesWriteTheirSettingsOnlyWhenTheUserFlipsThem) {
    accessibility.enabled = true;
    open();
    auto* taskbar = toggleNamed(view.get(), QStringLiteral("Show in the taskbar"));
    auto* orb = toggleNamed(view.get(), QStringLiteral("Show the floating button"));
    auto* sounds = toggleNamed(view.get(), QStringLiteral("Play sounds"));
    ASSERT_TRUE(taskbar && orb && sounds);
    EXPECT_FALSE(taskbar->isChecked());
    EXPECT_TRUE(orb->isChecked());
    // Each visit shows the switches where they stand, none sliding in from off.
    for (auto* toggle : view->findChildren<design::TavikToggle*>()) {
        EXPECT_EQ(toggle->progress(), toggle->isChecked() ? 1.0 : 0.0)
            << toggle->text().toStdString();
    }

    click(taskbar);
    click(orb);
    click(sounds);
    const QJsonObject stored = storedDefaults();
    EXPECT_EQ(stored.value("showInDock"), true);
    EXPECT_EQ(stored.value("showOrb"), false);
    EXPECT_EQ(stored.value("playSounds"), false);
    EXPECT_EQ(platform::ActivationPolicyHook::shared().requested(),
              platform::ActivationPolicy::regular);

    // A change made elsewhere moves the switch and writes nothing back.
    QSignalSpy orbWrites(&prefs, &Preferences::showOrbChanged);
    prefs.setShowOrb(true);
    EXPECT_TRUE(orb->isChecked());
    EXPECT_EQ(orbWrites.count(), 1);

    // The notes: the taskbar and the floating button have one, "Play sounds" none.
    const auto notes = view->findChildren<design::WrappingLabel*>();
    const auto hasNote = [&](const QString& start) {
        return std::any_of(notes.begin(), notes.end(),
                           [&](auto* note) { return note->text().startsWith(start); });
    };
    EXPECT_TRUE(hasNote(QStringLiteral("The tray icon can go missing")));
    EXPECT_TRUE(hasNote(QStringLiteral("A small circle you can click to dictate.")));
    EXPECT_EQ(sounds->parentWidget(), view->sections()[3]);
}

TEST_F(SettingsPaneTest, TurningAudioOffDeletesTheArchiveOnceAndHidesTheBudget) {
    accessibility.enabled = true;
    AudioStore& archive = AudioStore::shared();
    writeFile(archive.url(QUuid::createUuid()), 999999);
    open();
    auto* audio = view->audioHistorySection();
    EXPECT_EQ(audio->usage()->text(), QStringLiteral("250 MB · using 0 MB"));

    // A dictation ends with one more byte in the archive: the figure is read again.
    writeFile(archive.url(QUuid::createUuid()), 1);
    stage.press(dictation::Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_EQ(audio->usage()->text(), QStringLiteral("250 MB · using 1 MB"));

    // The budget slider's ends and steps.
    auto* slider = audio->budgetSlider();
    clickAt(slider, QPoint(0, slider->height() / 2));
    EXPECT_EQ(prefs.audioBudgetMB(), 50);
    clickAt(slider, QPoint(slider->width(), slider->height() / 2));
    EXPECT_EQ(prefs.audioBudgetMB(), 1000);
    EXPECT_EQ(storedDefaults().value("audioBudgetMB"), 1000);
    EXPECT_EQ(audio->usage()->text(), QStringLiteral("1000 MB · using 1 MB"));

    click(audio->keepToggle());
    EXPECT_FALSE(prefs.keepAudio());
    EXPECT_FALSE(audio->budgetRows()->isVisible());
    EXPECT_EQ(archive.totalBytes(), 0);

    // Other settings changing later must not repeat the deletion of what is recorded since.
    writeFile(archive.url(QUuid::createUuid()), 4000);
    prefs.setPlaySounds(false);
    prefs.setShowOrb(false);
    EXPECT_EQ(archive.totalBytes(), 4000);

    click(audio->keepToggle());
    EXPECT_TRUE(audio->budgetRows()->isVisible());
    EXPECT_EQ(audio->budgetSlider()->value(), 1000);
    EXPECT_EQ(storedDefaults().value("keepAudio"), true);
}

} // namespace
} // namespace tavik::test
