#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace tavik::platform {

// The stores hold what the user said: folders are private (0700), files 0600, and every file
// is replaced only once its new contents are proven to be on the disk, so neither a crash nor
// a full disk ever leaves half a store, or an empty one, behind.

// How a write of a file ended: done, or refused by the system with an errno.
struct FileWriteResult {
    int error = 0;

    bool ok() const { return error == 0; }
    explicit operator bool() const { return ok(); }
    // The system's words for the failure ("No space left on device"); empty when done.
    QString reason() const;

    static FileWriteResult done() { return {}; }
    static FileWriteResult failed(int error);
};

// Creates the folder and its parents; new folders get mode 0700. True when it exists after.
bool ensurePrivateFolder(const QString& path);

// Replaces `path` with exactly `bytes` (mode 0600; the folder is made when missing). The bytes
// go to a fresh temporary file beside it ("<name>.XXXXXX") with unbuffered, checked writes; the
// file is synced and its size read back before it is renamed over `path`, and the folder is
// synced after. On any failure the temporary file is removed and `path` is left as it was. A
// `path` that is a symbolic link keeps the link: its target is replaced.
FileWriteResult writeFileDurably(const QString& path, const QByteArray& bytes);

// Makes a folder's entries (a file created, renamed or removed in it) durable.
FileWriteResult syncFolder(const QString& folder);

// Where a file that could not be read went.
struct MovedAside {
    QString copy; // "<name>.unreadable-<UTC stamp>"; empty when the move failed
    FileWriteResult result;
};

// Moves a file that could not be read out of the way ("<name>.unreadable-<UTC stamp>") so that
// the next write does not destroy it, syncs the folder, logs it and tells the moved-aside sink.
// On failure the file stays where it was.
MovedAside moveAsideUnreadable(const QString& path);

// Told of every file moved aside, on the thread that moved it; the application shows it in the
// main window. Until one is set, moves are only logged.
using MovedAsideSink = std::function<void(const QString& original, const QString& copy)>;
void setMovedAsideSink(MovedAsideSink sink);

// Removes the temporary files that a write of `path` left behind when the process was killed
// in the middle ("<name>.XXXXXX" beside it). Call before the first write of the process, while
// no write of `path` can be running. Returns how many were removed; each removal is logged.
int removeLeftoverTemporaries(const QString& path);
// The same for every file of `folder` whose name matches the wildcard `targets` ("*.wav").
int removeLeftoverTemporaries(const QString& folder, const QString& targets);

} // namespace tavik::platform
