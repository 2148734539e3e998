#include "tests/support/small_file_system.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tavik::test {
namespace {

constexpr const char* insideVariable = "TAVIK_TEST_PRIVATE_MOUNT_NAMESPACE";

// Root makes a mount namespace directly; anyone else first enters a user namespace of their own
// (`unshare -r`), which Debian's kernels allow unprivileged users by default.
QStringList unshareArguments() {
    QStringList arguments = {"-m", "--propagation", "private"};
    if (::geteuid() != 0) {
        arguments.prepend("-r");
    }
    return arguments;
}

// Whether `unshare` works and a tmpfs can be mounted inside it (no seccomp or sysctl refusal).
bool namespacesWork() {
    static const bool works = [] {
        QTemporaryDir probe;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start("unshare",
                      unshareArguments() + QStringList{"mount", "-t", "tmpfs", "-o", "size=16k",
                                                       "tmpfs", probe.path()});
        return process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }();
    return works;
}

} // namespace

MountNamespace privateMountNamespace() {
    if (!qEnvironmentVariableIsEmpty(insideVariable)) {
        return MountNamespace::inside;
    }
    if (!namespacesWork()) {
        return MountNamespace::unavailable;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromUtf8(test->test_suite_name()) + "." + test->name();
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(insideVariable, "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start("unshare", unshareArguments() + QStringList{QCoreApplication::applicationFilePath(),
                                                            "--gtest_filter=" + name});
    const bool finished = child.waitForStarted(30'000) && child.waitForFinished(280'000);
    if (!finished) {
        child.kill();
        child.waitForFinished(10'000);
    }
    EXPECT_TRUE(finished) << name.toStdString() << " did not finish in its mount namespace";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << name.toStdString() << " crashed";
    EXPECT_EQ(child.exitCode(), 0)
        << name.toStdString() << " failed in its mount namespace (output above)";
    return MountNamespace::ranInChild;
}

SmallFileSystem::SmallFileSystem(QString folder, qint64 bytes) : folder_(std::move(folder)) {
    QDir().mkpath(folder_);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    mounted_ = ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", 0,
                       options.constData()) == 0;
    EXPECT_TRUE(mounted_) << "could not mount a tmpfs at " << folder_.toStdString() << ": "
                          << std::strerror(errno);
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_) {
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
}

void SmallFileSystem::fill() {
    filler_ = folder_ + "/.space-filler";
    const int fd = ::open(QFile::encodeName(filler_).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    // Big steps first, then single bytes, so not even the last partial page is left over.
    for (const size_t step : {size_t(65536), size_t(4096), size_t(1)}) {
        const std::vector<char> chunk(step, 'f');
        while (::write(fd, chunk.data(), chunk.size()) > 0) {
        }
    }
    const int error = errno;
    ::close(fd);
    EXPECT_EQ(error, ENOSPC) << "the filler stopped for another reason: " << std::strerror(error);
}

void SmallFileSystem::release() {
    ASSERT_FALSE(filler_.isEmpty()) << "nothing to release: fill() first";
    ASSERT_TRUE(QFile::remove(filler_));
    filler_.clear();
}

void SmallFileSystem::setReadOnly(bool readOnly) {
    const unsigned long flags = readOnly ? MS_REMOUNT | MS_RDONLY : MS_REMOUNT;
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(folder_).constData(), nullptr, flags, nullptr), 0)
        << std::strerror(errno);
}

} // namespace tavik::test
