#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

class QPainter;

namespace tavik::design {

// Tavik's own glyphs, one per symbol name the interface uses ("mic", "trash", "doc.on.doc", …).
// Each is a vector drawing on a 24-unit grid, painted in a single colour, so it tints with any
// token and stays sharp from 10 to 20 pixels and beyond.
bool hasGlyph(const QString& name);
QStringList glyphNames(); // sorted

// Paints the glyph into `rect` (square or not: the drawing takes the shorter side, centred). An
// unknown name paints a small hollow square, so a missing glyph shows instead of vanishing.
void paintGlyph(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);

// The glyph as an image `size` pixels square at the device pixel ratio, cached per (name, colour,
// size, ratio) so repeated paints cost a lookup.
QPixmap glyphPixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio = 1);
QIcon glyphIcon(const QString& name, const QColor& color, int size);

// A glyph as a widget: `size` pixels square (the symbol's point size), in `color`.
class GlyphView : public QWidget {
public:
    GlyphView(const QString& name, int size, const QColor& color, QWidget* parent = nullptr);

    QString glyph() const { return name_; }
    void setGlyph(const QString& name);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    int glyphSize() const { return size_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    int size_;
    QColor color_;
    QPixmap pixmap_; // made on first paint after a change; a repaint allocates nothing
};

} // namespace tavik::design
