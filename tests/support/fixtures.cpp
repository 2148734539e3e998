#include "tests/support/fixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace tavik::test {

QString sharedFixture(const QString& relativePath) {
    const QString path = QString::fromUtf8(TAVIK_SHARED_DIR) + "/" + relativePath;
    return QFileInfo(path).isFile() ? path : QString();
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
