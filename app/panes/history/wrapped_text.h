#pragma once

#include <QCache>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTextLayout>

class QPainter;

namespace tavik::panes {

class ChunkedLayout;

// Plain text wrapped to a width the way the history rows show it: at word boundaries, and
// inside a word only when the word alone is wider than the line. Line breaks in the text
// (\n, \r\n, \r) break lines. Never markup, never elided.
//
// A text of chunkedFrom characters or more is laid out a piece at a time (ChunkedLayout), only
// as far as it is shown or asked for: its height() is the lines laid out so far and an estimate
// of the rest, exact once they are all known.
class WrappedText {
public:
    static constexpr qsizetype chunkedFrom = 65536;

    explicit WrappedText(const QFont& font, Qt::Alignment alignment = Qt::AlignLeft);

    const QFont& font() const { return font_; }
    // The height of one line; an empty text still takes one line.
    qreal lineHeight() const { return lineHeight_; }

    // The height of `text` wrapped to `width`.
    qreal height(const QString& text, qreal width) const;

    // Whether `text` is laid out a piece at a time.
    static bool isChunked(const QString& text) { return text.size() >= chunkedFrom; }
    // How far a chunked text is laid out at a width: the height of the lines known, and whether
    // they are all of it (always so for other texts, whose `known` says nothing).
    struct Progress {
        qreal known = 0;
        bool complete = true;
    };
    Progress progress(const QString& text, qreal width) const;
    // Lays out a chunked text until its known lines reach `y`, or for about `budgetNs` (at least
    // one piece when one is needed).
    Progress layOutTo(const QString& text, qreal width, qreal y, qint64 budgetNs) const;

    // Lays `text` out at `width` ahead of its first paint. False when there was nothing to do: it
    // was laid out already, or is laid out a piece at a time as it is drawn.
    bool prepare(const QString& text, qreal width) const;

    // A quick guess at height(): each line's width as the sum of its characters' own widths, no
    // shaping. Exact for most short texts; close for the rest.
    qreal estimatedHeight(const QString& text, qreal width) const;

    // The width of the text's longest line left unwrapped.
    qreal naturalWidth(const QString& text) const;

    // Draws `text` wrapped to `width` with its first line's top at `topLeft`; each line sits in
    // the width as the alignment says. Only lines meeting `clip` (in the painter's coordinates)
    // need be drawn; an empty clip draws them all. Of a chunked text, only the lines a few
    // milliseconds of laying out reach are drawn.
    void draw(QPainter& painter, const QString& text, const QPointF& topLeft, qreal width,
              const QRectF& clip = QRectF()) const;

private:
    // A long text is known by where its characters are (the history's own string, shared); a
    // short one by what they say, since texts made for each paint (a row's warning) are new
    // strings every time.
    struct DrawnKey {
        const QChar* text;
        size_t content;
        qsizetype size;
        qreal width;
        static DrawnKey of(const QString& text, qreal width);
        bool operator==(const DrawnKey&) const = default;
        friend size_t qHash(const DrawnKey& key, size_t seed) {
            return qHashMulti(seed, key.text, key.content, key.size, key.width);
        }
    };
    struct Drawn {
        QString text; // held, so the key's characters stay this text's
        QTextLayout layout;
        qreal height = 0;
    };

    ChunkedLayout& chunked(const QString& text, qreal width) const;
    // The text laid out at `width`, from the cache or laid out now and kept.
    // `laid`, when given, is set when the text had to be laid out now.
    Drawn& laidOut(const QString& text, qreal width, bool* laid = nullptr) const;
    // The text laid out at `width` if the cache has it.
    Drawn* cachedLayout(const QString& text, qreal width) const;
    Drawn* cached(const DrawnKey& key, const QString& text) const;
    qreal advanceOf(char16_t c) const;
    // The sum of the characters' own widths, counted no further than past `enough`.
    qreal unshapedWidth(const QString& text, qreal enough) const;

    QFont font_;
    Qt::Alignment alignment_;
    qreal lineHeight_ = 0;
    mutable QList<float> advances_; // each BMP character's width, measured once (-1: not yet)
    // The last texts measured or drawn, laid out: a repaint (a scroll step, a hover) shapes
    // nothing again, and a row measured before it is drawn is not shaped twice.
    mutable QCache<DrawnKey, Drawn> drawn_{256};
};

} // namespace tavik::panes
