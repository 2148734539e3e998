#include "tests/support/rewrite_https_server.h"

#include <QFile>
#include <QProcess>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>

namespace tavik::test {

namespace {

struct Credentials {
    QSslCertificate certificate;
    QSslKey key;
};

// One certificate per test process, valid for 127.0.0.1 only.
const Credentials& credentials() {
    static const Credentials made = [] {
        Credentials result;
        QTemporaryDir folder;
        if (!folder.isValid()) {
            return result;
        }
        const QString keyPath = folder.filePath("key.pem");
        const QString certPath = folder.filePath("cert.pem");
        QProcess openssl;
        openssl.start("openssl",
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-keyout", keyPath, "-out", certPath, "-days", "1", "-subj",
                       "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
        if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0) {
            return result;
        }
        QFile certFile(certPath);
        QFile keyFile(keyPath);
        if (certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly)) {
            result.certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
            result.key = QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem);
        }
        return result;
    }();
    return made;
}

} // namespace

RewriteHttpsServer::RewriteHttpsServer(bool plainHttp) : plainHttp_(plainHttp) {
    if (plainHttp_) {
        server_ = std::make_unique<QTcpServer>();
        connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this,
                &RewriteHttpsServer::accept);
        server_->listen(QHostAddress::LocalHost, 0);
        return;
    }
    auto secure = std::make_unique<QSslServer>();
    certificate_ = credentials().certificate;
    key_ = credentials().key;
    if (certificate_.isNull() || key_.isNull()) {
        return;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificate_);
    configuration.setPrivateKey(key_);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    secure->setSslConfiguration(configuration);
    server_ = std::move(secure);
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this,
            &RewriteHttpsServer::accept);
    server_->listen(QHostAddress::LocalHost, 0);
}

RewriteHttpsServer::~RewriteHttpsServer() = default;

bool RewriteHttpsServer::isListening() const {
    return server_ && server_->isListening();
}

quint16 RewriteHttpsServer::port() const {
    return server_ ? server_->serverPort() : 0;
}

QString RewriteHttpsServer::baseUrl() const {
    return QStringLiteral("%1://127.0.0.1:%2/").arg(plainHttp_ ? "http" : "https").arg(port());
}

QSslConfiguration RewriteHttpsServer::trustingClientConfiguration() const {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(certificate_);
    return configuration;
}

void RewriteHttpsServer::accept() {
    while (server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        if (socket == nullptr) {
            continue;
        }
        ++connections_;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            buffers_.remove(socket);
            socket->deleteLater();
        });
    }
}

void RewriteHttpsServer::readFrom(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return;
    }
    RecordedRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) {
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
        }
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() - headerEnd - 4 < length) {
        return; // the body is still on its way
    }
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    requests_.append(request);
    const CannedReply& reply =
        repliesByTarget_.contains(request.target) ? repliesByTarget_[request.target] : reply_;
    if (reply.silent) {
        return;
    }
    QByteArray answer = reply.raw;
    if (answer.isEmpty()) {
        answer = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason +
                 "\r\nContent-Type: " + reply.contentType;
        if (!reply.location.isEmpty()) {
            answer += "\r\nLocation: " + reply.location;
        }
        if (!reply.noLength) {
            answer += "\r\nContent-Length: " + QByteArray::number(reply.body.size());
        }
        answer += "\r\nConnection: close\r\n\r\n" + reply.body;
    }
    socket->write(answer);
    socket->disconnectFromHost();
}

} // namespace tavik::test
