#include "app/shell/design/mark.h"

#include "app/shell/design/theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik::design {

namespace mark {

namespace {

double unitOf(const QRectF& rect) {
    return std::min(rect.width(), rect.height()) / grid;
}

void segment(QPainterPath& path, const QRectF& rect, double u, double x1, double y1, double x2,
             double y2) {
    path.moveTo(rect.left() + x1 * u, rect.top() + y1 * u);
    path.lineTo(rect.left() + x2 * u, rect.top() + y2 * u);
}

} // namespace

QPainterPath monogramPath(const QRectF& rect) {
    const double u = unitOf(rect);
    QPainterPath path;
    segment(path, rect, u, 6, 4.5, 6, 19.5);
    segment(path, rect, u, 6, 4.5, 18, 4.5);
    segment(path, rect, u, 6, 11.4, 14, 11.4);
    return path;
}

QPainterPath barsPath(const QRectF& rect, const Heights& heights) {
    const double u = unitOf(rect);
    QPainterPath path;
    for (size_t i = 0; i < 3; ++i) {
        // A height that is not a number counts as the smallest, never as a point off the grid.
        const double h = std::isnan(heights[i]) ? minHeight : std::max(heights[i], minHeight);
        const double length = std::min(h * barK[i], barMaxLength);
        segment(path, rect, u, barX[i], barBase, barX[i], barBase - length);
    }
    return path;
}

Heights heightsFor(std::optional<double> level) {
    if (!level) {
        return {1, 1, 1};
    }
    // A level that is not a number would give bars with no place; it counts as silence.
    const double x = std::isnan(*level) ? 0 : std::clamp(*level, 0.0, 1.0);
    return {1 + 2.6 * x, 1 + 1.9 * x, 1 + 3.1 * x};
}

void paint(QPainter& painter, const QRectF& frame, const Heights& heights,
           const std::optional<QBrush>& style) {
    const double size = std::min(frame.width(), frame.height());
    const QRectF square(frame.topLeft(), QSizeF(size, size));
    const QBrush brush = style ? *style : QBrush(Theme::bioluminescent(square));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    QPen pen(brush, size * 2.6 / grid, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.drawPath(monogramPath(square));
    pen.setWidthF(size * 2.0 / grid);
    painter.setPen(pen);
    painter.drawPath(barsPath(square, heights));
    painter.restore();
}

} // namespace mark

TavikMark::TavikMark(int size, QWidget* parent)
    : QWidget(parent), size_(size), bar0_(this, 1), bar1_(this, 1), bar2_(this, 1) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TavikMark::setLevel(std::optional<double> level) {
    level_ = level;
    const mark::Heights target = mark::heightsFor(level);
    bar0_.animateTo(target[0], mark::barDurationMs, Motion::easeOut());
    bar1_.animateTo(target[1], mark::barDurationMs, Motion::easeOut());
    bar2_.animateTo(target[2], mark::barDurationMs, Motion::easeOut());
}

mark::Heights TavikMark::shownHeights() const {
    return {bar0_.value(), bar1_.value(), bar2_.value()};
}

void TavikMark::setStyle(const QBrush& style) {
    style_ = style;
    update();
}

void TavikMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF frame((width() - size_) / 2.0, (height() - size_) / 2.0, size_, size_);
    mark::paint(painter, frame, shownHeights(), style_);
}

} // namespace tavik::design
