#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QLocalSocket;
class QSocketNotifier;

namespace tavik::platform {

// The running Tavik's end of the single-instance socket: a later start connects, sends
// `request` and is answered `answer`. The socket is open to this user alone, but a program of
// the user's may still connect and never finish, or connect a thousand times: a connection has
// `requestTimeoutMs` to finish its request, at most `maxOpen` are kept (a new one closes the
// oldest), and running out of descriptors only pauses accepting, so the socket keeps answering
// once the flood is gone.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    static inline const QByteArray request = QByteArrayLiteral("reopen\n");
    static inline const QByteArray answer = QByteArrayLiteral("ok\n");
    static constexpr int requestTimeoutMs = 1000;
    static constexpr int maxOpen = 32;

    explicit InstanceServer(QString path, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Replaces whatever is at the path (the caller holds the lock) and listens; false, with
    // errorString(), when it cannot.
    bool listen();
    const QString& errorString() const { return error_; }

signals:
    // A later start asked this process to show its main window.
    void reopenRequested();

private:
    void acceptPending();
    void take(int fd);
    void drop(QLocalSocket* socket);
    void relisten();
    void close();

    QString path_;
    QString error_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QList<QLocalSocket*> open_; // oldest first
};

} // namespace tavik::platform
