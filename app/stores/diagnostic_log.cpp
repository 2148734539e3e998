#include "app/stores/diagnostic_log.h"

#include "platform/folders.h"
#include "platform/log_sink.h"

#include <QFile>
#include <QFileInfo>

#include <mutex>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

constexpr off_t rotationThresholdBytes = 524'288;

struct LogFiles {
    QByteArray current;
    QByteArray previous;
    QString folder;
};

// The log's state is never destroyed: a worker thread may still log while the program exits.
const LogFiles& logFiles() {
    static const LogFiles* const files = [] {
        const QString folder = platform::Folders::fromEnvironment().state;
        const QString url = platform::joinPath(folder, "tavik.log");
        return new LogFiles{QFile::encodeName(url), QFile::encodeName(url + ".1"), folder};
    }();
    return *files;
}

std::mutex& fileLock() {
    static auto* const lock = new std::mutex;
    return *lock;
}

std::function<QDateTime()>& clockOverride() {
    static auto* const clock = new std::function<QDateTime()>;
    return *clock;
}

void writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n <= 0) {
            return; // errors are swallowed: the log must never take the program down
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
}

void makeFolder(const QString& folder) {
    QByteArray path;
    for (const QString& part : folder.split('/')) {
        path += QFile::encodeName(part);
        if (!path.isEmpty()) {
            ::mkdir(path.constData(), 0700);
        }
        path += '/';
    }
}

void ignoreBrokenPipes() {
    // A closed standard error must not kill the process through SIGPIPE.
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

} // namespace

void slog(const QString& message) {
    ignoreBrokenPipes();
    const auto& clock = clockOverride();
    const QByteArray line =
        DiagnosticLog::formatLine(message, clock ? clock() : QDateTime::currentDateTimeUtc());
    writeAll(STDERR_FILENO, line);
    DiagnosticLog::append(QString::fromUtf8(line));
}

namespace DiagnosticLog {

QByteArray formatLine(const QString& message, const QDateTime& utc) {
    const QString iso = utc.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
    return "[tavik " + iso.right(14).toUtf8() + "] " + message.toUtf8() + "\n";
}

QString url() {
    return QFile::decodeName(logFiles().current);
}

void append(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    const LogFiles& files = logFiles();
    std::lock_guard lock(fileLock());

    if (::access(files.current.constData(), F_OK) != 0) {
        makeFolder(files.folder);
    }
    const int fd =
        ::open(files.current.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > rotationThresholdBytes) {
        ::close(fd);
        ::unlink(files.previous.constData());
        ::rename(files.current.constData(), files.previous.constData());
        const int fresh =
            ::open(files.current.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fresh >= 0) {
            writeAll(fresh, bytes);
            ::close(fresh);
        }
        return;
    }
    writeAll(fd, bytes);
    ::close(fd);
}

void installAsPlatformSink() {
    platform::setLogSink([](const QString& message) { slog(message); });
}

void setClockForTesting(std::function<QDateTime()> utcNow) {
    clockOverride() = std::move(utcNow);
}

} // namespace DiagnosticLog
} // namespace tavik
