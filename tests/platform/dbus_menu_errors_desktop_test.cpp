// A panel asking the tray menu over D-Bus about an entry it does not hold gets an error, as
// dbusmenu hosts expect, not an empty success it would draw.
#include "platform/linux/dbus_menu_exporter.h"
#include "tests/support/fixtures.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::platform {
namespace {

TEST(DBusMenuOnTheBus, UnknownIdsAreAnsweredWithAnErrorKnownOnesWithTheirValues) {
    TAVIK_REQUIRE_DESKTOP();
    dbus::registerTypes();
    auto menu = new DBusMenuExporter;
    new DBusMenuAdaptor(menu);
    TrayMenuEntry quit;
    quit.key = "quit";
    quit.label = "Quit Tavik";
    menu->setEntries({quit});
    QDBusConnection served =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "dbusmenu-served");
    ASSERT_TRUE(served.isConnected());
    ASSERT_TRUE(served.registerObject("/MenuBar", menu, QDBusConnection::ExportAdaptors));
    QDBusConnection panel =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "dbusmenu-panel");
    ASSERT_TRUE(panel.isConnected());

    // Asked asynchronously: the menu answers from this thread's event loop.
    const auto ask = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(served.baseService(), "/MenuBar",
                                                           "com.canonical.dbusmenu", method);
        call.setArguments(arguments);
        QDBusPendingCall pending = panel.asyncCall(call, 5000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 6000));
        return pending.reply();
    };
    const int known = menu->layout(0, -1, {})->children.first().id;
    const int unknown = known + 1000;

    const QList<std::pair<QString, QVariantList>> calls = {
        {"GetLayout", {unknown, -1, QStringList()}},
        {"GetProperty", {unknown, QStringLiteral("label")}},
        {"Event", {unknown, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u}},
    };
    for (const auto& [method, arguments] : calls) {
        const QDBusMessage reply = ask(method, arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << method.toStdString();
        EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.InvalidArgs")
            << method.toStdString();
    }

    const QDBusMessage label = ask("GetProperty", {known, QStringLiteral("label")});
    EXPECT_EQ(label.arguments().value(0).value<QDBusVariant>().variant().toString(), "Quit Tavik")
        << label.errorMessage().toStdString();

    served.unregisterObject("/MenuBar");
    delete menu;
    QDBusConnection::disconnectFromBus("dbusmenu-served");
    QDBusConnection::disconnectFromBus("dbusmenu-panel");
}

} // namespace
} // namespace tavik::platform
