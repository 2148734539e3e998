#include "app/shell/orb_placement.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace tavik::orb_placement {

Desktop::Desktop(QList<ScreenArea> areas) {
    if (!areas.isEmpty()) {
        left_ = areas.front().geometry.x();
        bottom_ = areas.front().geometry.y() + areas.front().geometry.height();
    }
    screens_.reserve(areas.size());
    for (const ScreenArea& area : areas) {
        screens_.push_back({flipped(area.geometry), flipped(area.available)});
    }
}

QRectF Desktop::flipped(const QRect& rect) const {
    return QRectF(rect.x() - left_, bottom_ - (rect.y() + rect.height()), rect.width(),
                  rect.height());
}

QPoint Desktop::windowPosition(QPointF origin, QSizeF size) const {
    return QPoint(int(std::lround(origin.x() + left_)),
                  int(std::lround(bottom_ - origin.y() - size.height())));
}

QPointF Desktop::origin(QPoint windowPosition, QSizeF size) const {
    return QPointF(windowPosition.x() - left_, bottom_ - windowPosition.y() - size.height());
}

QString format(QPointF point) {
    const auto number = [](double value) {
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    };
    return QStringLiteral("{%1, %2}").arg(number(point.x()), number(point.y()));
}

QPointF parse(const QString& text) {
    static const QRegularExpression numberPattern(
        QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    double values[2] = {0, 0};
    auto match = numberPattern.globalMatch(text);
    for (double& value : values) {
        if (!match.hasNext()) {
            break;
        }
        bool ok = false;
        const double read = match.next().captured().toDouble(&ok);
        // A position that is not a finite number would make every later sum meaningless.
        value = ok && std::isfinite(read) ? read : 0;
    }
    return QPointF(values[0], values[1]);
}

bool holds(const QRectF& rect, QPointF point) {
    return point.x() >= rect.left() && point.x() < rect.left() + rect.width() &&
           point.y() >= rect.top() && point.y() < rect.top() + rect.height();
}

QPointF defaultOrigin(QSizeF size, const QList<Screen>& screens) {
    if (screens.isEmpty()) {
        return QPointF(0, 0);
    }
    const QRectF& visible = screens.front().visible;
    return QPointF(visible.left() + visible.width() - size.width() - 36, visible.top() + 96);
}

QPointF displayOrigin(const std::optional<QString>& saved, QSizeF size,
                      const QList<Screen>& screens) {
    if (!saved) {
        return defaultOrigin(size, screens);
    }
    const QPointF point = parse(*saved);
    const QPointF centre(point.x() + size.width() / 2, point.y() + size.height() / 2);
    for (const Screen& screen : screens) {
        if (!holds(screen.frame, centre)) {
            continue;
        }
        const QRectF& v = screen.visible;
        // The lower bound first, so a visible area narrower than the button aligns the
        // button's right (or top) edge with the area's.
        return QPointF(
            std::min(std::max(point.x(), v.left()), v.left() + v.width() - size.width()),
            std::min(std::max(point.y(), v.top()), v.top() + v.height() - size.height()));
    }
    return defaultOrigin(size, screens);
}

} // namespace tavik::orb_placement
