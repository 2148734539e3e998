#include "app/panes/settings/microphone_section.h"

#include "app/dictation/dictation_controller.h"
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/microphone_rules.h"
#include "app/panes/settings/microphone_status_line.h"
#include "app/panes/settings/settings_buttons.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/menu_appearance.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "app/stores/preferences.h"

#include <QActionGroup>
#include <QMenu>
#include <QVBoxLayout>

namespace tavik::panes::settings {

using design::Theme;

namespace {

// Keeping the microphone ready holds a capture stream open, which the desktop's microphone
// indicator shows for as long as the setting is on.
const QString readyCaption = QStringLiteral(
    "Captures the moment before you press, so a word said as you reach for the key is not lost. "
    "The desktop's microphone indicator stays on while this is on. Audio is never recorded to "
    "disk or sent anywhere.");

// A disabled item standing as a section heading: Fusion draws QMenu::addSection as a bare line.
void addHeading(QMenu& menu, const QString& text) {
    menu.addSeparator();
    QAction* heading = menu.addAction(design::escapeMnemonics(text));
    heading->setEnabled(false);
}

} // namespace

MicrophoneSection::MicrophoneSection(Preferences& preferences, DictationController& controller,
                                     QWidget* parent)
    : QWidget(parent), prefs_(preferences), controller_(controller) {
    auto* column = design::tightColumn(this, 4);

    menuButton_ = new MenuButton(MenuButton::microphoneLook, this);
    connect(menuButton_, &QAbstractButton::clicked, this, &MicrophoneSection::openMenu);
    column->addWidget(menuButton_);

    statusLine_ = new MicrophoneStatusLine([&c = controller_] { return c.inputLevel(); }, this);
    column->addWidget(statusLine_);

    // The note keeps 6 px below it, and takes no room at all when there is none.
    noteHolder_ = new QWidget(this);
    auto* noteColumn = new QVBoxLayout(noteHolder_);
    noteColumn->setContentsMargins(0, 0, 0, 6);
    note_ = new design::WrappingLabel(QString(), Theme::font(10), Theme::phosphor, noteHolder_);
    noteColumn->addWidget(note_);
    column->addWidget(noteHolder_);

    ready_ = new design::TavikToggle(QStringLiteral("Keep the microphone ready"), this);
    column->addWidget(ready_, 0, Qt::AlignLeft);
    column->addWidget(
        new design::WrappingLabel(readyCaption, Theme::font(10), Theme::silver, this));

    // Only the user's flip writes, and only a change the user made refreshes the devices.
    connect(ready_, &QAbstractButton::clicked, this, [this](bool on) {
        prefs_.setMicAlwaysReady(on);
        controller_.refreshMicrophones();
    });
    connect(&prefs_, &Preferences::micAlwaysReadyChanged, ready_,
            [this](bool on) { ready_->setChecked(on); });
    connect(&controller_, &DictationController::microphoneChanged, this,
            &MicrophoneSection::refresh);
    connect(&prefs_, &Preferences::microphoneUIDChanged, this, &MicrophoneSection::refresh);
    connect(&prefs_, &Preferences::microphoneNameChanged, this, &MicrophoneSection::refresh);
    ready_->setChecked(prefs_.micAlwaysReady());
    refresh();
}

void MicrophoneSection::refresh() {
    const dictation::MicrophoneStatus status = controller_.microphone();
    menuButton_->setTitle(
        microphoneMenuTitle(status, prefs_.microphoneUID(), prefs_.microphoneName()));
    menuButton_->setAccessibleName(QStringLiteral("Microphone: ") + menuButton_->title());
    statusLine_->setStatus(status);
    const auto note = microphoneNote(status, prefs_.microphoneName());
    noteHolder_->setVisible(note.has_value());
    if (note) {
        note_->setText(note->text);
        note_->setColor(note->warning ? Theme::phosphor : Theme::silver);
    }
}

void MicrophoneSection::openMenu() {
    // The list is read fresh first, so the menu shows the devices as they are now.
    controller_.refreshMicrophones();
    const dictation::MicrophoneStatus status = controller_.microphone();
    if (menu_ != nullptr) {
        menu_->deleteLater();
    }
    menu_ = new QMenu(this);
    // One choice among all entries: only the chosen one is marked, and screen readers hear
    // radio items. Choosing the marked entry still triggers it.
    auto* choices = new QActionGroup(menu_);
    choices->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const MicrophoneMenuEntry& entry : microphoneMenuEntries(status, prefs_.microphoneUID())) {
        if (entry.header) {
            addHeading(*menu_, entry.text);
            continue;
        }
        // A tab in a name would start the shortcut column, a line break a second line.
        QAction* item =
            menu_->addAction(design::escapeMnemonics(design::ElidedLabel::oneLine(entry.text)));
        item->setCheckable(true);
        item->setChecked(entry.checked);
        choices->addAction(item);
        // Choosing the checked entry again still selects it (the controller rebuilds capture).
        connect(item, &QAction::triggered, this,
                [this, device = entry.device] { controller_.selectMicrophone(device); });
    }
    design::applyTavikAppearance(menu_);
    menu_->popup(menuButton_->mapToGlobal(QPoint(0, menuButton_->height())));
}

} // namespace tavik::panes::settings
