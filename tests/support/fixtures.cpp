#include "tests/support/fixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace tavik::test {

QString projectFixture(const QString& relativePath) {
    const QString source = QString::fromUtf8(TAVIK_SOURCE_DIR);
    if (relativePath.startsWith(QStringLiteral("models/ggml-silero"))) {
        return source + QStringLiteral("/resources/models/ggml-silero.bin");
    }
    return source + QStringLiteral("/tests/fixtures/") + relativePath;
}

bool desktopSessionRunning() {
    return !qEnvironmentVariableIsEmpty("TAVIK_TEST_DESKTOP") &&
           !qEnvironmentVariableIsEmpty("DISPLAY");
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool setAccessibilitySwitch(bool on) {
    QProcess send;
    send.start(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                QStringLiteral("string:org.a11y.Status"), QStringLiteral("string:IsEnabled"),
                QStringLiteral("variant:boolean:") +
                    (on ? QStringLiteral("true") : QStringLiteral("false"))});
    return send.waitForFinished(5000) && send.exitCode() == 0;
}

} // namespace tavik::test
