// How tall each row of the history list is. Measuring a wrapped text means shaping it, up to a
// few milliseconds for a long dictation in a complex script, so a history at its 5,000-entry cap
// would keep the main thread busy for seconds to measure whole. Rows start from a cheap estimate
// instead, which also gives the scroll bar its range; those in view are measured before they are
// painted, and those within a view's height of it a few milliseconds at a time while the event
// loop is idle, so a wheel or page step finds them measured. The rest keep their estimate until
// the view comes near. Whenever rows above the view change height, the view is moved by as much,
// so nothing in view jumps.
#include "app/panes/history/history_list.h"

#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"
#include "app/shell/state/app_state.h"
#include "app/stores/text_graphemes.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavik::panes {

namespace {

// One slice of measuring: short enough that typing and scrolling never wait for it.
constexpr qint64 sliceNs = 4'000'000;
// Laying out ahead waits for the view to rest this long, so that it never stands between
// repeated keys or wheel steps.
constexpr int prepareAfterMs = 100;
// The most rows laid out ahead: the layouts kept are a few hundred.
constexpr int preparedRows = 96;

// How far beyond the view, in view heights, rows are measured ahead of being shown.
constexpr int viewsAhead = 1;

// How far from a width its heights stand in for estimates at another: a scroll bar's width.
constexpr qreal nearbyWidth = 24;

} // namespace

bool HistoryList::measured(const HistoryEntry& entry) const {
    const std::optional<RowHeights::Height> known = heights_.find(entry, layoutWidth_);
    return known && known->exact;
}

qreal HistoryList::restingHeight(const HistoryEntry& entry, bool exact) {
    const std::optional<RowHeights::Height> known = heights_.find(entry, layoutWidth_);
    if (WrappedText::isChunked(entry.text) && (exact || (known && known->exact))) {
        return chunkedHeight(entry);
    }
    if (known && (known->exact || !exact)) {
        return known->value;
    }
    if (!exact) {
        if (const std::optional<qreal> nearby = heights_.nearby(entry, layoutWidth_, nearbyWidth)) {
            heights_.store(entry, layoutWidth_, {*nearby, false});
            return *nearby;
        }
    }
    const qreal height = exact ? row_.height(entry, layoutWidth_, false, false)
                               : row_.estimatedHeight(entry, layoutWidth_);
    heights_.store(entry, layoutWidth_, {height, exact});
    return height;
}

qreal HistoryList::chunkedHeight(const HistoryEntry& entry) {
    // Its first piece is laid out here; the rest only as far as the view comes near, each piece
    // correcting the estimate of what is still unknown.
    const qreal height = row_.height(entry, layoutWidth_, false, false);
    if (!row_.progress(entry, layoutWidth_).complete) {
        unfinished_.insert(entry.id);
    }
    heights_.store(entry, layoutWidth_, {height, true});
    return height;
}

qreal HistoryList::depthNeeded(int r) const {
    const QRect near = nearView();
    const ListLayout::Row& row = layout_.rows()[std::size_t(r)];
    if (near.isEmpty() || row.top > near.bottom() || row.top + row.height < near.top()) {
        return -1;
    }
    return near.bottom() - row.top;
}

QRect HistoryList::inView() const {
    return visibleRegion().boundingRect();
}

QRect HistoryList::nearView() const {
    const QRect view = inView();
    const int ahead = viewsAhead * view.height();
    return view.isEmpty() ? view : view.adjusted(0, -ahead, 0, ahead);
}

bool HistoryList::settled() const {
    for (const QUuid& id : unfinished_) {
        const int r = layout_.rowOf(id);
        if (r < 0) {
            continue;
        }
        const HistoryEntry& entry = layout_.entry(r);
        const qreal depth = depthNeeded(r);
        const WrappedText::Progress laid = row_.progress(entry, layoutWidth_);
        const bool covered = laid.complete || depth < 0 || laid.known + EntryRow::paddingY > depth;
        const bool current =
            strippedRow_ == id ||
            layout_.rows()[std::size_t(r)].height == row_.height(entry, layoutWidth_, false, false);
        if (!covered || !current) {
            return false;
        }
    }
    const QRect near = nearView();
    if (near.isEmpty()) {
        return true;
    }
    const auto [first, end] = layout_.rowsBetween(near.top(), near.bottom());
    for (int r = first; r < end; ++r) {
        if (!measured(layout_.entry(r))) {
            return false;
        }
    }
    return true;
}

void HistoryList::relayout() {
    const qreal width = std::max(1, this->width());
    if (width != layoutWidth_) {
        unfinished_.clear();
        layoutWidth_ = width;
    }
    // Whole pixels, as the rows' heights are, so that every card, row and separator starts on a
    // pixel: a separator between two pixels was smeared over both, and a row's picture could
    // not be copied where the row is.
    const qreal captionHeight =
        std::ceil(QFontMetricsF(design::SectionLabel::headingFont()).height());
    layout_.build(groups_, captions_, width, captionHeight,
                  [this](const HistoryEntry& entry, int) { return restingHeight(entry, false); });
    if (isVisible()) {
        const QRect view = inView();
        const auto [first, end] = layout_.rowsBetween(view.top(), view.bottom());
        measureRows(first, end, view.top());
        measureTimer_.start(); // the rest once the event loop is idle
    }
    fitHeight();
}

qreal HistoryList::measureRows(int first, int end, qreal anchor) {
    std::vector<std::pair<int, qreal>> changed;
    qreal grownAbove = 0;
    for (int r = std::max(0, first); r < std::min(end, rowCount()); ++r) {
        const HistoryEntry& entry = layout_.entry(r);
        if (measured(entry)) {
            continue;
        }
        grownAbove += takeHeight(r, restingHeight(entry, true), anchor, true, changed);
    }
    layout_.setRowHeights(changed);
    return grownAbove;
}

qreal HistoryList::takeHeight(int r, qreal height, qreal viewTop, bool growsUpward,
                              std::vector<std::pair<int, qreal>>& changed) const {
    // The row under the pointer keeps its taller height with the strip.
    if (strippedRow_ == layout_.entry(r).id) {
        return 0;
    }
    changed.emplace_back(r, height);
    const ListLayout::Row& row = layout_.rows()[std::size_t(r)];
    const bool above = growsUpward ? row.top < viewTop : row.top + row.height <= viewTop;
    return above ? height - row.height : 0;
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
        // Laid out no further than the view and a view's height beyond it: a text of megabytes
        // would otherwise keep the main thread busy for most of a second after the pane opens.
        const qreal depth = depthNeeded(r);
        const qreal knownBefore = row_.progress(entry, layoutWidth_).known;
        const WrappedText::Progress laid =
            depth < 0 ? row_.progress(entry, layoutWidth_)
                      : row_.layOutTo(entry, layoutWidth_, depth, budgetNs);
        // Lines a frame could not wait for are shown as they become known. Only those lines are
        // repainted: a view that jumped to the end of megabytes lies far below them until the
        // last slices, and repainting it at every slice kept the main thread busy for a second.
        if (laid.known != knownBefore) {
            const QRectF row = layout_.rowRect(r);
            const qreal textTop = row.top() + EntryRow::paddingY;
            const QRectF fresh(row.left(), textTop + knownBefore, row.width(),
                               laid.known - knownBefore);
            update(fresh.toAlignedRect() & inView());
        }
        const bool done = laid.complete;
        const qreal height = row_.height(entry, layoutWidth_, false, false);
        heights_.store(entry, layoutWidth_, {height, true});
        // A new height moves what follows the row's end.
        if (const QRectF row = layout_.rowRect(r); height != row.height()) {
            const qreal end = row.top() + std::min(height, row.height());
            update(QRectF(0, end, width(), inView().bottom() + 1 - end).toAlignedRect() & inView());
        }
        // The row's top and its known lines stay where they are; only its end moves.
        grownAbove += takeHeight(r, height, viewTop, false, changed);
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
    const QRect near = nearView();
    const auto [first, end] = layout_.rowsBetween(near.top(), near.bottom());
    std::vector<std::pair<int, qreal>> changed;
    for (int r = first; r < end && slice.nsecsElapsed() < sliceNs; ++r) {
        const HistoryEntry& entry = layout_.entry(r);
        if (!measured(entry)) {
            grownAbove += takeHeight(r, restingHeight(entry, true), viewTop, true, changed);
        }
    }
    layout_.setRowHeights(changed);
    fitHeight();
    if (grownAbove != 0) {
        emit shiftedAboveView(int(grownAbove));
    }
    if (!settled()) {
        measureTimer_.start();
    } else {
        prepareSoon();
    }
}

// Rows near the view are measured by their heights, which are kept; their layouts are not, and
// a page key or a few wheel steps would shape a page of rows before painting them. They are
// laid out while nothing happens, the row a page key makes current with its strip too.
void HistoryList::prepareStep() {
    if (!isVisible() || measureTimer_.isActive()) {
        return;
    }
    QElapsedTimer slice;
    slice.start();
    const QRect near = nearView();
    const auto [first, nearEnd] = layout_.rowsBetween(near.top(), near.bottom());
    const int end = std::min(nearEnd, first + preparedRows);
    std::array<int, 2> aPageAway{-1, -1};
    if (const int current = currentRow(); current >= 0 && hasFocus()) {
        for (const int side : {0, 1}) {
            const int r = rowAPageFrom(current, side == 0 ? 1 : -1);
            aPageAway[std::size_t(side)] = r != current ? r : -1;
        }
    }
    images_.keepOnly([&](const QUuid& id) {
        const int r = layout_.rowOf(id);
        return (r >= first && r < end) || (r >= 0 && std::ranges::count(aPageAway, r) > 0);
    });
    // True once the slice is spent; the rest follows after what waits.
    const auto prepare = [&](int r, bool stripped) {
        const HistoryEntry& entry = layout_.entry(r);
        const bool laidOut =
            row_.prepare(entry, layoutWidth_, stripped, stripped && hasAudio(entry));
        if ((drawAhead(r, stripped) || laidOut) && slice.nsecsElapsed() >= sliceNs) {
            prepareTimer_.start(0);
            return true;
        }
        return false;
    };
    for (int r = first; r < end; ++r) {
        if (prepare(r, false)) {
            return;
        }
    }
    for (const int r : aPageAway) {
        if (r >= 0 && prepare(r, true)) {
            return;
        }
    }
}

void HistoryList::prepareSoon() {
    if (!measureTimer_.isActive()) {
        prepareTimer_.start(prepareAfterMs);
    }
}

bool HistoryList::drawAhead(int r, bool stripped) {
    const HistoryEntry& entry = layout_.entry(r);
    // A very long text is drawn only as far as the view needs it, a picture at a fractional
    // scale would not fall on whole pixels, and the rows at a card's rounded ends are painted
    // afresh, through its rounded clip.
    const qreal scale = devicePixelRatioF();
    if (WrappedText::isChunked(entry.text) || scale != std::round(scale) || !measured(entry) ||
        layout_.rows()[std::size_t(r)].index == 0 || layout_.isLastInGroup(r)) {
        return false;
    }
    const bool audio = stripped && hasAudio(entry);
    const qreal height = stripped == (state_.hovered() == entry.id)
                             ? layout_.rowRect(r).height()
                             : row_.height(entry, layoutWidth_, stripped, audio);
    // A row taller than the view is never brought into it whole.
    if (height > inView().height()) {
        return false;
    }
    const EntryRow::Geometry geometry =
        row_.geometry(entry, QRectF(0, 0, layoutWidth_, height), stripped, audio);
    const RowImages::Look look = lookOf(entry, geometry);
    if (images_.find(entry.id, look)) {
        return false;
    }
    images_.draw(entry.id, look, design::Theme::kelp, [&](QPainter& painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintRowContent(painter, entry, geometry, look, QRectF());
    });
    return true;
}

void HistoryList::viewMoved() {
    if (!isVisible()) {
        return;
    }
    // Rows coming into view are measured before they are painted. Those that come in above the
    // rows already shown (the view moving up onto rows still at their estimate) grow or shrink
    // upwards, keeping the rows already shown where they were.
    const QRect view = inView();
    if (!view.isEmpty()) {
        const auto [first, end] = layout_.rowsBetween(view.top(), view.bottom());
        qreal anchor = view.top();
        for (int r = first; r < end; ++r) {
            if (measured(layout_.entry(r))) {
                anchor = std::max<qreal>(anchor, layout_.rows()[std::size_t(r)].top);
                break;
            }
        }
        const qreal grownAbove = measureRows(first, end, anchor);
        fitHeight();
        if (grownAbove != 0) {
            emit shiftedAboveView(int(grownAbove));
        }
    }
    if (!settled()) {
        measureTimer_.start();
    } else {
        prepareSoon();
    }
    refreshHover();
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
    // Hidden by a search that matches nothing, it is laid out when it shows again.
    if (width() == layoutWidth_ || isHidden()) {
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

void HistoryList::hideEvent(QHideEvent* event) {
    // A search that matches nothing hides the list itself, and the pictures are wanted back as
    // soon as the search is cleared; out of sight with its window, it lets them go.
    if (!isHidden()) {
        forgetRowPictures();
    }
    QWidget::hideEvent(event);
}

} // namespace tavik::panes
