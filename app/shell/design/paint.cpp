#include "app/shell/design/paint.h"

#include "app/shell/design/theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik::design::paint {

namespace {

// How far past the radius a corner reaches into each side, in radii: the turn starts that much
// earlier than a circular arc's and eases in, so the outline never changes curvature abruptly.
constexpr qreal cornerSmoothing = 0.6;

// Points of one corner in the corner's own frame: `s` runs along the side the outline comes
// from, `t` along the side it goes to, both measured from the corner's vertex.
struct CornerFrame {
    QPointF vertex;
    QPointF along; // unit vector of `s`
    QPointF into;  // unit vector of `t`
    QPointF at(qreal s, qreal t) const { return vertex + along * s + into * t; }
};

// The stretch between a straight side and the circle of radius r, for a corner that reaches
// `extent` (r … (1 + smoothing)·r) along that side. It is a cubic that leaves the side with no
// curvature and meets the circle with the circle's own, `theta` short of the side's tangent
// point. Returns the cubic's two inner control points' distances along the side and `theta`.
struct Easing {
    qreal theta = 0;
    qreal near = 0; // control point next to the side's end of the corner
    qreal far = 0;  // control point next to the circle
};

Easing easingFor(qreal r, qreal extent) {
    Easing e;
    e.theta = std::max<qreal>(0, extent / r - 1) * M_PI / 4;
    if (e.theta < 1e-6) {
        e.near = e.far = r;
        return e;
    }
    const qreal sine = std::sin(e.theta);
    // The last control leg runs along the circle's tangent; its length c closes the height of
    // the circle point above the side, and the leg before it (b, on the side) sets the curvature
    // at the circle to 1/r: (2/3)·b·sin(theta)/c² = 1/r.
    const qreal c = r * std::tan(e.theta / 2);
    const qreal b = 3 * c * c / (2 * r * sine);
    e.far = r * (1 - sine) + c * std::cos(e.theta);
    e.near = e.far + b;
    return e;
}

// One corner: from the side it comes along (reaching `fromExtent` into it) to the side it goes
// along (`toExtent`); the current point of `path` is the corner's start on the first side.
void addCorner(QPainterPath& path, const CornerFrame& f, qreal r, qreal fromExtent,
               qreal toExtent) {
    const Easing in = easingFor(r, fromExtent);
    const Easing out = easingFor(r, toExtent);
    const QPointF a = f.at(r * (1 - std::sin(in.theta)), r * (1 - std::cos(in.theta)));
    const QPointF b = f.at(r * (1 - std::cos(out.theta)), r * (1 - std::sin(out.theta)));
    if (in.theta > 0) {
        path.cubicTo(f.at(in.near, 0), f.at(in.far, 0), a);
    }
    // The circular middle as one cubic: at most a quarter turn, within a thousandth of r.
    const qreal sweep = M_PI / 2 - in.theta - out.theta;
    const qreal k = 4.0 / 3.0 * std::tan(sweep / 4) * r;
    const QPointF tangentA = f.along * -std::cos(in.theta) + f.into * std::sin(in.theta);
    const QPointF tangentB = f.along * -std::sin(out.theta) + f.into * std::cos(out.theta);
    path.cubicTo(a + tangentA * k, b - tangentB * k, b);
    if (out.theta > 0) {
        path.cubicTo(f.at(0, out.far), f.at(0, out.near), f.at(0, toExtent));
    }
}

} // namespace

QPainterPath roundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    // Each side gives its corners as much of the smoothing as half its length allows: a short
    // side (a capsule's end) keeps the plain circle, its long sides still ease into it.
    const qreal across = std::min(r * (1 + cornerSmoothing), rect.width() / 2);
    const qreal down = std::min(r * (1 + cornerSmoothing), rect.height() / 2);
    const CornerFrame topRight{rect.topRight(), {-1, 0}, {0, 1}};
    const CornerFrame bottomRight{rect.bottomRight(), {0, -1}, {-1, 0}};
    const CornerFrame bottomLeft{rect.bottomLeft(), {1, 0}, {0, -1}};
    const CornerFrame topLeft{rect.topLeft(), {0, 1}, {1, 0}};
    // Clockwise from the top side, each corner entered from the side before it.
    path.moveTo(topLeft.at(0, across));
    path.lineTo(topRight.at(across, 0));
    addCorner(path, topRight, r, across, down);
    path.lineTo(bottomRight.at(down, 0));
    addCorner(path, bottomRight, r, down, across);
    path.lineTo(bottomLeft.at(across, 0));
    addCorner(path, bottomLeft, r, across, down);
    path.lineTo(topLeft.at(down, 0));
    addCorner(path, topLeft, r, down, across);
    path.closeSubpath();
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
