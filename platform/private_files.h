#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
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
// go to a fresh temporary file beside it (".<name>.tavik-save-XXXXXX", a name no person gives a
// file) with unbuffered, checked writes; the file is synced and its size read back before it is
// renamed over `path`, and the folder is synced after. On any failure the temporary file is
// removed and `path` is left as it was. A `path` that is a symbolic link keeps the link: its
// target is replaced, but only when that is a regular file: a link to a device, a pipe or a
// folder is refused (EINVAL), never written through.
FileWriteResult writeFileDurably(const QString& path, const QByteArray& bytes);

// The same replacement without the syncs, for a caller on a thread that must not wait for the
// disk: the new contents are in place (and every write was checked) when it returns, and
// syncLater(path) makes them durable afterwards.
FileWriteResult replaceFileUnsynced(const QString& path, const QByteArray& bytes);

// Syncs `path` (a regular file, links followed) and then its folder on a worker thread, in the
// order asked; failures are logged. drainSyncs() waits (at most `timeout`) until every sync asked
// for before it is done; a quit calls it so that nothing written is lost to a power cut after.
void syncLater(const QString& path);
bool drainSyncs(std::chrono::milliseconds timeout);

// Makes a folder's entries (a file created, renamed or removed in it) durable.
FileWriteResult syncFolder(const QString& folder);

// Told of every fsync (the path of the file or folder synced) on the thread that makes it, just
// before it is made; a way to see where in a task and on which thread the disk is waited for.
using SyncObserver = std::function<void(const QString& path)>;
void setSyncObserver(SyncObserver observer);

// What reading a store's file found.
struct FileRead {
    enum class Outcome { missing, read, unreadable };
    Outcome outcome = Outcome::missing;
    QByteArray bytes;
    QString problem; // why it is unreadable, in words for the log

    bool unreadable() const { return outcome == Outcome::unreadable; }
};

// Reads a store's file whole, but only a regular file (links followed) of at most `maxBytes`:
// a pipe, a device or a socket where the file should be is never opened for reading (it could
// block for ever or never end), and a file that turns into one between the check and the open
// is caught after it. Anything else counts as unreadable, with the reason.
FileRead readRegularFile(const QString& path, qint64 maxBytes);

// Where a file that could not be read went.
struct MovedAside {
    QString copy; // "<name>.unreadable-<UTC stamp>"; empty when the move failed
    FileWriteResult result;
};

// Moves a file that could not be read out of the way ("<name>.unreadable-<UTC stamp>") so that
// the next write does not destroy it, makes the copy private (0600) when it is a regular file,
// syncs the folder, logs it and tells the moved-aside sink. On failure the file stays where it
// was. A link is moved itself; what it points to is left alone.
MovedAside moveAsideUnreadable(const QString& path);

// Told of every file moved aside, on the thread that moved it; the application shows it in the
// main window. Until one is set, moves are only logged.
using MovedAsideSink = std::function<void(const QString& original, const QString& copy)>;
void setMovedAsideSink(MovedAsideSink sink);

// Removes the temporary files that a write of `path` left behind when the process was killed
// in the middle (".<name>.tavik-save-XXXXXX" beside it, regular files only); a person's own
// copies ("<name>.backup", "<name>.201912") are never touched. Call before the first write of
// the process, while no write of `path` can be running. Returns how many were removed; each
// removal is logged.
int removeLeftoverTemporaries(const QString& path);
// The same for every file of `folder` whose name matches the wildcard `targets` ("*.wav").
int removeLeftoverTemporaries(const QString& folder, const QString& targets);

} // namespace tavik::platform
