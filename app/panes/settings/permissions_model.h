#pragma once

#include <QObject>

namespace tavik::platform {
class Accessibility;
}

namespace tavik::panes::settings {

// The two permissions the settings pane asks for, read when the pane is made and again on
// "Re-check"; nothing polls. On this desktop microphone access is always granted, and
// accessibility is the desktop's accessibility switch with its bus answering.
class PermissionsModel final : public QObject {
    Q_OBJECT
public:
    explicit PermissionsModel(platform::Accessibility& accessibility, QObject* parent = nullptr);
    // The desktop's own accessibility.
    explicit PermissionsModel(QObject* parent = nullptr);

    bool micGranted() const { return micGranted_; }
    bool axGranted() const { return axGranted_; }
    bool allGranted() const { return micGranted_ && axGranted_; }

    // Reads the microphone, then accessibility; each reading is announced.
    void refresh();

    // What "Open" does for accessibility here: asks the desktop to switch accessibility on,
    // the same request the controller makes when it first needs it. The card changes only on
    // the next refresh.
    void openAccessibility();

signals:
    void micGrantedChanged(bool granted);
    void axGrantedChanged(bool granted);

private:
    platform::Accessibility& accessibility_;
    bool micGranted_ = true;
    bool axGranted_ = false;
};

} // namespace tavik::panes::settings
