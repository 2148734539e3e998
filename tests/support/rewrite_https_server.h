#pragma once

// A small HTTPS server on 127.0.0.1 for the rewrite service tests: a throwaway self-signed
// certificate made with the openssl tool, HTTP/1.1 requests recorded as they arrive, and one
// configurable answer for all of them.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>

#include <memory>

class QTcpServer;
class QTcpSocket;

namespace tavik::test {

struct RecordedRequest {
    QByteArray method;
    QByteArray target;                    // path and query as sent
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

struct CannedReply {
    int status = 200;
    QByteArray reason = "OK";
    QByteArray contentType = "application/json";
    QByteArray body;
    bool silent = false;      // accept the request and never answer
    QByteArray location = {}; // sent as the "Location" header when not empty
    bool noLength = false;    // no "Content-Length": the body ends when the connection closes
    QByteArray raw = {};      // when not empty, sent as the whole answer instead of the above
};

class RewriteHttpsServer : public QObject {
    Q_OBJECT

public:
    // `plainHttp` serves HTTP without TLS.
    explicit RewriteHttpsServer(bool plainHttp = false);
    ~RewriteHttpsServer() override;

    // False when no certificate could be made or the port could not be opened.
    bool isListening() const;
    QString baseUrl() const; // "https://127.0.0.1:<port>/" ("http://" without TLS)
    quint16 port() const;

    void setReply(CannedReply reply) { reply_ = std::move(reply); }
    // The answer for one request target (path and query), in place of the common one.
    void setReplyFor(const QByteArray& target, CannedReply reply) {
        repliesByTarget_.insert(target, std::move(reply));
    }
    const QList<RecordedRequest>& requests() const { return requests_; }
    int connectionCount() const { return connections_; }

    // A client configuration that trusts this server's certificate.
    QSslConfiguration trustingClientConfiguration() const;

private:
    void accept();
    void readFrom(QTcpSocket* socket);

    bool plainHttp_ = false;
    std::unique_ptr<QTcpServer> server_;
    QSslCertificate certificate_;
    QSslKey key_;
    CannedReply reply_;
    QMap<QByteArray, CannedReply> repliesByTarget_;
    QList<RecordedRequest> requests_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    int connections_ = 0;
};

} // namespace tavik::test
