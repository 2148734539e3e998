// A home whose name is no UTF-8 text: Tavik says so and stops, and makes no folder beside it
// under a name it misread.
#include "tests/support/controller_app_process.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavik::test {
namespace {

struct Finished {
    int status = -1;
    std::string output;
};

// Runs the program with exactly `environment` (raw bytes, which QProcess cannot pass). A program
// that never ends is killed after a minute, so the test ends either way.
Finished runWithEnvironment(const QByteArray& program, std::vector<std::string> environment) {
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string name = program.toStdString();
    char* argv[] = {name.data(), nullptr};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    Finished run;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    pollfd readable{fds[0], POLLIN, 0};
    char buffer[4096];
    while (std::chrono::steady_clock::now() < giveUp) {
        if (::poll(&readable, 1, 1000) <= 0) {
            continue;
        }
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        run.output.append(buffer, size_t(got));
    }
    ::close(fds[0]);
    if (::waitpid(child, &run.status, WNOHANG) == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &run.status, 0);
        run.output += "\n(killed: it did not end)";
    }
    return run;
}

std::vector<QByteArray> namesIn(const QByteArray& folder) {
    std::vector<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

TEST(StartHome, AHomeThatIsNoUtf8TextStopsTheStartWithItsReasonAndMakesNothingBesideIt) {
    const QByteArray program = QFile::encodeName(TavikProcess::program());
    ASSERT_TRUE(QFile::exists(TavikProcess::program())) << "build the tavik program first";
    const QByteArray parent = QFile::encodeName(QDir::homePath()) + "/homes";
    ASSERT_EQ(::mkdir(parent.constData(), 0700), 0);
    const QByteArray home = parent + "/caf\xe9"; // Latin-1, as an old account may have it
    ASSERT_EQ(::mkdir(home.constData(), 0700), 0);

    const Finished run =
        runWithEnvironment(program, {"HOME=" + home.toStdString(), "PATH=/usr/bin:/bin",
                                     "QT_QPA_PLATFORM=offscreen", "LANG=C.UTF-8"});
    ASSERT_TRUE(WIFEXITED(run.status)) << run.output;
    EXPECT_EQ(WEXITSTATUS(run.status), 1) << run.output;
    EXPECT_NE(run.output.find("tavik: HOME is not a path Tavik can use"), std::string::npos)
        << run.output;
    EXPECT_EQ(namesIn(parent), std::vector<QByteArray>{"caf\xe9"});
    EXPECT_TRUE(namesIn(home).empty());
}

} // namespace
} // namespace tavik::test
