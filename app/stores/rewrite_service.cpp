#include "app/stores/rewrite_service.h"

#include "platform/main_thread.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace tavik {

namespace {

const QString requestPath = QStringLiteral("v1/transform");

Error noResponse() {
    return Error::tavik(2, QStringLiteral("No response from the rewrite service."));
}

Error unreadableText() {
    return Error::tavik(3, QStringLiteral("Could not read the rewritten text."));
}

bool isHttp(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
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
            return RewriteResult::success(text.toString());
        }
        return RewriteResult::failure(unreadableText());
    }
    QString message = QStringLiteral("The rewrite failed.");
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
    Pending pending{
        instruction,         text,           endpointFor(baseUrl_(), defaultEndpoint_), receiver,
        receiver != nullptr, std::move(done)};
    // Only the web's own schemes go out: another scheme (file:, data:, qrc:) would be answered
    // by this machine and could hand a local file back as the "rewritten" text.
    if (!isHttp(pending.endpoint) || pending.endpoint.host().isEmpty()) {
        platform::postToMain(this, [this, pending = std::move(pending)] {
            deliver(pending, RewriteResult::failure(noResponse()));
        });
        return;
    }
    keyLookups_->async([this, pending = std::move(pending)]() mutable {
        QString key = licenseKey_ ? licenseKey_() : QString();
        platform::postToMain(this, [this, pending = std::move(pending), key = std::move(key)] {
            send(pending, key);
        });
    });
}

void RewriteService::send(Pending pending, const QString& licenseKey) {
    if (pending.hasReceiver && pending.receiver.isNull()) {
        return; // nobody waits for this answer any more; send nothing
    }
    QNetworkRequest request(pending.endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(static_cast<int>(idleTimeout_.count()));
    if (ssl_) {
        request.setSslConfiguration(*ssl_);
    }
    QNetworkReply* reply =
        network_.post(request, requestBody(licenseKey, pending.instruction, pending.text));
    connect(reply, &QNetworkReply::finished, this, [this, reply, pending = std::move(pending)] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        std::optional<Error> transportError;
        if (reply->error() != QNetworkReply::NoError &&
            (!status.isValid() || transferFailed(reply->error()))) {
            transportError = Error{QStringLiteral("QNetworkReply"),
                                   static_cast<int>(reply->error()), reply->errorString()};
        }
        const std::optional<int> httpStatus =
            status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt;
        const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
        deliver(pending, interpretReply(httpStatus, transportError, body));
    });
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
