#pragma once

#include <QString>

#include <gtest/gtest.h>

namespace tavik::test {

// Where the running test is with respect to a private mount namespace of its own.
enum class MountNamespace {
    inside,      // this process runs the test in a namespace of its own: mount freely
    ranInChild,  // the test ran in a child process inside one; its result is already reported
    unavailable, // no namespace can be made here (the kernel refuses user namespaces)
};

// Runs the current test again as a child process under `unshare -m` (`unshare -rm` when not
// root), where it may mount file
// systems that nothing outside sees. Use through TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE().
MountNamespace privateMountNamespace();

// A small tmpfs mounted at a folder (made when missing), so a test meets a real file system
// that fills up or turns read-only. Only inside a private mount namespace; unmounted when
// destroyed.
class SmallFileSystem {
public:
    SmallFileSystem(QString folder, qint64 bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    const QString& folder() const { return folder_; }
    bool mounted() const { return mounted_; }

    // Takes every free byte with a filler file: the next write of new data fails with ENOSPC.
    void fill();
    // Deletes the filler: the space is back.
    void release();
    // Makes the whole file system refuse (or again take) every write.
    void setReadOnly(bool readOnly);

private:
    QString folder_;
    QString filler_;
    bool mounted_ = false;
};

} // namespace tavik::test

// The test's body runs in a child process with a private mount namespace; the parent only
// reports what the child found. Skipped with a reason where no namespace can be made.
#define TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE()                                                     \
    switch (::tavik::test::privateMountNamespace()) {                                              \
    case ::tavik::test::MountNamespace::inside:                                                    \
        break;                                                                                     \
    case ::tavik::test::MountNamespace::ranInChild:                                                \
        return;                                                                                    \
    case ::tavik::test::MountNamespace::unavailable:                                               \
        GTEST_SKIP() << "needs root or unprivileged user namespaces (`unshare -rm`) to mount a "   \
                        "small file system of its own";                                            \
    }
