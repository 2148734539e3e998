#pragma once

// The parts a PadLayout is made of; only its own sources include this.

#include "app/panes/scratchpad/pad_layout.h"

namespace tavik::panes {

namespace pad_sizes {
// A laid-out chunk is closed at the first paragraph start after this many characters; a long
// paragraph is laid out in slices of about this many (a keystroke lays out one or two of them).
constexpr qsizetype chunk = 1024;
// A chunk that is only estimated holds about this many characters.
constexpr qsizetype estimatedChunk = 4096;
// Text read past a chunk's end to know whether its last line really ends there.
constexpr qsizetype lookahead = 160;
// How far back a long paragraph is laid out line by line to reach a chunk, before a guessed
// start is taken instead.
constexpr qsizetype reach = 32768;
// How many chunks past a seam are laid out again at once to fall back onto their old line
// breaks; the ones after are mended when they are looked at.
constexpr int mendChunks = 1;
// A larger edit is only estimated, and laid out when it is looked at.
constexpr qsizetype largeEdit = 65536;
// Chunks whose layouts are kept.
constexpr size_t cachedChunks = 96;
} // namespace pad_sizes

// The height of a layout's first `lines` lines.
inline qreal layoutHeight(const QTextLayout& layout, int lines) {
    if (lines == 0) {
        return 0;
    }
    const QTextLine last = layout.lineAt(lines - 1);
    return last.y() + last.height();
}

struct PadLayout::Piece {
    qsizetype offset = 0; // from its chunk's start
    qsizetype length = 0;
    int breakLength = 0; // the paragraph break after it: 0 when the paragraph goes on, 1 or 2
    qreal top = 0;       // from its chunk's top
    qreal height = 0;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    // Null when let go of; then laid out again from its own text, which gives the same lines.
    // When it was laid out from more text (to learn where the last line ends), the lines after
    // `lines` are not its own.
    std::unique_ptr<QTextLayout> layout;
    int lines = 0;
};

struct PadLayout::Chunk {
    qsizetype start = 0;
    qsizetype length = 0;
    qreal height = 0; // when laid out
    // What an estimate of its height is made from, when it is not laid out: characters of
    // paragraphs it holds whole, characters of paragraphs it holds only a part of, and how many
    // whole paragraphs.
    qsizetype wholeChars = 0;
    qsizetype partialChars = 0;
    qsizetype paragraphs = 0;
    // Its lines are known; otherwise its height is an estimate.
    bool laid = false;
    // It begins where a line of the laid-out chunk before it ends (always true after a
    // paragraph start). False after a guessed start or an edit above it, until mended.
    bool joined = false;
    qsizetype firstLineLength = 0;
    std::vector<Piece> pieces;
    quint64 used = 0;

    qsizetype end() const { return start + length; }
    bool cached() const { return !pieces.empty() && pieces.front().layout != nullptr; }
};

} // namespace tavik::panes
