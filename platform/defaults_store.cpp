#include "platform/defaults_store.h"

#include "platform/defaults_values.h"
#include "platform/folders.h"
#include "platform/log_sink.h"
#include "platform/private_files.h"

#include <QFile>
#include <QJsonDocument>

#include <sys/stat.h>

namespace tavik::platform {
namespace {

enum class FileState { missing, parsed, unreadable };

// Far beyond any real settings (the lists included); a file larger than this is not one, and
// reading it whole at every change would stall each change for seconds.
constexpr qint64 maxFileBytes = 16 * 1024 * 1024;

struct FileContents {
    FileState state = FileState::missing;
    QJsonObject object;
};

FileContents readFile(const QString& path) {
    const FileRead read = readRegularFile(path, maxFileBytes);
    if (read.outcome == FileRead::Outcome::missing) {
        return {};
    }
    if (read.unreadable()) {
        logLine("defaults: " + path + " cannot be read — " + read.problem);
        return {FileState::unreadable, {}};
    }
    const QByteArray& bytes = read.bytes;
    if (bytes.trimmed().isEmpty()) {
        return {FileState::parsed, {}}; // nothing in it that a write could destroy
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return {FileState::unreadable, {}};
    }
    return {FileState::parsed, document.object()};
}

} // namespace

DefaultsStore::DefaultsStore(QString path) : path_(std::move(path)) {
    removeLeftoverTemporaries(path_);
}

DefaultsStore& DefaultsStore::shared() {
    static DefaultsStore store(joinPath(Folders::fromEnvironment().config, "defaults.json"));
    return store;
}

DefaultsStore::FileStamp DefaultsStore::stampOfFile() const {
    struct stat info {};
    if (::stat(QFile::encodeName(path_).constData(), &info) != 0) {
        return {};
    }
    return {static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<qint64>(info.st_size), static_cast<quint64>(info.st_ino)};
}

void DefaultsStore::refreshLocked() const {
    const FileStamp stamp = stampOfFile();
    if (snapshotStamp_ == stamp) {
        return;
    }
    FileContents contents = readFile(path_);
    const bool first = !firstReadDone_;
    firstReadDone_ = true;
    snapshotStamp_ = stampOfFile();
    if (contents.state == FileState::unreadable) {
        if (first) {
            // Found broken at start: move it aside now, so the window can say where it went
            // while the settings, dictionary and snippets show their defaults.
            moveAsideUnreadable(path_);
            snapshot_ = QJsonObject();
        }
        // A file that breaks later (an editor or a sync tool saving it) is left to the next
        // write, and until then the last good contents still answer.
        return;
    }
    snapshot_ = std::move(contents.object);
}

QJsonValue DefaultsStore::valueOf(const QString& key) const {
    std::lock_guard lock(mutex_);
    if (const auto change = pending_.find(key); change != pending_.end()) {
        return change->second.value_or(QJsonValue(QJsonValue::Undefined));
    }
    refreshLocked();
    return snapshot_.value(key);
}

std::optional<qint64> DefaultsStore::exactInt(const QString& key) const {
    return defaults::exactInt(valueOf(key));
}

std::optional<bool> DefaultsStore::exactBool(const QString& key) const {
    return defaults::exactBool(valueOf(key));
}

std::optional<QString> DefaultsStore::string(const QString& key) const {
    return defaults::string(valueOf(key));
}

bool DefaultsStore::boolean(const QString& key) const {
    return defaults::boolean(valueOf(key));
}

std::optional<QByteArray> DefaultsStore::data(const QString& key) const {
    return defaults::data(valueOf(key));
}

std::optional<QStringList> DefaultsStore::stringArray(const QString& key) const {
    return defaults::stringArray(valueOf(key));
}

bool DefaultsStore::contains(const QString& key) const {
    return !valueOf(key).isUndefined();
}

void DefaultsStore::setInt(const QString& key, qint64 value) {
    write(key, QJsonValue(value));
}

void DefaultsStore::setBool(const QString& key, bool value) {
    write(key, QJsonValue(value));
}

void DefaultsStore::setString(const QString& key, const QString& value) {
    write(key, QJsonValue(value));
}

void DefaultsStore::setData(const QString& key, const QByteArray& value) {
    write(key, defaults::fromData(value));
}

void DefaultsStore::setStringArray(const QString& key, const QStringList& value) {
    write(key, defaults::fromStringList(value));
}

void DefaultsStore::remove(const QString& key) {
    write(key, std::nullopt);
}

bool DefaultsStore::copyValue(const QString& from, const QString& to) {
    const QJsonValue value = valueOf(from);
    if (value.isUndefined()) {
        return false;
    }
    write(to, value);
    return true;
}

std::optional<QString> DefaultsStore::copyValueToFreeKey(const QString& from, const QString& base) {
    if (!contains(from)) {
        return std::nullopt;
    }
    QString key = base;
    for (int n = 2; contains(key); ++n) {
        key = base + "-" + QString::number(n);
    }
    copyValue(from, key);
    return key;
}

bool DefaultsStore::flush() {
    bool stored = false;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) {
            return true;
        }
        stored = storePendingLocked();
    }
    notifyObserver();
    return stored;
}

QStringList DefaultsStore::unsavedKeys() const {
    std::lock_guard lock(mutex_);
    QStringList keys;
    for (const auto& change : pending_) {
        keys << change.first;
    }
    return keys;
}

QString DefaultsStore::lastFailure() const {
    std::lock_guard lock(mutex_);
    return pending_.empty() ? QString() : lastFailure_;
}

void DefaultsStore::setSaveObserver(std::function<void()> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void DefaultsStore::notifyObserver() {
    std::function<void()> observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
    }
    if (observer) {
        observer();
    }
}

void DefaultsStore::write(const QString& key, std::optional<QJsonValue> value) {
    {
        std::lock_guard lock(mutex_);
        pending_[key] = std::move(value);
        storePendingLocked();
    }
    notifyObserver();
}

bool DefaultsStore::storePendingLocked() {
    // Start from what the file holds now, not from our snapshot: another key may have been
    // edited outside the program since we last looked.
    FileContents current = readFile(path_);
    const bool first = !firstReadDone_;
    firstReadDone_ = true;
    if (current.state == FileState::unreadable) {
        if (const MovedAside moved = moveAsideUnreadable(path_); !moved.result) {
            lastFailure_ = moved.result.reason();
            logLine("defaults: keeping changes in memory — " + path_ +
                    " cannot be replaced safely");
            return false;
        }
        // Broken while the program ran: what it held before is the last good contents we read,
        // every key of them, not nothing.
        if (!first) {
            current.object = snapshot_;
        }
    }
    QJsonObject merged = current.object;
    for (const auto& [key, value] : pending_) {
        if (value) {
            merged.insert(key, *value);
        } else {
            merged.remove(key);
        }
    }
    // Synced afterwards on a worker: a slider step must not wait for the disk twice.
    const FileWriteResult written =
        replaceFileUnsynced(path_, QJsonDocument(merged).toJson(QJsonDocument::Indented));
    if (!written) {
        if (lastFailure_ != written.reason()) { // once per cause, not once per slider step
            logLine("defaults: could not write " + path_ + " — " + written.reason() +
                    "; keeping changes in memory");
        }
        lastFailure_ = written.reason();
        return false;
    }
    syncLater(path_);
    pending_.clear();
    lastFailure_.clear();
    snapshot_ = std::move(merged);
    snapshotStamp_ = stampOfFile();
    return true;
}

} // namespace tavik::platform
