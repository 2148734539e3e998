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

struct FileContents {
    FileState state = FileState::missing;
    QJsonObject object;
};

FileContents readFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return {FileState::unreadable, {}};
    }
    const QByteArray bytes = file.readAll();
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
    if (contents.state == FileState::unreadable && !firstReadDone_) {
        // Found broken at start: move it aside now, so the window can say where it went while
        // the settings, dictionary and snippets show their defaults. A file that breaks later
        // (an editor saving it) is left to the next write.
        moveAsideUnreadable(path_);
    }
    firstReadDone_ = true;
    snapshot_ = std::move(contents.object);
    snapshotStamp_ = stampOfFile();
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
    if (current.state == FileState::unreadable) {
        if (const MovedAside moved = moveAsideUnreadable(path_); !moved.result) {
            lastFailure_ = moved.result.reason();
            logLine("defaults: keeping changes in memory — " + path_ +
                    " cannot be replaced safely");
            return false;
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
    const FileWriteResult written =
        writeFileDurably(path_, QJsonDocument(merged).toJson(QJsonDocument::Indented));
    if (!written) {
        if (lastFailure_ != written.reason()) { // once per cause, not once per slider step
            logLine("defaults: could not write " + path_ + " — " + written.reason() +
                    "; keeping changes in memory");
        }
        lastFailure_ = written.reason();
        return false;
    }
    pending_.clear();
    lastFailure_.clear();
    snapshot_ = std::move(merged);
    snapshotStamp_ = stampOfFile();
    return true;
}

} // namespace tavik::platform
