#include "app/stores/search_index.h"

#include "platform/serial_queue.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace tavik {

// What the worker folded, waiting for the main thread to take it.
struct SearchIndex::Ahead {
    std::mutex mutex;
    QHash<QUuid, Kept> folded;
    std::atomic<bool> stopping{false};
};

SearchIndex::SearchIndex() : ahead_(std::make_shared<Ahead>()) {}

SearchIndex::~SearchIndex() {
    ahead_->stopping = true;
    queue_.reset();
}

void SearchIndex::prepare(const QList<HistoryEntry>& entries, bool turkic) {
    takeAhead();
    std::vector<std::pair<QUuid, QString>> missing;
    for (const HistoryEntry& entry : entries) {
        const auto it = forms_.constFind(entry.id);
        if (it == forms_.constEnd() || it->form->turkic() != turkic ||
            !text::sameText(it->text, entry.text)) {
            missing.emplace_back(entry.id, entry.text);
        }
    }
    if (missing.empty()) {
        return;
    }
    if (!queue_) {
        queue_ = std::make_unique<platform::SerialQueue>("tavik.search");
    }
    queue_->async([ahead = ahead_, missing = std::move(missing), turkic] {
        for (const auto& [id, text] : missing) {
            if (ahead->stopping) {
                return;
            }
            Kept kept{text, std::make_shared<const text::SearchableText>(text, turkic)};
            const std::lock_guard lock(ahead->mutex);
            ahead->folded.insert(id, std::move(kept));
        }
    });
}

void SearchIndex::takeAhead() {
    QHash<QUuid, Kept> folded;
    {
        const std::lock_guard lock(ahead_->mutex);
        folded.swap(ahead_->folded);
    }
    for (auto it = folded.begin(); it != folded.end(); ++it) {
        forms_.insert(it.key(), std::move(it.value()));
    }
}

const text::SearchableText& SearchIndex::formOf(const HistoryEntry& entry, bool turkic) {
    auto it = forms_.find(entry.id);
    if (it == forms_.end() || it->form->turkic() != turkic ||
        !text::sameText(it->text, entry.text)) {
        it = forms_.insert(entry.id, Kept{entry.text, std::make_shared<const text::SearchableText>(
                                                          entry.text, turkic)});
    }
    return *it->form;
}

QList<HistoryEntry> SearchIndex::search(const QList<HistoryEntry>& entries,
                                        const text::CaseInsensitiveFinder& finder, bool turkic) {
    takeAhead();
    // Forms of entries deleted since are let go of once they outnumber the rest.
    if (forms_.size() > 2 * entries.size() + 64) {
        QHash<QUuid, Kept> current;
        for (const HistoryEntry& entry : entries) {
            if (const auto it = forms_.constFind(entry.id); it != forms_.constEnd()) {
                current.insert(entry.id, *it);
            }
        }
        forms_.swap(current);
    }
    QList<HistoryEntry> found;
    for (const HistoryEntry& entry : entries) {
        if (finder.foundIn(formOf(entry, turkic))) {
            found.append(entry);
        }
    }
    return found;
}

} // namespace tavik
