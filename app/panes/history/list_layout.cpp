#include "app/panes/history/list_layout.h"

#include <algorithm>

namespace tavik::panes {

void ListLayout::build(const QList<History::DayGroup>& groups, const QStringList& captions,
                       qreal width, qreal captionHeight, const RowHeight& rowHeight) {
    source_ = &groups;
    width_ = width;
    captionHeight_ = captionHeight;
    groups_.clear();
    rows_.clear();
    rowById_.clear();
    groups_.reserve(std::size_t(groups.size()));
    for (qsizetype g = 0; g < groups.size(); ++g) {
        Group group;
        group.caption = g < captions.size() ? captions[g] : QString();
        group.firstRow = int(rows_.size());
        group.rowCount = int(groups[g].entries.size());
        for (qsizetype i = 0; i < groups[g].entries.size(); ++i) {
            Row row;
            row.group = int(g);
            row.index = int(i);
            row.height = rowHeight(groups[g].entries[i], int(rows_.size()));
            if (!rowById_.contains(groups[g].entries[i].id)) {
                rowById_.insert(groups[g].entries[i].id, int(rows_.size()));
            }
            rows_.push_back(row);
        }
        groups_.push_back(group);
    }
    place(0);
}

void ListLayout::setRowHeight(int row, qreal height) {
    if (row < 0 || std::size_t(row) >= rows_.size() || rows_[row].height == height) {
        return;
    }
    rows_[row].height = height;
    place(std::size_t(rows_[row].group));
}

void ListLayout::setRowHeights(const std::vector<std::pair<int, qreal>>& heights) {
    std::size_t fromGroup = groups_.size();
    for (const auto& [row, height] : heights) {
        if (row < 0 || std::size_t(row) >= rows_.size() || rows_[row].height == height) {
            continue;
        }
        rows_[row].height = height;
        fromGroup = std::min(fromGroup, std::size_t(rows_[row].group));
    }
    if (fromGroup < groups_.size()) {
        place(fromGroup);
    }
}

void ListLayout::place(std::size_t fromGroup) {
    qreal y = 0;
    if (fromGroup > 0 && fromGroup <= groups_.size()) {
        const Group& before = groups_[fromGroup - 1];
        y = before.card.bottom() + groupSpacing;
    }
    for (std::size_t g = fromGroup; g < groups_.size(); ++g) {
        Group& group = groups_[g];
        group.top = y;
        const qreal cardTop = y + captionHeight_ + captionGap;
        qreal rowTop = cardTop;
        for (int r = group.firstRow; r < group.firstRow + group.rowCount; ++r) {
            rows_[r].top = rowTop;
            rowTop += rows_[r].height;
            if (r + 1 < group.firstRow + group.rowCount) {
                rowTop += separator;
            }
        }
        group.card = QRectF(0, cardTop, width_, rowTop - cardTop);
        y = group.card.bottom() + groupSpacing;
    }
    height_ = groups_.empty() ? 0 : groups_.back().card.bottom();
}

const HistoryEntry& ListLayout::entry(int row) const {
    const Row& r = rows_[std::size_t(row)];
    return (*source_)[r.group].entries[r.index];
}

QRectF ListLayout::rowRect(int row) const {
    const Row& r = rows_[std::size_t(row)];
    return QRectF(0, r.top, width_, r.height);
}

bool ListLayout::isLastInGroup(int row) const {
    const Row& r = rows_[std::size_t(row)];
    return r.index + 1 == groups_[std::size_t(r.group)].rowCount;
}

int ListLayout::rowAt(const QPointF& point) const {
    if (point.x() < 0 || point.x() >= width_) {
        return -1;
    }
    const auto [first, end] = rowsBetween(point.y(), point.y());
    for (int r = first; r < end; ++r) {
        if (point.y() >= rows_[r].top && point.y() < rows_[r].top + rows_[r].height) {
            return r;
        }
    }
    return -1;
}

std::pair<int, int> ListLayout::rowsBetween(qreal top, qreal bottom) const {
    const auto first = std::partition_point(rows_.begin(), rows_.end(),
                                            [&](const Row& r) { return r.top + r.height <= top; });
    const auto end =
        std::partition_point(first, rows_.end(), [&](const Row& r) { return r.top <= bottom; });
    return {int(first - rows_.begin()), int(end - rows_.begin())};
}

std::pair<int, int> ListLayout::groupsBetween(qreal top, qreal bottom) const {
    const auto first = std::partition_point(groups_.begin(), groups_.end(),
                                            [&](const Group& g) { return g.card.bottom() <= top; });
    const auto end =
        std::partition_point(first, groups_.end(), [&](const Group& g) { return g.top <= bottom; });
    return {int(first - groups_.begin()), int(end - groups_.begin())};
}

int ListLayout::rowOf(const QUuid& id) const {
    return rowById_.value(id, -1);
}

} // namespace tavik::panes
