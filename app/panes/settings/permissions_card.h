#pragma once

#include <QWidget>

namespace tavik::design {
class QuietButton;
}

namespace tavik::panes::settings {

class PermissionsModel;

// The card asking for what is missing, shown only while a permission is. On this desktop that
// is accessibility alone: microphone access is always granted.
class PermissionsCard final : public QWidget {
    Q_OBJECT
public:
    PermissionsCard(PermissionsModel& permissions, QWidget* parent = nullptr);

    QWidget* accessibilityRow() const { return accessibilityRow_; }
    design::QuietButton* openButton() const { return open_; }
    design::QuietButton* recheckButton() const { return recheck_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    PermissionsModel& permissions_;
    QWidget* accessibilityRow_;
    design::QuietButton* open_;
    design::QuietButton* recheck_;
};

} // namespace tavik::panes::settings
