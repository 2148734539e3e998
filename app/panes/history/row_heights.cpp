#include "app/panes/history/row_heights.h"

#include "app/stores/history.h"
#include "app/stores/text_graphemes.h"

#include <cmath>

namespace tavik::panes {

RowHeights& RowHeights::shared() {
    static RowHeights heights;
    return heights;
}

std::optional<RowHeights::Height> RowHeights::lookUp(const AtWidth& kept,
                                                     const HistoryEntry& entry) {
    const auto it = kept.rows.constFind(entry.id);
    // Ids are meant to be unique, but a hand-edited file may repeat one.
    if (it == kept.rows.constEnd() || it->inserted != entry.inserted ||
        !text::sameText(it->text, entry.text) || !text::sameText(it->app, entry.app)) {
        return std::nullopt;
    }
    return it->height;
}

std::optional<RowHeights::Height> RowHeights::find(const HistoryEntry& entry, qreal width) const {
    for (const AtWidth& kept : widths_) {
        if (kept.width == width) {
            return lookUp(kept, entry);
        }
    }
    return std::nullopt;
}

std::optional<qreal> RowHeights::nearby(const HistoryEntry& entry, qreal width,
                                        qreal within) const {
    std::optional<qreal> best;
    qreal bestDistance = within;
    for (const AtWidth& kept : widths_) {
        const qreal distance = std::abs(kept.width - width);
        if (distance > bestDistance) {
            continue;
        }
        if (const std::optional<Height> height = lookUp(kept, entry)) {
            best = height->value;
            bestDistance = distance;
        }
    }
    return best;
}

void RowHeights::store(const HistoryEntry& entry, qreal width, Height height) {
    AtWidth& kept = at(width);
    // Rows of dictations deleted long ago are let go of once the store holds far more rows
    // than a history can.
    if (kept.rows.size() >= 4 * History::maxEntries && !kept.rows.contains(entry.id)) {
        kept.rows.clear();
    }
    kept.rows.insert(entry.id, Cached{entry.text, entry.app, entry.inserted, height});
}

RowHeights::AtWidth& RowHeights::at(qreal width) {
    auto it = std::find_if(widths_.begin(), widths_.end(),
                           [&](const AtWidth& kept) { return kept.width == width; });
    if (it == widths_.end()) {
        if (widths_.size() >= keptWidths) {
            widths_.pop_back();
        }
        widths_.insert(widths_.begin(), AtWidth{width, {}});
        return widths_.front();
    }
    std::rotate(widths_.begin(), it, it + 1);
    return widths_.front();
}

} // namespace tavik::panes
