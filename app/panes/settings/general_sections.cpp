#include "app/panes/settings/general_sections.h"

#include "app/dictation/dictation_controller.h"
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/settings_rules.h"
#include "app/panes/settings/settings_section.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "app/stores/audio_store.h"
#include "app/stores/preferences.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

namespace {

constexpr qint64 budgetStep = 50;

// A switch on one Boolean setting. It writes only when the user flips it; a change made
// elsewhere moves the switch without writing back (writing false to "keepAudio" deletes the
// archive, so an echo would do it again).
design::TavikToggle* boundToggle(const QString& text, Preferences& prefs,
                                 bool (Preferences::*get)() const, void (Preferences::*set)(bool),
                                 void (Preferences::*changed)(bool), QWidget* parent) {
    auto* toggle = new design::TavikToggle(text, parent);
    toggle->setChecked((prefs.*get)());
    QObject::connect(toggle, &QAbstractButton::clicked, &prefs,
                     [&prefs, set](bool on) { (prefs.*set)(on); });
    QObject::connect(&prefs, changed, toggle, [toggle](bool on) { toggle->setChecked(on); });
    return toggle;
}

QWidget* stack(int spacing, QWidget* parent) {
    auto* holder = new QWidget(parent);
    design::tightColumn(holder, spacing);
    return holder;
}

design::WrappingLabel* note(const QString& text, QWidget* parent) {
    return new design::WrappingLabel(text, Theme::font(10), Theme::silver, parent);
}

} // namespace

void fillAppearance(SettingsSection& section, Preferences& preferences) {
    QWidget* content = stack(4, &section);
    auto* column = static_cast<QVBoxLayout*>(content->layout());
    column->addWidget(boundToggle(QStringLiteral("Show in the taskbar"), preferences,
                                  &Preferences::showInDock, &Preferences::setShowInDock,
                                  &Preferences::showInDockChanged, content),
                      0, Qt::AlignLeft);
    column->addWidget(note(QStringLiteral("The tray icon can go missing: some desktops show no "
                                          "tray icons without an extension. A taskbar entry is "
                                          "easier to find."),
                           content));
    section.addContent(content);
}

void fillFeedback(SettingsSection& section, Preferences& preferences) {
    QWidget* orb = stack(4, &section);
    auto* column = static_cast<QVBoxLayout*>(orb->layout());
    column->addWidget(boundToggle(QStringLiteral("Show the floating button"), preferences,
                                  &Preferences::showOrb, &Preferences::setShowOrb,
                                  &Preferences::showOrbChanged, orb),
                      0, Qt::AlignLeft);
    column->addWidget(note(QStringLiteral("A small circle you can click to dictate. While you "
                                          "speak it ripples with your voice. Drag it anywhere; it "
                                          "stays where you put it."),
                           orb));
    section.addContent(orb);
    section.addContent(boundToggle(QStringLiteral("Play sounds"), preferences,
                                   &Preferences::playSounds, &Preferences::setPlaySounds,
                                   &Preferences::playSoundsChanged, &section),
                       Qt::AlignLeft);
}

//  (●) Keep the audio of each dictation
//      Keep at most ……………………… 250 MB · using 12 MB     (only while kept)
//      [━━━━━━━○──────────────]
//      Lets you play back what you actually said, …
AudioHistorySection::AudioHistorySection(Preferences& preferences, DictationController& controller,
                                         AudioStore& archive, QWidget* parent)
    : QWidget(parent), prefs_(preferences), archive_(archive) {
    auto* column = design::tightColumn(this, 6);
    keep_ = boundToggle(QStringLiteral("Keep the audio of each dictation"), prefs_,
                        &Preferences::keepAudio, &Preferences::setKeepAudio,
                        &Preferences::keepAudioChanged, this);
    column->addWidget(keep_, 0, Qt::AlignLeft);

    budget_ = stack(6, this);
    auto* rows = static_cast<QVBoxLayout*>(budget_->layout());
    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(design::makeText(QStringLiteral("Keep at most"), Theme::font(11, QFont::Normal),
                                     Theme::label, budget_));
    head->addStretch(1);
    usage_ = design::makeText(QString(), Theme::font(11, QFont::Normal), Theme::silver, budget_);
    head->addWidget(usage_);
    rows->addLayout(head);
    slider_ = new design::TavikSlider(50, 1000, double(budgetStep), budget_);
    slider_->setAccessibleName(QStringLiteral("Keep at most"));
    rows->addWidget(slider_);
    column->addWidget(budget_);

    column->addWidget(note(QStringLiteral("Lets you play back what you actually said, which is "
                                          "the only way to settle whether it misheard you or you "
                                          "mumbled. Roughly 32KB per second; the oldest are "
                                          "deleted past the limit. Recordings stay on this "
                                          "machine."),
                           this));

    connect(slider_, &design::TavikSlider::valueEdited, this,
            [this](double value) { prefs_.setAudioBudgetMB(snappedDown(value, budgetStep)); });
    connect(&prefs_, &Preferences::changed, this, &AudioHistorySection::refresh);
    // A finished dictation adds to the archive; its state change is the cue to look again.
    connect(&controller, &DictationController::stateChanged, this, &AudioHistorySection::refresh);
    refresh();
}

void AudioHistorySection::refresh() {
    budget_->setVisible(prefs_.keepAudio());
    if (!prefs_.keepAudio()) {
        return;
    }
    usage_->setText(usageLine(prefs_.audioBudgetMB(), archive_.totalBytes()));
    slider_->setValue(double(prefs_.audioBudgetMB()));
}

} // namespace tavik::panes::settings
