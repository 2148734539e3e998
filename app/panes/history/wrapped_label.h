#pragma once

#include "app/panes/history/wrapped_text.h"

#include <QColor>
#include <QWidget>

namespace tavik::panes {

// A plain-text label that wraps to its width (breaking an overlong word rather than pushing the
// pane wider) and asks its layout for the height that takes. Data texts go here: nothing in
// them is ever read as markup.
class WrappedLabel : public QWidget {
    Q_OBJECT

public:
    WrappedLabel(const QString& text, const QFont& font, const QColor& color,
                 QWidget* parent = nullptr, Qt::Alignment alignment = Qt::AlignLeft);

    QString text() const { return text_; }
    void setText(const QString& text);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    const WrappedText& wrapped() const { return wrapped_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
    WrappedText wrapped_;
};

} // namespace tavik::panes
