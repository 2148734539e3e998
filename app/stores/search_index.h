#pragma once

#include "app/stores/history_entry.h"
#include "app/stores/text_graphemes.h"

#include <QHash>
#include <QList>
#include <QUuid>

#include <memory>

namespace tavik {

namespace platform {
class SerialQueue;
}

// The history's texts kept folded for its search. Folding a text (case, canonical forms,
// character boundaries) costs far more than looking through it, and a search runs at every
// keystroke over the same texts: each text is folded once, when it is first searched or, ahead
// of that, on a worker thread right after the history is read or grows. A kept form counts only
// for the very text it was folded from. Used on the main thread.
class SearchIndex {
public:
    SearchIndex();
    ~SearchIndex(); // stops folding ahead
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // The entries whose text the finder finds, in their order.
    QList<HistoryEntry> search(const QList<HistoryEntry>& entries,
                               const text::CaseInsensitiveFinder& finder, bool turkic);

    // Folds, on the worker, the texts of `entries` that have no form yet.
    void prepare(const QList<HistoryEntry>& entries, bool turkic);

private:
    struct Kept {
        QString text; // held, so a changed text is told from the one folded
        std::shared_ptr<const text::SearchableText> form;
    };
    struct Ahead;

    const text::SearchableText& formOf(const HistoryEntry& entry, bool turkic);
    void takeAhead();

    QHash<QUuid, Kept> forms_;
    std::shared_ptr<Ahead> ahead_;
    std::unique_ptr<platform::SerialQueue> queue_;
};

} // namespace tavik
