// The rewrite request against a real HTTPS server on this machine: what is sent, and how each
// kind of reply becomes a text or an error.
#include "app/stores/rewrite_service.h"

#include "tests/support/fixtures.h"
#include "tests/support/rewrite_https_server.h"
#include "tests/support/transforms_printers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace tavik {
namespace {

const QString unusedDefault = QStringLiteral("https://rewrite.invalid/");

class RewriteServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.isListening()) {
            GTEST_SKIP() << "could not start the local HTTPS server (is the openssl tool there?)";
        }
        base = server.baseUrl();
        service.setSslConfiguration(server.trustingClientConfiguration());
    }

    // Runs one rewrite and waits for its outcome.
    RewriteResult rewriteNow(const QString& instruction, const QString& text) {
        std::optional<RewriteResult> outcome;
        service.rewrite(instruction, text, &receiver,
                        [&](const RewriteResult& result) { outcome = result; });
        EXPECT_TRUE(test::spinUntil([&] { return outcome.has_value(); }, 20'000));
        return outcome.value_or(RewriteResult::failure(Error{"test", -1, "no outcome"}));
    }

    test::RewriteHttpsServer server;
    QString base;
    QString licenseKey = QStringLiteral("key-7f3a");
    std::atomic<bool> keyReadOnMainThread{false};
    RewriteService service{[this] { return base; },
                           [this] {
                               keyReadOnMainThread = QThread::currentThread() ==
                                                     QCoreApplication::instance()->thread();
                               return licenseKey;
                           },
                           unusedDefault};
    QObject receiver;
};

TEST(RewriteEndpointTest, JoinsTheRequestPathToTheBaseUrl) {
    const QString fallback = QStringLiteral("https://fallback.example/base/");
    EXPECT_EQ(RewriteService::endpointFor("https://h/api/", fallback).toString(QUrl::FullyEncoded),
              "https://h/api/v1/transform");
    EXPECT_EQ(RewriteService::endpointFor("https://h/api", fallback).toString(QUrl::FullyEncoded),
              "https://h/api/v1/transform");
    EXPECT_EQ(RewriteService::endpointFor("https://h", fallback).toString(QUrl::FullyEncoded),
              "https://h/v1/transform");
    EXPECT_EQ(RewriteService::endpointFor("https://h/api?x=1&y=%20", fallback)
                  .toString(QUrl::FullyEncoded),
              "https://h/api/v1/transform?x=1&y=%20");
    EXPECT_EQ(RewriteService::endpointFor("https://h/my%20api/#frag", fallback)
                  .toString(QUrl::FullyEncoded),
              "https://h/my%20api/v1/transform#frag");
    // Not a URL at all: the built-in endpoint.
    EXPECT_EQ(RewriteService::endpointFor("", fallback).toString(QUrl::FullyEncoded),
              "https://fallback.example/base/v1/transform");
    EXPECT_EQ(RewriteService::endpointFor("not a url", fallback).toString(QUrl::FullyEncoded),
              "https://fallback.example/base/v1/transform");
}

TEST_F(RewriteServiceTest, PostsOneCompactJsonRequestAndReturnsTheText) {
    server.setReply({200, "OK", "application/json", R"({"text":"Rewritten \u00e9 text."})"});
    const RewriteResult result = rewriteNow("Make it formal", u8"hey — what's up\n\"ok\"");
    ASSERT_TRUE(result.succeeded()) << result.error.description.toStdString();
    EXPECT_EQ(*result.text, QString::fromUtf8("Rewritten é text."));

    ASSERT_EQ(server.requests().size(), 1);
    const test::RecordedRequest& request = server.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/v1/transform");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    // Only the network layer's own standard headers besides the one we set.
    const QList<QByteArray> standard = {"host",       "content-type",    "content-length",
                                        "connection", "accept-encoding", "accept-language",
                                        "user-agent"};
    for (const QByteArray& name : request.headers.keys()) {
        EXPECT_TRUE(standard.contains(name)) << "unexpected header " << name.toStdString();
    }
    EXPECT_FALSE(request.body.contains('\n'));
    EXPECT_FALSE(request.body.contains(": "));
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(body.size(), 3);
    EXPECT_EQ(body.value("licenseKey").toString(), "key-7f3a");
    EXPECT_EQ(body.value("instruction").toString(), "Make it formal");
    EXPECT_EQ(body.value("text").toString(), QString::fromUtf8(u8"hey — what's up\n\"ok\""));
    EXPECT_FALSE(keyReadOnMainThread.load());
}

TEST_F(RewriteServiceTest, KeepsTheBasePathAndQuery) {
    server.setReply({200, "OK", "application/json", R"({"text":"x"})"});
    base = server.baseUrl() + "api/";
    ASSERT_TRUE(rewriteNow("i", "t").succeeded());
    base = server.baseUrl() + "api?tenant=4";
    ASSERT_TRUE(rewriteNow("i", "t").succeeded());
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].target, "/api/v1/transform");
    EXPECT_EQ(server.requests()[1].target, "/api/v1/transform?tenant=4");
}

struct ReplyRow {
    int status;
    QByteArray reason;
    QByteArray contentType;
    QByteArray body;
    std::optional<QString> text; // the expected result, or
    QString domain;              // the expected error
    int code;
    QString message; // checked for the "Tavik" errors only
};

TEST_F(RewriteServiceTest, EveryKindOfReplyGivesTheRightOutcome) {
    const QString failed = QStringLiteral("The rewrite failed.");
    const QString unreadable = QStringLiteral("Could not read the rewritten text.");
    const QList<ReplyRow> rows = {
        {200, "OK", "application/json", R"({"text":""})", QString(), {}, 0, {}},
        {200, "OK", "application/json", R"({"text":"a","error":"b"})", QString("a"), {}, 0, {}},
        {200, "OK", "application/json", "[]", {}, "Tavik", 3, unreadable},
        {200, "OK", "application/json", R"(["text"])", {}, "Tavik", 3, unreadable},
        {200, "OK", "application/json", R"({"rewritten":"a"})", {}, "Tavik", 3, unreadable},
        {200, "OK", "application/json", R"({"text":5})", {}, "Tavik", 3, unreadable},
        {200, "OK", "application/json", R"({"text":null})", {}, "Tavik", 3, unreadable},
        {200, "OK", "text/html", "<html>busy</html>", {}, "QJsonParseError", -1, {}},
        {200, "OK", "application/json", "", {}, "QJsonParseError", -1, {}},
        {200, "OK", "application/json", R"("just a string")", {}, "QJsonParseError", -1, {}},
        {200, "OK", "application/json", "5", {}, "QJsonParseError", -1, {}},
        {201, "Created", "application/json", R"({"text":"valid"})", {}, "Tavik", 201, failed},
        {500,
         "Internal Server Error",
         "application/json",
         R"({"error":"boom"})",
         {},
         "Tavik",
         500,
         "boom"},
        {500, "Internal Server Error", "text/html", "<h1>oops</h1>", {}, "Tavik", 500, failed},
        {422, "Unprocessable", "application/json", R"({"error":5})", {}, "Tavik", 422, failed},
        {403, "Forbidden", "application/json", R"({"error":""})", {}, "Tavik", 403, ""},
        {404, "Not Found", "text/plain", "", {}, "Tavik", 404, failed},
        {400, "Bad Request", "application/json", R"([{"error":"x"}])", {}, "Tavik", 400, failed},
        {304, "Not Modified", "application/json", "", {}, "Tavik", 304, failed},
        // Qt files these under authentication and proxy errors; they are still the service's
        // answers.
        {401,
         "Unauthorized",
         "application/json",
         R"({"error":"bad key"})",
         {},
         "Tavik",
         401,
         "bad key"},
        {407,
         "Proxy Authentication Required",
         "application/json",
         R"({"error":"sign in to the proxy"})",
         {},
         "Tavik",
         407,
         "sign in to the proxy"},
        {407, "Proxy Authentication Required", "text/html", "<p>no</p>", {}, "Tavik", 407, failed},
        {503,
         "Unavailable",
         "application/json",
         R"({"error":"try later"})",
         {},
         "Tavik",
         503,
         "try later"},
    };
    for (const ReplyRow& row : rows) {
        SCOPED_TRACE(QString("%1 %2").arg(row.status).arg(QString(row.body)).toStdString());
        server.setReply({row.status, row.reason, row.contentType, row.body});
        const RewriteResult result = rewriteNow("i", "t");
        if (row.text) {
            ASSERT_TRUE(result.succeeded()) << result.error.description.toStdString();
            EXPECT_EQ(*result.text, *row.text);
            continue;
        }
        ASSERT_FALSE(result.succeeded()) << result.text->toStdString();
        EXPECT_EQ(result.error.domain, row.domain);
        if (row.domain == "Tavik") {
            EXPECT_EQ(result.error.code, row.code);
            EXPECT_EQ(result.error.description, row.message);
        } else {
            EXPECT_NE(result.error.code, 0);
            EXPECT_FALSE(result.error.description.isEmpty());
        }
    }
}

TEST_F(RewriteServiceTest, AServiceThatFallsSilentTimesOutWithTheNetworkError) {
    server.setReply({200, "OK", "application/json", {}, /*silent=*/true});
    service.setIdleTimeout(std::chrono::milliseconds(400));
    const RewriteResult result = rewriteNow("i", "t");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error.domain, "QNetworkReply");
    EXPECT_EQ(result.error.code, int(QNetworkReply::TimeoutError));
    EXPECT_NE(result.error.description, "Operation canceled");
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(RewriteServiceTest, NetworkFailuresArePassedOnUnchanged) {
    // A port that nobody listens on.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    base = QStringLiteral("https://127.0.0.1:%1/").arg(port);
    RewriteResult result = rewriteNow("i", "t");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error.domain, "QNetworkReply");
    EXPECT_EQ(result.error.code, int(QNetworkReply::ConnectionRefusedError));

    // A certificate the client does not trust.
    base = server.baseUrl();
    service.setSslConfiguration(QSslConfiguration::defaultConfiguration());
    result = rewriteNow("i", "t");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error.domain, "QNetworkReply");
    EXPECT_EQ(result.error.code, int(QNetworkReply::SslHandshakeFailedError));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(RewriteServiceTest, OtherSchemesAreNeverSent) {
    // A local file where a file: base would point the request: it must never be read.
    ASSERT_TRUE(QDir::home().mkpath("v1"));
    QFile file(QDir::home().filePath("v1/transform"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"text":"local file contents"})");
    file.close();
    for (const QString& other :
         QStringList{QUrl::fromLocalFile(QDir::homePath()).toString() + "/",
                     QStringLiteral("data:application/json,%7B%7D"), QStringLiteral("qrc:/"),
                     QStringLiteral("ftp://127.0.0.1:%1/").arg(server.port()),
                     QStringLiteral("relative/path"), QStringLiteral("https:///no-host")}) {
        SCOPED_TRACE(other.toStdString());
        base = other;
        const RewriteResult result = rewriteNow("i", "t");
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.error.domain, "Tavik");
        EXPECT_EQ(result.error.code, 2);
        EXPECT_EQ(result.error.description, "No response from the rewrite service.");
    }
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(RewriteServiceTest, AnAnswerForAReceiverThatIsGoneIsDropped) {
    server.setReply({200, "OK", "application/json", R"({"text":"x"})"});
    bool lateAnswer = false;
    auto gone = std::make_unique<QObject>();
    service.rewrite("i", "first", gone.get(), [&](const RewriteResult&) { lateAnswer = true; });
    gone.reset();
    // A later request on the same path shows when the first would have been answered.
    const RewriteResult later = rewriteNow("i", "second");
    ASSERT_TRUE(later.succeeded());
    EXPECT_FALSE(lateAnswer);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(server.requests()[0].body)["text"].toString(), "second");
}

QString keyIn(const test::RecordedRequest& request) {
    return QJsonDocument::fromJson(request.body)["licenseKey"].toString();
}

TEST_F(RewriteServiceTest, TheKeyGoesOnlyToTheConfiguredOriginAndOnlyOnce) {
    // Plain HTTP to another machine would carry the key in clear: nothing is sent.
    base = QStringLiteral("http://203.0.113.9:9/");
    RewriteResult result = rewriteNow("i", "t");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error.domain, "Tavik");
    EXPECT_EQ(result.error.code, 2);
    EXPECT_TRUE(result.error.description.contains("https"))
        << result.error.description.toStdString();

    // A service on this machine may speak plain HTTP.
    test::RewriteHttpsServer local(/*plainHttp=*/true);
    ASSERT_TRUE(local.isListening());
    local.setReply({200, "OK", "application/json", R"({"text":"local"})"});
    base = local.baseUrl();
    result = rewriteNow("i", "t");
    ASSERT_TRUE(result.succeeded()) << result.error.description.toStdString();
    ASSERT_EQ(local.requests().size(), 1);
    EXPECT_EQ(keyIn(local.requests()[0]), licenseKey);

    // A redirect to another origin is not followed, whatever its kind.
    test::RewriteHttpsServer elsewhere;
    ASSERT_TRUE(elsewhere.isListening());
    elsewhere.setReply({200, "OK", "application/json", R"({"text":"stolen"})"});
    base = server.baseUrl();
    for (const int status : {307, 308, 302}) {
        SCOPED_TRACE(status);
        server.setReply({status, "Moved", "application/json", "{}", false,
                         elsewhere.baseUrl().toUtf8() + "v1/transform"});
        result = rewriteNow("i", "t");
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.error.domain, "Tavik");
        EXPECT_EQ(result.error.code, status);
    }
    EXPECT_EQ(elsewhere.connectionCount(), 0);
    EXPECT_EQ(server.requests().size(), 3);

    // Within the origin a redirect is followed, body and all, but a loop ends soon.
    server.setReplyFor("/old/v1/transform",
                       {308, "Moved", "application/json", "{}", false, "/new/v1/transform"});
    server.setReplyFor("/new/v1/transform", {200, "OK", "application/json", R"({"text":"moved"})"});
    server.setReplyFor("/loop/v1/transform",
                       {307, "Again", "application/json", "{}", false, "/loop/v1/transform"});
    base = server.baseUrl() + "old/";
    result = rewriteNow("i", "t");
    ASSERT_TRUE(result.succeeded()) << result.error.description.toStdString();
    EXPECT_EQ(*result.text, "moved");
    EXPECT_EQ(keyIn(server.requests().last()), licenseKey);
    const qsizetype beforeLoop = server.requests().size();
    base = server.baseUrl() + "loop/";
    EXPECT_FALSE(rewriteNow("i", "t").succeeded());
    EXPECT_EQ(server.requests().size() - beforeLoop, 1 + RewriteService::maxRedirects);

    // A reply that is not HTTP is not answered by sending the request again.
    for (const QByteArray& garbage :
         {QByteArray("GARBAGE\r\n\r\n"), QByteArray("HTTP/1.1 abc nonsense\r\n\r\n"),
          QByteArray("\x16\x03\x01 junk")}) {
        SCOPED_TRACE(garbage.toStdString());
        server.setReply({200, "OK", "", {}, false, {}, false, garbage});
        base = server.baseUrl();
        const qsizetype before = server.requests().size();
        EXPECT_FALSE(rewriteNow("i", "t").succeeded());
        EXPECT_EQ(server.requests().size() - before, 1);
    }
}

TEST_F(RewriteServiceTest, RepliesAreBoundedAndTheTextIsCleanedOfControls) {
    const QByteArray huge = QByteArray(4 * 1024 * 1024, 'a');
    for (const bool noLength : {false, true}) {
        SCOPED_TRACE(noLength);
        server.setReply(
            {200, "OK", "application/json", R"({"text":")" + huge + R"("})", false, {}, noLength});
        RewriteResult result = rewriteNow("i", "t");
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.error.domain, "Tavik");
        EXPECT_EQ(result.error.code, 3);
        server.setReply({500,
                         "Error",
                         "application/json",
                         R"({"error":")" + huge + R"("})",
                         false,
                         {},
                         noLength});
        result = rewriteNow("i", "t");
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.error.code, 500);
        EXPECT_EQ(result.error.description, "The rewrite failed.");
    }

    // A long rewrite well within the bound arrives whole.
    const QByteArray longText = QByteArray(300'000, 'b');
    server.setReply({200, "OK", "application/json", R"({"text":")" + longText + R"("})"});
    RewriteResult result = rewriteNow("i", "t");
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.text->size(), longText.size());

    // Pasted into a terminal, escape sequences and other controls act as keys; bidirectional
    // overrides make the text read other than it is.
    server.setReply({200, "OK", "application/json",
                     R"({"text":"a\u001b[31mred\u0000\u0007\u009b \u202eevil\u202c\u2066x\u2069)"
                     R"(\tok\nnext\r\nend\u007f \u00e9\u200f"})"});
    result = rewriteNow("i", "t");
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(*result.text, QString::fromUtf8("a[31mred evilx\tok\nnext\r\nend é\u200f"));
}

TEST(RewriteReplyTest, TheHttpStatusDecidesEvenWhenTheNetworkLayerFlagsIt) {
    // No status and no error: the answer was not HTTP.
    RewriteResult result = RewriteService::interpretReply(std::nullopt, std::nullopt, "{}");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error.code, 2);
    EXPECT_EQ(result.error.domain, "Tavik");
    // A transport error wins over anything that arrived.
    result = RewriteService::interpretReply(200, Error{"QNetworkReply", 5, "Operation canceled"},
                                            R"({"text":"half"})");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error.domain, "QNetworkReply");
    EXPECT_EQ(result.error.description, "Operation canceled");
}

} // namespace
} // namespace tavik
