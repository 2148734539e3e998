// How PadLayout cuts the text into chunks and lays them out.
#include "app/panes/scratchpad/pad_layout_parts.h"

#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

using namespace pad_sizes;

namespace {

bool isBreakChar(char16_t c) {
    return c == u'\n' || c == u'\r' || c == 0x2029;
}

qreal layoutHeight(const QTextLayout& layout, int lines) {
    if (lines == 0) {
        return 0;
    }
    const QTextLine last = layout.lineAt(lines - 1);
    return last.y() + last.height();
}

} // namespace

bool PadLayout::isBreak(qsizetype at) const {
    return at >= 0 && at < text_.size() && isBreakChar(text_[at].unicode());
}

int PadLayout::breakLength(qsizetype at) const {
    return text_[at] == u'\r' && at + 1 < text_.size() && text_[at + 1] == u'\n' ? 2 : 1;
}

bool PadLayout::startsParagraph(qsizetype at) const {
    if (at <= 0) {
        return true;
    }
    if (at > text_.size() || !isBreakChar(text_[at - 1].unicode())) {
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
                if (isBreakChar(data[i])) {
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
    layout->beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLeadingIncluded(true);
        line.setLineWidth(width_);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
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

Qt::LayoutDirection PadLayout::directionBefore(size_t index) const {
    if (index > 0 && chunks_[index - 1].laid && !chunks_[index - 1].pieces.empty()) {
        return chunks_[index - 1].pieces.back().direction;
    }
    return Qt::LayoutDirectionAuto;
}

void PadLayout::ensureLayouts(Chunk& chunk) {
    chunk.used = ++clock_;
    for (Piece& piece : chunk.pieces) {
        if (!piece.layout) {
            piece.layout = layText(chunk.start + piece.offset, piece.length, piece.direction);
            piece.lines = piece.layout->lineCount();
        }
    }
}

qsizetype PadLayout::lastLineStart(Chunk& chunk) {
    ensureLayouts(chunk);
    const Piece& last = chunk.pieces.back();
    const qsizetype inPiece = last.lines > 0 ? last.layout->lineAt(last.lines - 1).textStart() : 0;
    return chunk.start + last.offset + inPiece;
}

void PadLayout::cutAt(size_t index, qsizetype at) {
    Chunk& chunk = chunks_[index];
    if (at <= chunk.start) {
        chunks_.erase(chunks_.begin() + qsizetype(index));
        topsDirty_ = true;
        return;
    }
    ensureLayouts(chunk);
    Piece& last = chunk.pieces.back();
    const qsizetype pieceStart = chunk.start + last.offset;
    if (at <= pieceStart) {
        chunk.pieces.pop_back();
    } else {
        last.length = at - pieceStart;
        last.breakLength = 0;
        last.layout = layText(pieceStart, last.length, last.direction);
        last.lines = last.layout->lineCount();
        last.height = layoutHeight(*last.layout, last.lines);
    }
    const Piece& end = chunk.pieces.back();
    chunk.length = at - chunk.start;
    chunk.height = end.top + end.height;
    chunk.firstLineLength = chunk.pieces.front().layout->lineAt(0).textLength();
    countPieces(chunk);
    topsDirty_ = true;
}

void PadLayout::layOut(size_t index) {
    const qsizetype start = chunks_[index].start;
    // A chunk laid out after a laid-out one begins where that one's last line ends; one laid out
    // after an estimate begins at a guess.
    const bool joined = index == 0 || startsParagraph(start) || chunks_[index - 1].laid;
    const Qt::LayoutDirection direction = directionBefore(index);
    size_t last = index;
    for (;;) {
        // Short estimated chunks after this one are taken in whole: the end must leave room for
        // a line that is sure.
        while (last + 1 < chunks_.size() && !chunks_[last + 1].laid &&
               !startsParagraph(chunks_[last + 1].start) &&
               chunks_[last + 1].length < 2 * lookahead) {
            ++last;
        }
        const qsizetype end = chunks_[last].end();
        const bool nextEstimated =
            last + 1 < chunks_.size() && !chunks_[last + 1].laid && !startsParagraph(end);
        qsizetype regionEnd = end;
        if (nextEstimated) {
            regionEnd = end + lookahead;
            if (text_[regionEnd - 1].isHighSurrogate()) {
                --regionEnd;
            }
            regionEnd = std::min(regionEnd, findBreak(end, regionEnd));
        }
        std::vector<Chunk> made = layRegion(start, regionEnd, nextEstimated, direction);
        if (made.empty() && nextEstimated) {
            ++last; // not one sure line yet: take the next chunk in too
            continue;
        }
        const qsizetype madeEnd = made.empty() ? start : made.back().end();
        if (!made.empty()) {
            made.front().joined = joined;
        }
        const size_t count = made.size();
        if (nextEstimated) {
            Chunk& next = chunks_[last + 1];
            const qsizetype nextEnd = next.end();
            next.start = madeEnd;
            next.length = nextEnd - madeEnd;
            estimate(next);
        }
        replaceChunks(index, last, std::move(made));
        if (!nextEstimated && index + count < chunks_.size()) {
            mendSeam(index + count, mendChunks);
        }
        return;
    }
}

void PadLayout::mendSeam(size_t index, int budget) {
    while (index > 0 && index < chunks_.size()) {
        Chunk& next = chunks_[index];
        if (!next.laid || startsParagraph(next.start)) {
            return;
        }
        if (!chunks_[index - 1].laid) {
            next.joined = false;
            return;
        }
        // Does the line that ends the chunk before end where this one begins?
        const qsizetype from = lastLineStart(chunks_[index - 1]);
        const qsizetype seam = next.start;
        const Qt::LayoutDirection direction = chunks_[index - 1].pieces.back().direction;
        const qsizetype probeEnd = findBreak(seam, seam + lookahead);
        const auto probe = layText(from, probeEnd - from, direction);
        if (probe->lineCount() >= 2 && from + probe->lineAt(1).textStart() == seam) {
            next.joined = true;
            return;
        }
        if (budget <= 0) {
            next.joined = false;
            return;
        }
        --budget;
        // Lay out again from the start of that line, through this chunk.
        const qsizetype end = next.end();
        const size_t before = chunks_.size();
        cutAt(index - 1, from);
        const size_t at = chunks_.size() < before ? index - 1 : index;
        std::vector<Chunk> made = layRegion(from, end, false, direction);
        made.front().joined = true;
        const size_t count = made.size();
        replaceChunks(at, at, std::move(made));
        index = at + count;
    }
}

void PadLayout::guessStart(size_t index, qsizetype notAfter) {
    // Begin at a word, as a line would.
    Chunk& chunk = chunks_[index];
    const qsizetype limit = std::min({chunk.end() - 1, chunk.start + 128, notAfter});
    qsizetype start = chunk.start;
    for (qsizetype q = chunk.start; q < limit; ++q) {
        if (text_[q].isSpace() && !text_[q + 1].isSpace()) {
            start = q + 1;
            break;
        }
    }
    if (start == chunk.start || index == 0) {
        return;
    }
    Chunk& before = chunks_[index - 1];
    before.length += start - chunk.start;
    estimate(before);
    chunk.length -= start - chunk.start;
    chunk.start = start;
    estimate(chunk);
    topsDirty_ = true;
}

bool PadLayout::ready(size_t index) const {
    const Chunk& chunk = chunks_[index];
    return chunk.laid && (index == 0 || chunk.joined || !chunks_[index - 1].laid ||
                          startsParagraph(chunk.start));
}

void PadLayout::makeReady(qsizetype target) {
    for (int step = 0; step < 100000; ++step) {
        const size_t index = indexOf(target);
        if (ready(index)) {
            return;
        }
        Chunk& chunk = chunks_[index];
        if (chunk.laid) {
            mendSeam(index, mendChunks);
            const size_t now = indexOf(target);
            if (!ready(now)) {
                chunks_[now].joined = true; // mended as far as is worth it: the seam stays
            }
            continue;
        }
        if (index == 0 || startsParagraph(chunk.start) || chunks_[index - 1].laid) {
            layOut(index);
            continue;
        }
        // Lay out from the nearest chunk that can be, when it is near enough.
        size_t from = index;
        qsizetype distance = 0;
        while (from > 0 && !chunks_[from - 1].laid && !startsParagraph(chunks_[from].start) &&
               distance < reach) {
            --from;
            distance += chunks_[from].length;
        }
        if (from == 0 || startsParagraph(chunks_[from].start) || chunks_[from - 1].laid) {
            layOut(from);
            continue;
        }
        guessStart(index, target);
        chunks_[index].joined = false;
        layOut(index);
        if (!chunks_[indexOf(target)].laid) {
            continue;
        }
        return;
    }
}

} // namespace tavik::panes
