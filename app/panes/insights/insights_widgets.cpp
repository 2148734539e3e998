#include "app/panes/insights/insights_widgets.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

QFont valueFont() {
    return Theme::font(30, QFont::Medium, -0.8);
}

QFont labelFont() {
    return Theme::font(11);
}

qreal lineHeight(const QFont& font) {
    return QFontMetricsF(font).height();
}

} // namespace

StatCard::StatCard(const QString& value, const QString& label, const QString& glyph,
                   QWidget* parent)
    : QWidget(parent), value_(value), label_(label), glyph_(glyph) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAccessibleName(value_ + QLatin1Char(' ') + label_);
}

QSize StatCard::sizeHint() const {
    const qreal content =
        glyphSize + spacing + lineHeight(valueFont()) + spacing + lineHeight(labelFont());
    const qreal width = std::max(QFontMetricsF(valueFont()).horizontalAdvance(value_),
                                 QFontMetricsF(labelFont()).horizontalAdvance(label_));
    return QSize(int(std::ceil(width)) + 2 * padding, int(std::ceil(content)) + 2 * padding);
}

QSize StatCard::minimumSizeHint() const {
    return QSize(2 * padding, sizeHint().height());
}

void StatCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    design::paint::surface(painter, rect(), Theme::radiusCard, Theme::kelp, Theme::hairline);

    const qreal left = padding;
    const qreal width = std::max<qreal>(0, this->width() - 2 * padding);
    qreal y = padding;
    design::paintGlyph(painter, glyph_, QRectF(left, y, glyphSize, glyphSize), Theme::mist);
    y += glyphSize + spacing;

    const auto line = [&](const QString& text, const QFont& font, const QColor& color) {
        const QFontMetricsF metrics(font);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(left, y, width, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(text, Qt::ElideRight, width));
        y += metrics.height() + spacing;
    };
    line(value_, valueFont(), Theme::phosphor);
    line(label_, labelFont(), Theme::silver);
}

ProportionBar::ProportionBar(double fraction, QWidget* parent)
    : QWidget(parent), fraction_(std::clamp(fraction, 0.0, 1.0)) {
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QRectF ProportionBar::filledRect() const {
    return QRectF(0, 0, width() * fraction_, height);
}

void ProportionBar::paintEvent(QPaintEvent*) {
    const QRectF filled = filledRect();
    if (filled.width() <= 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(design::paint::roundedRect(filled, 3), Theme::bioluminescent(filled));
}

} // namespace tavik::panes
