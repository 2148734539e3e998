#pragma once

#include <QBrush>
#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tavik::design::paint {

// A rounded rectangle with continuous corners of `radius` (clamped to half the shorter side):
// each corner follows the circle of that radius around its diagonal, but starts turning up to
// 1.6 radii from the vertex and eases into the circle, so its curvature grows smoothly from the
// straight side instead of jumping to 1/radius. The one place corner shapes are made: cards,
// fields, buttons, option rows, sidebar rows and capsules all take theirs from here.
QPainterPath roundedRect(const QRectF& rect, qreal radius);

// A capsule: a rounded rectangle whose radius is half its height (its long sides ease into the
// round ends).
QPainterPath capsule(const QRectF& rect);

// A 1-pixel outline drawn inside the shape's edge: the rect inset by half the line and the
// radius reduced to match, so an outline never grows the shape and lands on whole pixels. An
// invalid or fully transparent colour draws nothing.
void strokeInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color,
                  qreal width = 1.0);

// Fill then inside outline (a transparent stroke draws nothing).
void surface(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill,
             const QColor& stroke);

// The keyboard focus ring, inside `rect` so it never paints outside its widget.
void focusRing(QPainter& painter, const QRectF& rect, qreal radius);

// Linear mix of two colours, channel by channel including alpha; t = 0 gives `from`.
QColor mix(const QColor& from, const QColor& to, qreal t);

} // namespace tavik::design::paint
