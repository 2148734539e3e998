#pragma once

#include "platform/private_files.h"

#include <QString>

// Steps the private-file functions share among themselves; callers use private_files.h.
namespace tavik::platform {

// The file a write should replace: the target of a symbolic link (followed to its end), so a
// settings file linked from elsewhere stays linked.
QString finalTarget(const QString& path);

// The wildcard matching the temporary files of a save of `name` (itself a name or a wildcard).
QString temporaryPattern(const QString& name);

// fsync with the observer told first; `path` names what is synced.
FileWriteResult syncDescriptor(int fd, const QString& path);

} // namespace tavik::platform
