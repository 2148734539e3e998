#include "tests/support/sound_server.h"

#include "tests/support/fixtures.h"

#include <QDir>
#include <QFile>

namespace tavik::test {

QString soundServerKind() {
    const QString kind = qEnvironmentVariable("TAVIK_TEST_SOUND_SERVER");
    return kind.isEmpty() ? QStringLiteral("pulseaudio") : kind;
}

bool soundServerIsPipeWire() {
    return soundServerKind() == QLatin1String("pipewire");
}

PrivateSoundServer::PrivateSoundServer()
    : folder_(QDir::tempPath() + QStringLiteral("/tavik-sound-XXXXXX")) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
}

PrivateSoundServer::~PrivateSoundServer() {
    stop();
}

bool PrivateSoundServer::start(int timeoutMs) {
    if (!folder_.isValid()) {
        return false;
    }
    stop();
    output_.clear();
    process_.start(QStringLiteral(TAVIK_SOURCE_DIR "/tests/sound-server"),
                   {folder_.filePath(QStringLiteral("server")), soundServerKind()});
    if (!process_.waitForStarted(10000)) {
        return false;
    }
    const bool answered = spinUntil(
        [&] {
            process_.waitForReadyRead(5);
            output_ += QString::fromUtf8(process_.readAll());
            return output_.split('\n').contains(QStringLiteral("ready")) || !running();
        },
        timeoutMs);
    return answered && running();
}

void PrivateSoundServer::stop() {
    if (!running()) {
        return;
    }
    // The script stops what it started when it is asked to end.
    process_.terminate();
    if (!process_.waitForFinished(15000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    output_ += QString::fromUtf8(process_.readAll());
}

QByteArray PrivateSoundServer::address() const {
    return "unix:" + folder_.filePath(QStringLiteral("server/native")).toUtf8();
}

QString PrivateSoundServer::micFifo() const {
    return folder_.filePath(QStringLiteral("server/mic.fifo"));
}

QString PrivateSoundServer::log() const {
    QString text = output_;
    const QDir server(folder_.filePath(QStringLiteral("server")));
    for (const QString& name : server.entryList({QStringLiteral("*.log")}, QDir::Files)) {
        QFile file(server.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            text += QStringLiteral("\n== ") + name + '\n' + QString::fromUtf8(file.readAll());
        }
    }
    return text;
}

} // namespace tavik::test
