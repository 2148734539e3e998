#include "app/stores/store_notices.h"

#include "platform/main_thread.h"

#include <QFileInfo>

namespace tavik {
namespace {

// "a", "a and b", "a, b and c".
QString joinedInWords(const QStringList& parts) {
    if (parts.size() <= 1) {
        return parts.value(0);
    }
    return parts.first(parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           parts.last();
}

} // namespace

StoreNotices::StoreNotices(platform::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock) {}

StoreNotices::~StoreNotices() {
    clock_.cancel(retryTimer_);
}

StoreNotices& StoreNotices::shared() {
    // Kept for the life of the process, like the stores it watches.
    static StoreNotices* const notices = new StoreNotices();
    return *notices;
}

void StoreNotices::watch(Source source) {
    sources_.append(std::move(source));
    refresh();
}

void StoreNotices::refresh() {
    QList<Unsaved> now;
    for (const Source& source : std::as_const(sources_)) {
        const QString reason = source.failure();
        if (!reason.isEmpty()) {
            for (const QString& what : source.what()) {
                now.append({what, reason});
            }
        }
    }
    if (now.isEmpty()) {
        clock_.cancel(retryTimer_);
        retryTimer_ = platform::Clock::noTimer;
    } else if (retryTimer_ == platform::Clock::noTimer) {
        scheduleRetry();
    }
    if (now != unsaved_) {
        unsaved_ = std::move(now);
        emit changed();
    }
}

void StoreNotices::requestRefresh() {
    platform::postToMain(this, [this] { refresh(); });
}

void StoreNotices::scheduleRetry() {
    retryTimer_ = clock_.schedule(platform::msToNs(retryIntervalMs), [this] {
        retryTimer_ = platform::Clock::noTimer;
        retryNow();
        refresh(); // schedules the next try while something is still unsaved
    });
}

void StoreNotices::retryNow() {
    for (const Source& source : std::as_const(sources_)) {
        if (!source.failure().isEmpty()) {
            source.retry();
        }
    }
}

QString StoreNotices::unsavedText() const {
    if (unsaved_.isEmpty()) {
        return QString();
    }
    // One sentence per cause; nearly always there is only one (the disk is full).
    QStringList reasons;
    for (const Unsaved& item : unsaved_) {
        if (!reasons.contains(item.reason)) {
            reasons << item.reason;
        }
    }
    QStringList sentences;
    for (const QString& reason : std::as_const(reasons)) {
        QStringList whats;
        for (const Unsaved& item : unsaved_) {
            if (item.reason == reason) {
                whats << item.what;
            }
        }
        sentences << QStringLiteral("Could not save ") + joinedInWords(whats) +
                         QStringLiteral(": ") + reason + QLatin1Char('.');
    }
    sentences << QStringLiteral("Tavik keeps your changes while it runs and tries again.");
    return sentences.join(QLatin1Char(' '));
}

void StoreNotices::addNote(const QString& note) {
    if (notes_.contains(note)) {
        return;
    }
    notes_.append(note);
    emit changed();
}

void StoreNotices::dismissNotes() {
    if (notes_.isEmpty()) {
        return;
    }
    notes_.clear();
    emit changed();
}

QString StoreNotices::movedAsideNote(const QString& original, const QString& copy) {
    return QFileInfo(original).fileName() +
           QStringLiteral(" could not be read, so Tavik started without it and moved it aside "
                          "to ") +
           copy + QLatin1Char('.');
}

QString StoreNotices::recordingNote(const QString& reason) {
    return QStringLiteral("The recording of a dictation could not be saved: ") + reason +
           QLatin1Char('.');
}

} // namespace tavik
