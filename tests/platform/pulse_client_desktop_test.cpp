// The sound-server connection surviving a server restart, against a private server of its own.
#include "platform/linux/pulse_client.h"
#include "tests/support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace tavik::platform::pulse {
namespace {

// A private sound server with one source, started and stopped by the test.
class PrivateServer {
public:
    PrivateServer() {
        QFile config(folder_.filePath("server.pa"));
        if (config.open(QIODevice::WriteOnly)) {
            config.write("load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                         socket().toUtf8() + "\n");
            config.write("load-module module-null-source source_name=reconnect_probe\n");
        }
        QDir(folder_.path()).mkpath("run");
    }
    ~PrivateServer() { stop(); }

    QString log() const {
        QFile file(folder_.filePath("server.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString socket() const { return folder_.filePath("native"); }
    QByteArray address() const { return "unix:" + socket().toUtf8(); }

    bool start() {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", folder_.path());
        environment.insert("PULSE_RUNTIME_PATH", folder_.filePath("run"));
        environment.remove("PULSE_SERVER");
        // Away from the session bus, where the desktop's own server holds the well-known name.
        environment.remove("DBUS_SESSION_BUS_ADDRESS");
        environment.remove("DISPLAY");
        environment.insert("XDG_CONFIG_HOME", folder_.filePath("config"));
        process_.setProcessEnvironment(environment);
        process_.setStandardOutputFile(folder_.filePath("server.log"));
        process_.setStandardErrorFile(folder_.filePath("server.log"), QIODevice::Append);
        process_.start("pulseaudio",
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                        "--use-pid-file=no", "--system=no", "-F", folder_.filePath("server.pa")});
        return process_.waitForStarted(5000);
    }
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
    }

private:
    QTemporaryDir folder_;
    QProcess process_;
};

// The names of the server's sources, or none when the client could not ask.
std::optional<std::vector<QString>> sourceNames(PulseClient& client) {
    struct Query {
        std::vector<QString> names;
        std::function<void()> finish;
    } query;
    const bool answered = client.request([&](pa_context* context, auto finish) {
        query.finish = std::move(finish);
        return pa_context_get_source_info_list(
            context,
            [](pa_context*, const pa_source_info* info, int end, void* userdata) {
                auto* query = static_cast<Query*>(userdata);
                if (end != 0) {
                    query->finish();
                } else if (info != nullptr) {
                    query->names.push_back(QString::fromUtf8(info->name));
                }
            },
            &query);
    });
    return answered ? std::optional(query.names) : std::nullopt;
}

bool connectsWithin(PulseClient& client, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (client.ensureConnected(std::chrono::milliseconds(100))) {
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

TEST(PulseClientDesktop, ReconnectsAndTellsListenersWhenTheServerComesBack) {
    TAVIK_REQUIRE_DESKTOP();
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    PrivateServer server;
    ASSERT_TRUE(server.start());
    PulseClient client(server.address());
    ASSERT_TRUE(connectsWithin(client, 10)) << server.log().toStdString();

    std::mutex mutex;
    std::vector<PulseClient::Event::Kind> events;
    const auto listener = client.addListener([&](const PulseClient::Event& event) {
        std::lock_guard guard(mutex);
        events.push_back(event.kind);
    });
    auto seen = [&](PulseClient::Event::Kind kind) {
        std::lock_guard guard(mutex);
        return std::find(events.begin(), events.end(), kind) != events.end();
    };
    auto names = sourceNames(client);
    ASSERT_TRUE(names);
    EXPECT_NE(std::find(names->begin(), names->end(), "reconnect_probe"), names->end());

    server.stop();
    ASSERT_TRUE(test::spinUntil([&] { return seen(PulseClient::Event::Kind::Lost); }, 5000));
    // While the server is away a query fails within its bound instead of hanging.
    EXPECT_FALSE(sourceNames(client));

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(test::spinUntil([&] { return seen(PulseClient::Event::Kind::Regained); }, 15000));
    names = sourceNames(client);
    ASSERT_TRUE(names);
    EXPECT_NE(std::find(names->begin(), names->end(), "reconnect_probe"), names->end());

    // The subscription was renewed on the new connection: a new source is announced.
    {
        std::lock_guard guard(mutex);
        events.clear();
    }
    QProcess pactl;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PULSE_SERVER", QString::fromUtf8(server.address()));
    pactl.setProcessEnvironment(environment);
    pactl.start("pactl", {"load-module", "module-null-source", "source_name=late_probe"});
    ASSERT_TRUE(pactl.waitForFinished(10000));
    EXPECT_TRUE(test::spinUntil([&] { return seen(PulseClient::Event::Kind::SourceAdded); }, 5000));
    client.removeListener(listener);
}

} // namespace
} // namespace tavik::platform::pulse
