#pragma once

#include <QFont>
#include <QPointF>
#include <QString>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tavik::panes {

// What ends a paragraph of the pad: a line feed, a carriage return (alone or before a line
// feed, the two then one break) or the paragraph separator.
inline bool isParagraphBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}
// How long the break at `at` is: two for CR LF, else one.
int paragraphBreakLength(const QString& text, qsizetype at);
// How long the break that ends just before `at` is: 0 when there is none.
int paragraphBreakBefore(const QString& text, qsizetype at);
// The paragraph holding a position: from after the break before it to its own break.
std::pair<qsizetype, qsizetype> paragraphAround(const QString& text, qsizetype position);
// The same with the break that ends it, as a triple click selects a paragraph.
std::pair<qsizetype, qsizetype> paragraphWithBreakAround(const QString& text, qsizetype position);
// The word, grapheme or sentence of `text` holding a position, looked for only between `from`
// and `to` (a stretch around it, so the whole of a long pad is never segmented); an empty
// stretch gives the position itself.
std::pair<qsizetype, qsizetype> boundariesAround(const QString& text, qsizetype from, qsizetype to,
                                                 qsizetype position,
                                                 QTextBoundaryFinder::BoundaryType type);

// One laid-out line of the pad; valid until the layout next changes.
struct PadLine {
    QTextLine line;
    QTextLayout* layout = nullptr;
    qsizetype layoutStart = 0; // text position of the layout's first character
    qsizetype layoutLength = 0;
    int breakLength = 0; // the paragraph break after the layout's text, if any
    // The layout's lines that are this text's: a layout may hold the start of the next chunk's
    // first line after them, which is not drawn from it.
    int lines = 0;
    QPointF origin; // where the layout is drawn, in document coordinates
    bool endsParagraph = false;

    bool isValid() const { return layout != nullptr; }
    qsizetype start() const { return layoutStart + line.textStart(); }
    // The position after the line's last character (its trailing spaces included).
    qsizetype end() const { return start() + line.textLength(); }
    qreal top() const { return origin.y() + line.y(); }
    qreal bottom() const { return top() + line.height(); }
    bool isLastOfLayout() const { return line.lineNumber() == lines - 1; }
};

// One laid-out paragraph, or the part of one that a chunk holds, as painting needs it.
struct PadPiece {
    QTextLayout* layout = nullptr;
    qsizetype start = 0;  // text position of its first character
    qsizetype length = 0; // its characters, without the paragraph break
    bool breakAfter = false;
    QPointF origin;   // in the view
    qreal height = 0; // draw no lower than this: the layout may hold more below
};

// Lays the scratchpad's text out for its editor, a screenful at a time.
//
// A pad that dictation fills is one paragraph of up to megabytes, and laying a paragraph out
// whole on every change (as Qt's own editors do) costs a keystroke hundreds of milliseconds. So
// the text is cut into chunks of whole lines, each laid out on its own: greedy wrapping decides a
// line from its own text and the word after it, so a chunk that begins where a line begins gets
// the very lines the whole paragraph would. Only chunks that are looked at are laid out; the
// others get a height from their length. An edit lays out again the chunk it falls in and checks
// that the next one still begins where a line now ends; a chunk that does not is laid out again
// when it, or the line before it, is looked at.
//
// Far into a long paragraph that was never laid out, a chunk is laid out from a word start
// rather than from every line before it; the seam is mended once the chunk above it is laid out
// (the few lines after it may wrap differently then). The text is the store's, read at each call.
class PadLayout {
public:
    explicit PadLayout(const QString& text);
    ~PadLayout();
    PadLayout(const PadLayout&) = delete;
    PadLayout& operator=(const PadLayout&) = delete;

    void setFont(const QFont& font);
    // The width lines wrap at.
    void setWidth(qreal width);
    qreal width() const { return width_; }

    // The whole text is new.
    void reset();
    // The text has changed: `removed` characters at `position` were replaced by `inserted`.
    void edit(qsizetype position, qsizetype removed, qsizetype inserted);

    // The height of the whole text, estimated where it is not laid out.
    qreal height();

    // The line at a height (clamped to the text), laying out what it needs.
    PadLine lineAt(qreal y);
    // The line that shows a text position: a position where a line wraps shows at the start of
    // the next line.
    PadLine lineOf(qsizetype position);
    // The lines next to one; invalid past either end. Asking for the line above may lay out
    // text above, after which other lines handed out before are no longer valid.
    PadLine below(const PadLine& line);
    PadLine above(const PadLine& line);

    // Each laid-out piece of text a view shows whose top line holds `top` and which is `height`
    // tall; their origins are the view's own.
    void forEachPiece(qsizetype top, qreal height, const std::function<void(const PadPiece&)>& f);

    // Lets go of the layouts of chunks not looked at lately.
    void trimCache();

    // How many characters are laid out and where the chunks begin, for tests that check the
    // work stays local and that edits at a chunk's edge are right.
    qsizetype laidLength() const;
    std::vector<qsizetype> chunkStarts() const;

private:
    struct Piece;
    struct Chunk;

    int breakLength(qsizetype at) const;
    bool startsParagraph(qsizetype at) const;
    qsizetype findBreak(qsizetype from, qsizetype limit) const;
    void estimate(Chunk& chunk) const;
    void countPieces(Chunk& chunk) const;
    qreal heightOf(const Chunk& chunk) const;
    std::vector<Chunk> estimated(qsizetype start, qsizetype end) const;
    std::unique_ptr<QTextLayout> layText(qsizetype start, qsizetype length,
                                         Qt::LayoutDirection direction) const;
    std::vector<Chunk> layRegion(qsizetype start, qsizetype end, bool dropLastLine,
                                 Qt::LayoutDirection direction);
    Qt::LayoutDirection directionBefore(size_t index) const;

    size_t indexOf(qsizetype position) const;
    size_t indexAt(qreal y);
    void forgetLines();
    void replaceChunks(size_t first, size_t last, std::vector<Chunk> with);
    void layOut(size_t index);
    void mendSeam(size_t index, int budget);
    void guessStart(size_t index, qsizetype notAfter);
    bool ready(size_t index) const;
    bool seamAfterOpen(size_t index) const;
    // One step towards showing the chunk at `index` as it will stay: lays out the text around
    // `target` in it, or mends the seam after it. False when there was nothing left to do.
    bool settle(size_t index, qsizetype target);
    void makeReady(qsizetype target);
    void ensureLayouts(Chunk& chunk);
    qsizetype lastLineStart(Chunk& chunk);
    void cutAt(size_t index, qsizetype at);
    void learn(const QTextLayout& layout, int lines);
    PadLine lineIn(size_t index, qsizetype position);
    // `line` of a laid-out piece of the chunk at `index`, placed in the document.
    PadLine padLine(size_t index, const Piece& piece, const QTextLine& line) const;
    void rebuildTops();

    const QString& text_;
    QFont font_;
    qreal width_ = 400;
    qreal lineHeight_ = 16;
    qreal charWidth_ = 7;
    double sampledChars_ = 0;
    double sampledLines_ = 0;
    std::vector<Chunk> chunks_;
    std::vector<qreal> tops_;
    bool topsDirty_ = true;
    quint64 clock_ = 0;
};

} // namespace tavik::panes
