// One Tavik per user: a later start hands over to the first; a dead one's lock never blocks.
#include "platform/single_instance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tavik::platform {
namespace {

using Claim = SingleInstance::Claim;

// A later start, in a thread of its own so the first instance's event loop keeps answering.
Claim claimElsewhere(const QString& folder, const QString& key, int timeoutMs) {
    std::atomic<bool> done{false};
    Claim result = Claim::first;
    std::thread later([&] {
        SingleInstance second(folder, key);
        result = second.claim(timeoutMs);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, timeoutMs + 5000));
    later.join();
    return result;
}

TEST(SingleInstance, ALaterStartAsksTheFirstToShowItsWindow) {
    QTemporaryDir runtime;
    const QString key = SingleInstance::keyFor("/home/someone/.config/Tavik");
    SingleInstance first(runtime.path(), key);
    ASSERT_EQ(first.claim(), Claim::first);
    EXPECT_TRUE(QFile::exists(first.lockPath()));
    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);

    EXPECT_EQ(claimElsewhere(runtime.path(), key, 3000), Claim::handedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.size() == 1; }, 2000));
    EXPECT_EQ(claimElsewhere(runtime.path(), key, 3000), Claim::handedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.size() == 2; }, 2000));

    // Another setup of the same user (another settings folder) is another instance.
    EXPECT_EQ(claimElsewhere(runtime.path(), SingleInstance::keyFor("/tmp/other/Tavik"), 3000),
              Claim::first);
}

// A process that took the lock, then was killed before it could let go.
pid_t holderThatDies(const QString& folder, const QString& key, bool dies) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        SingleInstance holder(folder, key);
        const char ok = holder.claim(1000) == Claim::first ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        if (dies) {
            ::raise(SIGKILL);
        }
        ::pause(); // holds the lock and never answers: no event loop runs here
        ::_exit(0);
    }
    ::close(ready[1]);
    char ok = '0';
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    return ok == '1' ? child : -1;
}

TEST(SingleInstance, ALockLeftByAKilledProcessIsTakenOver) {
    QTemporaryDir runtime;
    const QString key = SingleInstance::keyFor(runtime.path() + "/config");
    const pid_t dead = holderThatDies(runtime.path(), key, true);
    ASSERT_GT(dead, 0);
    int status = 0;
    ::waitpid(dead, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(QFile::exists(SingleInstance(runtime.path(), key).lockPath()));

    SingleInstance next(runtime.path(), key);
    EXPECT_EQ(next.claim(2000), Claim::first);
    // And it listens where the dead one did.
    QSignalSpy reopened(&next, &SingleInstance::reopenRequested);
    EXPECT_EQ(claimElsewhere(runtime.path(), key, 3000), Claim::handedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.size() == 1; }, 2000));
}

TEST(SingleInstance, AHolderThatNeverAnswersIsReportedNotObeyed) {
    QTemporaryDir runtime;
    const QString key = SingleInstance::keyFor(runtime.path() + "/config");
    const pid_t stuck = holderThatDies(runtime.path(), key, false);
    ASSERT_GT(stuck, 0);
    SingleInstance later(runtime.path(), key);
    EXPECT_EQ(later.claim(600), Claim::unanswered);
    ::kill(stuck, SIGKILL);
    ::waitpid(stuck, nullptr, 0);
}

} // namespace
} // namespace tavik::platform
