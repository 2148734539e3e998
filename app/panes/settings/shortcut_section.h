#pragma once

#include "app/panes/settings/settings_rules.h"

#include <QList>
#include <QWidget>

class QLabel;
class QMenu;

namespace tavik {
class DictationController;
class Preferences;
} // namespace tavik

namespace tavik::design {
class TavikSlider;
class TavikToggle;
} // namespace tavik::design

namespace tavik::panes::settings {

class GestureChip;
class MenuButton;

// One action's block: its switch with title and detail, then its gesture chips and key menu,
// faded and out of reach while the action is off.
class BindingRow final : public QWidget {
    Q_OBJECT
public:
    BindingRow(DictationAction action, Preferences& preferences, DictationController& controller,
               QWidget* parent = nullptr);

    DictationAction action() const { return action_; }
    design::TavikToggle* toggle() const { return toggle_; }
    const QList<GestureChip*>& chips() const { return chips_; }
    MenuButton* keyButton() const { return keyButton_; }
    QWidget* controlsRow() const { return controls_; }
    // The key menu as last opened (rebuilt on each opening); null before the first.
    QMenu* keyMenu() const { return keyMenu_; }
    QWidget* unheardNote() const { return unheard_; }

    // Shows the stored binding.
    void refresh();

private:
    void apply(const BindingChange& change);
    void openKeyMenu();

    DictationAction action_;
    Preferences& prefs_;
    DictationController& controller_;
    design::TavikToggle* toggle_;
    QWidget* controls_;
    QList<GestureChip*> chips_;
    MenuButton* keyButton_;
    QMenu* keyMenu_ = nullptr;
    QWidget* unheard_;
};

// The "Shortcut" section: both actions, the conflict warning, a note, and how long hands-free
// waits for silence. Every change is stored and handed to the running controller at once.
class ShortcutSection final : public QWidget {
    Q_OBJECT
public:
    ShortcutSection(Preferences& preferences, DictationController& controller,
                    QWidget* parent = nullptr);

    const QList<BindingRow*>& rows() const { return rows_; }
    QWidget* conflictWarning() const { return conflict_; }
    design::TavikSlider* waitSlider() const { return slider_; }
    QLabel* waitValue() const { return waitValue_; }

private:
    void refreshBindings();
    void refreshWait();

    Preferences& prefs_;
    DictationController& controller_;
    QList<BindingRow*> rows_;
    QWidget* conflict_;
    design::TavikSlider* slider_;
    QLabel* waitValue_;
};

} // namespace tavik::panes::settings
