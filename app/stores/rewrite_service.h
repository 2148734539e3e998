#pragma once

#include "platform/error.h"
#include "platform/serial_queue.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkReply;

namespace tavik {

// The outcome of one rewrite: the rewritten text, or the error that says why there is none.
struct RewriteResult {
    std::optional<QString> text;
    Error error;

    bool succeeded() const { return text.has_value(); }
    static RewriteResult success(QString rewritten) { return {std::move(rewritten), {}}; }
    static RewriteResult failure(Error why) { return {std::nullopt, std::move(why)}; }
};

// The client of the rewrite service: one JSON POST to "<base>/v1/transform" per call, the reply
// turned into the rewritten text or an error. Errors of the network layer and of the JSON parser
// are passed on with their own domain, code and text; the service's own failures carry the domain
// "Tavik" with code 2 (no HTTP response), 3 (unreadable reply) or the HTTP status.
//
// Calls are made on the main thread and answered there, later; several may be in flight at once.
class RewriteService : public QObject {
    Q_OBJECT

public:
    // The base URL setting, read afresh for every call on the main thread.
    using BaseUrlSource = std::function<QString()>;
    // The user's service key; runs on a worker thread because the secret store may be slow.
    using LicenseKeySource = std::function<QString()>;
    using Completion = std::function<void(const RewriteResult&)>;

    static constexpr std::chrono::milliseconds defaultIdleTimeout{45'000};
    // A rewrite is text a person reads: a reply beyond this is cut off and not read.
    static constexpr qint64 maxReplyBytes = 512 * 1024;
    // Redirects followed within the service's own origin before the request gives up.
    static constexpr int maxRedirects = 5;

    RewriteService(BaseUrlSource baseUrl, LicenseKeySource licenseKey, QString defaultEndpoint,
                   QObject* parent = nullptr);
    ~RewriteService() override;

    // The instance the application uses: the settings' base URL and the user's key from the
    // keychain (account "licenseKey"), or the empty key when none is stored.
    static RewriteService& shared();

    // The transfer fails when no data moves for this long.
    void setIdleTimeout(std::chrono::milliseconds timeout) { idleTimeout_ = timeout; }
    // TLS settings for every request (the application keeps the system's; tests trust their own
    // certificate).
    void setSslConfiguration(const QSslConfiguration& configuration) { ssl_ = configuration; }

    // Asks the service to rewrite `text` following `instruction`. `done` runs on the main thread
    // with the outcome, unless `receiver` was given and is gone by then. The request carries the
    // user's key, so it goes only to the configured origin, over HTTPS unless the service is on
    // this machine, and is sent once. The rewritten text comes without the characters that
    // withoutControls removes.
    void rewrite(const QString& instruction, const QString& text, QObject* receiver,
                 Completion done);

    // Where a request goes for a base URL setting: the base (or `fallbackBase` when the setting
    // is not a URL) with "v1/transform" appended to its path after exactly one slash.
    static QUrl endpointFor(const QString& baseSetting, const QString& fallbackBase);

    // The outcome of a finished reply, from its HTTP status (absent when none arrived), the
    // network layer's error and the body.
    static RewriteResult interpretReply(std::optional<int> httpStatus,
                                        std::optional<Error> transportError,
                                        const QByteArray& body);

    // The JSON body of a request.
    static QByteArray requestBody(const QString& licenseKey, const QString& instruction,
                                  const QString& text);

private:
    struct Pending {
        QString instruction;
        QString text;
        QUrl endpoint;
        QByteArray body; // with the key in it: sent only to `endpoint`'s origin
        int redirectsLeft = maxRedirects;
        QPointer<QObject> receiver;
        bool hasReceiver = false;
        Completion done;
    };

    void send(Pending pending);
    // Follows a redirect within the origin; false when the reply is not one to follow.
    bool followRedirect(QNetworkReply* reply, int status, Pending& pending);
    void deliver(const Pending& pending, const RewriteResult& result) const;

    BaseUrlSource baseUrl_;
    LicenseKeySource licenseKey_;
    QString defaultEndpoint_;
    std::chrono::milliseconds idleTimeout_ = defaultIdleTimeout;
    std::optional<QSslConfiguration> ssl_;
    QNetworkAccessManager network_;
    // Last member: joined first on destruction, so no key lookup outlives the object it posts to.
    std::unique_ptr<platform::SerialQueue> keyLookups_;
};

} // namespace tavik
