#pragma once

#include <QWidget>

class QLabel;

namespace tavik {
class AudioStore;
class DictationController;
class Preferences;
} // namespace tavik

namespace tavik::design {
class TavikSlider;
class TavikToggle;
} // namespace tavik::design

namespace tavik::panes::settings {

class SettingsSection;

// "Appearance": whether the main window shows in the taskbar.
void fillAppearance(SettingsSection& section, Preferences& preferences);

// "Feedback": the floating button and the sounds, two entries of the section's own stack.
void fillFeedback(SettingsSection& section, Preferences& preferences);

// "Audio history": keeping the audio of each dictation, and while it is kept, its budget and
// the space the archive takes now (read afresh when a setting changes or a dictation ends).
class AudioHistorySection final : public QWidget {
    Q_OBJECT
public:
    AudioHistorySection(Preferences& preferences, DictationController& controller,
                        AudioStore& archive, QWidget* parent = nullptr);

    design::TavikToggle* keepToggle() const { return keep_; }
    QWidget* budgetRows() const { return budget_; }
    design::TavikSlider* budgetSlider() const { return slider_; }
    QLabel* usage() const { return usage_; }

private:
    void refresh();

    Preferences& prefs_;
    AudioStore& archive_;
    design::TavikToggle* keep_;
    QWidget* budget_;
    design::TavikSlider* slider_;
    QLabel* usage_;
};

} // namespace tavik::panes::settings
