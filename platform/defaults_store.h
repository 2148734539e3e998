#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <mutex>
#include <optional>

namespace tavik::platform {

// The user defaults: one JSON object in a file, normally $XDG_CONFIG_HOME/Tavik/defaults.json.
// A data value is stored as {"$data": "<base64>"}. Reads follow the rules in defaults_values.h
// and see edits made to the file outside the program. Every write re-reads the file and changes
// only its own key, so an outside edit of another key survives; the file is replaced durably
// (0600 in a 0700 folder), and synced afterwards off the caller's thread (drainSyncs() at quit).
// A file that does not parse, is not a regular file or is absurdly large reads as empty when
// the store first reads it, and is moved aside, logged. When it breaks while the program runs,
// the last good contents keep answering, and the next write moves the broken file aside and
// writes them, every key, with the change. A change that cannot be written stays in memory, is
// read back from there, and goes to the file with the next write or flush. Thread-safe.
class DefaultsStore {
public:
    explicit DefaultsStore(QString path);
    DefaultsStore(const DefaultsStore&) = delete;
    DefaultsStore& operator=(const DefaultsStore&) = delete;

    // The application's store; created on first use.
    static DefaultsStore& shared();

    const QString& path() const { return path_; }

    std::optional<qint64> exactInt(const QString& key) const;
    std::optional<bool> exactBool(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    bool boolean(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;
    std::optional<QStringList> stringArray(const QString& key) const;
    bool contains(const QString& key) const;

    void setInt(const QString& key, qint64 value);
    void setBool(const QString& key, bool value);
    void setString(const QString& key, const QString& value);
    void setData(const QString& key, const QByteArray& value);
    void setStringArray(const QString& key, const QStringList& value);
    void remove(const QString& key);

    // Copies whatever `from` holds, of any kind, to `to` (a store keeps a value it cannot
    // decode under a backup key before overwriting it). False when `from` is absent.
    bool copyValue(const QString& from, const QString& to);
    // The same to a key no earlier copy holds: `base`, else "<base>-2", "<base>-3"…, so a list
    // found unreadable in a later run never overwrites the copy of an earlier one. The key
    // used; nothing when `from` is absent.
    std::optional<QString> copyValueToFreeKey(const QString& from, const QString& base);

    // Writes any change an earlier write could not store (a full disk, a folder that could
    // not be made). True when the file holds every change made through this store.
    bool flush();

    // The keys whose latest change is not in the file yet, and why the last try failed (empty
    // when the file holds every change).
    QStringList unsavedKeys() const;
    QString lastFailure() const;

    // Called after every try to write the file (from the writing thread, outside the store's
    // lock), so the application can show what is not saved.
    void setSaveObserver(std::function<void()> observer);

private:
    // A change not yet in the file; no value means the key is removed.
    using Pending = std::map<QString, std::optional<QJsonValue>>;

    struct FileStamp {
        qint64 modifiedNs = -1;
        qint64 size = -1;
        quint64 inode = 0;
        bool operator==(const FileStamp&) const = default;
    };

    QJsonValue valueOf(const QString& key) const;
    void write(const QString& key, std::optional<QJsonValue> value);
    bool storePendingLocked();
    void notifyObserver();
    void refreshLocked() const;
    FileStamp stampOfFile() const;

    QString path_;
    mutable std::mutex mutex_;
    mutable QJsonObject snapshot_;
    mutable std::optional<FileStamp> snapshotStamp_;
    Pending pending_;
    QString lastFailure_;
    mutable bool firstReadDone_ = false;
    std::function<void()> observer_;
};

} // namespace tavik::platform
