// How PadLayout lays chunks out when they are looked at, and mends the seams between chunks laid
// out apart.
#include "app/panes/scratchpad/pad_layout_parts.h"

#include <algorithm>

namespace tavik::panes {

using namespace pad_sizes;

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
    return chunk.laid &&
           (index == 0 || chunk.joined || !chunks_[index - 1].laid || startsParagraph(chunk.start));
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
