#pragma once

#include "platform/linux/dbus_tray_types.h"
#include "platform/status_notifier_item.h"

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QHash>
#include <QObject>

#include <optional>

namespace tavik::platform {

// A flat tray menu as com.canonical.dbusmenu describes it: the root (id 0) and one entry per
// line. A line's id follows its key, so it stays the same while the line stays; the lines the
// last change removed keep answering clicks until the next change, for a panel that drew them
// a moment before. Panels are told of changes as sparingly as the protocol allows.
// Qt gives a call's D-Bus context to the exported object, not to its adaptor: the adaptor
// answers errors through this object's.
class DBusMenuExporter final : public QObject, public QDBusContext {
    Q_OBJECT
public:
    explicit DBusMenuExporter(QObject* parent = nullptr);

    // Replaces the lines. Lines that came, went or moved: one LayoutUpdated. Only texts or
    // states changed: one ItemsPropertiesUpdated with just those. Nothing changed: no signal.
    void setEntries(const QList<TrayMenuEntry>& entries);
    const QList<TrayMenuEntry>& entries() const { return entries_; }

    uint revision() const { return revision_; }
    // The entry `parentId` with its children `depth` levels down (-1: all); none for an id the
    // menu does not hold. Only the named properties, or all when `names` is empty.
    std::optional<dbus::MenuLayoutItem> layout(int parentId, int depth,
                                               const QStringList& names) const;
    std::optional<QVariantMap> properties(int id, const QStringList& names) const;
    // A panel's event on entry `id`: "clicked" on a command chooses it. False for an id the
    // menu never had, or had before the last change but one.
    bool handleEvent(int id, const QString& eventId);

    // A plain text as a dbusmenu label: underscores doubled, since a single one marks the
    // access key and would vanish.
    static QString label(const QString& plain);
    static QVariantMap propertiesOf(const TrayMenuEntry& entry);
    static dbus::ShortcutParts shortcutParts(const QKeySequence& shortcut);

signals:
    void layoutUpdated(uint revision, int parent);
    void itemsPropertiesUpdated(const tavik::platform::dbus::MenuItemPropertiesList& updated,
                                const tavik::platform::dbus::MenuItemPropertyNamesList& removed);
    void entryChosen(const QString& key);

private:
    int idFor(const QString& key);

    QList<TrayMenuEntry> entries_;
    QList<int> ids_;              // beside entries_
    QHash<QString, int> idByKey_; // the lines shown now
    QHash<int, QString> retired_; // the lines the last change removed
    int nextId_ = 1;
    uint revision_ = 1;
};

// The com.canonical.dbusmenu interface of a DBusMenuExporter, for QDBusConnection to export.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    explicit DBusMenuAdaptor(DBusMenuExporter* menu);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   tavik::platform::dbus::MenuLayoutItem& layout);
    tavik::platform::dbus::MenuItemPropertiesList
    GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const tavik::platform::dbus::MenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void
    ItemsPropertiesUpdated(const tavik::platform::dbus::MenuItemPropertiesList& updatedProps,
                           const tavik::platform::dbus::MenuItemPropertyNamesList& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    void unknownId(int id) const;

    DBusMenuExporter& menu_;
};

} // namespace tavik::platform
