#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace tavik::panes::settings {

// A glyph before a text, as a label: the glyph sits on the first line, the text wraps.
QWidget* makeGlyphLabel(const QString& glyph, const QString& text, qreal pixelSize,
                        QFont::Weight weight, const QColor& color, QWidget* parent = nullptr);

} // namespace tavik::panes::settings
