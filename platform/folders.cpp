#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

#include <pwd.h>
#include <unistd.h>

namespace tavik::platform {
namespace {

// A variable's value as a path, but only when its bytes come back unchanged from the text:
// anything else would name a new folder beside the one meant.
std::optional<QString> pathFrom(const QByteArray& bytes) {
    QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) != bytes) {
        return std::nullopt;
    }
    return decoded;
}

// An empty or relative HOME is no home (the stores would land in whatever folder the program
// was started from): the account's own, from the password database, stands in.
QByteArray homeBytes() {
    const QByteArray fromEnvironment = qgetenv("HOME");
    if (fromEnvironment.startsWith('/')) {
        return fromEnvironment;
    }
    const passwd* account = ::getpwuid(::getuid());
    return account != nullptr && account->pw_dir != nullptr ? QByteArray(account->pw_dir)
                                                            : QByteArray();
}

QString environmentFolder(const char* variable, const QString& home, const char* fallback,
                          QString& problem) {
    const QByteArray bytes = qgetenv(variable);
    const std::optional<QString> value = pathFrom(bytes);
    if (!value && problem.isEmpty()) {
        problem = QString::fromLatin1(variable) + " is not a path Tavik can use (its bytes are "
                                                  "not UTF-8 text)";
    }
    // The XDG rules ignore relative values; so do we.
    if (value && QDir::isAbsolutePath(*value)) {
        return *value;
    }
    return joinPath(home, QString::fromUtf8(fallback));
}

Folders resolve(QString& problem) {
    Folders folders;
    const QByteArray home = homeBytes();
    if (const std::optional<QString> decoded = pathFrom(home); decoded && !home.isEmpty()) {
        folders.home = *decoded;
    } else {
        folders.home = QFile::decodeName(home);
        problem = home.isEmpty() ? QStringLiteral("there is no home folder (HOME is empty and "
                                                  "the account has none)")
                                 : QStringLiteral("HOME is not a path Tavik can use (its bytes "
                                                  "are not UTF-8 text)");
    }
    folders.config =
        joinPath(environmentFolder("XDG_CONFIG_HOME", folders.home, ".config", problem), "Tavik");
    folders.data = joinPath(
        environmentFolder("XDG_DATA_HOME", folders.home, ".local/share", problem), "Tavik");
    folders.state = joinPath(
        environmentFolder("XDG_STATE_HOME", folders.home, ".local/state", problem), "Tavik");
    return folders;
}

} // namespace

Folders Folders::fromEnvironment() {
    QString problem;
    return resolve(problem);
}

QString Folders::environmentProblem() {
    QString problem;
    resolve(problem);
    return problem;
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
