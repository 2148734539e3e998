// One Tavik per user: a later start hands over to the first; a dead one's lock never blocks.
#include "platform/folders.h"
#include "platform/single_instance.h"
#include "tests/support/small_file_system.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
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

// XDG_RUNTIME_DIR unset and the usual stand-in, /tmp/runtime-<user>, taken by another user:
// the lock and the socket must go to a folder no one else can enter, never to the current folder
// or a shared place where another user could answer in Tavik's name.
TEST(SingleInstance, WithoutARuntimeFolderOfItsOwnTheLockStaysPrivate) {
    TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE();
    qunsetenv("XDG_RUNTIME_DIR");
    const QString standIn =
        "/tmp/runtime-" + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    QDir().mkpath(standIn);
    // Root hands a folder to nobody; in a user namespace, where only the tester's own id is
    // mapped, a folder of the machine's root stands in (it shows under the overflow id).
    QTemporaryDir others;
    QString foreign = others.path();
    if (::chown(QFile::encodeName(foreign).constData(), 65534, 65534) != 0) {
        foreign = QStringLiteral("/usr");
    }
    ASSERT_NE(QFileInfo(foreign).ownerId(), ::geteuid());
    const QStringList foreignEntries = QDir(foreign).entryList(QDir::AllEntries | QDir::Hidden);
    ASSERT_EQ(::mount(QFile::encodeName(foreign).constData(),
                      QFile::encodeName(standIn).constData(), nullptr, MS_BIND | MS_REC, nullptr),
              0);

    const QString folder =
        SingleInstance::defaultRuntimeFolder(Folders::fromEnvironment().state + "/runtime");
    const QString key = SingleInstance::keyFor(Folders::fromEnvironment().config);
    SingleInstance first(folder, key);
    ASSERT_EQ(first.claim(), Claim::first);
    const QFileInfo lockFolder(QFileInfo(first.lockPath()).absolutePath());
    EXPECT_TRUE(QFileInfo(first.lockPath()).isAbsolute()) << first.lockPath().toStdString();
    EXPECT_EQ(lockFolder.ownerId(), ::geteuid()) << lockFolder.filePath().toStdString();
    EXPECT_EQ(lockFolder.permissions() & 0x0077, 0) << lockFolder.filePath().toStdString();
    EXPECT_TRUE(QFileInfo(first.socketPath()).isAbsolute());
    EXPECT_EQ(QFileInfo(first.socketPath()).absolutePath(), lockFolder.filePath());
    EXPECT_EQ(claimElsewhere(folder, key, 3000), Claim::handedOver);

    // A session folder of another user's is passed over like the stand-in; one of our own is
    // used; and a folder another user holds is refused outright, with the reason.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(foreign));
    EXPECT_EQ(SingleInstance::defaultRuntimeFolder("/fallback"), "/fallback");
    QTemporaryDir session;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(session.path()));
    EXPECT_EQ(SingleInstance::defaultRuntimeFolder("/fallback"), session.path());
    SingleInstance elsewhere(foreign, key);
    EXPECT_EQ(elsewhere.claim(1000), Claim::refused);
    EXPECT_EQ(elsewhere.refusal(), "no private folder for the single-instance lock: " + foreign +
                                       " belongs to another user");
    EXPECT_EQ(QDir(foreign).entryList(QDir::AllEntries | QDir::Hidden), foreignEntries);
}

// What a crash, a power cut or a hand leaves where the lock goes. No live Tavik holds any of
// them, so each is replaced by a fresh lock file, and nothing a link points to is opened,
// changed or removed.
TEST(SingleInstance, ABrokenLockFileNoLiveTavikHoldsIsReplacedWithAFreshOne) {
    QTemporaryDir runtime;
    QTemporaryDir elsewhere;
    const QString key = SingleInstance::keyFor(runtime.path() + "/config");
    const QString lock = SingleInstance(runtime.path(), key).lockPath();
    const QString own = elsewhere.filePath("notes.txt");
    const auto plant = [&](const QString& kind) {
        QFile::remove(lock);
        if (kind == "empty" || kind == "garbage") {
            QFile file(lock);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(kind == "garbage" ? QByteArray("\x7f\x01 not a number\n\n42 host x") : "");
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ReadOther);
        } else if (kind == "fifo") {
            ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
        } else {
            const QString target = kind == "dangling" ? elsewhere.filePath("gone")
                                   : kind == "zero"   ? QStringLiteral("/dev/zero")
                                                      : own;
            ASSERT_TRUE(QFile::link(target, lock));
        }
    };
    QFile notes(own);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("the person's own words\n");
    notes.close();

    for (const QString kind : {"empty", "garbage", "dangling", "zero", "fifo", "own file"}) {
        SCOPED_TRACE(kind.toStdString());
        plant(kind);
        {
            SingleInstance first(runtime.path(), key);
            ASSERT_EQ(first.claim(2000), Claim::first);
            struct stat made {};
            ASSERT_EQ(::lstat(QFile::encodeName(lock).constData(), &made), 0);
            EXPECT_TRUE(S_ISREG(made.st_mode));
            EXPECT_EQ(made.st_mode & 07777, 0600u);
            // The lock holds: a later start reaches this one.
            EXPECT_EQ(claimElsewhere(runtime.path(), key, 3000), Claim::handedOver);
        }
        EXPECT_FALSE(QFileInfo::exists(lock)) << "the holder removes its lock when it ends";
    }
    ASSERT_TRUE(notes.open(QIODevice::ReadOnly));
    EXPECT_EQ(notes.readAll(), "the person's own words\n");
    EXPECT_EQ(QFileInfo(own).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);
    struct stat zero {};
    ASSERT_EQ(::stat("/dev/zero", &zero), 0);
    EXPECT_TRUE(S_ISCHR(zero.st_mode));
}

// A runtime folder that is full or read-only: on a full one the lock is still made and keeps a
// second start out; where none can be made, Tavik does not start and says why, since two side
// by side would each save over the other's dictations.
TEST(SingleInstance, AFullFolderStillLocksAndOneWhereNoLockCanBeMadeRefuses) {
    TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE();
    QTemporaryDir base;
    test::SmallFileSystem disk(base.filePath("runtime"), 1 << 20);
    ASSERT_TRUE(disk.mounted());
    ASSERT_EQ(::chmod(QFile::encodeName(disk.folder()).constData(), 0700), 0);
    const QString key = SingleInstance::keyFor(base.path() + "/config");
    disk.fill();
    {
        SingleInstance first(disk.folder(), key);
        ASSERT_EQ(first.claim(2000), Claim::first);
        EXPECT_EQ(claimElsewhere(disk.folder(), key, 3000), Claim::handedOver);
    }
    disk.release();

    disk.setReadOnly(true);
    SingleInstance refused(disk.folder(), key);
    EXPECT_EQ(refused.claim(1000), Claim::refused);
    EXPECT_EQ(refused.refusal(), "cannot make the single-instance lock " + refused.lockPath() +
                                     ": Read-only file system");
    // Without XDG_RUNTIME_DIR the folder itself is made first, which a full disk can refuse.
    SingleInstance noFolder(disk.folder() + "/runtime", key);
    EXPECT_EQ(noFolder.claim(1000), Claim::refused);
    EXPECT_EQ(noFolder.refusal(), "cannot make the folder " + disk.folder() +
                                      "/runtime for the single-instance lock: "
                                      "Read-only file system");
    disk.setReadOnly(false);
}

} // namespace
} // namespace tavik::platform
