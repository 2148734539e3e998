#include "platform/linux/dbus_menu_exporter.h"

#include <QGuiApplication>

namespace tavik::platform {
namespace {

QVariantMap only(const QVariantMap& all, const QStringList& names) {
    if (names.isEmpty()) {
        return all;
    }
    QVariantMap chosen;
    for (const QString& name : names) {
        if (all.contains(name)) {
            chosen.insert(name, all.value(name));
        }
    }
    return chosen;
}

QVariantMap rootProperties() {
    return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
}

// Key names as the protocol's panels read them (X keysym names), for the few keys that are not
// a letter or a digit.
QString keyName(int key) {
    switch (key) {
    case Qt::Key_Comma:
        return QStringLiteral("comma");
    case Qt::Key_Period:
        return QStringLiteral("period");
    case Qt::Key_Plus:
        return QStringLiteral("plus");
    case Qt::Key_Minus:
        return QStringLiteral("minus");
    default:
        return QKeySequence(key).toString(QKeySequence::PortableText);
    }
}

} // namespace

DBusMenuExporter::DBusMenuExporter(QObject* parent) : QObject(parent) {}

QString DBusMenuExporter::label(const QString& plain) {
    QString escaped = plain;
    escaped.replace(QLatin1Char('_'), QStringLiteral("__"));
    return escaped;
}

dbus::ShortcutParts DBusMenuExporter::shortcutParts(const QKeySequence& shortcut) {
    dbus::ShortcutParts parts;
    for (int i = 0; i < shortcut.count(); ++i) {
        const QKeyCombination combination = shortcut[i];
        const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
        QStringList press;
        if (modifiers & Qt::ControlModifier) {
            press << QStringLiteral("Control");
        }
        if (modifiers & Qt::AltModifier) {
            press << QStringLiteral("Alt");
        }
        if (modifiers & Qt::ShiftModifier) {
            press << QStringLiteral("Shift");
        }
        if (modifiers & Qt::MetaModifier) {
            press << QStringLiteral("Super");
        }
        press << keyName(combination.key());
        parts << press;
    }
    return parts;
}

QVariantMap DBusMenuExporter::propertiesOf(const TrayMenuEntry& entry) {
    if (entry.separator) {
        return {{QStringLiteral("type"), QStringLiteral("separator")},
                {QStringLiteral("visible"), true}};
    }
    QVariantMap properties{{QStringLiteral("label"), label(entry.label)},
                           {QStringLiteral("enabled"), entry.enabled},
                           {QStringLiteral("visible"), true}};
    if (!entry.shortcut.isEmpty()) {
        properties.insert(QStringLiteral("shortcut"),
                          QVariant::fromValue(shortcutParts(entry.shortcut)));
    }
    if (!entry.description.isEmpty()) {
        properties.insert(QStringLiteral("accessible-desc"), entry.description);
    }
    return properties;
}

int DBusMenuExporter::idFor(const QString& key) {
    if (const auto shown = idByKey_.constFind(key); shown != idByKey_.constEnd()) {
        return shown.value();
    }
    for (auto it = retired_.constBegin(); it != retired_.constEnd(); ++it) {
        if (it.value() == key) {
            return it.key(); // back again before anything else came and went: the same id
        }
    }
    return nextId_++;
}

void DBusMenuExporter::setEntries(const QList<TrayMenuEntry>& entries) {
    if (entries == entries_) {
        return;
    }
    QList<int> ids;
    QHash<QString, int> idByKey;
    for (const TrayMenuEntry& entry : entries) {
        const int id = idFor(entry.key);
        ids << id;
        idByKey.insert(entry.key, id);
    }

    if (ids != ids_) {
        QHash<int, QString> retired;
        for (qsizetype i = 0; i < ids_.size(); ++i) {
            if (!idByKey.contains(entries_.at(i).key)) {
                retired.insert(ids_.at(i), entries_.at(i).key);
            }
        }
        entries_ = entries;
        ids_ = ids;
        idByKey_ = idByKey;
        retired_ = retired;
        ++revision_;
        emit layoutUpdated(revision_, 0);
        return;
    }

    // The same lines in the same places: only what changed on them.
    dbus::MenuItemPropertiesList updated;
    dbus::MenuItemPropertyNamesList removed;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QVariantMap before = propertiesOf(entries_.at(i));
        const QVariantMap after = propertiesOf(entries.at(i));
        QVariantMap changed;
        for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
            if (before.value(it.key()) != it.value()) {
                changed.insert(it.key(), it.value());
            }
        }
        QStringList gone;
        for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
            if (!after.contains(it.key())) {
                gone << it.key();
            }
        }
        if (!changed.isEmpty()) {
            updated << dbus::MenuItemProperties{ids.at(i), changed};
        }
        if (!gone.isEmpty()) {
            removed << dbus::MenuItemPropertyNames{ids.at(i), gone};
        }
    }
    entries_ = entries;
    if (!updated.isEmpty() || !removed.isEmpty()) {
        emit itemsPropertiesUpdated(updated, removed);
    }
}

std::optional<dbus::MenuLayoutItem> DBusMenuExporter::layout(int parentId, int depth,
                                                             const QStringList& names) const {
    std::optional<QVariantMap> own = properties(parentId, names);
    if (!own) {
        return std::nullopt;
    }
    dbus::MenuLayoutItem item{parentId, std::move(*own), {}};
    // Only the root has children.
    if (parentId == 0 && depth != 0) {
        for (qsizetype i = 0; i < entries_.size(); ++i) {
            item.children << dbus::MenuLayoutItem{
                ids_.at(i), only(propertiesOf(entries_.at(i)), names), {}};
        }
    }
    return item;
}

std::optional<QVariantMap> DBusMenuExporter::properties(int id, const QStringList& names) const {
    if (id == 0) {
        return only(rootProperties(), names);
    }
    const qsizetype at = ids_.indexOf(id);
    if (at < 0) {
        return std::nullopt;
    }
    return only(propertiesOf(entries_.at(at)), names);
}

bool DBusMenuExporter::handleEvent(int id, const QString& eventId) {
    std::optional<QString> command; // the key a click on `id` chooses
    if (const qsizetype at = ids_.indexOf(id); at >= 0) {
        const TrayMenuEntry& entry = entries_.at(at);
        if (entry.enabled && !entry.separator) {
            command = entry.key;
        }
    } else if (const auto retired = retired_.constFind(id); retired != retired_.constEnd()) {
        command = retired.value();
    } else if (id != 0) {
        return false;
    }
    if (command && eventId == QLatin1String("clicked")) {
        emit entryChosen(*command);
    }
    return true;
}

DBusMenuAdaptor::DBusMenuAdaptor(DBusMenuExporter* menu)
    : QDBusAbstractAdaptor(menu), menu_(*menu) {
    connect(menu, &DBusMenuExporter::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
    connect(menu, &DBusMenuExporter::itemsPropertiesUpdated, this,
            &DBusMenuAdaptor::ItemsPropertiesUpdated);
}

QString DBusMenuAdaptor::textDirection() const {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

void DBusMenuAdaptor::unknownId(int id) const {
    if (menu_.calledFromDBus()) {
        menu_.sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu entry %1").arg(id));
    }
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                dbus::MenuLayoutItem& layout) {
    const auto found = menu_.layout(parentId, recursionDepth, propertyNames);
    if (!found) {
        unknownId(parentId);
        return 0;
    }
    layout = *found;
    return menu_.revision();
}

dbus::MenuItemPropertiesList DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids,
                                                                 const QStringList& propertyNames) {
    dbus::MenuItemPropertiesList all;
    for (int id : ids) {
        if (const auto properties = menu_.properties(id, propertyNames)) {
            all << dbus::MenuItemProperties{id, *properties};
        }
    }
    return all;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name) {
    const auto properties = menu_.properties(id, {name});
    if (!properties) {
        unknownId(id);
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(properties->value(name, QString()));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!menu_.handleEvent(id, eventId)) {
        unknownId(id);
    }
}

QList<int> DBusMenuAdaptor::EventGroup(const dbus::MenuEventList& events) {
    QList<int> errors;
    for (const dbus::MenuEvent& event : events) {
        if (!menu_.handleEvent(event.id, event.eventId)) {
            errors << event.id;
        }
    }
    return errors;
}

// The menu is kept whole and current all the time, so opening it never needs a new layout.
bool DBusMenuAdaptor::AboutToShow(int) {
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (int id : ids) {
        if (!menu_.properties(id, {})) {
            idErrors << id;
        }
    }
    return {};
}

} // namespace tavik::platform
