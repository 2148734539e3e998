#pragma once

#include <QImage>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

namespace tavik::platform {

// One line of a tray menu as a panel draws it.
struct TrayMenuEntry {
    QString key;   // names the line across updates: the same key keeps its place on the bus
    QString label; // plain text, shown exactly as written (no access-key marks)
    bool separator = false;
    bool enabled = true;
    QKeySequence shortcut;
    QString description; // what the line does, for a hovering pointer or a screen reader

    bool operator==(const TrayMenuEntry&) const = default;
};

// The tray icon as a panel of the D-Bus kind takes it: a themed icon name it can recolour to
// its own text colour, the folder holding that theme, and the same drawing as pixmaps for a
// panel that draws pixmaps only.
struct TrayIconImage {
    QString name;
    QString themePath;
    QList<QImage> pixmaps;

    bool operator==(const TrayIconImage&) const = default;
};

// Tavik's icon for panels that speak D-Bus (KDE Plasma, XFCE, Cinnamon, GNOME's AppIndicator
// extension): an org.kde.StatusNotifierItem with its menu exported as com.canonical.dbusmenu on
// the session bus. The menu is always whole and current, and each line keeps its id on the bus
// for as long as its key stays, so a click on a menu the panel drew a moment ago still lands.
// The item is offered to the panel's org.kde.StatusNotifierWatcher when published, and again
// whenever a watcher appears (a panel that starts late or restarts). Every bus call is
// asynchronous and bounded; main thread only.
class StatusNotifierItem final : public QObject {
    Q_OBJECT
public:
    // Whether a panel shows the item.
    enum class Presence {
        probing, // asking the bus; the answer comes within callTimeoutMs or so
        absent,  // no watcher, no panel behind it, or no session bus at all
        shown,   // a watcher took the item and a panel (host) draws its items
    };

    StatusNotifierItem(const QString& id, const QString& title, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Puts the item on the session bus and offers it to a watcher, now and whenever one
    // appears. Call once; the icon and the menu may be set before or after.
    void publish();
    Presence presence() const;

    void setIcon(const TrayIconImage& icon);
    void setMenu(const QList<TrayMenuEntry>& entries);

    static constexpr int callTimeoutMs = 2000;

signals:
    void presenceChanged(tavik::platform::StatusNotifierItem::Presence presence);
    // A person chose the menu line with this key on the panel.
    void entryChosen(const QString& key);
    // The panel asks the application to open its menu itself at `where` (global, physical
    // pixels; (0, 0) when the panel does not say): a primary click on a panel that does not
    // open the exported menu on its own, or a request for the context menu.
    void menuRequested(const QPoint& where);

private:
    class Private;
    std::unique_ptr<Private> d_;
};

} // namespace tavik::platform
