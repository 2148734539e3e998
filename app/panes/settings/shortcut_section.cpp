#include "app/panes/settings/shortcut_section.h"

#include "app/dictation/dictation_controller.h"
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/settings_buttons.h"
#include "app/panes/settings/settings_rules.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/menu_appearance.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "app/stores/preferences.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

namespace {
constexpr int controlsIndent = 26; // under the title, past the switch
constexpr qint64 waitStep = 50;
const QString warningGlyph = QStringLiteral("exclamationmark.triangle.fill");
} // namespace

//  (●)  Push to talk
//       Speak while the key is down; the text appears when you let go.
//       [Hold] [Double-tap] [Right Alt    ⌄]
BindingRow::BindingRow(DictationAction action, Preferences& preferences,
                       DictationController& controller, QWidget* parent)
    : QWidget(parent), action_(action), prefs_(preferences), controller_(controller) {
    auto* column = design::tightColumn(this, 6);

    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    toggle_ = new design::TavikToggle(QString(), this);
    toggle_->setAccessibleName(title(action_));
    head->addWidget(toggle_, 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    titles->addWidget(
        design::makeText(title(action_), Theme::font(12, QFont::Medium), Theme::label, this));
    titles->addWidget(
        new design::WrappingLabel(detail(action_), Theme::font(10), Theme::silver, this));
    head->addLayout(titles, 1);
    column->addLayout(head);

    controls_ = new QWidget(this);
    auto* controlsRow = new QHBoxLayout(controls_);
    controlsRow->setContentsMargins(controlsIndent, 0, 0, 0);
    controlsRow->setSpacing(6);
    for (const TriggerGesture gesture : allCases<TriggerGesture>()) {
        auto* chip = new GestureChip(label(gesture), controls_);
        connect(chip, &QAbstractButton::clicked, this, [this, gesture] { apply(gesture); });
        controlsRow->addWidget(chip);
        chips_.append(chip);
    }
    keyButton_ = new MenuButton(MenuButton::keyLook, controls_);
    connect(keyButton_, &QAbstractButton::clicked, this, &BindingRow::openKeyMenu);
    controlsRow->addWidget(keyButton_);
    controlsRow->addStretch(1);
    auto* fade = new QGraphicsOpacityEffect(controls_);
    controls_->setGraphicsEffect(fade);
    column->addWidget(controls_);

    unheard_ = makeGlyphLabel(warningGlyph,
                              QStringLiteral("fn cannot be heard on X11 — a shortcut on it never "
                                             "fires."),
                              11, QFont::Normal, Theme::phosphor, this);
    unheard_->setContentsMargins(controlsIndent, 0, 0, 0);
    column->addWidget(unheard_);

    connect(toggle_, &QAbstractButton::clicked, this, [this](bool on) { apply(on); });
    refresh();
}

void BindingRow::refresh() {
    const TriggerBinding shown = displayedBinding(prefs_.bindings(), action_);
    toggle_->setChecked(shown.enabled);
    for (int i = 0; i < chips_.size(); ++i) {
        chips_[i]->setSelected(allCases<TriggerGesture>()[std::size_t(i)] == shown.gesture);
    }
    keyButton_->setTitle(label(shown.key));
    keyButton_->setAccessibleName(title(action_) + QStringLiteral(" key: ") + label(shown.key));
    controls_->setEnabled(shown.enabled);
    static_cast<QGraphicsOpacityEffect*>(controls_->graphicsEffect())
        ->setOpacity(shown.enabled ? 1.0 : 0.45);
    unheard_->setVisible(bindsUnheardKey(shown));
}

void BindingRow::apply(const BindingChange& change) {
    const auto& stored = prefs_.bindings();
    const auto found = stored.find(action_);
    const std::optional<TriggerBinding> current =
        found != stored.end() ? std::optional(found->second) : std::nullopt;
    prefs_.setBinding(action_, rewrittenBinding(current, change));
    controller_.reloadHotkey();
}

void BindingRow::openKeyMenu() {
    // A menu made afresh each time, so it never shows a stale list; the old one goes later,
    // after whatever signal of it is being delivered.
    if (keyMenu_ != nullptr) {
        keyMenu_->deleteLater();
    }
    keyMenu_ = new QMenu(this);
    for (const TriggerKey key : allCases<TriggerKey>()) {
        QAction* item = keyMenu_->addAction(design::escapeMnemonics(label(key)));
        connect(item, &QAction::triggered, this, [this, key] { apply(key); });
    }
    design::applyTavikAppearance(keyMenu_);
    keyMenu_->popup(keyButton_->mapToGlobal(QPoint(0, keyButton_->height())));
}

ShortcutSection::ShortcutSection(Preferences& preferences, DictationController& controller,
                                 QWidget* parent)
    : QWidget(parent), prefs_(preferences), controller_(controller) {
    auto* column = design::tightColumn(this, 14);
    for (const DictationAction action : allCases<DictationAction>()) {
        auto* row = new BindingRow(action, prefs_, controller_, this);
        column->addWidget(row);
        rows_.append(row);
    }
    conflict_ = makeGlyphLabel(
        warningGlyph,
        QStringLiteral("Both actions use the same key and gesture — only one will fire."), 11,
        QFont::Normal, Theme::phosphor, this);
    column->addWidget(conflict_);
    column->addWidget(
        new design::WrappingLabel(QStringLiteral("If another app already claims a "
                                                 "combination, move just that one — the two "
                                                 "are independent."),
                                  Theme::font(10), Theme::silver, this));

    auto* wait = new QVBoxLayout;
    wait->setContentsMargins(0, 4, 0, 0);
    wait->setSpacing(4);
    auto* waitHead = new QHBoxLayout;
    waitHead->setSpacing(8);
    waitHead->addWidget(
        design::makeText(QStringLiteral("Hands-free waits"), Theme::font(11), Theme::label, this));
    waitHead->addStretch(1);
    waitValue_ = design::makeText(QString(), Theme::font(11, QFont::Medium), Theme::silver, this);
    waitHead->addWidget(waitValue_);
    wait->addLayout(waitHead);
    slider_ = new design::TavikSlider(300, 1200, double(waitStep), this);
    slider_->setAccessibleName(QStringLiteral("Hands-free waits"));
    wait->addWidget(slider_);
    wait->addWidget(
        new design::WrappingLabel(QStringLiteral("Below ~700ms it starts cutting people off "
                                                 "mid-sentence — measured, see docs/vad.md."),
                                  Theme::font(10), Theme::silver, this));
    column->addLayout(wait);

    connect(slider_, &design::TavikSlider::valueEdited, this, [this](double value) {
        prefs_.setSilenceHoldMs(snappedDown(value, waitStep));
        controller_.reloadVAD();
    });
    connect(&prefs_, &Preferences::bindingsChanged, this, &ShortcutSection::refreshBindings);
    connect(&prefs_, &Preferences::silenceHoldMsChanged, this, &ShortcutSection::refreshWait);
    refreshBindings();
    refreshWait();
}

void ShortcutSection::refreshBindings() {
    for (BindingRow* row : rows_) {
        row->refresh();
    }
    conflict_->setVisible(prefs_.conflictingActions());
}

void ShortcutSection::refreshWait() {
    waitValue_->setText(holdLabel(prefs_.silenceHoldMs()));
    slider_->setValue(double(prefs_.silenceHoldMs()));
}

} // namespace tavik::panes::settings
