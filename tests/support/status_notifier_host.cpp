#include "tests/support/status_notifier_host.h"

#include "tests/support/fixtures.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>

namespace tavik::test {
namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

MenuNode readNode(const QDBusArgument& argument) {
    MenuNode node;
    argument.beginStructure();
    argument >> node.id >> node.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        node.children << readNode(qvariant_cast<QDBusArgument>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return node;
}

// "<bus name><object path>" split in two.
std::pair<QString, QString> splitItem(const QString& item) {
    const qsizetype slash = item.indexOf('/');
    return {item.left(slash), item.mid(slash)};
}

} // namespace

// The org.kde.StatusNotifierWatcher object: what items call to be shown, and the properties a
// item reads to learn whether a host shows them.
class StatusNotifierHost::Watcher final : public QDBusVirtualObject {
public:
    explicit Watcher(StatusNotifierHost& host) : host_(host) {}

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<method name=\"RegisterStatusNotifierItem\"><arg type=\"s\" direction=\"in\"/>"
            "</method>"
            "<method name=\"RegisterStatusNotifierHost\"><arg type=\"s\" direction=\"in\"/>"
            "</method>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "<signal name=\"StatusNotifierItemRegistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierItemUnregistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierHostRegistered\"/>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (message.interface() == watcherService && member == "RegisterStatusNotifierItem") {
            const QString given = message.arguments().value(0).toString();
            const QString item = given.startsWith('/')
                                     ? message.service() + given
                                     : given + QStringLiteral("/StatusNotifierItem");
            connection.send(message.createReply());
            host_.addItem(item);
            QDBusMessage signal = QDBusMessage::createSignal(watcherPath, watcherService,
                                                             "StatusNotifierItemRegistered");
            signal << item;
            connection.send(signal);
            return true;
        }
        if (message.interface() == watcherService && member == "RegisterStatusNotifierHost") {
            connection.send(message.createReply());
            return true;
        }
        if (message.interface() == propertiesInterface) {
            QVariantMap all{
                {"RegisteredStatusNotifierItems", host_.items()},
                {"IsStatusNotifierHostRegistered", true},
                {"ProtocolVersion", 0},
            };
            if (member == "GetAll") {
                connection.send(message.createReply(QVariant::fromValue(all)));
                return true;
            }
            if (member == "Get" && all.contains(message.arguments().value(1).toString())) {
                const QVariant value = all.value(message.arguments().value(1).toString());
                connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
                return true;
            }
        }
        return false; // introspection and the rest: Qt answers
    }

private:
    StatusNotifierHost& host_;
};

QString MenuNode::type() const {
    return properties.value("type", QStringLiteral("standard")).toString();
}

bool MenuNode::enabled() const {
    return properties.value("enabled", true).toBool();
}

QString MenuNode::shownLabel() const {
    const QString label = properties.value("label").toString();
    QString shown;
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] == '_') {
            if (i + 1 < label.size() && label[i + 1] == '_') {
                shown += '_';
                ++i;
            }
            continue;
        }
        shown += label[i];
    }
    return shown;
}

const MenuNode* MenuNode::find(const QString& label) const {
    for (const MenuNode& child : children) {
        if (child.shownLabel() == label) {
            return &child;
        }
    }
    return nullptr;
}

StatusNotifierHost::StatusNotifierHost() = default;

StatusNotifierHost::~StatusNotifierHost() {
    stop();
}

bool StatusNotifierHost::start() {
    static int started = 0;
    connectionName_ = QStringLiteral("tavik-test-tray-host-%1").arg(++started);
    bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    if (!bus_->isConnected()) {
        bus_.reset();
        return false;
    }
    watcher_ = std::make_unique<Watcher>(*this);
    if (!bus_->registerVirtualObject(watcherPath, watcher_.get()) ||
        !bus_->registerService(watcherService)) {
        stop();
        return false;
    }
    bus_->registerService(
        QStringLiteral("org.kde.StatusNotifierHost-%1").arg(QCoreApplication::applicationPid()));
    bus_->send(
        QDBusMessage::createSignal(watcherPath, watcherService, "StatusNotifierHostRegistered"));
    return true;
}

void StatusNotifierHost::stop() {
    if (!bus_) {
        return;
    }
    bus_->unregisterService(watcherService);
    bus_->unregisterObject(watcherPath);
    bus_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
    watcher_.reset();
    items_.clear();
    pids_.clear();
    followed_.clear();
    layoutUpdates_ = propertyUpdates_ = 0;
}

void StatusNotifierHost::addItem(const QString& item) {
    if (items_.contains(item)) {
        return;
    }
    items_ << item;
    QDBusMessage whose =
        QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    whose << splitItem(item).first;
    auto* asked = new QDBusPendingCallWatcher(bus_->asyncCall(whose, 5000), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, asked, item] {
        asked->deleteLater();
        const QDBusMessage reply = asked->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            pids_.insert(item, reply.arguments().first().toLongLong());
        }
    });
    auto* gone = new QDBusServiceWatcher(splitItem(item).first, *bus_,
                                         QDBusServiceWatcher::WatchForUnregistration, this);
    connect(gone, &QDBusServiceWatcher::serviceUnregistered, this,
            &StatusNotifierHost::onServiceUnregistered);
}

void StatusNotifierHost::onServiceUnregistered(const QString& service) {
    items_.removeIf([&](const QString& item) { return splitItem(item).first == service; });
}

QString StatusNotifierHost::waitForItem(qint64 pid, int timeoutMs) {
    QString found;
    spinUntil(
        [&] {
            for (const QString& item : std::as_const(items_)) {
                if (pids_.value(item, -1) == pid) {
                    found = item;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (found.isEmpty() || followed_.contains(found)) {
        return found;
    }
    followed_ << found;
    const QString service = splitItem(found).first;
    const QString menu = menuPath(found, 5000);
    bus_->connect(service, menu, menuInterface, "LayoutUpdated", this,
                  SLOT(onLayoutUpdated(uint, int)));
    bus_->connect(service, menu, menuInterface, "ItemsPropertiesUpdated", this,
                  SLOT(onItemsPropertiesUpdated(QDBusMessage)));
    return found;
}

std::optional<QDBusMessage> StatusNotifierHost::call(const QDBusMessage& message, int timeoutMs) {
    if (!bus_) {
        return std::nullopt;
    }
    QDBusPendingCall pending = bus_->asyncCall(message, timeoutMs);
    spinUntil([&] { return pending.isFinished(); }, timeoutMs + 1000);
    if (!pending.isFinished() || pending.isError()) {
        return std::nullopt;
    }
    return pending.reply();
}

QVariantMap StatusNotifierHost::itemProperties(const QString& item, int timeoutMs) {
    const auto [service, path] = splitItem(item);
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, path, propertiesInterface, "GetAll");
    message << itemInterface;
    const auto reply = call(message, timeoutMs);
    if (!reply || reply->arguments().isEmpty()) {
        return {};
    }
    return qdbus_cast<QVariantMap>(reply->arguments().first());
}

QList<QImage> StatusNotifierHost::pixmaps(const QVariant& property) {
    QList<QImage> images;
    if (property.userType() != qMetaTypeId<QDBusArgument>()) {
        return images;
    }
    const QDBusArgument argument = property.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= 0 || height <= 0 || bytes.size() != qsizetype(width) * height * 4) {
            images << QImage();
            continue;
        }
        QImage image(width, height, QImage::Format_ARGB32);
        const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const uchar* p = data + (qsizetype(y) * width + x) * 4;
                line[x] = qRgba(p[1], p[2], p[3], p[0]); // A, R, G, B in network order
            }
        }
        images << image;
    }
    argument.endArray();
    return images;
}

QString StatusNotifierHost::menuPath(const QString& item, int timeoutMs) {
    const QVariant menu = itemProperties(item, timeoutMs).value("Menu");
    return menu.value<QDBusObjectPath>().path();
}

std::optional<MenuNode> StatusNotifierHost::menu(const QString& item, uint* revision,
                                                 int timeoutMs) {
    const QString path = menuPath(item, timeoutMs);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(splitItem(item).first, path, menuInterface, "GetLayout");
    message << 0 << -1 << QStringList();
    const auto reply = call(message, timeoutMs);
    if (!reply || reply->arguments().size() != 2) {
        return std::nullopt;
    }
    if (revision != nullptr) {
        *revision = reply->arguments().at(0).toUInt();
    }
    return readNode(qvariant_cast<QDBusArgument>(reply->arguments().at(1)));
}

std::optional<bool> StatusNotifierHost::aboutToShow(const QString& item, int id, int timeoutMs) {
    const QString path = menuPath(item, timeoutMs);
    QDBusMessage message =
        QDBusMessage::createMethodCall(splitItem(item).first, path, menuInterface, "AboutToShow");
    message << id;
    const auto reply = call(message, timeoutMs);
    if (!reply || reply->arguments().isEmpty()) {
        return std::nullopt;
    }
    return reply->arguments().first().toBool();
}

bool StatusNotifierHost::menuEvent(const QString& item, int id, const QString& eventId,
                                   int timeoutMs) {
    const QString path = menuPath(item, timeoutMs);
    QDBusMessage message =
        QDBusMessage::createMethodCall(splitItem(item).first, path, menuInterface, "Event");
    message << id << eventId << QVariant::fromValue(QDBusVariant(0)) << 0u;
    return call(message, timeoutMs).has_value();
}

void StatusNotifierHost::onLayoutUpdated(uint, int) {
    ++layoutUpdates_;
}

void StatusNotifierHost::onItemsPropertiesUpdated(const QDBusMessage&) {
    ++propertyUpdates_;
}

} // namespace tavik::test
