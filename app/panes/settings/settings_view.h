#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;

namespace tavik {
class AudioStore;
class DictationController;
class Preferences;
} // namespace tavik

namespace tavik::panes::settings {

class AudioHistorySection;
class MicrophoneSection;
class ModelPicker;
class PermissionsCard;
class PermissionsModel;
class SettingsSection;
class ShortcutSection;
class StatusPill;

// The settings pane: a fixed header with the dictation mode and a status pill, a divider, and
// one scrolling column with the permissions card (while one is missing) and six sections.
// Every control writes through Preferences and nothing else; what follows from a change is the
// settings' and the controller's own work.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    // `permissions` null: the pane reads the desktop's own, afresh each time it is made.
    SettingsView(Preferences& preferences, DictationController& controller,
                 PermissionsModel* permissions = nullptr, QWidget* parent = nullptr);
    // The application's settings and audio archive.
    SettingsView(DictationController& controller, QWidget* parent = nullptr);

    QWidget* header() const { return header_; }
    QLabel* modeLine() const { return mode_; }
    StatusPill* pill() const { return pill_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QWidget* column() const { return column_; }
    PermissionsModel& permissions() const { return *permissions_; }
    PermissionsCard* permissionsCard() const { return card_; }
    const QList<SettingsSection*>& sections() const { return sections_; }
    ModelPicker* modelPicker() const { return model_; }
    ShortcutSection* shortcutSection() const { return shortcut_; }
    AudioHistorySection* audioHistorySection() const { return audio_; }
    MicrophoneSection* microphoneSection() const { return microphone_; }

private:
    QWidget* makeHeader();
    SettingsSection* addSection(const QString& title);

    Preferences& prefs_;
    DictationController& controller_;
    PermissionsModel* permissions_;
    QWidget* header_ = nullptr;
    QLabel* mode_ = nullptr;
    StatusPill* pill_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* column_ = nullptr;
    PermissionsCard* card_ = nullptr;
    QList<SettingsSection*> sections_;
    ModelPicker* model_ = nullptr;
    ShortcutSection* shortcut_ = nullptr;
    AudioHistorySection* audio_ = nullptr;
    MicrophoneSection* microphone_ = nullptr;
};

} // namespace tavik::panes::settings
