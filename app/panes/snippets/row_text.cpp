#include "app/panes/snippets/row_text.h"

#include "app/shell/design/labels.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

namespace tavik::panes::row_text {
namespace {

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n'));
}

// Lays each paragraph out at `width`; draws it too when given a painter. Gives the height.
qreal layOut(const QString& text, const QFont& font, qreal width, QPainter* painter,
             QPointF origin) {
    const qreal lineSpacing = QFontMetricsF(font).lineSpacing();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal y = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.isEmpty()) {
            y += lineSpacing;
            continue;
        }
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(qMax<qreal>(width, 1));
            line.setPosition(QPointF(0, y));
            y += lineSpacing;
        }
        layout.endLayout();
        if (painter != nullptr) {
            layout.draw(painter, origin);
        }
    }
    return y;
}

} // namespace

qreal wrappedHeight(const QString& text, const QFont& font, qreal width, qreal natural) {
    const QFontMetricsF metrics(font);
    // Most terms and names fit on one line; that needs no layout.
    if (!hasLineBreak(text) &&
        (natural >= 0 ? natural : metrics.horizontalAdvance(text)) <= width) {
        return metrics.lineSpacing();
    }
    return layOut(text, font, width, nullptr, {});
}

qreal naturalWidth(const QString& text, const QFont& font) {
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        widest = qMax(widest, metrics.horizontalAdvance(paragraph));
    }
    return widest;
}

void drawWrapped(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                 const QColor& color) {
    painter.save();
    painter.setPen(color);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    if (!hasLineBreak(text) && metrics.horizontalAdvance(text) <= rect.width()) {
        painter.drawText(QPointF(rect.left(), rect.top() + metrics.ascent()), text);
    } else {
        layOut(text, font, rect.width(), &painter, rect.topLeft());
    }
    painter.restore();
}

QString elided(const QString& text, const QFont& font, qreal width) {
    const QString line = design::ElidedLabel::oneLine(text);
    return QFontMetricsF(font).elidedText(line, Qt::ElideRight, width);
}

void drawElided(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                const QColor& color) {
    painter.save();
    painter.setPen(color);
    painter.setFont(font);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     elided(text, font, rect.width()));
    painter.restore();
}

} // namespace tavik::panes::row_text
