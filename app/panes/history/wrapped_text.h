#pragma once

#include <QCache>
#include <QFont>
#include <QHash>
#include <QPointF>
#include <QString>
#include <QTextLayout>

class QPainter;

namespace tavik::panes {

// Plain text wrapped to a width the way the history rows show it: at word boundaries, and
// inside a word only when the word alone is wider than the line. Line breaks in the text
// (\n, \r\n, \r) break lines. Never markup, never elided.
class WrappedText {
public:
    explicit WrappedText(const QFont& font, Qt::Alignment alignment = Qt::AlignLeft);

    const QFont& font() const { return font_; }
    // The height of one line; an empty text still takes one line.
    qreal lineHeight() const { return lineHeight_; }

    // The height of `text` wrapped to `width`.
    qreal height(const QString& text, qreal width) const;

    // A quick guess at height(): each line's width as the sum of its characters' own widths, no
    // shaping. Exact for most short texts; close for the rest.
    qreal estimatedHeight(const QString& text, qreal width) const;

    // The width of the text's longest line left unwrapped.
    qreal naturalWidth(const QString& text) const;

    // Draws `text` wrapped to `width` with its first line's top at `topLeft`; each line sits in
    // the width as the alignment says.
    void draw(QPainter& painter, const QString& text, const QPointF& topLeft, qreal width) const;

private:
    QFont font_;
    Qt::Alignment alignment_;
    qreal lineHeight_ = 0;
    mutable QHash<char16_t, qreal> advances_; // a character's width, measured once
    // The last texts drawn, laid out: a repaint (a scroll step, a hover) shapes nothing again.
    mutable QCache<QString, QTextLayout> drawn_{256};
};

} // namespace tavik::panes
