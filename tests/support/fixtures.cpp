#include "tests/support/fixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
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

} // namespace tavik::test
