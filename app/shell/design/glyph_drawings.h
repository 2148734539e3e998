#pragma once

#include <QPainterPath>
#include <QString>
#include <QStringList>

namespace tavik::design::glyph_drawings {

// The ink of one glyph on the 24-unit grid, one region to fill once (overlapping strokes never
// double a translucent colour). `unitPixels` is how many pixels one unit covers, so strokes can
// keep at least one pixel of width at small sizes. Empty for an unknown name.
QPainterPath ink(const QString& name, qreal unitPixels);

QStringList names();

} // namespace tavik::design::glyph_drawings
