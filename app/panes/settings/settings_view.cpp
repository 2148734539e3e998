#include "app/panes/settings/settings_view.h"

#include "app/dictation/dictation_controller.h"
#include "app/panes/settings/general_sections.h"
#include "app/panes/settings/microphone_section.h"
#include "app/panes/settings/model_picker.h"
#include "app/panes/settings/permissions_card.h"
#include "app/panes/settings/permissions_model.h"
#include "app/panes/settings/settings_section.h"
#include "app/panes/settings/shortcut_section.h"
#include "app/panes/settings/status_pill.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"
#include "app/stores/audio_store.h"
#include "app/stores/preferences.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

namespace {
constexpr int columnPadding = 20;
constexpr int sectionSpacing = 22;
} // namespace

//  ┌ header (fixed) ─────────────────────────────────────────────┐
//  │ 20 ◍  Settings                                  (● Ready) 20 │  16 above and below
//  │       hold Right Alt to talk · double-tap Right Super …     │
//  ├ divider ────────────────────────────────────────────────────┤
//  │ scroll: 20 padding, sections 22 apart                       │
//  │   [permissions card]  MODEL  SHORTCUT  APPEARANCE  FEEDBACK │
//  │   AUDIO HISTORY  MICROPHONE                                 │
//  └─────────────────────────────────────────────────────────────┘
SettingsView::SettingsView(Preferences& preferences, DictationController& controller,
                           PermissionsModel* permissions, QWidget* parent)
    : QWidget(parent), prefs_(preferences), controller_(controller),
      permissions_(permissions != nullptr ? permissions : new PermissionsModel(this)) {
    setAccessibleName(QStringLiteral("Settings"));
    // The window's background, as every pane frame has it.
    QPalette background = palette();
    background.setColor(QPalette::Window, Theme::abyss);
    setPalette(background);
    setAutoFillBackground(true);
    auto* frame = design::tightColumn(this, 0);
    frame->addWidget(makeHeader());

    auto* divider = new QWidget(this);
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette line = divider->palette();
    line.setColor(QPalette::Window, Theme::hairline);
    divider->setPalette(line);
    frame->addWidget(divider);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setWidgetResizable(true);
    scroll_->viewport()->setAutoFillBackground(false);
    column_ = new QWidget;
    column_->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(column_);
    column->setContentsMargins(columnPadding, columnPadding, columnPadding, columnPadding);
    column->setSpacing(sectionSpacing);

    card_ = new PermissionsCard(*permissions_, column_);
    column->addWidget(card_);

    model_ = new ModelPicker(prefs_, controller_);
    addSection(QStringLiteral("Model"))->addContent(model_);
    shortcut_ = new ShortcutSection(prefs_, controller_);
    addSection(QStringLiteral("Shortcut"))->addContent(shortcut_);
    fillAppearance(*addSection(QStringLiteral("Appearance")), prefs_);
    fillFeedback(*addSection(QStringLiteral("Feedback")), prefs_);
    audio_ = new AudioHistorySection(prefs_, controller_, AudioStore::shared());
    addSection(QStringLiteral("Audio history"))->addContent(audio_);
    microphone_ = new MicrophoneSection(prefs_, controller_);
    addSection(QStringLiteral("Microphone"))->addContent(microphone_);
    column->addStretch(1);
    scroll_->setWidget(column_);
    frame->addWidget(scroll_, 1);

    connect(&controller_, &DictationController::stateChanged, pill_, &StatusPill::setState);
    // The mode line has no signal of its own; it follows the bindings it is made from.
    connect(&prefs_, &Preferences::bindingsChanged, mode_,
            [this] { mode_->setText(controller_.modeDescription()); });
}

SettingsView::SettingsView(DictationController& controller, QWidget* parent)
    : SettingsView(Preferences::shared(), controller, nullptr, parent) {}

QWidget* SettingsView::makeHeader() {
    header_ = new QWidget(this);
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(20, 16, 20, 16);
    row->setSpacing(12);
    row->addWidget(
        new design::GlyphView(QStringLiteral("waveform.circle.fill"), 30, Theme::mist, header_));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(design::makeText(QStringLiteral("Settings"), Theme::font(17, QFont::Medium),
                                       Theme::label, header_));
    mode_ =
        design::makeText(controller_.modeDescription(), Theme::font(11), Theme::silver, header_);
    titles->addWidget(mode_);
    row->addLayout(titles, 1);
    pill_ = new StatusPill(header_);
    pill_->setState(controller_.state());
    row->addWidget(pill_, 0, Qt::AlignVCenter);
    return header_;
}

SettingsSection* SettingsView::addSection(const QString& title) {
    auto* section = new SettingsSection(title, column_);
    column_->layout()->addWidget(section);
    sections_.append(section);
    return section;
}

} // namespace tavik::panes::settings
