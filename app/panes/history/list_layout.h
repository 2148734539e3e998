#pragma once

#include "app/stores/history.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

namespace tavik::panes {

// Where the day groups of the history list stand, top to bottom, at one width:
//
//   TODAY                      caption (a section label)
//   ╭──────────────────────╮   8 below it, the day's card: its rows touching a 1 px
//   │ row                  │   separator between each two, none after the last
//   │──────────────────────│
//   │ row                  │
//   ╰──────────────────────╯
//                              24 to the next group
//
// Pure geometry over row heights the caller measures; finding what lies at a height is a
// binary search, so the list paints and hit-tests a 5,000-row history in a few steps.
class ListLayout {
public:
    struct Group {
        QString caption;
        qreal top = 0;
        QRectF card;
        int firstRow = 0;
        int rowCount = 0;
    };
    struct Row {
        int group = 0;
        int index = 0; // within the group's entries
        qreal top = 0;
        qreal height = 0;
    };

    static constexpr qreal groupSpacing = 24;
    static constexpr qreal captionGap = 8;
    static constexpr qreal separator = 1;

    using RowHeight = std::function<qreal(const HistoryEntry& entry, int row)>;

    // Lays out `groups` (kept by reference: they must outlive the layout's use) at `width`.
    void build(const QList<History::DayGroup>& groups, const QStringList& captions, qreal width,
               qreal captionHeight, const RowHeight& rowHeight);

    // Changes one row's height and moves everything after it.
    void setRowHeight(int row, qreal height);
    // Changes heights of many rows; the rows move once, from the first one changed.
    void setRowHeights(const std::vector<std::pair<int, qreal>>& heights);

    qreal width() const { return width_; }
    qreal height() const { return height_; }
    qreal captionHeight() const { return captionHeight_; }
    const std::vector<Group>& groups() const { return groups_; }
    const std::vector<Row>& rows() const { return rows_; }
    const HistoryEntry& entry(int row) const;
    QRectF rowRect(int row) const;
    bool isLastInGroup(int row) const;

    // The row whose rectangle holds `point`, or -1 (captions, gaps and separators hold none).
    int rowAt(const QPointF& point) const;
    // The first row reaching below `y` and the first row starting at or below `y`: [first, end).
    std::pair<int, int> rowsBetween(qreal top, qreal bottom) const;
    std::pair<int, int> groupsBetween(qreal top, qreal bottom) const;
    // The row of the entry with this id, or -1.
    int rowOf(const QUuid& id) const;

private:
    void place(std::size_t fromGroup);

    const QList<History::DayGroup>* source_ = nullptr;
    qreal width_ = 0;
    qreal height_ = 0;
    qreal captionHeight_ = 0;
    std::vector<Group> groups_;
    std::vector<Row> rows_;
    QHash<QUuid, int> rowById_; // the first row of each id
};

} // namespace tavik::panes
