#include "app/stores/rewrite_service.h"

#include "app/stores/once_readable_body.h"
#include "app/stores/readable_text.h"
#include "platform/main_thread.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace tavik {

namespace {

const QString requestPath = QStringLiteral("v1/transform");

Error noResponse() {
    return Error::tavik(2, QStringLiteral("No response from the rewrite service."));
}

QString failedMessage() {
    return QStringLiteral("The rewrite failed.");
}

Error unreadableText() {
    return Error::tavik(3, QStringLiteral("Could not read the rewritten text."));
}

bool isHttp(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Plain HTTP would carry the key in clear text; only a service on this machine may use it.
bool keepsTheKeyPrivate(const QUrl& url) {
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QString host = url.host().toLower();
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

Error sentInClear() {
    return Error::tavik(2, QStringLiteral("Not sent: the rewrite service's address must begin "
                                          "with https://, or your licence key would travel in "
                                          "clear text."));
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    const QString scheme = a.scheme().toLower();
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    return scheme == b.scheme().toLower() && a.host().toLower() == b.host().toLower() &&
           a.port(defaultPort) == b.port(defaultPort);
}

Error redirectedElsewhere(int status) {
    return Error::tavik(status, QStringLiteral("The rewrite service redirected the request to "
                                               "another address; it was not sent there."));
}

// Qt reports its own transfer time-out as a cancellation; it is the network's time-out.
Error timedOut() {
    return Error{QStringLiteral("QNetworkReply"), static_cast<int>(QNetworkReply::TimeoutError),
                 QStringLiteral("Network operation timed out")};
}

// A reply cut off at the size bound was never read: for a success it is unreadable text, for
// a failure the service's own message is lost.
RewriteResult oversized(std::optional<int> httpStatus) {
    if (!httpStatus) {
        return RewriteResult::failure(noResponse());
    }
    if (*httpStatus == 200) {
        return RewriteResult::failure(unreadableText());
    }
    return RewriteResult::failure(Error::tavik(*httpStatus, failedMessage()));
}

Error tooManyRedirects() {
    return Error{QStringLiteral("QNetworkReply"),
                 static_cast<int>(QNetworkReply::TooManyRedirectsError),
                 QStringLiteral("Too many redirects")};
}

// Once an HTTP status has arrived the service has answered and its status decides, whatever Qt
// made of it (Qt flags 4xx and 5xx as errors of its own, 407 among its proxy errors). Only a
// failure of the transfer itself outranks a status: the connection or the proxy link dropped or
// timed out, TLS failed, the request was cancelled, or the reply broke off mid-way.
bool transferFailed(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    const bool connection = code > 0 && code <= QNetworkReply::UnknownNetworkError;
    const bool proxyLink = (code >= QNetworkReply::ProxyConnectionRefusedError &&
                            code <= QNetworkReply::ProxyTimeoutError) ||
                           error == QNetworkReply::UnknownProxyError;
    return connection || proxyLink || error == QNetworkReply::ProtocolFailure;
}

// The parser's verdict on a body, as the JSON layer reports it. A document must be an object or
// an array; a bare scalar at the top is refused like any other malformed text.
struct ParsedBody {
    std::optional<QJsonDocument> document;
    Error error;
};

ParsedBody parseBody(const QByteArray& body) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return {std::nullopt, Error{QStringLiteral("QJsonParseError"),
                                    static_cast<int>(parseError.error), parseError.errorString()}};
    }
    if (!document.isObject() && !document.isArray()) {
        const QJsonParseError refused{0, QJsonParseError::IllegalValue};
        return {std::nullopt, Error{QStringLiteral("QJsonParseError"),
                                    static_cast<int>(refused.error), refused.errorString()}};
    }
    return {document, {}};
}

} // namespace

RewriteService::RewriteService(BaseUrlSource baseUrl, LicenseKeySource licenseKey,
                               QString defaultEndpoint, QObject* parent)
    : QObject(parent), baseUrl_(std::move(baseUrl)), licenseKey_(std::move(licenseKey)),
      defaultEndpoint_(std::move(defaultEndpoint)),
      keyLookups_(std::make_unique<platform::SerialQueue>("tavik.rewrite-key")) {}

RewriteService::~RewriteService() {
    // Lookups still queued post to this object; they must finish while it is whole.
    keyLookups_.reset();
}

QUrl RewriteService::endpointFor(const QString& baseSetting, const QString& fallbackBase) {
    QUrl base(baseSetting, QUrl::StrictMode);
    if (baseSetting.isEmpty() || !base.isValid()) {
        base = QUrl(fallbackBase, QUrl::StrictMode);
    }
    QString path = base.path(QUrl::FullyEncoded);
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    base.setPath(path + requestPath, QUrl::TolerantMode);
    return base;
}

QByteArray RewriteService::requestBody(const QString& licenseKey, const QString& instruction,
                                       const QString& text) {
    const QJsonObject body{
        {QStringLiteral("licenseKey"), licenseKey},
        {QStringLiteral("instruction"), instruction},
        {QStringLiteral("text"), text},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

RewriteResult RewriteService::interpretReply(std::optional<int> httpStatus,
                                             std::optional<Error> transportError,
                                             const QByteArray& body) {
    if (transportError) {
        return RewriteResult::failure(*transportError);
    }
    if (!httpStatus) {
        return RewriteResult::failure(noResponse());
    }
    const ParsedBody parsed = parseBody(body);
    if (*httpStatus == 200) {
        if (!parsed.document) {
            return RewriteResult::failure(parsed.error);
        }
        const QJsonValue text = parsed.document->object().value(QStringLiteral("text"));
        if (parsed.document->isObject() && text.isString()) {
            return RewriteResult::success(withoutControls(text.toString()));
        }
        return RewriteResult::failure(unreadableText());
    }
    QString message = failedMessage();
    if (parsed.document && parsed.document->isObject()) {
        const QJsonValue error = parsed.document->object().value(QStringLiteral("error"));
        if (error.isString()) {
            message = error.toString();
        }
    }
    return RewriteResult::failure(Error::tavik(*httpStatus, message));
}

void RewriteService::rewrite(const QString& instruction, const QString& text, QObject* receiver,
                             Completion done) {
    Pending pending;
    pending.instruction = instruction;
    pending.text = text;
    pending.endpoint = endpointFor(baseUrl_(), defaultEndpoint_);
    pending.receiver = receiver;
    pending.hasReceiver = receiver != nullptr;
    pending.done = std::move(done);
    // Only the web's own schemes go out: another scheme (file:, data:, qrc:) would be answered
    // by this machine and could hand a local file back as the "rewritten" text.
    if (!isHttp(pending.endpoint) || pending.endpoint.host().isEmpty()) {
        platform::postToMain(this, [this, pending = std::move(pending)] {
            deliver(pending, RewriteResult::failure(noResponse()));
        });
        return;
    }
    if (!keepsTheKeyPrivate(pending.endpoint)) {
        platform::postToMain(this, [this, pending = std::move(pending)] {
            deliver(pending, RewriteResult::failure(sentInClear()));
        });
        return;
    }
    keyLookups_->async([this, pending = std::move(pending)]() mutable {
        QString key = licenseKey_ ? licenseKey_() : QString();
        platform::postToMain(this, [this, pending = std::move(pending), key = std::move(key)] {
            Pending withKey = pending;
            withKey.body = requestBody(key, withKey.instruction, withKey.text);
            send(std::move(withKey));
        });
    });
}

void RewriteService::send(Pending pending) {
    if (pending.hasReceiver && pending.receiver.isNull()) {
        return; // nobody waits for this answer any more; send nothing
    }
    QNetworkRequest request(pending.endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, pending.body.size());
    request.setTransferTimeout(static_cast<int>(idleTimeout_.count()));
    if (ssl_) {
        request.setSslConfiguration(*ssl_);
    }
    // Redirects are weighed here, against the origin the key may go to.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Streamed from a body that cannot be read twice, so Qt cannot send the key again.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto* body = new OnceReadableBody(pending.body);
    QNetworkReply* reply = network_.post(request, body);
    body->setParent(reply);
    auto cutShort = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::downloadProgress, this,
            [reply, cutShort](qint64 received, qint64 total) {
                if (!*cutShort && (received > maxReplyBytes || total > maxReplyBytes)) {
                    *cutShort = true;
                    reply->abort();
                }
            });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, cutShort, pending = std::move(pending)]() mutable {
                reply->deleteLater();
                const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                const std::optional<int> httpStatus =
                    status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt;
                if (*cutShort) {
                    deliver(pending, oversized(httpStatus));
                    return;
                }
                // Nothing here cancels a transfer but the bound above, so a cancellation is
                // Qt's transfer time-out.
                if (reply->error() == QNetworkReply::OperationCanceledError) {
                    deliver(pending, RewriteResult::failure(timedOut()));
                    return;
                }
                if (httpStatus && followRedirect(reply, *httpStatus, pending)) {
                    return;
                }
                // Qt wanted to send the request again on its own: the service gave no HTTP
                // answer.
                if (!httpStatus && reply->error() == QNetworkReply::ContentReSendError) {
                    deliver(pending, RewriteResult::failure(noResponse()));
                    return;
                }
                std::optional<Error> transportError;
                if (reply->error() != QNetworkReply::NoError &&
                    (!status.isValid() || transferFailed(reply->error()))) {
                    transportError = Error{QStringLiteral("QNetworkReply"),
                                           static_cast<int>(reply->error()), reply->errorString()};
                }
                const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
                deliver(pending, interpretReply(httpStatus, transportError, body));
            });
}

bool RewriteService::followRedirect(QNetworkReply* reply, int status, Pending& pending) {
    const QVariant location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (status < 300 || status > 399 || !location.isValid()) {
        return false;
    }
    const QUrl target = pending.endpoint.resolved(location.toUrl());
    if (!sameOrigin(pending.endpoint, target)) {
        deliver(pending, RewriteResult::failure(redirectedElsewhere(status)));
        return true;
    }
    // Only these keep the method and the body; any other redirect is the service's answer and
    // reaches the caller as such.
    if (status != 307 && status != 308) {
        return false;
    }
    if (pending.redirectsLeft == 0) {
        deliver(pending, RewriteResult::failure(tooManyRedirects()));
        return true;
    }
    --pending.redirectsLeft;
    pending.endpoint = target;
    send(std::move(pending));
    return true;
}

void RewriteService::deliver(const Pending& pending, const RewriteResult& result) const {
    if (pending.hasReceiver && pending.receiver.isNull()) {
        return;
    }
    if (pending.done) {
        pending.done(result);
    }
}

} // namespace tavik
