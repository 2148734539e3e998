#include "platform/status_notifier_item.h"

#include "platform/linux/dbus_menu_exporter.h"
#include "platform/linux/status_notifier_adaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

#include <functional>

namespace tavik::platform {
namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

constexpr uint doNotQueue = 4;   // RequestName flag
constexpr uint primaryOwner = 1; // RequestName replies
constexpr uint alreadyOwner = 4;

} // namespace

// The item's life on the bus: its name, the watcher it is offered to, and whether a panel
// shows it. Every answer from the bus carries the generation it was asked in; an answer about
// a watcher that has since gone or changed is dropped.
class StatusNotifierItem::Private final : public QObject {
    Q_OBJECT
public:
    explicit Private(StatusNotifierItem& item) : item_(item), menu_(new DBusMenuExporter(this)) {
        dbus::registerTypes();
        adaptor_ = new StatusNotifierAdaptor(
            &itemObject_, face_, [this](int x, int y) { emit item_.menuRequested(QPoint(x, y)); });
        new DBusMenuAdaptor(menu_);
        connect(menu_, &DBusMenuExporter::entryChosen, &item_, &StatusNotifierItem::entryChosen);
        face_.menu = QDBusObjectPath(menuPath);
    }

    ~Private() override {
        if (!published_) {
            return;
        }
        bus_.unregisterObject(itemPath);
        bus_.unregisterObject(menuPath);
        if (!serviceName_.isEmpty()) {
            // Without waiting: the watcher drops the item when the name goes.
            QDBusMessage release =
                QDBusMessage::createMethodCall(busService, busPath, busService, "ReleaseName");
            release << serviceName_;
            bus_.call(release, QDBus::NoBlock);
        }
    }

    void publish() {
        if (published_) {
            return;
        }
        published_ = true;
        if (!bus_.isConnected() ||
            !bus_.registerObject(itemPath, &itemObject_, QDBusConnection::ExportAdaptors) ||
            !bus_.registerObject(menuPath, menu_, QDBusConnection::ExportAdaptors)) {
            setPresence(Presence::absent);
            return;
        }
        auto* watch = new QDBusServiceWatcher(watcherService, bus_,
                                              QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watch, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    watcherChanged(!owner.isEmpty());
                });
        // From any sender: naming the watcher would make QtDBus look its owner up, a call that
        // waits on the bus.
        bus_.connect(QString(), watcherPath, watcherService,
                     QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(askHost()));
        bus_.connect(QString(), watcherPath, watcherService,
                     QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(askHost()));

        const QString wanted = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(++instances_);
        QDBusMessage request =
            QDBusMessage::createMethodCall(busService, busPath, busService, "RequestName");
        request << wanted << doNotQueue;
        ask(request, [this, wanted](const QDBusMessage& reply) {
            const uint answer = reply.arguments().value(0).toUInt();
            if (reply.type() == QDBusMessage::ReplyMessage &&
                (answer == primaryOwner || answer == alreadyOwner)) {
                serviceName_ = wanted;
            }
            // Without the name the item is offered by its path on this connection.
            named_ = true;
            findWatcher();
        });
    }

    void setIcon(const TrayIconImage& icon) {
        if (icon == icon_) {
            return;
        }
        icon_ = icon;
        face_.iconName = icon.name;
        face_.iconThemePath = icon.themePath;
        face_.pixmaps.clear();
        for (const QImage& image : icon.pixmaps) {
            face_.pixmaps << dbus::iconPixmap(image);
        }
        emit adaptor_->NewIcon();
    }

    void setMenu(const QList<TrayMenuEntry>& entries) { menu_->setEntries(entries); }

    void setIdentity(const QString& id, const QString& title) {
        face_.id = id;
        face_.title = title;
    }

    Presence presence() const { return presence_; }

public Q_SLOTS:
    // Whether the watcher has a panel behind it; asked again when panels come and go.
    void askHost() {
        if (!offered_) {
            return;
        }
        QDBusMessage get = QDBusMessage::createMethodCall(
            watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
        askWatcher(get, [this](const QDBusMessage& reply) {
            // A watcher that cannot say is one a panel runs: it took the item.
            const bool hosted = reply.type() != QDBusMessage::ReplyMessage ||
                                reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
            setPresence(hosted ? Presence::shown : Presence::absent);
        });
    }

private:
    void ask(const QDBusMessage& message, std::function<void(const QDBusMessage&)> answered) {
        auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(message, callTimeoutMs), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [pending, answered = std::move(answered)] {
                    pending->deleteLater();
                    answered(pending->reply());
                });
    }

    // An ask about the watcher: an answer that comes after the watcher came or went is
    // dropped, since that news decides.
    void askWatcher(const QDBusMessage& message,
                    std::function<void(const QDBusMessage&)> answered) {
        ask(message,
            [this, asked = generation_, answered = std::move(answered)](const QDBusMessage& reply) {
                if (asked == generation_) {
                    answered(reply);
                }
            });
    }

    void findWatcher() {
        QDBusMessage has =
            QDBusMessage::createMethodCall(busService, busPath, busService, "NameHasOwner");
        has << watcherService;
        askWatcher(has, [this](const QDBusMessage& reply) {
            const bool running =
                reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
            if (running) {
                offer();
            } else {
                setPresence(Presence::absent);
            }
        });
    }

    void watcherChanged(bool running) {
        ++generation_;
        offered_ = false;
        if (!running) {
            setPresence(Presence::absent);
        } else if (named_) {
            offer();
        }
    }

    void offer() {
        QDBusMessage offer =
            QDBusMessage::createMethodCall(watcherService, watcherPath, watcherService,
                                           QStringLiteral("RegisterStatusNotifierItem"));
        offer << (serviceName_.isEmpty() ? itemPath : serviceName_);
        askWatcher(offer, [this](const QDBusMessage& reply) {
            if (reply.type() != QDBusMessage::ReplyMessage) {
                setPresence(Presence::absent);
                return;
            }
            offered_ = true;
            askHost();
        });
    }

    void setPresence(Presence presence) {
        if (presence != presence_) {
            presence_ = presence;
            emit item_.presenceChanged(presence);
        }
    }

    StatusNotifierItem& item_;
    QDBusConnection bus_ = QDBusConnection::sessionBus();
    StatusNotifierFace face_;
    TrayIconImage icon_;
    QObject itemObject_;
    DBusMenuExporter* menu_;
    StatusNotifierAdaptor* adaptor_ = nullptr;
    QString serviceName_;
    Presence presence_ = Presence::probing;
    quint64 generation_ = 0;
    bool published_ = false;
    bool named_ = false;
    bool offered_ = false;
    static inline int instances_ = 0;
};

StatusNotifierItem::StatusNotifierItem(const QString& id, const QString& title, QObject* parent)
    : QObject(parent), d_(std::make_unique<Private>(*this)) {
    d_->setIdentity(id, title);
}

StatusNotifierItem::~StatusNotifierItem() = default;

void StatusNotifierItem::publish() {
    d_->publish();
}

StatusNotifierItem::Presence StatusNotifierItem::presence() const {
    return d_->presence();
}

void StatusNotifierItem::setIcon(const TrayIconImage& icon) {
    d_->setIcon(icon);
}

void StatusNotifierItem::setMenu(const QList<TrayMenuEntry>& entries) {
    d_->setMenu(entries);
}

} // namespace tavik::platform

#include "dbus_status_notifier_item.moc"
