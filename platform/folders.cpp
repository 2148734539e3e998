#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tavik::platform {
namespace {

QString environmentFolder(const char* variable, const QString& home, const char* fallback) {
    const QString value = qEnvironmentVariable(variable);
    // The XDG rules ignore relative values; so do we.
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return value;
    }
    return joinPath(home, QString::fromUtf8(fallback));
}

} // namespace

Folders Folders::fromEnvironment() {
    Folders folders;
    folders.home = qEnvironmentVariable("HOME", QDir::homePath());
    folders.config =
        joinPath(environmentFolder("XDG_CONFIG_HOME", folders.home, ".config"), "Tavik");
    folders.data =
        joinPath(environmentFolder("XDG_DATA_HOME", folders.home, ".local/share"), "Tavik");
    folders.state =
        joinPath(environmentFolder("XDG_STATE_HOME", folders.home, ".local/state"), "Tavik");
    return folders;
}

QString resourcesFolder() {
    const QString override = qEnvironmentVariable("TAVIK_RESOURCES_DIR");
    if (!override.isEmpty()) {
        return override;
    }
    if (QCoreApplication::instance() != nullptr) {
        const QString installed =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tavik");
        if (QFileInfo(installed).isDir()) {
            return installed;
        }
    }
#ifdef TAVIK_BUILD_RESOURCES_DIR
    return QString::fromUtf8(TAVIK_BUILD_RESOURCES_DIR);
#else
    return QString();
#endif
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return name;
    }
    QString base = folder;
    while (base.size() > 1 && base.endsWith('/')) {
        base.chop(1);
    }
    if (base == "/") {
        return base + name;
    }
    return base + '/' + name;
}

} // namespace tavik::platform
