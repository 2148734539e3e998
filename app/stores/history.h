#pragma once

#include "app/stores/day_calendar.h"
#include "app/stores/history_entry.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

namespace tavik {
namespace platform {
class SerialQueue;
}

// The record of every delivered dictation, newest first, kept in
// $XDG_DATA_HOME/Tavik/history.json. Everything but the file writes happens on the main
// thread; each change is written in full, atomically, on the serial queue "tavik.history".
class History : public QObject {
    Q_OBJECT

public:
    using Entry = HistoryEntry;

    struct DayGroup {
        QDateTime day; // first instant of the calendar day
        QList<Entry> entries;
    };

    static constexpr qsizetype maxEntries = 5000;

    // The application's history, made and loaded on first use.
    static History& shared();

    // Waits (bounded) until the shared history's queued writes are on disk; true when nothing
    // is left. Safe to call when the shared history was never made. For the shutdown path.
    static bool flushShared(std::chrono::milliseconds timeout);

    // A history kept in `filePath`, loaded at once. `calendar` is asked once per grouping.
    explicit History(QString filePath, CalendarSource calendar = &DayCalendar::current,
                     QObject* parent = nullptr);
    ~History() override; // runs the writes still queued
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    const QList<Entry>& entries() const { return entries_; }
    const QString& filePath() const { return filePath_; }

    // Puts `entry` first and drops the oldest beyond maxEntries, then saves.
    void add(const Entry& entry);
    // Removes every entry with the same id (no other field compared), then saves, also when
    // nothing was removed.
    void remove(const Entry& entry);
    // Removes everything, then saves an empty list.
    void clear();

    // Entries whose text contains the query, ignoring case but not diacritics, in the order of
    // entries(). A query that is blank once spaces and tabs are trimmed gives every entry.
    QList<Entry> search(const QString& query) const;

    // `list` grouped by calendar day, latest day first; within a day latest `at` first, equal
    // times keeping the order of `list`.
    QList<DayGroup> grouped(const QList<Entry>& list) const;

    // Waits until every write queued so far is done, at most `timeout`. True when done.
    bool flush(std::chrono::milliseconds timeout);

signals:
    void entriesChanged();

private:
    void load();
    void save();

    QString filePath_;
    CalendarSource calendar_;
    QList<Entry> entries_;
    // Set when the file on disk could not be read: it is moved aside before the first write.
    // Touched only by the queue's tasks once loading is done.
    bool unreadableOnDisk_ = false;
    std::unique_ptr<platform::SerialQueue> queue_;
};

} // namespace tavik
