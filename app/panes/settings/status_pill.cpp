#include "app/panes/settings/status_pill.h"

#include "app/panes/settings/settings_rules.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QPainter>

#include <cmath>

namespace tavik::panes::settings {

using design::Theme;

namespace {
constexpr qreal dotSize = 7;
constexpr qreal gap = 6;
constexpr qreal padX = 10;
constexpr qreal padY = 5;
} // namespace

StatusPill::StatusPill(QWidget* parent) : QWidget(parent) {
    setFont(Theme::font(11, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(dictation::State::loading());
}

void StatusPill::setState(const dictation::State& state) {
    const PillLook look = pillLook(state);
    if (look.text == text_ && look.color == color_) {
        return;
    }
    text_ = look.text;
    color_ = look.color;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

QSize StatusPill::sizeHint() const {
    const QFontMetricsF metrics(font());
    const qreal width = padX + dotSize + gap + metrics.horizontalAdvance(text_) + padX;
    const qreal height = padY + qMax(dotSize, metrics.height()) + padY;
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void StatusPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = color_;
    tint.setAlphaF(0.12f);
    painter.fillPath(design::paint::capsule(rect()), tint);

    const qreal middle = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(padX, middle - dotSize / 2, dotSize, dotSize));

    painter.setPen(Theme::label);
    const QRectF textRect(padX + dotSize + gap, 0, width() - (padX + dotSize + gap), height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
}

} // namespace tavik::panes::settings
