#include "platform/linux/x11_frontmost_desktop_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

namespace tavik::platform::x11 {
namespace {

QStringList applicationFolders() {
    QStringList folders;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty()) {
        dataHome = QDir::homePath() + "/.local/share";
    }
    folders << dataHome + "/applications";
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) {
        dataDirs = "/usr/local/share:/usr/share";
    }
    for (const QString& dir : dataDirs.split(':', Qt::SkipEmptyParts)) {
        folders << dir + "/applications";
    }
    return folders;
}

struct ParsedEntry {
    QString name;
    QString localisedName;
    QString startupWmClass;
    QString program; // the file name of the command Exec runs
    bool hidden = false;
};

// Reads the [Desktop Entry] group only; entries are small, so a plain line scan will do.
ParsedEntry parseEntry(const QString& path) {
    ParsedEntry parsed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > 256 * 1024) {
        parsed.hidden = true;
        return parsed;
    }
    const QString language = QLocale().name();                // "de_DE"
    const QString languageOnly = language.section('_', 0, 0); // "de"
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || line.startsWith('#')) {
            continue;
        }
        const int equals = line.indexOf('=');
        if (equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == "Name") {
            parsed.name = value;
        } else if (key == "Name[" + language + "]" ||
                   (parsed.localisedName.isEmpty() && key == "Name[" + languageOnly + "]")) {
            parsed.localisedName = value;
        } else if (key == "StartupWMClass") {
            parsed.startupWmClass = value;
        } else if (key == "Exec") {
            parsed.program = QFileInfo(value.section(' ', 0, 0)).fileName();
        } else if (key == "Hidden" && value == "true") {
            parsed.hidden = true;
        }
    }
    return parsed;
}

} // namespace

QString DesktopFiles::idFromFileName(const QString& fileName) {
    QString id = QFileInfo(fileName).fileName();
    if (id.endsWith(".desktop")) {
        id.chop(static_cast<int>(qstrlen(".desktop")));
    }
    return id;
}

void DesktopFiles::load() {
    loaded_ = true;
    QSet<QString> seen; // an id found earlier in the search path hides later ones
    for (const QString& folder : applicationFolders()) {
        QDirIterator it(folder, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString relative = QDir(folder).relativeFilePath(path);
            relative.replace('/', '-');
            const QString id = idFromFileName(relative);
            if (seen.contains(id)) {
                continue;
            }
            seen.insert(id);
            const ParsedEntry parsed = parseEntry(path);
            if (parsed.hidden) {
                continue;
            }
            const QString name =
                !parsed.localisedName.isEmpty() ? parsed.localisedName : parsed.name;
            records_.push_back(
                Record{DesktopEntry{id, name}, parsed.startupWmClass, parsed.program});
        }
    }
}

std::optional<DesktopEntry> DesktopFiles::byId(const QString& id) {
    if (!loaded_) {
        load();
    }
    for (const Record& record : records_) {
        if (record.entry.id == id) {
            return record.entry;
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopFiles::byWindowClass(const QString& windowClass,
                                                        const QString& instance) {
    if (!loaded_) {
        load();
    }
    if (windowClass.isEmpty() && instance.isEmpty()) {
        return std::nullopt;
    }
    // Several entries may name one window class (a program's own, its client's, its mail
    // reader's): the one named like the window, or running the program the window's instance
    // names, is the program's own.
    const Record* best = nullptr;
    int bestRank = 0;
    for (const Record& record : records_) {
        if (record.startupWmClass.isEmpty() ||
            (record.startupWmClass != windowClass && record.startupWmClass != instance)) {
            continue;
        }
        const auto named = [](const QString& a, const QString& b) {
            return !b.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
        };
        const int rank = named(record.entry.id, windowClass) || named(record.entry.id, instance) ? 3
                         : named(record.program, instance)                                       ? 2
                                                           : 1;
        if (rank > bestRank) {
            best = &record;
            bestRank = rank;
        }
    }
    if (best != nullptr) {
        return best->entry;
    }
    for (const Record& record : records_) {
        if (!windowClass.isEmpty() &&
            record.entry.id.compare(windowClass, Qt::CaseInsensitive) == 0) {
            return record.entry;
        }
    }
    return std::nullopt;
}

} // namespace tavik::platform::x11
