#include "app/panes/history/wrapped_text.h"

#include "app/panes/history/chunked_layout.h"
#include "app/shell/design/text_lines.h"
#include "app/stores/text_graphemes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>
#include <list>
#include <memory>

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

QTextOption wrapOption(Qt::Alignment alignment) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(alignment);
    return option;
}

qreal layOut(QTextLayout& layout, qreal width, Qt::Alignment alignment) {
    layout.setTextOption(wrapOption(alignment));
    return design::stackLines(layout, width);
}

// The few chunked texts laid out lately, shared by every WrappedText of the process (a pane
// shown again finds its long texts as it left them). Main thread only.
struct ChunkedEntry {
    QString text; // held, so the pointer in the key stays this text's
    QString fontKey;
    Qt::Alignment alignment;
    qreal width;
    std::unique_ptr<ChunkedLayout> layout;
};
std::list<ChunkedEntry>& chunkedLayouts() {
    static std::list<ChunkedEntry> layouts;
    return layouts;
}
constexpr std::size_t keptChunked = 4;

// A frame lays out no more than this of a chunked text: a view dragged deep into megabytes shows
// the lines there as the event loop lays them out, instead of holding everything for a second.
constexpr qint64 frameBudgetNs = 4'000'000;

} // namespace

ChunkedLayout& WrappedText::chunked(const QString& text, qreal width) const {
    std::list<ChunkedEntry>& layouts = chunkedLayouts();
    const QString fontKey = font_.key();
    for (auto it = layouts.begin(); it != layouts.end(); ++it) {
        if (it->width == width && it->alignment == alignment_ && it->fontKey == fontKey &&
            text::sameText(it->text, text)) {
            layouts.splice(layouts.begin(), layouts, it);
            return *layouts.front().layout;
        }
    }
    layouts.push_front(
        ChunkedEntry{text, fontKey, alignment_, width,
                     std::make_unique<ChunkedLayout>(withLineSeparators(text), font_,
                                                     wrapOption(alignment_), width)});
    if (layouts.size() > keptChunked) {
        layouts.pop_back();
    }
    return *layouts.front().layout;
}

WrappedText::Progress WrappedText::progress(const QString& text, qreal width) const {
    if (!isChunked(text)) {
        return {};
    }
    const ChunkedLayout& layout = chunked(text, width);
    return {layout.knownHeight(), layout.complete()};
}

WrappedText::Progress WrappedText::layOutTo(const QString& text, qreal width, qreal y,
                                            qint64 budgetNs) const {
    if (isChunked(text)) {
        chunked(text, width).advanceTo(y, budgetNs);
    }
    return progress(text, width);
}

WrappedText::WrappedText(const QFont& font, Qt::Alignment alignment)
    : font_(font), alignment_(alignment) {
    QTextLayout probe(QStringLiteral("Xg"), font_);
    lineHeight_ = layOut(probe, 1e6, alignment_);
}

qreal WrappedText::naturalWidth(const QString& text) const {
    QTextLayout layout(withLineSeparators(text), font_);
    qreal widest = 0;
    layOut(layout, 1e9, Qt::AlignLeft);
    for (int i = 0; i < layout.lineCount(); ++i) {
        widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
    }
    return widest;
}

qreal WrappedText::height(const QString& text, qreal width) const {
    if (text.isEmpty()) {
        return lineHeight_;
    }
    if (isChunked(text)) {
        ChunkedLayout& layout = chunked(text, width);
        if (layout.lineCount() == 0) {
            layout.advanceTo(0);
        }
        return std::max(layout.height(), lineHeight_);
    }
    // A row is measured again at every paint (its geometry): a text laid out lately is not
    // shaped again for it.
    if (const Drawn* drawn = cachedLayout(text, width)) {
        return std::max(drawn->height, lineHeight_);
    }
    // Most dictations are one short line: a single measurement settles those without a layout.
    // A text whose characters alone are far wider than the line is not shaped whole for that.
    if (isPlainRun(text) && unshapedWidth(text, 2 * width) <= 2 * width &&
        QFontMetricsF(font_).horizontalAdvance(text) <= width) {
        return lineHeight_;
    }
    return std::max(laidOut(text, width).height, lineHeight_);
}

WrappedText::DrawnKey WrappedText::DrawnKey::of(const QString& text, qreal width) {
    constexpr qsizetype knownByContent = 1024;
    if (text.size() <= knownByContent) {
        return {nullptr, qHash(text), text.size(), width};
    }
    return {text.constData(), 0, text.size(), width};
}

bool WrappedText::prepare(const QString& text, qreal width) const {
    if (isChunked(text)) {
        return false;
    }
    bool laid = false;
    laidOut(text, width, &laid);
    return laid;
}

WrappedText::Drawn* WrappedText::cachedLayout(const QString& text, qreal width) const {
    return cached(DrawnKey::of(text, width), text);
}

WrappedText::Drawn* WrappedText::cached(const DrawnKey& key, const QString& text) const {
    Drawn* drawn = drawn_.object(key);
    return drawn != nullptr && text::sameText(drawn->text, text) ? drawn : nullptr;
}

qreal WrappedText::unshapedWidth(const QString& text, qreal enough) const {
    qreal sum = 0;
    for (qsizetype i = 0; i < text.size() && sum <= enough; ++i) {
        sum += advanceOf(text[i].unicode());
    }
    return sum;
}

WrappedText::Drawn& WrappedText::laidOut(const QString& text, qreal width, bool* laid) const {
    const DrawnKey key = DrawnKey::of(text, width);
    if (Drawn* found = cached(key, text)) {
        return *found;
    }
    auto* drawn = new Drawn{text, QTextLayout(withLineSeparators(text), font_), 0};
    drawn->layout.setCacheEnabled(true);
    drawn->height = layOut(drawn->layout, width, alignment_);
    drawn_.insert(key, drawn);
    if (laid != nullptr) {
        *laid = true;
    }
    return *drawn;
}

qreal WrappedText::advanceOf(char16_t c) const {
    if (advances_.isEmpty()) {
        advances_.fill(-1, 0x10000);
    }
    float& advance = advances_[c];
    if (advance < 0) {
        const QFontMetricsF metrics(font_);
        advance = float(QChar::isSurrogate(c) ? metrics.averageCharWidth()
                                              : metrics.horizontalAdvance(QChar(c)));
    }
    return advance;
}

qreal WrappedText::estimatedHeight(const QString& text, qreal width) const {
    if (isChunked(text)) {
        // Megabytes are not laid out, not even in part, for a guess: a list is laid out at
        // widths it never shows (before it has its own), and only the width shown is worth it.
        const qreal perLine = std::max<qreal>(1, std::floor(width / advanceOf(u'n')));
        return std::ceil(qreal(text.size()) / perLine) * lineHeight_;
    }
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
        line += advanceOf(c.unicode());
    }
    if (lineOpen || lines == 0) {
        closeLine();
    }
    return lines * lineHeight_;
}

void WrappedText::draw(QPainter& painter, const QString& text, const QPointF& topLeft, qreal width,
                       const QRectF& clip) const {
    if (isChunked(text)) {
        const QRectF wanted = clip.isEmpty() ? QRectF(topLeft, QSizeF(width, 1e12)) : clip;
        chunked(text, width).draw(painter, topLeft, wanted.translated(-topLeft), frameBudgetNs);
        return;
    }
    laidOut(text, width).layout.draw(&painter, topLeft, {}, clip);
}

} // namespace tavik::panes
