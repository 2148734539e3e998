// Tavik's single-instance socket under a flood of connections that never finish their request,
// more than the process has descriptors: the running Tavik keeps answering, and a second start
// still reaches it and leaves.
#include "platform/defaults_store.h"
#include "platform/folders.h"
#include "platform/single_instance.h"
#include "tests/support/controller_app_process.h"
#include "tests/support/fixtures.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavik {
namespace {

// A connection that sends the first letters of a request and nothing more; -1 when it could
// not connect within two seconds.
int halfOpenConnection(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    timeval wait{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof(wait));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(),
                std::min<size_t>(size_t(path.size()), sizeof(address.sun_path) - 1));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::write(fd, "reo", 3) != 3) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST(SingleInstanceFlood, HalfOpenConnectionsPastTheDescriptorLimitLeaveTheSocketAnswering) {
    TAVIK_REQUIRE_DESKTOP();
    platform::DefaultsStore::shared().setBool("hasLaunchedBefore", true);
    const platform::Folders folders = platform::Folders::fromEnvironment();
    const platform::SingleInstance probe(platform::SingleInstance::defaultRuntimeFolder(
                                             platform::joinPath(folders.state, "runtime")),
                                         platform::SingleInstance::keyFor(folders.config));

    // Tavik gets the 1,024 descriptors many systems give a process, and cannot take more; the
    // test takes more for its own ends of the flood.
    test::TavikProcess tavik;
    ASSERT_TRUE(tavik.start({}, [] {
        const rlimit tight{1024, 1024};
        ::setrlimit(RLIMIT_NOFILE, &tight);
    }));
    rlimit own{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
    own.rlim_cur = std::max<rlim_t>(own.rlim_cur, std::min<rlim_t>(own.rlim_max, 4096));
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &own), 0);
    ASSERT_GE(own.rlim_cur, rlim_t(1200));
    ASSERT_TRUE(tavik.waitForLine("hotkey", 20000)) << tavik.output().toStdString();

    const QByteArray socketPath = QFile::encodeName(probe.socketPath());
    std::vector<int> flood;
    int refused = 0;
    for (int i = 0; i < 1100; ++i) {
        const int fd = halfOpenConnection(socketPath);
        if (fd >= 0) {
            flood.push_back(fd);
        } else {
            ++refused;
        }
    }
    EXPECT_EQ(refused, 0) << "the socket stopped taking connections";

    // With the whole flood still open on the test's side, a second start reaches Tavik.
    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(test::TavikProcess::program(), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();
    for (const int fd : flood) {
        ::close(fd);
    }
    EXPECT_TRUE(tavik.running()) << tavik.output().toStdString();
    EXPECT_EQ(tavik.terminate(), 0) << tavik.output().toStdString();
}

} // namespace
} // namespace tavik
