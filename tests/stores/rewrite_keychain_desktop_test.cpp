// The keychain against a real Secret Service (gnome-keyring) on the test desktop's private
// session bus, and the rewrite request taking its key from there.
#include "app/stores/preferences.h"
#include "app/stores/transforms.h"
#include "platform/keychain.h"

#include "tests/support/fixtures.h"
#include "tests/support/rewrite_https_server.h"
#include "tests/support/transforms_printers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using platform::Keychain;

// The process that holds the Secret Service's name on the session bus, 0 when none does. Asking
// for the owner's process never starts a service, unlike a call to the service itself.
qint64 secretServiceOwner() {
    QProcess query;
    query.start("dbus-send",
                {"--session", "--print-reply", "--dest=org.freedesktop.DBus",
                 "/org/freedesktop/DBus", "org.freedesktop.DBus.GetConnectionUnixProcessID",
                 "string:org.freedesktop.secrets"});
    if (!query.waitForFinished(5000) || query.exitCode() != 0) {
        return 0;
    }
    const QList<QByteArray> words = query.readAllStandardOutput().simplified().split(' ');
    return words.size() >= 2 && words[words.size() - 2] == "uint32" ? words.last().toLongLong() : 0;
}

void stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
}

// A gnome-keyring daemon with an unlocked login keyring in the test's private data folder, on a
// session bus of the test's own. The desktop's bus is shared with every test running beside this
// one: any of them reading the keychain has that bus start a keyring daemon by itself (with a
// locked keyring in that test's throwaway HOME), which then keeps the Secret Service's name and
// answers in place of this test's daemon until the session ends.
class KeychainDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        for (const char* tool : {"gnome-keyring-daemon", "dbus-daemon", "secret-tool"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty()) {
                GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
            }
        }
        ASSERT_TRUE(runtime.isValid());

        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                  "--address=unix:dir=" + runtime.path()});
        ASSERT_TRUE(bus.waitForStarted(5000));
        QByteArray address;
        ASSERT_TRUE(test::spinUntil(
            [&] {
                address += bus.readAllStandardOutput();
                return address.contains('\n') || bus.state() == QProcess::NotRunning;
            },
            10'000))
            << "the test's session bus never gave its address";
        address = address.trimmed();
        ASSERT_FALSE(address.isEmpty()) << bus.readAllStandardError().toStdString();
        // Nothing in this process has spoken on the session bus yet, so the keychain and every
        // tool started from here connect to the test's own bus.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.constData(), 1);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        daemon.setProcessEnvironment(environment);
        daemon.start("gnome-keyring-daemon", {"--unlock", "--foreground", "--components=secrets"});
        ASSERT_TRUE(daemon.waitForStarted(5000));
        daemon.write("throwaway-test-password");
        daemon.closeWriteChannel();
        // Ready when this daemon, not one the bus started on demand, holds the name.
        ASSERT_TRUE(test::spinUntil(
            [&] {
                return daemon.state() == QProcess::NotRunning ||
                       secretServiceOwner() == daemon.processId();
            },
            10'000));
        ASSERT_EQ(secretServiceOwner(), daemon.processId())
            << "the keyring daemon did not take the Secret Service's name: "
            << daemon.readAllStandardError().toStdString();
    }

    void TearDown() override {
        stop(daemon);
        stop(bus);
    }

    static bool storeWithTheDesktopTool(const QString& account, const QByteArray& value) {
        QProcess tool;
        tool.start("secret-tool", {"store", "--label=Tavik test", "service", "com.trelvanic.tavik",
                                   "account", account});
        tool.write(value);
        tool.closeWriteChannel();
        return tool.waitForFinished(10'000) && tool.exitCode() == 0;
    }

    QTemporaryDir runtime;
    QProcess bus;
    QProcess daemon;
};

TEST_F(KeychainDesktopTest, StoresReplacesAndRemovesGenericPasswords) {
    EXPECT_EQ(Keychain::get("licenseKey"), std::nullopt);

    Keychain::set(QString::fromUtf8("key-1 é"), "licenseKey");
    EXPECT_EQ(Keychain::get("licenseKey"), QString::fromUtf8("key-1 é"));
    Keychain::set("key-2", "licenseKey");
    EXPECT_EQ(Keychain::get("licenseKey"), QString("key-2"));

    // Accounts are separate items.
    Keychain::set("other", "anotherAccount");
    EXPECT_EQ(Keychain::get("licenseKey"), QString("key-2"));
    Keychain::remove("anotherAccount");
    EXPECT_EQ(Keychain::get("anotherAccount"), std::nullopt);

    // Setting the empty value only deletes.
    Keychain::set("", "licenseKey");
    EXPECT_EQ(Keychain::get("licenseKey"), std::nullopt);
}

TEST_F(KeychainDesktopTest, TheRewriteRequestSendsTheKeyTheUserStoredWithTheDesktopTool) {
    test::RewriteHttpsServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply({200, "OK", "application/json", R"({"text":"Dear Sir,"})"});
    Preferences::shared().setRewriteServiceURL(server.baseUrl());
    RewriteService::shared().setSslConfiguration(server.trustingClientConfiguration());

    auto rewrite = [&] {
        std::optional<RewriteResult> outcome;
        QObject receiver;
        Transforms::applyAI("formal", "hi", &receiver,
                            [&](const RewriteResult& result) { outcome = result; });
        EXPECT_TRUE(test::spinUntil([&] { return outcome.has_value(); }, 20'000));
        return outcome;
    };

    // No key stored: the request still goes, with an empty key.
    std::optional<RewriteResult> result = rewrite();
    ASSERT_TRUE(result && result->succeeded());
    EXPECT_EQ(*result->text, "Dear Sir,");

    ASSERT_TRUE(storeWithTheDesktopTool("licenseKey", "desk-key-9"));
    EXPECT_EQ(Keychain::get("licenseKey"), QString("desk-key-9"));
    result = rewrite();
    ASSERT_TRUE(result && result->succeeded());

    ASSERT_EQ(server.requests().size(), 2);
    auto keyOf = [&](int i) {
        return QJsonDocument::fromJson(server.requests()[i].body)["licenseKey"].toString();
    };
    EXPECT_EQ(keyOf(0), "");
    EXPECT_EQ(keyOf(1), "desk-key-9");
}

} // namespace
} // namespace tavik
