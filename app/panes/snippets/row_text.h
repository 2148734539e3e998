#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

// Data texts drawn straight into a list row, so a card of hundreds of rows needs no label
// widget per text. The same rules as the design system's labels: always plain text; wrapped at
// word boundaries where possible and inside an overlong word where not; one-line texts cut with
// an ellipsis, their line breaks shown as spaces.
namespace tavik::panes::row_text {

// Height of `text` wrapped to `width` (a whole number of lines). `natural`, when known, is the
// text's naturalWidth(), which spares measuring it again.
qreal wrappedHeight(const QString& text, const QFont& font, qreal width, qreal natural = -1);
// The widest line of `text` with nothing wrapped.
qreal naturalWidth(const QString& text, const QFont& font);
// Draws `text` wrapped to the rectangle's width, from its top left corner.
void drawWrapped(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                 const QColor& color);

// What a one-line text shows in `width`.
QString elided(const QString& text, const QFont& font, qreal width);
// Draws it, vertically centred in the rectangle.
void drawElided(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                const QColor& color);

} // namespace tavik::panes::row_text
