#include "tests/support/clipboard_manager_standin.h"

#include "tests/support/fixtures.h"

#include <QCoreApplication>

namespace tavik::test {

ClipboardManagerStandIn::~ClipboardManagerStandIn() {
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel(); // it ends when its input closes
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(1000);
        }
    }
}

bool ClipboardManagerStandIn::start(bool silent) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QCoreApplication::applicationDirPath() +
                       "/../tools/clipboard-manager-standin/tavik-clipboard-manager-standin",
                   silent ? QStringList{"--silent"} : QStringList{});
    if (!process_.waitForStarted(5000)) {
        return false;
    }
    return spinUntil(
        [&] {
            read();
            return output_.startsWith("ready\n");
        },
        5000);
}

void ClipboardManagerStandIn::read() {
    output_ += process_.readAllStandardOutput();
}

std::map<QString, QByteArray> ClipboardManagerStandIn::saved() {
    read();
    std::map<QString, QByteArray> saved;
    for (const QByteArray& line : output_.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "saved") {
            saved[QString::fromUtf8(words[1])] = QByteArray::fromBase64(words[2]);
        }
    }
    return saved;
}

int ClipboardManagerStandIn::answers() {
    read();
    return static_cast<int>(output_.count("answered\n"));
}

} // namespace tavik::test
