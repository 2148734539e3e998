// A process killed in the middle of saving must leave a history.json that is either the old or
// the new complete version. The test runs this same test program as the child that saves.
#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "tests/stores/history_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <sys/types.h>

namespace tavik {
namespace {

using namespace std::chrono_literals;

constexpr const char* childVariable = "TAVIK_TEST_HISTORY_SAVER_PATH";

// Not a test of its own: the body of the child process started below.
TEST(HistorySaverChild, SavesUntilKilled) {
    const QString path = qEnvironmentVariable(childVariable);
    if (path.isEmpty()) {
        GTEST_SKIP() << "runs only as the child of HistoryCrashSafety";
    }
    History history(path);
    const QString bulk(4000, QChar('x'));
    const QDeadlineTimer giveUp(60'000); // never outlive a parent that died
    for (int i = 0; !giveUp.hasExpired(); ++i) {
        history.add(test::makeEntry("entry " + QString::number(i) + " " + bulk));
        ASSERT_TRUE(history.flush(10s));
    }
    FAIL() << "the parent never killed this child";
}

QDateTime modified(const QString& path) {
    return QFileInfo(path).lastModified();
}

TEST(HistoryCrashSafety, AKillDuringSavesLeavesACompleteFile) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 6; ++round) {
        const QString path = test::historyPathFor("crash" + QString::number(round));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(childVariable, path);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=HistorySaverChild.SavesUntilKilled"});
        ASSERT_TRUE(child.waitForStarted(10'000));

        // Let it save a good number of times, then kill it at an arbitrary moment.
        const QDeadlineTimer deadline(30'000);
        while (QFileInfo(path).size() < 200'000 && !deadline.hasExpired()) {
            QThread::msleep(2);
        }
        ASSERT_FALSE(deadline.hasExpired()) << "the child never wrote its history";
        QThread::usleep(std::uniform_int_distribution<unsigned>(0, 20'000)(random));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10'000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
        ASSERT_TRUE(modified(path).isValid());

        const std::optional<QList<HistoryEntry>> entries =
            history_file::decode(test::readAll(path));
        ASSERT_TRUE(entries.has_value()) << "round " << round << ": history.json is damaged";
        ASSERT_FALSE(entries->isEmpty());
        // A complete version: the newest first, down to the very first entry.
        for (qsizetype i = 0; i < entries->size(); ++i) {
            const QString expected = "entry " + QString::number(entries->size() - 1 - i) + " ";
            ASSERT_TRUE(entries->at(i).text.startsWith(expected)) << "round " << round;
        }
        EXPECT_EQ(History(path).entries(), *entries);
        // Whatever the kill left half written beside it is gone once the history is loaded.
        EXPECT_TRUE(QDir(QFileInfo(path).absolutePath())
                        .entryList({"history.json.??????"}, QDir::Files)
                        .isEmpty());
    }
}

} // namespace
} // namespace tavik
