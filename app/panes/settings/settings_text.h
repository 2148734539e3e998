#pragma once

// Texts of the settings pane that wrap, always plain text.
#include <QColor>
#include <QFont>
#include <QWidget>

namespace tavik::panes::settings {

// A note that wraps onto as many lines as it needs, breaking an overlong word (a device name)
// anywhere rather than pushing the column wider. Plain text, height for width.
class WrappedText final : public QWidget {
    Q_OBJECT
public:
    WrappedText(const QString& text, qreal pixelSize, const QColor& color,
                QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString text_;
    QColor color_;
};

} // namespace tavik::panes::settings

namespace tavik::panes::settings {

// A glyph before a text, as a label: the glyph sits on the first line, the text wraps.
QWidget* makeGlyphLabel(const QString& glyph, const QString& text, qreal pixelSize,
                        QFont::Weight weight, const QColor& color, QWidget* parent = nullptr);

} // namespace tavik::panes::settings
