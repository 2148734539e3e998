#pragma once

#include "app/shell/design/control_state.h"

#include <QAbstractButton>

namespace tavik::design {

// A glyph that acts as a button, without a bezel (the plain button style with a symbol label):
// the glyph `size` px square with 2 px around it for the keyboard focus ring. Dims while held
// down. Reached by Tab, pressed with Space or Enter; the caller names it for screen readers
// (setAccessibleName) and may give it a tooltip.
class GlyphButton : public QAbstractButton {
    Q_OBJECT
public:
    GlyphButton(const QString& glyph, int size, const QColor& color, QWidget* parent = nullptr);

    QString glyph() const { return glyph_; }
    void setGlyph(const QString& glyph);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    int glyphSize() const { return size_; }
    ControlStateHook& stateHook() { return hook_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int margin = 2;
    static constexpr qreal downOpacity = 0.55;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString glyph_;
    int size_;
    QColor color_;
    ControlStateHook hook_;
};

} // namespace tavik::design
