#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace tavik::panes::settings {

// One titled section of the settings column: the title in capitals, then the content, 10 apart.
// No card or border of its own; the content draws whatever surfaces it needs.
class SettingsSection final : public QWidget {
    Q_OBJECT
public:
    SettingsSection(const QString& title, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    void addContent(QWidget* content, Qt::Alignment alignment = {});

private:
    QVBoxLayout* column_;
    QLabel* title_;
};

} // namespace tavik::panes::settings
