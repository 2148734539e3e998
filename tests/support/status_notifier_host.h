#pragma once

// A tray panel of the D-Bus kind on the test desktop's session bus, as KDE's, XFCE's or GNOME's
// AppIndicator extension are: it owns org.kde.StatusNotifierWatcher, registers itself as the
// host, takes the items that register and reads them the way a panel does (their properties,
// icon and menu over com.canonical.dbusmenu), and clicks their menu entries. It talks through a
// connection of its own with asynchronous calls only, so the item may live in the test's own
// process.
#include <QDBusConnection>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace tavik::test {

// One entry of an item's menu as GetLayout gives it.
struct MenuNode {
    int id = 0;
    QVariantMap properties;
    QList<MenuNode> children;

    QString type() const; // "standard" when not given
    bool enabled() const; // true when not given
    // The label as a panel shows it: a doubled underscore is one underscore, a single one
    // marks the access key and is not drawn.
    QString shownLabel() const;
    // The first child whose shown label is `label`, or null.
    const MenuNode* find(const QString& label) const;
};

class StatusNotifierHost final : public QObject {
    Q_OBJECT
public:
    StatusNotifierHost();
    ~StatusNotifierHost() override;

    // Takes org.kde.StatusNotifierWatcher and registers as the host, as a panel starting does;
    // false when the name is taken.
    bool start();
    // Leaves the bus as a panel that quits or restarts does; the items it held are forgotten.
    void stop();

    // The items registered since start(): "<bus name><object path>".
    QStringList items() const { return items_; }
    // Waits until process `pid` registered an item (other test programs on the same bus may
    // register theirs too) and follows its menu's signals; the item, or empty after the
    // timeout.
    QString waitForItem(qint64 pid, int timeoutMs);

    // Every property of the item's org.kde.StatusNotifierItem interface; empty when it did not
    // answer in time.
    QVariantMap itemProperties(const QString& item, int timeoutMs = 5000);
    // An IconPixmap-kind property (a(iiay), ARGB in network byte order) as images.
    static QList<QImage> pixmaps(const QVariant& property);

    // The item's whole menu, from the root, read without opening it (no AboutToShow).
    std::optional<MenuNode> menu(const QString& item, uint* revision = nullptr,
                                 int timeoutMs = 5000);
    // AboutToShow(id) as a panel sends before it pops the menu up; the item's answer
    // ("needUpdate"), or nothing when it failed.
    std::optional<bool> aboutToShow(const QString& item, int id, int timeoutMs = 5000);
    // Event(id, eventId, 0, 0), as a panel sends it when a person clicks an entry; false when
    // the item answered with an error or not at all.
    bool menuEvent(const QString& item, int id, const QString& eventId = QStringLiteral("clicked"),
                   int timeoutMs = 5000);

    // The signals of the menus of the items waitForItem() returned, since it did: LayoutUpdated
    // and ItemsPropertiesUpdated.
    int layoutUpdates() const { return layoutUpdates_; }
    int propertyUpdates() const { return propertyUpdates_; }

    // For the watcher object: an item asked to be shown.
    void addItem(const QString& item);

private Q_SLOTS:
    void onLayoutUpdated(uint revision, int parent);
    void onItemsPropertiesUpdated(const QDBusMessage& message);
    void onServiceUnregistered(const QString& service);

private:
    std::optional<QDBusMessage> call(const QDBusMessage& message, int timeoutMs);
    QString menuPath(const QString& item, int timeoutMs);

    class Watcher;
    std::unique_ptr<Watcher> watcher_;
    QString connectionName_;
    std::optional<QDBusConnection> bus_;
    QStringList items_;
    QHash<QString, qint64> pids_;
    QStringList followed_;
    int layoutUpdates_ = 0;
    int propertyUpdates_ = 0;
};

} // namespace tavik::test
