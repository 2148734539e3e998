#include "app/shell/design/glyph_button.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/paint.h"

#include <QKeyEvent>
#include <QPainter>

namespace tavik::design {

GlyphButton::GlyphButton(const QString& glyph, int size, const QColor& color, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph), size_(size), color_(color) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::ArrowCursor);
}

void GlyphButton::setGlyph(const QString& glyph) {
    if (glyph != glyph_) {
        glyph_ = glyph;
        update();
    }
}

void GlyphButton::setColor(const QColor& color) {
    if (color != color_) {
        color_ = color;
        update();
    }
}

QSize GlyphButton::sizeHint() const {
    return {size_ + 2 * margin, size_ + 2 * margin};
}

void GlyphButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ControlState state = hook_.resolve(*this, isDown());
    if (state.down) {
        painter.setOpacity(downOpacity);
    }
    const QPointF origin((width() - size_) / 2.0, (height() - size_) / 2.0);
    painter.drawPixmap(origin, glyphPixmap(glyph_, color_, size_, devicePixelRatioF()));
    if (state.focused) {
        painter.setOpacity(1);
        paint::focusRing(painter, rect(), qMin(width(), height()) / 2.0);
    }
}

void GlyphButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace tavik::design
