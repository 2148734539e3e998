#include "app/stores/history.h"

#include "app/stores/diagnostic_log.h"
#include "app/stores/history_file.h"
#include "app/stores/text_graphemes.h"
#include "platform/folders.h"
#include "platform/main_thread.h"
#include "platform/private_files.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <atomic>

namespace tavik {
namespace {

std::atomic<History*> sharedHistory{nullptr};

} // namespace

History& History::shared() {
    // Kept for the life of the process; the shell flushes it before quitting.
    static History* const instance = [] {
        auto* made = new History(
            platform::joinPath(platform::Folders::fromEnvironment().data, "history.json"));
        if (QCoreApplication::instance() != nullptr && !platform::isMainThread()) {
            made->moveToThread(QCoreApplication::instance()->thread());
        }
        sharedHistory.store(made);
        return made;
    }();
    return *instance;
}

History* History::sharedIfMade() {
    return sharedHistory.load();
}

bool History::flushShared(std::chrono::milliseconds timeout) {
    History* history = sharedIfMade();
    return history == nullptr || history->flush(timeout);
}

History::History(QString filePath, CalendarSource calendar, QObject* parent)
    : QObject(parent), filePath_(std::move(filePath)), calendar_(std::move(calendar)) {
    platform::ensurePrivateFolder(QFileInfo(filePath_).absolutePath());
    platform::removeLeftoverTemporaries(filePath_);
    load();
    index_.prepare(entries_, text::currentLocaleIsTurkic());
}

History::~History() {
    writer_.reset(); // the newest list still waiting is written before it goes
}

void History::load() {
    // 5,000 entries of the longest dictations stay far below this; /dev/zero or a runaway file
    // put in its place would not.
    constexpr qint64 maxFileBytes = qint64(512) * 1024 * 1024;
    bool unreadable = false;
    const platform::FileRead read = platform::readRegularFile(filePath_, maxFileBytes);
    if (read.unreadable()) {
        slog("history: " + filePath_ + " cannot be read — " + read.problem);
        unreadable = true;
    } else if (read.outcome == platform::FileRead::Outcome::read) {
        const QByteArray& bytes = read.bytes;
        if (std::optional<QList<Entry>> decoded = history_file::decode(bytes)) {
            entries_ = std::move(*decoded);
        } else {
            // Up to maxEntries dictations may be in there: the history starts empty, and the
            // file is kept aside instead of being overwritten by the next save.
            unreadable = !bytes.trimmed().isEmpty();
        }
    }
    writer_ = std::make_unique<LatestWinsWriter>(
        filePath_, "tavik.history", LatestWinsWriter::movingAside(unreadable, filePath_),
        [this](const platform::FileWriteResult&) {
            platform::postToMain(this, [this] { emit saveFinished(); });
        });
}

void History::save() {
    // Copy-on-write: the snapshot costs nothing until the list changes again; encoding runs on
    // the queue, and only for the newest list.
    writer_->write([snapshot = entries_] { return history_file::encode(snapshot); });
}

bool History::flush(std::chrono::milliseconds timeout) {
    return writer_->flush(timeout) == LatestWinsWriter::Flushed::saved;
}

QString History::saveFailure() const {
    return writer_->failure();
}

void History::retrySave() {
    writer_->retry();
}

void History::add(const Entry& entry) {
    entries_.prepend(entry);
    if (entries_.size() > maxEntries) {
        entries_.resize(maxEntries);
    }
    emit entriesChanged();
    save();
    index_.prepare({entry}, text::currentLocaleIsTurkic());
}

void History::remove(const Entry& entry) {
    entries_.removeIf([&](const Entry& candidate) { return candidate.id == entry.id; });
    emit entriesChanged();
    save();
}

void History::clear() {
    entries_.clear();
    emit entriesChanged();
    save();
}

QList<History::Entry> History::search(const QString& query) const {
    const QString trimmed = text::trimSpacesAndTabs(query);
    if (trimmed.isEmpty()) {
        return entries_;
    }
    const bool turkic = text::currentLocaleIsTurkic();
    return index_.search(entries_, text::CaseInsensitiveFinder(trimmed, turkic), turkic);
}

QList<History::DayGroup> History::grouped(const QList<Entry>& list) const {
    const DayCalendar calendar = calendar_();
    // Keyed by the day's first instant; QMap keeps them ordered, earliest first.
    QMap<qint64, DayGroup> days;
    // Finding an instant's day means two time-zone conversions; entries come mostly a day at a
    // time, so the day found last, [start, next), answers most of them.
    QDateTime start;
    QDateTime next;
    for (const Entry& entry : list) {
        if (!start.isValid() || !(entry.at >= start && entry.at < next)) {
            start = calendar.startOfDay(entry.at);
            // 36 hours on is inside the next day, however long daylight-saving time makes this.
            next = start.isValid() ? calendar.startOfDay(start.addSecs(36 * 3600)) : QDateTime();
        }
        const qint64 key =
            start.isValid() ? start.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
        DayGroup& group = days[key];
        if (group.entries.isEmpty()) {
            group.day = start;
        }
        group.entries.append(entry);
    }
    QList<DayGroup> result;
    result.reserve(days.size());
    for (auto it = days.end(); it != days.begin();) {
        --it;
        DayGroup group = std::move(it.value());
        // The history keeps its entries newest first: sorting is for the rare list that is not.
        const auto newerFirst = [](const Entry& a, const Entry& b) {
            return a.at > b.at;
        };
        if (!std::is_sorted(group.entries.begin(), group.entries.end(), newerFirst)) {
            std::stable_sort(group.entries.begin(), group.entries.end(), newerFirst);
        }
        result.append(std::move(group));
    }
    return result;
}

} // namespace tavik
