#pragma once

#include "app/dictation/dictation_ports.h"

#include <QWidget>

class QMenu;

namespace tavik {
class DictationController;
class Preferences;
} // namespace tavik

namespace tavik::design {
class TavikToggle;
class WrappingLabel;
} // namespace tavik::design

namespace tavik::panes::settings {

class MenuButton;
class MicrophoneStatusLine;

// The "Microphone" section: the device menu, the line saying which device listens (with its
// live level), at most one note about an unusual device, and "Keep the microphone ready".
class MicrophoneSection final : public QWidget {
    Q_OBJECT
public:
    MicrophoneSection(Preferences& preferences, DictationController& controller,
                      QWidget* parent = nullptr);

    MenuButton* menuButton() const { return menuButton_; }
    // The device menu as last opened (made afresh on each opening); null before the first.
    QMenu* menu() const { return menu_; }
    MicrophoneStatusLine* statusLine() const { return statusLine_; }
    design::WrappingLabel* note() const { return note_; }
    design::TavikToggle* readyToggle() const { return ready_; }

private:
    void refresh();
    void openMenu();

    Preferences& prefs_;
    DictationController& controller_;
    MenuButton* menuButton_;
    QMenu* menu_ = nullptr;
    MicrophoneStatusLine* statusLine_;
    QWidget* noteHolder_;
    design::WrappingLabel* note_;
    design::TavikToggle* ready_;
};

} // namespace tavik::panes::settings
