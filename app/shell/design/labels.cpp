#include "app/shell/design/labels.h"

#include "app/shell/design/accessibility.h"

#include <QAccessible>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace tavik::design {

namespace {

QTextOption wrapping(Qt::Alignment alignment) {
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// Lays `text` out at `width` and returns its height; paints it when given a painter.
qreal layOut(const QString& text, const QFont& font, qreal width, Qt::Alignment alignment,
             QPainter* painter = nullptr) {
    // Each paragraph is its own layout: QTextLayout treats a line break as a plain character.
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    const QFontMetricsF metrics(font);
    qreal y = 0;
    for (const QString& paragraph : paragraphs) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(wrapping(alignment));
        layout.beginLayout();
        while (true) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) {
                break;
            }
            line.setLineWidth(qMax<qreal>(width, 1));
            line.setPosition(QPointF(0, y));
            y += metrics.lineSpacing();
        }
        layout.endLayout();
        if (painter) {
            layout.draw(painter, QPointF(0, 0));
        }
        if (paragraph.isEmpty() && layout.lineCount() == 0) {
            y += metrics.lineSpacing();
        }
    }
    return y;
}

void announce(QWidget* widget) {
    if (QAccessible::isActive()) {
        QAccessibleEvent event(widget, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

WrappingLabel::WrappingLabel(const QString& text, const QFont& font, const QColor& color,
                             QWidget* parent)
    : QWidget(parent), text_(text), color_(color) {
    installDesignAccessibility();
    setFont(font);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrappingLabel::setText(const QString& text) {
    if (text != text_) {
        text_ = text;
        updateGeometry();
        update();
        announce(this);
    }
}

void WrappingLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

void WrappingLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

int WrappingLabel::heightForWidth(int width) const {
    return int(std::ceil(layOut(text_, font(), width, alignment_)));
}

QSize WrappingLabel::sizeHint() const {
    // The natural width: every paragraph on one line, measured by the same layout that paints.
    qreal width = 0;
    for (const QString& paragraph : text_.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (line.isValid()) {
            line.setLineWidth(1e6);
            width = qMax(width, line.naturalTextWidth());
        }
        layout.endLayout();
    }
    const int w = int(std::ceil(width)) + 1;
    return {w, heightForWidth(qMax(w, 1))};
}

QSize WrappingLabel::minimumSizeHint() const {
    // Narrow enough that a layout can always make room; the height grows to match.
    const int w = QFontMetrics(font()).averageCharWidth() * 4;
    return {w, QFontMetrics(font()).height()};
}

void WrappingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    layOut(text_, font(), width(), alignment_, &painter);
}

ElidedLabel::ElidedLabel(const QString& text, const QFont& font, const QColor& color,
                         QWidget* parent)
    : QWidget(parent), text_(text), color_(color) {
    installDesignAccessibility();
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString ElidedLabel::oneLine(const QString& text) {
    QString line = text;
    for (QChar& c : line) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
            c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0x0B) || c == QChar(0x0C) ||
            c == QChar(0x85)) {
            c = QLatin1Char(' ');
        }
    }
    return line;
}

void ElidedLabel::setText(const QString& text) {
    if (text != text_) {
        text_ = text;
        updateGeometry();
        update();
        announce(this);
    }
}

void ElidedLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

QString ElidedLabel::shownText() const {
    const QString line = oneLine(text_);
    const QFontMetricsF metrics(font());
    if (metrics.horizontalAdvance(line) <= width()) {
        return line;
    }
    return metrics.elidedText(line, Qt::ElideRight, width());
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(oneLine(text_)))),
            QFontMetrics(font()).height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("…")) * 2, metrics.height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

} // namespace tavik::design
