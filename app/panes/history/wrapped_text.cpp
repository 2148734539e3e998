#include "app/panes/history/wrapped_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>

namespace tavik::panes {

namespace {

// QTextLayout breaks lines only at U+2028; the text's own line breaks become that.
QString withLineSeparators(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    shown.replace(QLatin1Char('\r'), QChar::LineSeparator);
    return shown;
}

// Texts for which one measurement of the whole run tells whether it fits on a line: no line
// breaks, tabs or other control characters that a layout would treat specially.
bool isPlainRun(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            return false;
        }
    }
    return true;
}

template <typename Visit>
qreal layOut(QTextLayout& layout, qreal width, Qt::Alignment alignment, Visit visit) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(alignment);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        visit(line);
    }
    layout.endLayout();
    return y;
}

} // namespace

WrappedText::WrappedText(const QFont& font, Qt::Alignment alignment)
    : font_(font), alignment_(alignment) {
    QTextLayout probe(QStringLiteral("Xg"), font_);
    lineHeight_ = layOut(probe, 1e6, alignment_, [](const QTextLine&) {});
}

qreal WrappedText::naturalWidth(const QString& text) const {
    QTextLayout layout(withLineSeparators(text), font_);
    qreal widest = 0;
    layOut(layout, 1e9, Qt::AlignLeft,
           [&](const QTextLine& line) { widest = std::max(widest, line.naturalTextWidth()); });
    return widest;
}

qreal WrappedText::height(const QString& text, qreal width) const {
    if (text.isEmpty()) {
        return lineHeight_;
    }
    // Most dictations are one short line: a single measurement settles those without a layout.
    if (isPlainRun(text) && QFontMetricsF(font_).horizontalAdvance(text) <= width) {
        return lineHeight_;
    }
    QTextLayout layout(withLineSeparators(text), font_);
    const qreal height = layOut(layout, width, alignment_, [](const QTextLine&) {});
    return std::max(height, lineHeight_);
}

qreal WrappedText::estimatedHeight(const QString& text, qreal width) const {
    const QFontMetricsF metrics(font_);
    int lines = 0;
    qreal line = 0;
    bool lineOpen = false;
    const auto closeLine = [&] {
        lines += std::max(1, int(std::ceil(line / std::max<qreal>(1, width))));
        line = 0;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            continue;
        }
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator) {
            closeLine();
            lineOpen = false;
            continue;
        }
        lineOpen = true;
        auto it = advances_.constFind(c.unicode());
        if (it == advances_.constEnd()) {
            const qreal advance =
                c.isSurrogate() ? metrics.averageCharWidth() : metrics.horizontalAdvance(c);
            it = advances_.insert(c.unicode(), advance);
        }
        line += *it;
    }
    if (lineOpen || lines == 0) {
        closeLine();
    }
    return lines * lineHeight_;
}

void WrappedText::draw(QPainter& painter, const QString& text, const QPointF& topLeft,
                       qreal width) const {
    const QString key = QString::number(width, 'g', 12) + QChar(0) + text;
    QTextLayout* layout = drawn_.object(key);
    if (layout == nullptr) {
        layout = new QTextLayout(withLineSeparators(text), font_);
        layout->setCacheEnabled(true);
        layOut(*layout, width, alignment_, [](const QTextLine&) {});
        drawn_.insert(key, layout);
    }
    layout->draw(&painter, topLeft);
}

} // namespace tavik::panes
