#pragma once

#include "platform/clock.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tavik {

// What the stores must tell the user, for the main window to show:
// - changes that could not be saved (a full or read-only disk), for as long as that lasts. The
//   stores keep them in memory; every later change tries again, and so does a retry here every
//   retryIntervalMs while anything is unsaved, so they reach the disk once it allows;
// - one-time notes: a file that could not be read and was moved aside (which file, where the
//   copy is), a recording that could not be kept. Each is shown until the user dismisses it.
// Lives on the main thread; requestRefresh() may be called from any thread.
class StoreNotices final : public QObject {
    Q_OBJECT
public:
    // One store whose saves are watched.
    struct Source {
        // What its unsaved changes are, in words ("your history", "your dictionary"); asked
        // only while it fails.
        std::function<QStringList()> what;
        // Why its newest changes are not on disk; empty while they are (or are being written).
        std::function<QString()> failure;
        // Writes its newest changes again.
        std::function<void()> retry;
    };

    struct Unsaved {
        QString what;
        QString reason;
        bool operator==(const Unsaved&) const = default;
    };

    static constexpr int retryIntervalMs = 10'000;

    explicit StoreNotices(platform::Clock& clock = platform::Clock::system(),
                          QObject* parent = nullptr);
    ~StoreNotices() override;

    // The application's notices, made on first use (on the main thread).
    static StoreNotices& shared();

    void watch(Source source);
    // Looks at every source again; call after a save finished. Main thread.
    void refresh();
    // The same from any thread: queued to the main thread.
    void requestRefresh();
    // Tries every store with unsaved changes again now.
    void retryNow();

    const QList<Unsaved>& unsaved() const { return unsaved_; }
    // The sentence the window shows about the unsaved changes; empty when everything is saved.
    QString unsavedText() const;

    const QStringList& notes() const { return notes_; }
    void addNote(const QString& note);
    void dismissNotes();

    // The note for a file moved aside, and for a recording that could not be saved.
    static QString movedAsideNote(const QString& original, const QString& copy);
    static QString recordingNote(const QString& reason);

signals:
    void changed();

private:
    void scheduleRetry();

    platform::Clock& clock_;
    QList<Source> sources_;
    QList<Unsaved> unsaved_;
    QStringList notes_;
    platform::Clock::TimerId retryTimer_ = platform::Clock::noTimer;
};

} // namespace tavik
