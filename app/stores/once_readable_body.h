#pragma once

#include <QByteArray>
#include <QIODevice>

namespace tavik {

// A request body that can be read only once. Qt sends a request again by itself when a
// connection closes before the status line or the status line is not HTTP; it must rewind the
// body to do so, and this body refuses, so the request fails instead of going out again.
// Qt streams such a body only with QNetworkRequest::DoNotBufferUploadDataAttribute set and a
// "Content-Length" header.
class OnceReadableBody : public QIODevice {
    Q_OBJECT

public:
    explicit OnceReadableBody(QByteArray bytes, QObject* parent = nullptr);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool reset() override { return false; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QByteArray bytes_;
    qint64 position_ = 0;
};

} // namespace tavik
