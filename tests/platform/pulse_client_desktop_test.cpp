// The sound-server connection through a server that goes away and comes back, against a private
// server of the test desktop's kind.
#include "platform/linux/pulse_client.h"
#include "tests/support/audio_log.h"
#include "tests/support/fixtures.h"
#include "tests/support/sound_server.h"

#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace tavik::platform::pulse {
namespace {

using Kind = PulseClient::Event::Kind;

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

bool lists(PulseClient& client, const QString& name) {
    const auto names = sourceNames(client);
    return names && std::find(names->begin(), names->end(), name) != names->end();
}

// The events a client announces, as its listener sees them on the loop thread.
class EventLog {
public:
    explicit EventLog(PulseClient& client) : client_(client) {
        id_ = client.addListener([this](const PulseClient::Event& event) {
            std::lock_guard guard(mutex_);
            kinds_.push_back(event.kind);
        });
    }
    ~EventLog() { client_.removeListener(id_); }

    int count(Kind kind) const {
        std::lock_guard guard(mutex_);
        return int(std::count(kinds_.begin(), kinds_.end(), kind));
    }
    void clear() {
        std::lock_guard guard(mutex_);
        kinds_.clear();
    }

private:
    PulseClient& client_;
    PulseClient::ListenerId id_ = 0;
    mutable std::mutex mutex_;
    std::vector<Kind> kinds_;
};

// Asks the way the application does while the server is away: query after query.
void keepAsking(PulseClient& client, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        EXPECT_FALSE(sourceNames(client));
        client.ensureConnected(std::chrono::milliseconds(100));
        test::spinUntil([] { return false; }, 10);
    }
}

const QString lostLine = QStringLiteral("audio: sound server connection lost — ");
const QString regainedLine = QStringLiteral("audio: sound server connection regained");

TEST(PulseClientDesktop, ReconnectsAndTellsListenersWhenTheServerComesBack) {
    TAVIK_REQUIRE_DESKTOP();
    test::PrivateSoundServer server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    PulseClient client(server.address());
    ASSERT_TRUE(client.ensureConnected()) << server.log().toStdString();
    EventLog events(client);
    EXPECT_TRUE(lists(client, "tavik_pipe"));

    server.stop();
    ASSERT_TRUE(test::spinUntil([&] { return events.count(Kind::Lost) == 1; }, 5000));
    // While the server is away a query fails within its bound instead of hanging.
    EXPECT_FALSE(sourceNames(client));

    ASSERT_TRUE(server.start()) << server.log().toStdString();
    ASSERT_TRUE(test::spinUntil([&] { return events.count(Kind::Regained) == 1; }, 10000));
    EXPECT_TRUE(lists(client, "tavik_pipe"));

    // The subscription was renewed on the new connection: a new source is announced.
    events.clear();
    QProcess pactl;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PULSE_SERVER", QString::fromUtf8(server.address()));
    pactl.setProcessEnvironment(environment);
    pactl.start("pactl", {"load-module", "module-null-sink", "sink_name=late_probe"});
    ASSERT_TRUE(pactl.waitForFinished(10000));
    EXPECT_TRUE(test::spinUntil([&] { return events.count(Kind::SourceAdded) >= 1; }, 5000));
}

TEST(PulseClientDesktop, AnOutageIsToldOnceEachWayAndRetriedAtAPace) {
    TAVIK_REQUIRE_DESKTOP();
    test::PrivateSoundServer server;
    ASSERT_TRUE(server.start()) << server.log().toStdString();
    // A tenth of the everyday pace: these 3 s of outage retry as 30 s would.
    const ReconnectPacing tenth{std::chrono::milliseconds(25), std::chrono::milliseconds(150)};
    PulseClient client(server.address(), tenth);
    ASSERT_TRUE(client.ensureConnected()) << server.log().toStdString();
    EventLog events(client);
    const auto attemptsBefore = client.connectionAttempts();

    QElapsedTimer outage;
    outage.start();
    server.stop();
    ASSERT_TRUE(test::spinUntil([&] { return events.count(Kind::Lost) == 1; }, 5000));
    keepAsking(client, 3000);
    EXPECT_EQ(events.count(Kind::Lost), 1);
    EXPECT_EQ(events.count(Kind::Regained), 0);
    EXPECT_EQ(test::countLoggedStartingWith(lostLine), 1)
        << test::loggedMessages().join('\n').toStdString();
    // Paced: one attempt per step of the back-off (25, 50, 100, then every 150 ms) however
    // many queries ask, and it does keep trying. One more than the steps allow for the attempt
    // at the loss itself and a step that ends as the count is read; unpaced would be hundreds.
    const auto attempts = client.connectionAttempts() - attemptsBefore;
    EXPECT_LE(attempts, std::uint64_t(outage.elapsed() / 150 + 5));
    EXPECT_GE(attempts, 3u);

    ASSERT_TRUE(server.start()) << server.log().toStdString();
    ASSERT_TRUE(test::spinUntil([&] { return events.count(Kind::Regained) == 1; }, 5000));
    EXPECT_TRUE(lists(client, "tavik_pipe"));
    EXPECT_EQ(events.count(Kind::Lost), 1);
    EXPECT_EQ(test::countLoggedStartingWith(lostLine), 1);
    EXPECT_EQ(test::countLogged(regainedLine), 1);
}

} // namespace
} // namespace tavik::platform::pulse
