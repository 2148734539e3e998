#include "app/panes/settings/settings_text.h"

#include "app/shell/design/glyphs.h"
#include "app/shell/design/theme.h"

#include <QHBoxLayout>

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace tavik::panes::settings {

using design::Theme;

namespace {

constexpr int unlimitedWidth = 1 << 20;

// Lays `text` out in `width` and returns its height; draws it when a painter is given.
qreal layOut(const QString& text, const QFont& font, qreal width, QPainter* painter) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    if (painter != nullptr) {
        layout.draw(painter, QPointF(0, 0));
    }
    return height;
}

} // namespace

WrappedText::WrappedText(const QString& text, qreal pixelSize, const QColor& color, QWidget* parent)
    : QWidget(parent), text_(text), color_(color) {
    setFont(Theme::font(pixelSize));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text_);
}

void WrappedText::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

void WrappedText::setColor(const QColor& color) {
    if (color == color_) {
        return;
    }
    color_ = color;
    update();
}

int WrappedText::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const int inner = qMax(1, width - margins.left() - margins.right());
    return int(std::ceil(layOut(text_, font(), inner, nullptr))) + margins.top() + margins.bottom();
}

QSize WrappedText::sizeHint() const {
    // Its natural width is one line; the layout narrows it and asks for the height.
    const qreal oneLine = QFontMetricsF(font()).horizontalAdvance(text_);
    const QMargins margins = contentsMargins();
    const int width =
        int(std::ceil(qMin<qreal>(oneLine, unlimitedWidth))) + margins.left() + margins.right();
    return {width, heightForWidth(width)};
}

QSize WrappedText::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {margins.left() + margins.right(),
            QFontMetrics(font()).height() + margins.top() + margins.bottom()};
}

void WrappedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    const QRect inner = contentsRect();
    painter.translate(inner.topLeft());
    layOut(text_, font(), qMax(1, inner.width()), &painter);
}

bool WrappedText::event(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    return QWidget::event(event);
}

// The gap a label leaves between its icon and its title.
constexpr int glyphGap = 6;

QWidget* makeGlyphLabel(const QString& glyph, const QString& text, qreal pixelSize,
                        QFont::Weight weight, const QColor& color, QWidget* parent) {
    auto* label = new QWidget(parent);
    auto* row = new QHBoxLayout(label);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(glyphGap);
    const int lineHeight = QFontMetrics(Theme::font(pixelSize, weight)).height();
    auto* icon = new design::GlyphView(glyph, int(pixelSize), color, label);
    // The glyph centres on the first line of the text beside it.
    icon->setContentsMargins(0, 0, 0, 0);
    auto* holder = new QWidget(label);
    holder->setFixedSize(int(pixelSize), lineHeight);
    icon->setParent(holder);
    icon->move(0, (lineHeight - icon->sizeHint().height()) / 2);
    row->addWidget(holder, 0, Qt::AlignTop);
    auto* words = new WrappedText(text, pixelSize, color, label);
    words->setFont(Theme::font(pixelSize, weight));
    row->addWidget(words, 1);
    label->setAccessibleName(text);
    return label;
}

} // namespace tavik::panes::settings
