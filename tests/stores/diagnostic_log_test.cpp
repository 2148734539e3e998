#include "app/stores/diagnostic_log.h"

#include "platform/folders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

const QDateTime fixedTime(QDate(2026, 12, 8), QTime(1, 17, 45), Qt::UTC);

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

// Standard error pointed at a pipe for the life of the object.
class StderrRedirect {
public:
    explicit StderrRedirect(bool keepReadEnd) {
        saved_ = ::dup(STDERR_FILENO);
        int ends[2];
        if (::pipe(ends) != 0) {
            return;
        }
        readEnd_ = ends[0];
        ::fcntl(readEnd_, F_SETFL, O_NONBLOCK);
        ::dup2(ends[1], STDERR_FILENO);
        ::close(ends[1]);
        if (!keepReadEnd) {
            ::close(readEnd_); // nobody listens: writes fail with a broken pipe
            readEnd_ = -1;
        }
    }
    ~StderrRedirect() {
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        if (readEnd_ >= 0) {
            ::close(readEnd_);
        }
    }
    QByteArray captured() const {
        QByteArray all;
        char buffer[4096];
        ssize_t n = 0;
        while (readEnd_ >= 0 && (n = ::read(readEnd_, buffer, sizeof buffer)) > 0) {
            all.append(buffer, n);
        }
        return all;
    }

private:
    int saved_ = -1;
    int readEnd_ = -1;
};

class DiagnosticLogTest : public ::testing::Test {
protected:
    QString folder = platform::Folders::fromEnvironment().state;
    QString current = folder + "/tavik.log";
    QString previous = folder + "/tavik.log.1";

    void SetUp() override {
        QDir(folder).removeRecursively();
        DiagnosticLog::setClockForTesting([] { return fixedTime; });
    }
    void TearDown() override { DiagnosticLog::setClockForTesting({}); }

    void fillCurrent(qint64 bytes) {
        QDir().mkpath(folder);
        QFile file(current);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(QByteArray(bytes, 'o')), bytes);
    }
};

TEST(DiagnosticLogLine, StampKeepsTheLastFourteenCharactersOfTheUtcTime) {
    EXPECT_EQ(DiagnosticLog::formatLine("quitting", fixedTime),
              "[tavik 2-08T01:17:45Z] quitting\n");
    EXPECT_EQ(DiagnosticLog::formatLine("", fixedTime), "[tavik 2-08T01:17:45Z] \n");
    // February shows the same month digit: the stamp starts inside the month.
    const QDateTime february(QDate(2027, 2, 28), QTime(23, 59, 59), Qt::UTC);
    EXPECT_EQ(DiagnosticLog::formatLine(QString::fromUtf8("naïve — a\nb"), february),
              QString::fromUtf8("[tavik 2-28T23:59:59Z] naïve — a\nb\n").toUtf8());
    // A local time is written in UTC.
    const QDateTime local(QDate(2026, 12, 8), QTime(2, 17, 45), Qt::OffsetFromUTC, 3600);
    EXPECT_EQ(DiagnosticLog::formatLine("x", local), "[tavik 2-08T01:17:45Z] x\n");
}

TEST_F(DiagnosticLogTest, TheFirstLineCreatesAPrivateFolderAndFile) {
    EXPECT_EQ(DiagnosticLog::url(), current);
    slog("started");
    DiagnosticLog::append("[tavik] exited cleanly\n");
    EXPECT_EQ(readFile(current), "[tavik 2-08T01:17:45Z] started\n[tavik] exited cleanly\n");
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(current), 0600u);
}

TEST_F(DiagnosticLogTest, AFileOfExactlyTheLimitIsStillAppendedTo) {
    fillCurrent(524'288);
    slog("one more");
    EXPECT_FALSE(QFileInfo::exists(previous));
    const QByteArray contents = readFile(current);
    EXPECT_EQ(contents.size(), 524'288 + DiagnosticLog::formatLine("one more", fixedTime).size());
    EXPECT_TRUE(contents.endsWith("o[tavik 2-08T01:17:45Z] one more\n"));
}

TEST_F(DiagnosticLogTest, ALargerFileMovesToTheOlderGenerationReplacingIt) {
    fillCurrent(10);
    QFile older(previous);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("the generation before\n");
    older.close();

    fillCurrent(524'289);
    slog("fresh start");
    EXPECT_EQ(readFile(current), "[tavik 2-08T01:17:45Z] fresh start\n");
    EXPECT_EQ(readFile(previous), QByteArray(524'289, 'o'));
    EXPECT_EQ(modeOf(current), 0600u);

    slog("second");
    EXPECT_EQ(readFile(current), "[tavik 2-08T01:17:45Z] fresh start\n"
                                 "[tavik 2-08T01:17:45Z] second\n");
}

TEST_F(DiagnosticLogTest, LinesFromManyThreadsArriveWhole) {
    constexpr int threads = 8;
    constexpr int linesEach = 250;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < linesEach; ++i) {
                DiagnosticLog::append(QString("thread %1 line %2 %3\n")
                                          .arg(t)
                                          .arg(i)
                                          .arg(QString(64, QChar('a' + t))));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    const QList<QByteArray> lines = readFile(current).split('\n');
    ASSERT_EQ(lines.size(), threads * linesEach + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    std::vector<int> next(threads, 0);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> parts = lines[i].split(' ');
        ASSERT_EQ(parts.size(), 5) << lines[i].toStdString();
        const int t = parts[1].toInt();
        ASSERT_EQ(parts[3].toInt(), next[t]++) << "lines of one thread stay in order";
        EXPECT_EQ(parts[4], QByteArray(64, char('a' + t)));
    }
}

TEST_F(DiagnosticLogTest, ABrokenStandardErrorDoesNotStopTheFileLine) {
    {
        StderrRedirect broken(false);
        slog("nobody reads stderr");
    }
    EXPECT_EQ(readFile(current), "[tavik 2-08T01:17:45Z] nobody reads stderr\n");
}

TEST_F(DiagnosticLogTest, AnUnopenableLogStillReachesStandardError) {
    ASSERT_TRUE(QDir().mkpath(current)); // a folder where the file should be
    QByteArray seen;
    {
        StderrRedirect capture(true);
        slog("only on stderr");
        seen = capture.captured();
    }
    EXPECT_EQ(seen, "[tavik 2-08T01:17:45Z] only on stderr\n");
    EXPECT_TRUE(QFileInfo(current).isDir());
}

} // namespace
} // namespace tavik
