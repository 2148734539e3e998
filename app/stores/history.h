#pragma once

#include "app/stores/day_calendar.h"
#include "app/stores/history_entry.h"
#include "app/stores/latest_wins_writer.h"
#include "app/stores/search_index.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

namespace tavik {

// The record of every delivered dictation, newest first, kept in
// $XDG_DATA_HOME/Tavik/history.json. Everything but the file writes happens on the main
// thread. Each change asks for the whole list to be written, durably, on the serial queue
// "tavik.history"; writes still waiting when a newer change comes are dropped, so a burst of
// deletes costs one or two writes and the file always ends with the newest list. A failed
// write keeps the list in memory until a later change or retrySave() writes it.
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

    // Waits (bounded) until the shared history's newest list is on disk; true when it is.
    // Safe to call when the shared history was never made. For the shutdown path.
    static bool flushShared(std::chrono::milliseconds timeout);
    // The shared history, or null when nothing has used it yet.
    static History* sharedIfMade();

    // A history kept in `filePath`, loaded at once. `calendar` is asked once per grouping.
    explicit History(QString filePath, CalendarSource calendar = &DayCalendar::current,
                     QObject* parent = nullptr);
    ~History() override; // finishes the write still waiting
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

    // Waits until the newest list is written, at most `timeout`. True only when it is on disk:
    // false when the time ran out or its write failed (saveFailure() then says why).
    bool flush(std::chrono::milliseconds timeout);

    // Why the newest list is not on disk: the system's reason for its failed write. Empty while
    // it is saved or still being written.
    QString saveFailure() const;
    // Writes the newest list again when its write failed; nothing otherwise.
    void retrySave();

signals:
    void entriesChanged();
    // After every write of the file, on the main thread; saveFailure() tells how it went.
    void saveFinished();

private:
    void load();
    void save();

    QString filePath_;
    CalendarSource calendar_;
    QList<Entry> entries_;
    mutable SearchIndex index_; // the texts folded for search()
    std::unique_ptr<LatestWinsWriter> writer_;
};

} // namespace tavik
