// The model, shortcut and microphone sections: what each control stores and which controller
// operation follows, against the real settings and a controller over scripted parts.
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/level_meter.h"
#include "app/panes/settings/microphone_section.h"
#include "app/panes/settings/microphone_status_line.h"
#include "app/panes/settings/model_picker.h"
#include "app/panes/settings/settings_buttons.h"
#include "app/panes/settings/shortcut_section.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "platform/audio_transport.h"
#include "platform/defaults_store.h"
#include "tests/panes/settings_pane_support.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

namespace tavik::test {
namespace {

using design::Theme;
using namespace panes::settings;

AudioInputDevice device(std::uint32_t id, const QString& uid, const QString& name,
                        std::uint32_t transport = platform::transport::usb) {
    return AudioInputDevice{id, uid, name, 1, transport};
}

// What a screen reader hears of a single-choice control: a radio button, checked or not.
bool heardAsChosen(QWidget* control) {
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(control);
    EXPECT_NE(spoken, nullptr);
    if (spoken == nullptr) {
        return false;
    }
    EXPECT_EQ(spoken->role(), QAccessible::RadioButton);
    return spoken->state().checked;
}

TEST_F(SettingsPaneTest, ModelRowsFollowTheFilesInTheSearchFolders) {
    accessibility.enabled = true;
    const QString base = QDir(modelsFolder()).filePath(QStringLiteral("ggml-base.en.bin"));
    writeFile(base, 64);
    open();
    auto* picker = view->modelPicker();
    ModelRow* baseRow = picker->rows()[0];
    ModelRow* smallRow = picker->rows()[1];
    EXPECT_EQ(baseRow->text(), QStringLiteral("Fast — base.en"));
    EXPECT_EQ(baseRow->detailText(), QStringLiteral("~46ms · 21.8% WER · 141 MB"));
    EXPECT_TRUE(baseRow->selected());
    EXPECT_TRUE(heardAsChosen(baseRow));
    EXPECT_FALSE(heardAsChosen(smallRow));
    EXPECT_EQ(smallRow->detailText(), QStringLiteral("Not downloaded"));
    EXPECT_DOUBLE_EQ(smallRow->opacity(), 0.45);

    // A model that is not on disk cannot be chosen.
    const std::size_t loadsBefore = stage.loadJobs->size();
    click(smallRow);
    EXPECT_EQ(prefs.model(), SpeechModel::base);
    EXPECT_EQ(stage.loadJobs->size(), loadsBefore);

    // The chosen model reloads, also when it is the one already chosen.
    click(baseRow);
    click(baseRow);
    EXPECT_EQ(stage.loadJobs->size(), loadsBefore + 2);
    EXPECT_TRUE(stage.state().is(dictation::State::Kind::loading));
    EXPECT_EQ(storedDefaults().value("model"), QStringLiteral("ggml-base.en.bin"));

    // The small model appears in the first of the folders (the configured one) and is chosen.
    QTemporaryDir configured;
    writeFile(QDir(configured.path()).filePath(QStringLiteral("ggml-small.en.bin")), 64);
    platform::DefaultsStore::shared().setString(QStringLiteral("modelDirectory"),
                                                configured.path());
    picker->refresh();
    click(smallRow);
    EXPECT_EQ(prefs.model(), SpeechModel::small);
    EXPECT_TRUE(smallRow->selected());
    EXPECT_FALSE(baseRow->selected());
    EXPECT_TRUE(heardAsChosen(smallRow));
    EXPECT_FALSE(heardAsChosen(baseRow));

    // Its file removed: still marked, faded, "Not downloaded", and inert.
    ASSERT_TRUE(QFile::remove(QDir(configured.path()).filePath("ggml-small.en.bin")));
    const std::size_t loadsNow = stage.loadJobs->size();
    view->hide();
    view->show();
    EXPECT_TRUE(smallRow->selected());
    EXPECT_EQ(smallRow->detailText(), QStringLiteral("Not downloaded"));
    click(smallRow);
    EXPECT_EQ(stage.loadJobs->size(), loadsNow);

    // No model anywhere: both rows say so.
    ASSERT_TRUE(QFile::remove(base));
    picker->refresh();
    EXPECT_EQ(baseRow->detailText(), QStringLiteral("Not downloaded"));
    EXPECT_EQ(smallRow->detailText(), QStringLiteral("Not downloaded"));
}

TEST_F(SettingsPaneTest, ShortcutChoicesRewriteOneBindingAndReloadTheShortcut) {
    accessibility.enabled = true;
    prefs.setBindings({{DictationAction::pushToTalk,
                        {TriggerKey::rightCommand, TriggerGesture::doubleTap, true}}});
    open();
    auto* section = view->shortcutSection();
    BindingRow* talk = section->rows()[0];
    BindingRow* free = section->rows()[1];

    // Hands-free has no entry: shown off, "Hold", "Right Alt", controls faded and out of reach.
    EXPECT_FALSE(free->toggle()->isChecked());
    EXPECT_TRUE(free->chips()[0]->selected());
    EXPECT_FALSE(free->chips()[1]->selected());
    EXPECT_EQ(free->keyButton()->title(), QStringLiteral("Right Alt"));
    EXPECT_FALSE(free->controlsRow()->isEnabled());

    const int reloads = stage.shortcut->bindingsApplied;
    click(free->toggle());
    EXPECT_EQ(prefs.bindings().at(DictationAction::handsFree),
              (TriggerBinding{TriggerKey::rightOption, TriggerGesture::hold, true}));
    EXPECT_EQ(stage.shortcut->bindingsApplied, reloads + 1);
    EXPECT_TRUE(free->controlsRow()->isEnabled());

    // The same gesture again still rewrites and reloads.
    click(talk->chips()[1]);
    EXPECT_EQ(stage.shortcut->bindingsApplied, reloads + 2);
    EXPECT_TRUE(heardAsChosen(talk->chips()[1]));
    // Another gesture: the chips and what a screen reader hears of them follow the setting.
    click(talk->chips()[0]);
    EXPECT_EQ(prefs.bindings().at(DictationAction::pushToTalk).gesture, TriggerGesture::hold);
    EXPECT_TRUE(talk->chips()[0]->selected());
    EXPECT_TRUE(heardAsChosen(talk->chips()[0]));
    EXPECT_FALSE(heardAsChosen(talk->chips()[1]));
    click(talk->chips()[1]);
    EXPECT_FALSE(heardAsChosen(talk->chips()[0]));
    EXPECT_EQ(stage.shortcut->bindingsApplied, reloads + 4);

    // A key from the menu.
    click(talk->keyButton());
    QMenu* keys = talk->keyMenu();
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->actions().size(), 15);
    EXPECT_EQ(design::shownMnemonicText(keys->actions().first()->text()),
              QStringLiteral("Right Alt"));
    EXPECT_FALSE(keys->actions().first()->isCheckable());
    item(keys, QStringLiteral("F13"))->trigger();
    EXPECT_EQ(prefs.bindings().at(DictationAction::pushToTalk),
              (TriggerBinding{TriggerKey::f13, TriggerGesture::doubleTap, true}));
    EXPECT_EQ(stage.shortcut->bindingsApplied, reloads + 5);
    EXPECT_EQ(talk->keyButton()->title(), QStringLiteral("F13"));
    keys->close();

    // Both on the same key and gesture: the warning, until either is switched off.
    EXPECT_FALSE(section->conflictWarning()->isVisible());
    prefs.setBinding(DictationAction::handsFree,
                     {TriggerKey::f13, TriggerGesture::doubleTap, true});
    EXPECT_TRUE(section->conflictWarning()->isVisible());
    click(talk->toggle());
    EXPECT_FALSE(section->conflictWarning()->isVisible());
    EXPECT_EQ(prefs.bindings().at(DictationAction::pushToTalk),
              (TriggerBinding{TriggerKey::f13, TriggerGesture::doubleTap, false}));

    // A binding on fn says that it cannot be heard here.
    EXPECT_FALSE(free->unheardNote()->isVisible());
    click(free->keyButton());
    item(free->keyMenu(), QStringLiteral("fn"))->trigger();
    EXPECT_TRUE(free->unheardNote()->isVisible());
    free->keyMenu()->close();

    // Both off: the header says there is no shortcut.
    click(free->toggle());
    EXPECT_FALSE(free->unheardNote()->isVisible());
    EXPECT_EQ(view->modeLine()->text(),
              QStringLiteral("No shortcut set — choose one in Settings."));
}

TEST_F(SettingsPaneTest, TheHandsFreeWaitStepsBetweenItsEndsAndReachesTheDetector) {
    accessibility.enabled = true;
    open();
    auto* section = view->shortcutSection();
    EXPECT_EQ(section->waitValue()->text(), QStringLiteral("700 ms"));
    auto* slider = section->waitSlider();
    clickAt(slider, QPoint(0, slider->height() / 2));
    EXPECT_EQ(prefs.silenceHoldMs(), 300);
    EXPECT_EQ(stage.detector->silenceHoldMs, 300);
    EXPECT_EQ(section->waitValue()->text(), QStringLiteral("300 ms"));
    clickAt(slider, QPoint(slider->width(), slider->height() / 2));
    EXPECT_EQ(prefs.silenceHoldMs(), 1200);
    EXPECT_EQ(stage.detector->silenceHoldMs, 1200);
    EXPECT_EQ(section->waitValue()->text(), QStringLiteral("1200 ms"));
    EXPECT_EQ(storedDefaults().value("silenceHoldMs"), 1200);
}

class SettingsMicrophoneTest : public SettingsPaneTest {
protected:
    void SetUp() override {
        SettingsPaneTest::SetUp();
        accessibility.enabled = true;
        stage.capture->status.devices = {builtIn, headset, loop};
        stage.capture->status.active = builtIn;
        stage.capture->status.planned = builtIn;
        stage.capture->status.systemDefaultName = builtIn.name;
    }
    MicrophoneSection* section() const { return view->microphoneSection(); }

    const AudioInputDevice builtIn =
        device(1, "alsa_input.pci", "Built-in Audio", platform::transport::builtIn);
    const AudioInputDevice headset =
        device(2, "bluez_input.00", "Q&A Headset", platform::transport::bluetooth);
    const AudioInputDevice loop =
        device(3, "loop", "Loopback <i>", platform::transport::virtualDevice);
};

TEST_F(SettingsMicrophoneTest, TheMenuListsFreshDevicesAndMovesCaptureToTheChosenOne) {
    open();
    EXPECT_EQ(section()->menuButton()->title(), QStringLiteral("System default — Built-in Audio"));
    EXPECT_EQ(section()->statusLine()->sentence(), QStringLiteral("Listening on Built-in Audio"));
    EXPECT_TRUE(section()->statusLine()->statusText().live);
    EXPECT_FALSE(section()->note()->isVisible());

    // A device plugged in since: the menu reads the list afresh before it opens.
    const auto usb = device(4, "usb-desk", "Desk\tMic");
    stage.capture->status.devices.append(usb);
    click(section()->menuButton());
    QMenu* menu = section()->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(itemTexts(menu),
              (QStringList{"* System default — Built-in Audio", "---", "# Microphones",
                           "- Built-in Audio", "- Q&A Headset", "- Desk Mic", "---",
                           "# Virtual and loopback", "- Loopback <i>"}));

    const int restarts = stage.capture->restarts;
    item(menu, QStringLiteral("Q&A Headset"))->trigger();
    EXPECT_EQ(prefs.microphoneUID(), headset.uid);
    EXPECT_EQ(prefs.microphoneName(), headset.name);
    EXPECT_EQ(stage.capture->preferredUID, headset.uid);
    EXPECT_EQ(stage.capture->restarts, restarts + 1);
    EXPECT_TRUE(stage.log().contains(QStringLiteral("microphone selected: Q&A Headset")));
    menu->close();

    // Choosing the checked entry again selects it again.
    stage.capture->status.planned = headset;
    click(section()->menuButton());
    menu = section()->menu();
    ASSERT_TRUE(item(menu, QStringLiteral("Q&A Headset"))->isChecked());
    item(menu, QStringLiteral("Q&A Headset"))->trigger();
    EXPECT_EQ(stage.capture->restarts, restarts + 2);
    EXPECT_EQ(section()->menuButton()->title(), QStringLiteral("Q&A Headset"));
    // The Bluetooth note, in the quiet colour.
    ASSERT_TRUE(section()->note()->isVisible());
    EXPECT_TRUE(section()->note()->text().startsWith(
        QStringLiteral("Using a Bluetooth headset's microphone switches the headset into call "
                       "mode")));
    EXPECT_EQ(section()->note()->color(), Theme::silver);
    menu->close();

    // The system default again.
    click(section()->menuButton());
    item(section()->menu(), QStringLiteral("System default — Built-in Audio"))->trigger();
    EXPECT_FALSE(prefs.microphoneUID().has_value());
    EXPECT_FALSE(prefs.microphoneName().has_value());
    EXPECT_TRUE(stage.log().contains(QStringLiteral("microphone selected: system default")));
    section()->menu()->close();
}

TEST_F(SettingsMicrophoneTest, SaysWhenTheChosenDeviceIsGoneOrSilentOrNoneIsThere) {
    open();
    // The chosen headset is unplugged: the default stands in.
    stage.controller().selectMicrophone(headset);
    stage.capture->status.devices = {builtIn};
    stage.capture->status.usingFallback = true;
    stage.controller().refreshMicrophones();
    EXPECT_EQ(section()->menuButton()->title(), QStringLiteral("Q&A Headset (not connected)"));
    ASSERT_TRUE(section()->note()->isVisible());
    EXPECT_EQ(section()->note()->text(),
              QStringLiteral("Q&A Headset isn't connected, so Tavik is using Built-in Audio. It "
                             "switches back on its own when it returns."));
    EXPECT_EQ(section()->note()->color(), Theme::phosphor);

    // Silent outranks the fallback; the dot goes dark but it still says where it listens.
    stage.capture->status.silent = true;
    stage.controller().refreshMicrophones();
    EXPECT_TRUE(section()->note()->text().startsWith(
        QStringLiteral("Built-in Audio is selected but isn't delivering any sound.")));
    EXPECT_EQ(section()->statusLine()->sentence(), QStringLiteral("Listening on Built-in Audio"));
    EXPECT_FALSE(section()->statusLine()->statusText().live);

    // A virtual device planned, nothing capturing.
    stage.capture->status = {};
    stage.capture->status.devices = {loop};
    stage.capture->status.planned = loop;
    stage.controller().refreshMicrophones();
    EXPECT_EQ(section()->statusLine()->sentence(),
              QStringLiteral("Not listening — will use Loopback <i>"));
    EXPECT_EQ(section()->note()->text(),
              QStringLiteral("Loopback <i> is a virtual device — it carries other apps' audio, "
                             "not your voice."));
    EXPECT_FALSE(section()->statusLine()->meter()->isVisible());

    // A name of 300 characters without a space is cut or wrapped, never widening the column.
    const auto endless = device(9, "long", QString(300, QLatin1Char('W')));
    stage.capture->status.devices = {endless};
    stage.capture->status.active = endless;
    stage.capture->status.planned = endless;
    stage.capture->status.silent = true;
    stage.controller().refreshMicrophones();
    view->resize(560, 700);
    QCoreApplication::processEvents();
    EXPECT_LE(view->column()->width(), view->scrollArea()->viewport()->width());
    EXPECT_LE(section()->note()->width(), view->scrollArea()->viewport()->width());

    // Nothing at all.
    stage.capture->status = {};
    stage.controller().refreshMicrophones();
    EXPECT_EQ(section()->statusLine()->sentence(), QStringLiteral("No microphone is connected"));
    EXPECT_FALSE(section()->note()->isVisible());
    EXPECT_FALSE(section()->statusLine()->meter()->isVisible());
    EXPECT_FALSE(section()->statusLine()->meter()->ticking());
}

TEST_F(SettingsMicrophoneTest, TheMeterTicksOnlyWhileCapturingAndOnScreen) {
    stage.capture->level = -30;
    open();
    LevelMeter* meter = section()->statusLine()->meter();
    ASSERT_TRUE(meter->isVisible());
    EXPECT_TRUE(meter->ticking());
    EXPECT_FLOAT_EQ(meter->level(), -30);

    // The bar's width as drawn: count the columns lit by the level, not the track.
    const QImage frame = meter->grab().toImage();
    int lit = 0;
    for (int x = 0; x < frame.width(); ++x) {
        const QColor pixel = frame.pixelColor(x, frame.height() / 2);
        lit += (pixel.alpha() > 200 && pixel.green() > 100) ? 1 : 0;
    }
    EXPECT_NEAR(lit, 44, 1);

    stage.capture->level = 0;
    QTRY_COMPARE_WITH_TIMEOUT(meter->level(), 0.0f, 1000);
    EXPECT_DOUBLE_EQ(meter->barWidth(), 88);

    view->hide();
    EXPECT_FALSE(meter->ticking());
    view->show();
    EXPECT_TRUE(meter->ticking());
    // Minimised, the window still counts as visible; the meter must rest all the same.
    view->showMinimized();
    EXPECT_FALSE(meter->ticking());
    view->showNormal();
    EXPECT_TRUE(meter->ticking());
    stage.capture->status.active.reset();
    stage.controller().refreshMicrophones();
    EXPECT_FALSE(meter->ticking());
}

TEST_F(SettingsMicrophoneTest, KeepingTheMicrophoneReadyStartsAndStopsItAtOnce) {
    open();
    auto* ready = section()->readyToggle();
    EXPECT_TRUE(ready->isChecked());
    ASSERT_TRUE(stage.capture->running);
    const int starts = stage.capture->starts;
    const int stops = stage.capture->stops;

    click(ready);
    EXPECT_FALSE(prefs.micAlwaysReady());
    EXPECT_EQ(storedDefaults().value("micAlwaysReady"), false);
    EXPECT_FALSE(stage.capture->running);
    EXPECT_EQ(stage.capture->stops, stops + 1);

    click(ready);
    EXPECT_TRUE(stage.capture->running);
    EXPECT_EQ(stage.capture->starts, starts + 1);

    // A change from elsewhere moves the switch and neither writes back nor refreshes.
    int refreshes = 0;
    QObject::connect(&stage.controller(), &DictationController::microphoneChanged,
                     [&refreshes] { ++refreshes; });
    prefs.setMicAlwaysReady(false);
    EXPECT_FALSE(ready->isChecked());
    EXPECT_EQ(refreshes, 0);
}

} // namespace
} // namespace tavik::test
