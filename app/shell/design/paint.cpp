#include "app/shell/design/paint.h"

#include "app/shell/design/theme.h"

#include <QPainter>

#include <algorithm>

namespace tavik::design::paint {

QPainterPath roundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    if (r <= 0) {
        path.addRect(rect);
    } else {
        path.addRoundedRect(rect, r, r);
    }
    return path;
}

QPainterPath capsule(const QRectF& rect) {
    return roundedRect(rect, rect.height() / 2);
}

void strokeInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color,
                  qreal width) {
    if (!color.isValid() || color.alpha() == 0 || width <= 0) {
        return;
    }
    const qreal half = width / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(roundedRect(rect.adjusted(half, half, -half, -half), radius - half));
    painter.restore();
}

void surface(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill,
             const QColor& stroke) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(roundedRect(rect, radius));
    painter.restore();
    strokeInside(painter, rect, radius, stroke);
}

void focusRing(QPainter& painter, const QRectF& rect, qreal radius) {
    strokeInside(painter, rect, radius, Theme::focusRing, 2.0);
}

QColor mix(const QColor& from, const QColor& to, qreal t) {
    const qreal s = std::clamp(t, 0.0, 1.0);
    auto lerp = [s](float a, float b) {
        return float(a + (b - a) * s);
    };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

} // namespace tavik::design::paint
