#pragma once

#include "app/panes/history/wrapped_text.h"
#include "app/stores/history_entry.h"

#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace tavik::panes {

// One history row, laid out and hit-tested without a widget of its own:
//
//   │14│ 09:41 │14│ the text, wrapped to whatever width is left ···  │14│ ≥8 │14│ strip │14│
//   │  │ (62)  │  │ ⚠ Could not type into … — copied to clipboard   │                        │
//
// 10 above and below. The strip (only on the row under the pointer) is the caption, play (when
// the audio file exists), the transform menu, copy and delete, 6 apart. The strip narrows the
// text column, so a hovered row may be taller than the same row at rest.
class EntryRow {
public:
    enum class Action { none, play, menu, copy, remove };

    struct StripItem {
        Action action = Action::none; // none for the caption
        QRectF rect;                  // where it is painted
        QRectF hitRect;               // where a click reaches it: the gaps are shared out
    };

    struct Geometry {
        QRectF bounds;
        QRectF time;
        QRectF text;        // the wrapped text's box (its width is the column's)
        QRectF warningIcon; // empty when the entry was inserted
        QRectF warning;
        QList<StripItem> strip; // empty when the row is not hovered
        QString caption;        // the strip's caption as shown (elided when very long)
    };

    static constexpr qreal paddingX = 14;
    static constexpr qreal paddingY = 10;
    static constexpr qreal spacing = 14;
    static constexpr qreal timeWidth = 62;
    static constexpr qreal timeTop = 1;
    static constexpr qreal textGap = 3;
    static constexpr qreal spacerMin = 8;
    static constexpr qreal stripSpacing = 6;
    static constexpr qreal menuWidth = 16;
    static constexpr qreal warningIconGap = 6;
    static constexpr qreal playSize = 10;
    static constexpr qreal menuSize = 10;
    static constexpr qreal copySize = 11;
    static constexpr qreal removeSize = 11;

    EntryRow();

    // The row's height at `width` (the card's width), with or without the action strip, in
    // whole pixels so rows stack on pixel boundaries.
    qreal height(const HistoryEntry& entry, qreal width, bool hovered, bool hasAudio) const;
    // Lays out what the row draws, ahead of its paint; false when it was laid out already.
    bool prepare(const HistoryEntry& entry, qreal width, bool hovered, bool hasAudio) const;
    // A quick guess at the row's height at rest (see WrappedText::estimatedHeight).
    qreal estimatedHeight(const HistoryEntry& entry, qreal width) const;
    // How far the text of a row at rest is laid out (see WrappedText::layOutTo), and laying it
    // out until its known lines reach `y` (from the row's top), or for about `budgetNs`.
    WrappedText::Progress progress(const HistoryEntry& entry, qreal width) const;
    WrappedText::Progress layOutTo(const HistoryEntry& entry, qreal width, qreal y,
                                   qint64 budgetNs) const;

    // Where everything of the row lies inside `bounds`.
    Geometry geometry(const HistoryEntry& entry, const QRectF& bounds, bool hovered,
                      bool hasAudio) const;

    // The strip action under `point`, or none.
    static Action hitTest(const Geometry& geometry, const QPointF& point);

    const WrappedText& text() const { return text_; }
    const WrappedText& warningText() const { return warning_; }
    const QFont& timeFont() const { return timeFont_; }
    const QFont& captionFont() const { return captionFont_; }
    qreal timeLineHeight() const { return timeLineHeight_; }

private:
    // The strip's items from its right edge leftwards, and the width they take.
    qreal stripWidth(const HistoryEntry& entry, qreal rowWidth, bool hasAudio,
                     QString* caption) const;
    qreal textWidth(qreal rowWidth, qreal stripWidth) const;
    qreal warningTextWidth(qreal columnWidth) const;

    WrappedText text_;
    WrappedText warning_;
    QFont timeFont_;
    QFont captionFont_;
    qreal timeLineHeight_;
    qreal captionLineHeight_;
};

} // namespace tavik::panes
