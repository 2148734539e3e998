#pragma once

#include "app/dictation/dictation_state.h"
#include "app/shell/status_menu.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace tavik {

// The tray icon and its menu. The menu is empty until it opens and is rebuilt from scratch each
// time it does; a left click opens the same menu as a right click.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    using ItemsSource = std::function<QList<status_menu::Item>()>;
    using Chosen = std::function<void(status_menu::Action, const QAction&)>;

    StatusItem(ItemsSource items, Chosen chosen, QObject* parent = nullptr);
    ~StatusItem() override;

    // Puts the icon in the tray. Without a tray on this desktop that is logged, once.
    void show();

    // The icon for a dictation state. Setting the same state again changes nothing: a tray
    // host repaints (and a StatusNotifier host is told over D-Bus) on every new icon.
    void setState(const dictation::State& state);
    const QString& iconName() const { return iconName_; }

    QMenu& menu() { return *menu_; }
    QSystemTrayIcon& trayIcon() { return *tray_; }

    // Fills the menu from the current items; the menu does this itself when it opens.
    void rebuild();

    // The tray menu keeps the desktop's own look, not the dark one of Tavik's windows.
    static void prepareMenu(QMenu& menu);

private:
    ItemsSource items_;
    Chosen chosen_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* tray_ = nullptr;
    QString iconName_;
};

} // namespace tavik
