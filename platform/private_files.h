#pragma once

#include <QByteArray>
#include <QString>

namespace tavik::platform {

// The stores hold what the user said: folders are private (0700), files 0600, and every file
// is replaced atomically so a crash never leaves half a store behind.

// Creates the folder and its parents; new folders get mode 0700. True when it exists after.
bool ensurePrivateFolder(const QString& path);

// Writes `bytes` to a temporary file beside `path`, then renames it over `path` (mode 0600).
// The folder is created when missing. True only when the new contents are in place.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

// Moves a file that could not be read out of the way ("<name>.unreadable-<UTC stamp>") so that
// the next write does not destroy it, and logs that. Returns the new path, or empty on failure.
QString moveAsideUnreadable(const QString& path);

} // namespace tavik::platform
