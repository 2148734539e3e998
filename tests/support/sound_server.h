#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tavik::test {

// The kind of sound server the test desktop runs ($TAVIK_TEST_SOUND_SERVER): "pulseaudio" or
// "pipewire".
QString soundServerKind();
bool soundServerIsPipeWire();

// A private sound server of the test desktop's kind (tests/sound-server) that a test starts,
// stops and starts again at the same address, as a user's server comes late or restarts. It
// offers the same null sink and pipe source as the desktop's own.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts it and waits until it serves its devices; false (see log()) when it did not.
    bool start(int timeoutMs = 30000);
    // Ends it and everything it started; clients see the connection go.
    void stop();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // Where clients reach it (a PULSE_SERVER value) and the FIFO its pipe source reads.
    QByteArray address() const;
    QString micFifo() const;
    QString log() const;

private:
    QTemporaryDir folder_;
    QProcess process_;
    QString output_;
};

} // namespace tavik::test
