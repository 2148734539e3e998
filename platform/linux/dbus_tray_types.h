#pragma once

// The structured values the tray protocols carry over D-Bus (org.kde.StatusNotifierItem and
// com.canonical.dbusmenu), with their wire signatures, and how QtDBus writes and reads them.
#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace tavik::platform::dbus {

// (iiay): one size of an icon, 32-bit ARGB pixels in network byte order, row by row.
struct IconPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using IconPixmapList = QList<IconPixmap>; // a(iiay)

IconPixmap iconPixmap(const QImage& image);

// (sa(iiay)ss): an item's tool tip: icon name, icon pixmaps, title, description.
struct ToolTip {
    QString iconName;
    IconPixmapList pixmaps;
    QString title;
    QString description;
};

// (ia{sv}av): a menu entry with its properties and, as variants, its children.
struct MenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayoutItem> children;
};

// (ia{sv}) and (ias): an entry's changed properties, and the names of those it lost.
struct MenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using MenuItemPropertiesList = QList<MenuItemProperties>;
struct MenuItemPropertyNames {
    int id = 0;
    QStringList names;
};
using MenuItemPropertyNamesList = QList<MenuItemPropertyNames>;

// (isvu): one event a panel reports: entry, what happened ("clicked", "hovered" …), data, time.
struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEventList = QList<MenuEvent>;

// aas: a key sequence as the menu protocol writes it, [["Control", "Q"]].
using ShortcutParts = QList<QStringList>;

// Makes the types above known to QtDBus; safe to call more than once.
void registerTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const IconPixmap& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, IconPixmap& value);
QDBusArgument& operator<<(QDBusArgument& argument, const ToolTip& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, ToolTip& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuLayoutItem& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuLayoutItem& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemProperties& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemProperties& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemPropertyNames& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemPropertyNames& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuEvent& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEvent& value);

} // namespace tavik::platform::dbus

Q_DECLARE_METATYPE(tavik::platform::dbus::IconPixmap)
Q_DECLARE_METATYPE(tavik::platform::dbus::ToolTip)
Q_DECLARE_METATYPE(tavik::platform::dbus::MenuLayoutItem)
Q_DECLARE_METATYPE(tavik::platform::dbus::MenuItemProperties)
Q_DECLARE_METATYPE(tavik::platform::dbus::MenuItemPropertyNames)
Q_DECLARE_METATYPE(tavik::platform::dbus::MenuEvent)
