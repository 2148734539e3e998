#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTextOption>

#include <limits>
#include <memory>
#include <vector>

class QPainter;
class QTextLayout;

namespace tavik::panes {

// A text far too long to lay out in one go (megabytes pasted into one dictation), wrapped the way
// WrappedText wraps, a piece at a time:
//
//   ├── chunk 1: the text from a line start, laid out ──┤ its last lines are laid out again
//                     ├── chunk 2: from the first line chunk 1 could not be sure of ──┤ …
//
// A line's breaks depend only on the text from its start to a little past its end, so every line
// of a chunk but the last few is the line a layout of the whole text would make; each chunk
// starts where the lines already known end. Lines are drawn from the chunk that made them, laid
// out again when needed, so what is drawn is what was measured. Until the last chunk is done the
// height is the lines known plus an estimate for the rest.
class ChunkedLayout {
public:
    // `text` with its line breaks already as U+2028, as a layout wants them.
    ChunkedLayout(QString text, const QFont& font, const QTextOption& option, qreal width);
    ~ChunkedLayout();
    ChunkedLayout(const ChunkedLayout&) = delete;
    ChunkedLayout& operator=(const ChunkedLayout&) = delete;

    bool complete() const { return next_ >= text_.size(); }
    // Lays out chunks until the text is done or `budgetNs` has passed (at least one chunk).
    void advance(qint64 budgetNs);
    // Lays out chunks until the known lines reach `y` or the text is done, or until `budgetNs`
    // has passed (after at least one chunk, when one is needed).
    void advanceTo(qreal y, qint64 budgetNs = std::numeric_limits<qint64>::max());

    // The exact height once complete; until then the known lines' and an estimate of the rest.
    qreal height() const;
    // The height of the lines laid out so far.
    qreal knownHeight() const { return knownHeight_; }
    std::size_t lineCount() const { return lines_.size(); }
    // The known lines meeting `clip` (in the text's own coordinates), drawn with `topLeft` as the
    // text's origin. Lines beyond the known ones are laid out first, for at most `budgetNs`, and
    // only when what that time lays out can reach the clip.
    void draw(QPainter& painter, const QPointF& topLeft, const QRectF& clip,
              qint64 budgetNs = std::numeric_limits<qint64>::max());

    // The starts of the known lines, in the text's units (for tests).
    std::vector<qsizetype> lineStarts() const;

    // Small enough that laying out one chunk, which a frame may have to, keeps to a few
    // milliseconds in any script.
    static constexpr qsizetype chunkLength = 4096;

private:
    struct Line {
        qsizetype start = 0;
        qreal y = 0;
        qreal height = 0;
        int chunk = 0; // index into chunks_
        int indexInChunk = 0;
    };
    struct Chunk {
        qsizetype start = 0;
        qsizetype length = 0;
    };

    void layOutNextChunk();
    std::unique_ptr<QTextLayout> layOut(const Chunk& chunk) const;
    QTextLayout& drawnChunk(int chunk);
    // Keeps `layout` as the most recently drawn, letting go of the oldest beyond a few.
    QTextLayout& keepDrawn(int chunk, std::unique_ptr<QTextLayout> layout);
    // Whether laying out for `budgetNs` can be expected to bring the known lines down to `y`.
    bool withinReach(qreal y, qint64 budgetNs) const;

    QString text_;
    QFont font_;
    QTextOption option_;
    qreal width_;
    std::vector<Chunk> chunks_;
    std::vector<Line> lines_;
    qsizetype next_ = 0; // where the next chunk starts: the start of the first unknown line
    qreal knownHeight_ = 0;
    qint64 layingOutNs_ = 0; // spent on the chunks known so far
    // The last chunks drawn, laid out, most recent last.
    std::vector<std::pair<int, std::unique_ptr<QTextLayout>>> drawn_;
};

} // namespace tavik::panes
