#pragma once

#include "app/shell/design/motion.h"

#include <QBrush>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

#include <array>
#include <optional>

class QPainter;

namespace tavik::design {

// The brand mark: a monogram stroke on the left and three level bars on its right, drawn on a
// 24-unit grid. A rectangle R gives the unit min(R.w, R.h)/24 from R's top-left corner, so a
// wide rectangle keeps the proportions and the left edge.
namespace mark {

using Heights = std::array<double, 3>;

constexpr double grid = 24;
constexpr std::array<double, 3> barX = {12.6, 16.2, 19.8};
constexpr std::array<double, 3> barK = {2.2, 4.2, 1.5};
constexpr double barBase = 19.4;
constexpr double barMaxLength = 13;
constexpr double minHeight = 0.35;
constexpr int barDurationMs = 80;

// Stem (6,4.5)→(6,19.5), top arm (6,4.5)→(18,4.5), middle arm (6,11.4)→(14,11.4): three
// separate open strokes.
QPainterPath monogramPath(const QRectF& rect);
// Bar i from (barX[i], 19.4) up by min(max(h[i], 0.35)·k[i], 13).
QPainterPath barsPath(const QRectF& rect, const Heights& heights);
// Still bars [1,1,1] without a level; else the level x kept in [0,1] gives
// [1+2.6x, 1+1.9x, 1+3.1x]. A level that is not a number counts as 0.
Heights heightsFor(std::optional<double> level);

// The whole mark in a size×size frame at `frame`'s top-left: the monogram stroked size·2.6/24
// wide, the bars size·2/24, round caps, both in `style` laid across the frame (one gradient
// spans the whole mark, not each stroke). With no style given, the bioluminescent gradient.
void paint(QPainter& painter, const QRectF& frame, const Heights& heights,
           const std::optional<QBrush>& style = std::nullopt);

} // namespace mark

// The mark as a widget, `size` px square. setLevel moves the bars with a 0.08 s ease-out.
class TavikMark : public QWidget {
public:
    explicit TavikMark(int size = 24, QWidget* parent = nullptr);

    int markSize() const { return size_; }
    void setLevel(std::optional<double> level);
    std::optional<double> level() const { return level_; }
    // The bars as drawn now (moving toward heightsFor(level) while the tween runs).
    mark::Heights shownHeights() const;
    void setStyle(const QBrush& style);

    QSize sizeHint() const override { return {size_, size_}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int size_;
    std::optional<double> level_;
    std::optional<QBrush> style_;
    Tween bar0_;
    Tween bar1_;
    Tween bar2_;
};

} // namespace tavik::design
