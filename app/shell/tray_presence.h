#pragma once

#include <QObject>

namespace tavik {

// Whether Tavik's tray icon is on show in a panel, D-Bus or XEmbed. The tray menu is where a
// failed model load or a refused insertion is said; without a tray the main window's sidebar
// says it instead. False until a tray item says otherwise. Main thread only.
class TrayPresence final : public QObject {
    Q_OBJECT
public:
    static TrayPresence& shared();

    bool shown() const { return shown_; }
    void setShown(bool shown);

signals:
    void shownChanged(bool shown);

private:
    bool shown_ = false;
};

} // namespace tavik
