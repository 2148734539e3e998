#pragma once

#include "app/dictation/dictation_state.h"
#include "app/shell/status_menu.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace tavik::platform {
class StatusNotifierItem;
class XEmbedTray;
} // namespace tavik::platform

namespace tavik {

// The tray icon and its menu, on both kinds of tray this desktop has: a panel that speaks D-Bus
// (the item and its menu are exported on the session bus, offered to every panel that starts,
// and drawn by the panel) and an XEmbed tray (Qt's QSystemTrayIcon, whose menu Tavik draws).
// The D-Bus panel wins when both run; the XEmbed icon comes when no D-Bus panel shows the item.
// The menu is always whole and current: rebuild() refills it, and a panel is told only what
// changed. A left click opens the same menu as a right click.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    using ItemsSource = std::function<QList<status_menu::Item>()>;
    using Chosen = std::function<void(status_menu::Action, const QAction&)>;

    StatusItem(ItemsSource items, Chosen chosen, QObject* parent = nullptr);
    ~StatusItem() override;

    // Puts the icon in the tray: offers it to a D-Bus panel and, when none shows it, to an
    // XEmbed tray. Without any tray that is logged, once; a tray that comes later still gets
    // the icon.
    void show();

    // The icon for a dictation state. Setting the same state again changes nothing: a tray
    // host repaints (and a D-Bus panel is told) on every new icon.
    void setState(const dictation::State& state);
    const QString& iconName() const { return iconName_; }
    QColor ink() const { return ink_; }

    QMenu& menu() { return *menu_; }
    // Refills the menu from the current items now, for both kinds of tray.
    void rebuild();
    // The same, once the events already waiting are handled: changes that arrive together (a
    // failed state and its problem line) reach a panel as one update, and the change's own
    // answer on screen (the floating button's, the main window's) is drawn first.
    void scheduleRebuild();

    // Whether a panel shows the icon (either kind of tray).
    bool shownInTray() const { return shownInTray_; }
    // The XEmbed tray's icon; null while a D-Bus panel has shown the item from the start.
    QSystemTrayIcon* xembedIcon() const { return tray_; }

    // The tray menu keeps the desktop's own look, not the dark one of Tavik's windows.
    static void prepareMenu(QMenu& menu);

    // How long a D-Bus panel that went away has to come back before the XEmbed tray gets the
    // icon.
    static constexpr int restartGraceMs = 1000;

private:
    void followTrays();
    void ensureXEmbedIcon();
    void followInk();
    void applyIcon();
    void drawIcons();
    void popUpMenu(const QPoint& physical);
    void choose(const QString& key);

    ItemsSource items_;
    Chosen chosen_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<platform::StatusNotifierItem> notifier_;
    std::unique_ptr<platform::XEmbedTray> xembedTray_;
    QSystemTrayIcon* tray_ = nullptr;
    dictation::State state_ = dictation::State::idle();
    // Each state's icon is drawn once per ink (a glyph's outline takes milliseconds), ahead of
    // the first change of state that shows it.
    struct Drawn {
        QList<QImage> images; // for a D-Bus panel
        QIcon icon;           // for the XEmbed tray
    };
    const Drawn& drawn(const QString& name);

    QString iconName_;
    QColor ink_;
    QColor shownInk_;
    QHash<QString, Drawn> drawn_;    // in ink_
    QList<status_menu::Item> lines_; // what both menus show
    QTimer graceTimer_;
    QTimer rebuildTimer_;
    bool shownOnDBus_ = false;
    bool graceOver_ = false;
    bool showing_ = false;
    bool shownInTray_ = false;
    bool toldNoTray_ = false;
};

} // namespace tavik
