// How tall each row of the history list is. Measuring a wrapped text means shaping it, about
// 40 µs a row, so a history at its 5,000-entry cap would take a fifth of a second to measure
// whole. Rows start from a cheap estimate instead; those in view are measured before they are
// painted, and the rest a few milliseconds at a time while the event loop is idle. Whenever rows
// above the view change height, the view is moved by as much, so nothing in view jumps.
#include "app/panes/history/history_list.h"

#include "app/shell/design/surfaces.h"
#include "app/stores/text_graphemes.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

namespace {

// One slice of measuring: short enough that typing and scrolling never wait for it.
constexpr qint64 sliceNs = 4'000'000;

} // namespace

bool HistoryList::measured(const HistoryEntry& entry) const {
    const std::optional<RowHeights::Height> known = heights_.find(entry, layoutWidth_);
    return known && known->exact;
}

qreal HistoryList::restingHeight(const HistoryEntry& entry, bool exact) {
    const std::optional<RowHeights::Height> known = heights_.find(entry, layoutWidth_);
    if (known && (known->exact || !exact)) {
        return known->value;
    }
    // A very long text is laid out a piece at a time; its height is exact once it is done.
    bool done = exact;
    if (exact && WrappedText::isChunked(entry.text)) {
        done = row_.layOutSome(entry, layoutWidth_, 0);
        if (!done) {
            unfinished_.insert(entry.id);
        }
    }
    const qreal height = exact ? row_.height(entry, layoutWidth_, false, false)
                               : row_.estimatedHeight(entry, layoutWidth_);
    heights_.store(entry, layoutWidth_, {height, done});
    return height;
}

QRect HistoryList::inView() const {
    return visibleRegion().boundingRect();
}

void HistoryList::relayout() {
    const qreal width = std::max(1, this->width());
    if (width != layoutWidth_) {
        unfinished_.clear();
        layoutWidth_ = width;
    }
    const qreal captionHeight = QFontMetricsF(design::SectionLabel::headingFont()).height();
    layout_.build(groups_, captions_, width, captionHeight,
                  [this](const HistoryEntry& entry, int) { return restingHeight(entry, false); });
    measureCursor_ = 0;
    if (isVisible()) {
        const QRect view = inView();
        const auto [first, end] = layout_.rowsBetween(view.top(), view.bottom());
        measureRows(first, end, view.top());
        measureTimer_.start(); // the rest once the event loop is idle
    }
    fitHeight();
}

qreal HistoryList::measureRows(int first, int end, qreal viewTop) {
    std::vector<std::pair<int, qreal>> changed;
    qreal grownAbove = 0;
    for (int r = std::max(0, first); r < std::min(end, rowCount()); ++r) {
        const HistoryEntry& entry = layout_.entry(r);
        if (measured(entry)) {
            continue;
        }
        grownAbove += takeHeight(r, restingHeight(entry, true), viewTop, changed);
    }
    layout_.setRowHeights(changed);
    return grownAbove;
}

qreal HistoryList::takeHeight(int r, qreal height, qreal viewTop,
                              std::vector<std::pair<int, qreal>>& changed) const {
    // The row under the pointer keeps its taller height with the strip.
    if (strippedRow_ == layout_.entry(r).id) {
        return 0;
    }
    changed.emplace_back(r, height);
    const ListLayout::Row& row = layout_.rows()[std::size_t(r)];
    return row.top + row.height <= viewTop ? height - row.height : 0;
}

qreal HistoryList::measureUnfinished(qint64 budgetNs, qreal viewTop) {
    std::vector<std::pair<int, qreal>> changed;
    qreal grownAbove = 0;
    for (auto it = unfinished_.begin(); it != unfinished_.end();) {
        const int r = layout_.rowOf(*it);
        if (r < 0) {
            it = unfinished_.erase(it);
            continue;
        }
        const HistoryEntry& entry = layout_.entry(r);
        const bool done = row_.layOutSome(entry, layoutWidth_, budgetNs);
        const qreal height = row_.height(entry, layoutWidth_, false, false);
        heights_.store(entry, layoutWidth_, {height, done});
        grownAbove += takeHeight(r, height, viewTop, changed);
        it = done ? unfinished_.erase(it) : std::next(it);
    }
    layout_.setRowHeights(changed);
    return grownAbove;
}

void HistoryList::measureStep() {
    if (!isVisible()) {
        return; // shown again, the list lays itself out anew
    }
    QElapsedTimer slice;
    slice.start();
    const qreal viewTop = inView().top();
    qreal grownAbove = measureUnfinished(sliceNs / 2, viewTop);
    // The deadline is looked at after every row: one long dictation alone takes milliseconds to
    // shape, and a key pressed meanwhile waits for the whole slice.
    std::vector<std::pair<int, qreal>> changed;
    for (; measureCursor_ < rowCount() && slice.nsecsElapsed() < sliceNs; ++measureCursor_) {
        const HistoryEntry& entry = layout_.entry(measureCursor_);
        if (!measured(entry)) {
            grownAbove += takeHeight(measureCursor_, restingHeight(entry, true), viewTop, changed);
        }
    }
    layout_.setRowHeights(changed);
    fitHeight();
    if (grownAbove != 0) {
        emit shiftedAboveView(int(grownAbove));
    }
    if (measureCursor_ < rowCount() || !unfinished_.isEmpty()) {
        measureTimer_.start();
    }
}

void HistoryList::fitHeight() {
    // Before the list has its width (a new pane lays out at its default width of a few pixels),
    // a full history stands taller than a widget may be; it settles once the width comes.
    const int height = int(std::min<qreal>(std::ceil(layout_.height()), QWIDGETSIZE_MAX));
    if (this->height() != height || minimumHeight() != height) {
        setFixedHeight(height);
    }
}

void HistoryList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (width() == layoutWidth_) {
        return;
    }
    // Keep the row at the top of the view where it is while every height changes.
    const QRect view = inView();
    const auto [anchor, end] = layout_.rowsBetween(view.top(), view.top());
    const bool anchored = isVisible() && !view.isEmpty() && anchor < end && anchor > 0;
    const QUuid anchorId = anchored ? layout_.entry(anchor).id : QUuid();
    const qreal offset = anchored ? view.top() - layout_.rows()[std::size_t(anchor)].top : 0;
    strippedRow_.reset();
    relayout();
    applyHover();
    if (anchored) {
        const int row = layout_.rowOf(anchorId);
        if (row >= 0) {
            const qreal shift = layout_.rows()[std::size_t(row)].top + offset - view.top();
            if (shift != 0) {
                emit shiftedAboveView(int(shift));
            }
        }
    }
}

void HistoryList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    strippedRow_.reset();
    relayout();
    applyHover();
}

} // namespace tavik::panes
