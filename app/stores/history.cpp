#include "app/stores/history.h"

#include "app/stores/history_file.h"
#include "app/stores/text_graphemes.h"
#include "platform/folders.h"
#include "platform/main_thread.h"
#include "platform/private_files.h"
#include "platform/serial_queue.h"

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

bool History::flushShared(std::chrono::milliseconds timeout) {
    History* history = sharedHistory.load();
    return history == nullptr || history->flush(timeout);
}

History::History(QString filePath, CalendarSource calendar, QObject* parent)
    : QObject(parent), filePath_(std::move(filePath)), calendar_(std::move(calendar)),
      queue_(std::make_unique<platform::SerialQueue>("tavik.history")) {
    platform::ensurePrivateFolder(QFileInfo(filePath_).absolutePath());
    load();
}

History::~History() {
    queue_.reset(); // the queue runs what is left before it goes
}

void History::load() {
    const QFileInfo info(filePath_);
    if (!info.exists()) {
        return;
    }
    QFile file(filePath_);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        unreadableOnDisk_ = true;
        return;
    }
    const QByteArray bytes = file.readAll();
    if (std::optional<QList<Entry>> decoded = history_file::decode(bytes)) {
        entries_ = std::move(*decoded);
    } else if (!bytes.trimmed().isEmpty()) {
        // Up to maxEntries dictations may be in there: the history starts empty, but the
        // file is kept aside instead of being overwritten by the next save.
        unreadableOnDisk_ = true;
    }
}

void History::save() {
    queue_->async([this, snapshot = entries_, path = filePath_] {
        if (unreadableOnDisk_) {
            if (QFileInfo::exists(path) && platform::moveAsideUnreadable(path).isEmpty()) {
                return; // writing now would destroy the file we could not read
            }
            unreadableOnDisk_ = false;
        }
        platform::writeFileAtomically(path, history_file::encode(snapshot));
    });
}

bool History::flush(std::chrono::milliseconds timeout) {
    return queue_->drain(timeout);
}

void History::add(const Entry& entry) {
    entries_.prepend(entry);
    if (entries_.size() > maxEntries) {
        entries_.resize(maxEntries);
    }
    emit entriesChanged();
    save();
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
    const text::CaseInsensitiveFinder finder(trimmed, text::currentLocaleIsTurkic());
    QList<Entry> found;
    for (const Entry& entry : entries_) {
        if (finder.foundIn(entry.text)) {
            found.append(entry);
        }
    }
    return found;
}

QList<History::DayGroup> History::grouped(const QList<Entry>& list) const {
    const DayCalendar calendar = calendar_();
    // Keyed by the day's first instant; QMap keeps them ordered, earliest first.
    QMap<qint64, DayGroup> days;
    for (const Entry& entry : list) {
        const QDateTime start = calendar.startOfDay(entry.at);
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
        std::stable_sort(group.entries.begin(), group.entries.end(),
                         [](const Entry& a, const Entry& b) { return a.at > b.at; });
        result.append(std::move(group));
    }
    return result;
}

} // namespace tavik
