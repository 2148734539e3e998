#include "app/panes/history/wrapped_label.h"

#include <QPainter>

#include <cmath>

namespace tavik::panes {

WrappedLabel::WrappedLabel(const QString& text, const QFont& font, const QColor& color,
                           QWidget* parent, Qt::Alignment alignment)
    : QWidget(parent), text_(text), color_(color), wrapped_(font, alignment) {
    setFont(font);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text_);
}

void WrappedLabel::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

void WrappedLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

int WrappedLabel::heightForWidth(int width) const {
    return int(std::ceil(wrapped_.height(text_, std::max(1, width))));
}

QSize WrappedLabel::sizeHint() const {
    const int width = int(std::ceil(wrapped_.naturalWidth(text_)));
    return QSize(width, int(std::ceil(wrapped_.lineHeight())));
}

QSize WrappedLabel::minimumSizeHint() const {
    // Any width will do: the text wraps, even inside a word.
    return QSize(1, int(std::ceil(wrapped_.lineHeight())));
}

void WrappedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    wrapped_.draw(painter, text_, QPointF(0, 0), width());
}

} // namespace tavik::panes
