#pragma once

#include "platform/linux/dbus_tray_types.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>

#include <functional>

namespace tavik::platform {

// What the org.kde.StatusNotifierItem interface shows of the item; the item fills it in.
struct StatusNotifierFace {
    QString id;
    QString title;
    QString iconName;
    QString iconThemePath;
    dbus::IconPixmapList pixmaps;
    QDBusObjectPath menu;
};

// The org.kde.StatusNotifierItem interface over a StatusNotifierFace. Clicks on the icon that
// the panel hands back to the application come out as one callback.
class StatusNotifierAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(tavik::platform::dbus::IconPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ none)
    Q_PROPERTY(tavik::platform::dbus::IconPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ none)
    Q_PROPERTY(tavik::platform::dbus::IconPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ none)
    Q_PROPERTY(tavik::platform::dbus::ToolTip ToolTip READ toolTip)
public:
    using MenuRequest = std::function<void(int x, int y)>;

    StatusNotifierAdaptor(QObject* object, const StatusNotifierFace& face, MenuRequest requested);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return face_.id; }
    QString title() const { return face_.title; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconThemePath() const { return face_.iconThemePath; }
    QDBusObjectPath menu() const { return face_.menu; }
    // A primary click opens the menu, as on every other kind of tray.
    bool itemIsMenu() const { return true; }
    QString iconName() const { return face_.iconName; }
    dbus::IconPixmapList iconPixmap() const { return face_.pixmaps; }
    QString none() const { return {}; }
    dbus::IconPixmapList noPixmaps() const { return {}; }
    dbus::ToolTip toolTip() const { return {{}, {}, face_.title, {}}; }

public Q_SLOTS:
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    const StatusNotifierFace& face_;
    MenuRequest requested_;
};

} // namespace tavik::platform
