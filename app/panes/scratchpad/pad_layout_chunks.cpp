// How PadLayout cuts the text into chunks and lays them out.
#include "app/panes/scratchpad/pad_layout_parts.h"
#include "app/shell/design/text_lines.h"

#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

using namespace pad_sizes;

int PadLayout::breakLength(qsizetype at) const {
    return paragraphBreakLength(text_, at);
}

bool PadLayout::startsParagraph(qsizetype at) const {
    if (at <= 0) {
        return true;
    }
    if (at > text_.size() || !isParagraphBreak(text_[at - 1])) {
        return false;
    }
    // Between the two characters of a CR LF nothing begins.
    return !(text_[at - 1] == u'\r' && at < text_.size() && text_[at] == u'\n');
}

qsizetype PadLayout::findBreak(qsizetype from, qsizetype limit) const {
    const char16_t* data = reinterpret_cast<const char16_t*>(text_.constData());
    limit = std::min(limit, text_.size());
    // A block is first tested whole, with no early exit, which the compiler does many
    // characters at a time: a pad is mostly long paragraphs with no break in sight.
    constexpr qsizetype block = 64;
    while (from < limit) {
        const qsizetype end = std::min(limit, from + block);
        bool maybe = end - from < block;
        if (!maybe) {
            for (qsizetype i = from; i < end; ++i) {
                maybe |= (data[i] <= u'\r') | (data[i] == 0x2029);
            }
        }
        if (maybe) {
            for (qsizetype i = from; i < end; ++i) {
                if (isParagraphBreak(QChar(data[i]))) {
                    return i;
                }
            }
        }
        from = end;
    }
    return limit;
}

void PadLayout::estimate(Chunk& chunk) const {
    // Counted once; the height follows from them with what lines are learnt to hold.
    chunk.partialChars = chunk.wholeChars = chunk.paragraphs = 0;
    const qsizetype end = chunk.end();
    bool whole = startsParagraph(chunk.start);
    for (qsizetype p = chunk.start; p < end;) {
        const qsizetype b = findBreak(p, end);
        if (whole && (b < end || end == text_.size())) {
            chunk.wholeChars += b - p;
            ++chunk.paragraphs;
        } else {
            chunk.partialChars += b - p;
        }
        if (b >= end) {
            break;
        }
        p = b + breakLength(b);
        whole = true;
    }
    if (end == text_.size() && startsParagraph(end) && (end > chunk.start || end == 0)) {
        ++chunk.paragraphs; // the empty paragraph after a final break
    }
}

void PadLayout::countPieces(Chunk& chunk) const {
    // What estimate() would count, read from the pieces: kept for when the lines are forgotten.
    chunk.partialChars = chunk.wholeChars = chunk.paragraphs = 0;
    for (const Piece& piece : chunk.pieces) {
        const qsizetype start = chunk.start + piece.offset;
        const bool begins = piece.offset > 0 || startsParagraph(start);
        const bool ends = piece.breakLength > 0 || start + piece.length == text_.size();
        if (begins && ends) {
            chunk.wholeChars += piece.length;
            ++chunk.paragraphs;
        } else {
            chunk.partialChars += piece.length;
        }
    }
}

qreal PadLayout::heightOf(const Chunk& chunk) const {
    if (chunk.laid) {
        return chunk.height;
    }
    const qreal perLine = sampledLines_ >= 8 ? sampledChars_ / sampledLines_
                                             : std::max<qreal>(1, width_ / charWidth_);
    // A paragraph takes at least a line, and half a line more than its characters fill.
    const qreal paragraphs = qreal(chunk.paragraphs);
    const qreal lines = std::max(paragraphs, qreal(chunk.wholeChars) / perLine + paragraphs / 2) +
                        qreal(chunk.partialChars) / perLine;
    return lines * lineHeight_;
}

std::vector<PadLayout::Chunk> PadLayout::estimated(qsizetype start, qsizetype end) const {
    std::vector<Chunk> out;
    for (qsizetype p = start; p < end || out.empty();) {
        qsizetype cut = std::min(end, p + estimatedChunk);
        if (cut < end) {
            // At a paragraph start when there is one close by, else after a space, so that a
            // chunk laid out from a guessed start begins with a word.
            const qsizetype near = std::min(end, cut + estimatedChunk / 4);
            const qsizetype b = findBreak(cut, near);
            if (b < near) {
                cut = std::min(end, b + breakLength(b));
            } else {
                qsizetype s = cut;
                while (s > cut - 64 && !text_[s - 1].isSpace()) {
                    --s;
                }
                cut = text_[s - 1].isSpace() ? s : cut;
                if (text_[cut - 1].isHighSurrogate() && text_[cut].isLowSurrogate()) {
                    ++cut;
                }
            }
        }
        Chunk chunk;
        chunk.start = p;
        chunk.length = cut - p;
        estimate(chunk);
        out.push_back(std::move(chunk));
        p = cut;
        if (p >= end) {
            break;
        }
    }
    return out;
}

std::unique_ptr<QTextLayout> PadLayout::layText(qsizetype start, qsizetype length,
                                                Qt::LayoutDirection direction) const {
    auto layout = std::make_unique<QTextLayout>(text_.mid(start, length), font_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(direction);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    design::stackLines(*layout, width_, true);
    return layout;
}

void PadLayout::learn(const QTextLayout& layout, int lines) {
    // Wrapped lines tell how many characters a line holds, for estimating the rest.
    for (int i = 0; i + 1 < lines; ++i) {
        sampledChars_ += layout.lineAt(i).textLength();
        sampledLines_ += 1;
    }
    if (sampledLines_ > 4096) {
        sampledChars_ /= 2;
        sampledLines_ /= 2;
    }
}

std::vector<PadLayout::Chunk> PadLayout::layRegion(qsizetype start, qsizetype end,
                                                   bool dropLastLine,
                                                   Qt::LayoutDirection direction) {
    std::vector<Chunk> out;
    Chunk current;
    qreal y = 0;
    auto begin = [&](qsizetype at) {
        current = Chunk();
        current.start = at;
        current.laid = true;
        current.joined = true;
        y = 0;
    };
    auto add = [&](qsizetype from, qsizetype length, int breakLength, Qt::LayoutDirection dir,
                   std::unique_ptr<QTextLayout> layout, int lines) {
        learn(*layout, lines + (lines < layout->lineCount() ? 1 : 0));
        Piece piece;
        piece.offset = from - current.start;
        piece.length = length;
        piece.breakLength = breakLength;
        piece.direction = dir;
        piece.top = y;
        piece.lines = lines;
        piece.height = layoutHeight(*layout, lines);
        piece.layout = std::move(layout);
        y += piece.height;
        current.pieces.push_back(std::move(piece));
    };
    auto close = [&](qsizetype at) {
        current.length = at - current.start;
        current.height = y;
        const Piece& first = current.pieces.front();
        current.firstLineLength = first.lines > 0 ? first.layout->lineAt(0).textLength() : 0;
        current.used = clock_;
        countPieces(current);
        out.push_back(std::move(current));
        begin(at);
    };
    auto resolve = [&](qsizetype from, qsizetype to) {
        const qsizetype n = std::min<qsizetype>(to - from, 4096);
        return QStringView(text_).sliced(from, n).isRightToLeft() ? Qt::RightToLeft
                                                                  : Qt::LeftToRight;
    };

    begin(start);
    const bool endsInsideParagraph = end < text_.size() && !startsParagraph(end);
    Qt::LayoutDirection dir = startsParagraph(start) ? Qt::LayoutDirectionAuto : direction;
    qsizetype p = start;
    while (p < end) {
        const qsizetype b = findBreak(p, end);
        const bool paragraphEnds = b < end;
        if (dir == Qt::LayoutDirectionAuto) {
            dir = resolve(p, b);
        }
        // A long stretch of one paragraph goes in slices of whole lines: the last line of a
        // slice may be cut short, so the slice ends where that line begins.
        while (b - p > chunk) {
            qsizetype cut = p + chunk;
            if (text_[cut - 1].isHighSurrogate()) {
                --cut;
            }
            auto layout = layText(p, cut - p, dir);
            int lines = layout->lineCount();
            qsizetype lineStart = cut;
            if (lines >= 2) {
                --lines;
                lineStart = p + layout->lineAt(lines).textStart();
            }
            add(p, lineStart - p, 0, dir, std::move(layout), lines);
            close(lineStart);
            p = lineStart;
        }
        if (!paragraphEnds && endsInsideParagraph && dropLastLine) {
            // The text after `end` decides the last line: keep only the lines before it.
            auto layout = layText(p, b - p, dir);
            const int lines = layout->lineCount() - 1;
            if (lines >= 1) {
                const qsizetype lineStart = p + layout->lineAt(lines).textStart();
                add(p, lineStart - p, 0, dir, std::move(layout), lines);
                p = lineStart;
            }
            break;
        }
        const int brk = paragraphEnds ? breakLength(b) : 0;
        auto layout = layText(p, b - p, dir);
        const int lines = layout->lineCount();
        add(p, b - p, brk, dir, std::move(layout), lines);
        p = paragraphEnds ? std::min(end, b + brk) : b;
        if (paragraphEnds) {
            dir = Qt::LayoutDirectionAuto;
        }
        if (p - current.start >= chunk && p < end) {
            close(p);
        }
    }
    // A text that ends in a paragraph break (or is empty) ends with an empty paragraph.
    if (p == text_.size() && end == text_.size() && startsParagraph(p) &&
        (current.pieces.empty() ? out.empty() || out.back().pieces.back().breakLength > 0
                                : current.pieces.back().breakLength > 0)) {
        add(p, 0, 0, Qt::LeftToRight, layText(p, 0, Qt::LeftToRight), 1);
    }
    if (!current.pieces.empty()) {
        close(p);
    }
    return out;
}

} // namespace tavik::panes
