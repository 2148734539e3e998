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

bool secretServiceOnTheBus() {
    QProcess query;
    query.start("dbus-send", {"--session", "--print-reply", "--dest=org.freedesktop.DBus",
                              "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                              "string:org.freedesktop.secrets"});
    return query.waitForFinished(5000) && query.readAllStandardOutput().contains("true");
}

// A gnome-keyring daemon with an unlocked login keyring in the test's private data folder.
class KeychainDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        if (QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty()) {
            GTEST_SKIP() << "gnome-keyring is not installed (scripts/setup installs it)";
        }
        ASSERT_TRUE(runtime.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        daemon.setProcessEnvironment(environment);
        daemon.start("gnome-keyring-daemon", {"--unlock", "--foreground", "--components=secrets"});
        ASSERT_TRUE(daemon.waitForStarted(5000));
        daemon.write("throwaway-test-password");
        daemon.closeWriteChannel();
        ASSERT_TRUE(test::spinUntil(&secretServiceOnTheBus, 10'000));
    }

    void TearDown() override {
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();
            daemon.waitForFinished(5000);
        }
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
