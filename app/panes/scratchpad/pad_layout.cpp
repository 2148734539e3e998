#include "app/panes/scratchpad/pad_layout.h"

#include "app/panes/scratchpad/pad_layout_parts.h"

#include <QFontMetricsF>

#include <algorithm>

namespace tavik::panes {

using namespace pad_sizes;

int paragraphBreakLength(const QString& text, qsizetype at) {
    return text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
}

int paragraphBreakBefore(const QString& text, qsizetype at) {
    if (at <= 0 || !isParagraphBreak(text[at - 1])) {
        return 0;
    }
    return at >= 2 && text[at - 1] == u'\n' && text[at - 2] == u'\r' ? 2 : 1;
}

std::pair<qsizetype, qsizetype> paragraphAround(const QString& text, qsizetype position) {
    qsizetype start = position;
    while (start > 0 && !isParagraphBreak(text[start - 1])) {
        --start;
    }
    qsizetype end = position;
    while (end < text.size() && !isParagraphBreak(text[end])) {
        ++end;
    }
    return {start, end};
}

std::pair<qsizetype, qsizetype> paragraphWithBreakAround(const QString& text, qsizetype position) {
    const auto [start, end] = paragraphAround(text, position);
    return {start, end < text.size() ? end + paragraphBreakLength(text, end) : end};
}

std::pair<qsizetype, qsizetype> boundariesAround(const QString& text, qsizetype from, qsizetype to,
                                                 qsizetype position,
                                                 QTextBoundaryFinder::BoundaryType type) {
    const QString near = text.mid(from, to - from);
    if (near.isEmpty()) {
        return {position, position};
    }
    const qsizetype at = std::min(position - from, near.size() - 1);
    QTextBoundaryFinder finder(type, near);
    finder.setPosition(at);
    const qsizetype start = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
    finder.setPosition(at);
    const qsizetype next = finder.toNextBoundary();
    return {from + std::max<qsizetype>(0, start), from + (next < 0 ? near.size() : next)};
}

PadLayout::PadLayout(const QString& text) : text_(text) {
    setFont(QFont());
    reset();
}

PadLayout::~PadLayout() = default;

void PadLayout::setFont(const QFont& font) {
    font_ = font;
    const QFontMetricsF metrics(font_);
    lineHeight_ = metrics.lineSpacing();
    charWidth_ = std::max<qreal>(1, metrics.averageCharWidth());
    forgetLines();
}

void PadLayout::setWidth(qreal width) {
    width = std::max<qreal>(width, 1);
    if (width == width_) {
        return;
    }
    width_ = width;
    forgetLines();
}

void PadLayout::forgetLines() {
    sampledChars_ = sampledLines_ = 0;
    // The chunks keep their places in the text and what their estimates are made from; only
    // their lines are forgotten.
    for (Chunk& chunk : chunks_) {
        chunk.laid = false;
        chunk.joined = false;
        chunk.pieces.clear();
    }
    topsDirty_ = true;
}

void PadLayout::reset() {
    chunks_ = estimated(0, text_.size());
    topsDirty_ = true;
}

void PadLayout::edit(qsizetype position, qsizetype removed, qsizetype inserted) {
    if (chunks_.empty()) {
        reset();
        return;
    }
    const qsizetype delta = inserted - removed;
    size_t first = indexOf(position);
    size_t last = first;
    while (last + 1 < chunks_.size() && chunks_[last + 1].start < position + removed) {
        ++last;
    }
    // An edit in a chunk's first line can change the line above it: a first word made shorter
    // fits there now.
    const qsizetype firstLine =
        chunks_[first].laid ? chunks_[first].firstLineLength : 2 * lookahead;
    if (first > 0 && chunks_[first - 1].laid && position <= chunks_[first].start + firstLine) {
        --first;
    }
    for (size_t k = last + 1; k < chunks_.size(); ++k) {
        chunks_[k].start += delta;
    }
    qsizetype start = chunks_[first].start;
    qsizetype end = chunks_[last].end() + delta;
    // No chunk may begin between the CR and the LF of one line break.
    auto splitsBreak = [this](qsizetype at) {
        return at > 0 && at < text_.size() && text_[at - 1] == u'\r' && text_[at] == u'\n';
    };
    while (first > 0 && splitsBreak(start)) {
        start = chunks_[--first].start;
    }
    while (last + 1 < chunks_.size() && splitsBreak(end)) {
        end = chunks_[++last].end();
    }
    const bool wasLaid = chunks_[first].laid || chunks_[last].laid;
    std::vector<Chunk> region;
    if (end > start || chunks_.size() == last - first + 1) {
        region = estimated(start, end);
    }
    const size_t count = region.size();
    replaceChunks(first, last, std::move(region));
    const size_t after = first + count;
    if (!wasLaid || end - start > largeEdit) {
        // Laid out when looked at; the laid-out chunk after it no longer follows a laid one.
        if (after < chunks_.size() && chunks_[after].laid) {
            chunks_[after].joined = false;
        }
        return;
    }
    if (count == 0) {
        if (after < chunks_.size() && after > 0) {
            mendSeam(after, mendChunks);
        }
        return;
    }
    // Lay out what changed now, on through the chunks after it until the lines are in step.
    for (qsizetype p = start; p < end;) {
        const size_t k = indexOf(p);
        if (!chunks_[k].laid) {
            layOut(k);
        }
        p = std::max(p + 1, chunks_[indexOf(p)].end());
    }
}

qreal PadLayout::height() {
    rebuildTops();
    return tops_.back();
}

bool PadLayout::seamAfterOpen(size_t index) const {
    // The last line of a chunk is only sure once the chunk after it is known to follow on.
    return index + 1 < chunks_.size() && chunks_[index].laid && chunks_[index + 1].laid &&
           !chunks_[index + 1].joined && !startsParagraph(chunks_[index + 1].start);
}

bool PadLayout::settle(size_t index, qsizetype target) {
    if (!ready(index)) {
        makeReady(target);
        return true;
    }
    if (seamAfterOpen(index)) {
        mendSeam(index + 1, mendChunks);
        return true;
    }
    return false;
}

PadLine PadLayout::lineAt(qreal y) {
    for (int attempt = 0; attempt < 32; ++attempt) {
        const size_t index = indexAt(y);
        // Lay out the part of the chunk that the height falls in.
        const Chunk& chunk = chunks_[index];
        const qreal height = tops_[index + 1] - tops_[index];
        const qreal into = height > 0 ? std::clamp((y - tops_[index]) / height, 0.0, 1.0) : 0.0;
        if (!settle(index, chunk.start + qsizetype(into * qreal(chunk.length)))) {
            break;
        }
    }
    const size_t index = indexAt(y);
    Chunk& chunk = chunks_[index];
    if (!chunk.laid) {
        makeReady(chunk.start);
        return lineOf(chunk.start);
    }
    ensureLayouts(chunk);
    const qreal local = y - tops_[index];
    size_t piece = 0;
    while (piece + 1 < chunk.pieces.size() && chunk.pieces[piece + 1].top <= local) {
        ++piece;
    }
    const Piece& p = chunk.pieces[piece];
    int line = 0;
    while (line + 1 < p.lines && p.layout->lineAt(line + 1).y() <= local - p.top) {
        ++line;
    }
    return padLine(index, p, p.layout->lineAt(line));
}

PadLine PadLayout::lineOf(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    for (int attempt = 0; attempt < 32; ++attempt) {
        if (!settle(indexOf(position), position)) {
            break;
        }
    }
    return lineIn(indexOf(position), position);
}

PadLine PadLayout::lineIn(size_t index, qsizetype position) {
    Chunk& chunk = chunks_[index];
    ensureLayouts(chunk);
    rebuildTops();
    const qsizetype local = position - chunk.start;
    size_t piece = 0;
    while (piece + 1 < chunk.pieces.size() && chunk.pieces[piece + 1].offset <= local) {
        ++piece;
    }
    const Piece& p = chunk.pieces[piece];
    // A position inside a CR LF shows where the paragraph ends.
    const qsizetype inPiece = std::clamp<qsizetype>(local - p.offset, 0, p.length);
    QTextLine line = p.layout->lineForTextPosition(int(inPiece));
    if (!line.isValid() || line.lineNumber() >= p.lines) {
        line = p.layout->lineAt(p.lines - 1);
    }
    return padLine(index, p, line);
}

PadLine PadLayout::padLine(size_t index, const Piece& piece, const QTextLine& line) const {
    PadLine found;
    found.line = line;
    found.layout = piece.layout.get();
    found.layoutStart = chunks_[index].start + piece.offset;
    found.layoutLength = piece.length;
    found.breakLength = piece.breakLength;
    found.lines = piece.lines;
    found.origin = QPointF(0, tops_[index] + piece.top);
    found.endsParagraph = found.isLastOfLayout() && piece.breakLength > 0;
    return found;
}

PadLine PadLayout::below(const PadLine& line) {
    if (!line.isValid()) {
        return {};
    }
    const int number = line.line.lineNumber();
    if (number + 1 < line.lines) {
        PadLine next = line;
        next.line = line.layout->lineAt(number + 1);
        next.endsParagraph = next.isLastOfLayout() && line.breakLength > 0;
        return next;
    }
    const qsizetype after = line.layoutStart + line.layoutLength + line.breakLength;
    if (after > text_.size() || (after == text_.size() && line.breakLength == 0)) {
        return {};
    }
    return lineOf(after);
}

PadLine PadLayout::above(const PadLine& line) {
    if (!line.isValid()) {
        return {};
    }
    const int number = line.line.lineNumber();
    if (number > 0) {
        PadLine previous = line;
        previous.line = line.layout->lineAt(number - 1);
        previous.endsParagraph = false;
        return previous;
    }
    if (line.layoutStart == 0) {
        return {};
    }
    return lineOf(line.layoutStart - 1);
}

void PadLayout::forEachPiece(qsizetype top, qreal height,
                             const std::function<void(const PadPiece&)>& f) {
    // Everything on screen is made ready first: readying a chunk can lay out again the end of
    // the one above it, and move what is below.
    qreal viewTop = 0;
    for (int round = 0; round < 64; ++round) {
        viewTop = lineOf(top).top();
        bool changed = false;
        for (size_t k = indexOf(top); k < chunks_.size() && tops_[k] <= viewTop + height; ++k) {
            if (settle(k, chunks_[k].start)) {
                changed = true;
                break;
            }
        }
        if (!changed) {
            break;
        }
    }
    rebuildTops();
    const size_t first = indexOf(top);
    for (size_t k = first; k < chunks_.size() && tops_[k] <= viewTop + height; ++k) {
        Chunk& chunk = chunks_[k];
        if (!chunk.laid) {
            return;
        }
        ensureLayouts(chunk);
        for (const Piece& p : chunk.pieces) {
            const qsizetype start = chunk.start + p.offset;
            if (start + p.length < top) {
                continue;
            }
            const QPointF origin(0, tops_[k] + p.top - viewTop);
            if (origin.y() > height) {
                return;
            }
            f(PadPiece{p.layout.get(), start, p.length, p.breakLength > 0, origin, p.height});
        }
    }
}

void PadLayout::trimCache() {
    std::vector<std::pair<quint64, size_t>> cached;
    for (size_t k = 0; k < chunks_.size(); ++k) {
        if (chunks_[k].cached()) {
            cached.emplace_back(chunks_[k].used, k);
        }
    }
    if (cached.size() <= cachedChunks) {
        return;
    }
    std::sort(cached.begin(), cached.end());
    for (size_t i = 0; i + cachedChunks < cached.size(); ++i) {
        for (Piece& piece : chunks_[cached[i].second].pieces) {
            piece.layout.reset();
        }
    }
}

qsizetype PadLayout::laidLength() const {
    qsizetype laid = 0;
    for (const Chunk& chunk : chunks_) {
        laid += chunk.laid ? chunk.length : 0;
    }
    return laid;
}

std::vector<qsizetype> PadLayout::chunkStarts() const {
    std::vector<qsizetype> starts;
    for (const Chunk& chunk : chunks_) {
        starts.push_back(chunk.start);
    }
    return starts;
}

size_t PadLayout::indexOf(qsizetype position) const {
    const auto after =
        std::upper_bound(chunks_.begin(), chunks_.end(), position,
                         [](qsizetype at, const Chunk& chunk) { return at < chunk.start; });
    return after == chunks_.begin() ? 0 : size_t(after - chunks_.begin()) - 1;
}

size_t PadLayout::indexAt(qreal y) {
    rebuildTops();
    const auto after = std::upper_bound(tops_.begin() + 1, tops_.end(), y);
    return std::min(size_t(after - (tops_.begin() + 1)), chunks_.size() - 1);
}

void PadLayout::replaceChunks(size_t first, size_t last, std::vector<Chunk> with) {
    chunks_.erase(chunks_.begin() + qsizetype(first), chunks_.begin() + qsizetype(last) + 1);
    chunks_.insert(chunks_.begin() + qsizetype(first), std::make_move_iterator(with.begin()),
                   std::make_move_iterator(with.end()));
    topsDirty_ = true;
}

void PadLayout::rebuildTops() {
    if (!topsDirty_ && tops_.size() == chunks_.size() + 1) {
        return;
    }
    tops_.resize(chunks_.size() + 1);
    tops_[0] = 0;
    for (size_t k = 0; k < chunks_.size(); ++k) {
        tops_[k + 1] = tops_[k] + heightOf(chunks_[k]);
    }
    topsDirty_ = false;
}

} // namespace tavik::panes
