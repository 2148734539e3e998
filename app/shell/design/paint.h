#pragma once

#include <QBrush>
#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tavik::design::paint {

// A rounded rectangle with equal corner radii, clamped to half the shorter side. The one place
// corner shapes are made, so a smoother corner can replace the circular arc everywhere at once.
QPainterPath roundedRect(const QRectF& rect, qreal radius);

// A capsule: a rounded rectangle whose radius is half its height.
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
