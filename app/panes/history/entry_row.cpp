#include "app/panes/history/entry_row.h"

#include "app/panes/history/history_texts.h"
#include "app/shell/design/theme.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

// The caption may take at most this share of the row, so a very long application name never
// squeezes the text column to nothing; beyond it the caption is elided.
constexpr qreal captionShare = 0.4;

struct StripSlot {
    EntryRow::Action action;
    qreal width;
    qreal glyphSize;
};

} // namespace

EntryRow::EntryRow()
    : text_(Theme::body()), warning_(Theme::font(10)), timeFont_(Theme::mono(11)),
      captionFont_(Theme::font(10)), timeLineHeight_(QFontMetricsF(timeFont_).height()),
      captionLineHeight_(QFontMetricsF(captionFont_).height()) {}

qreal EntryRow::stripWidth(const HistoryEntry& entry, qreal rowWidth, bool hasAudio,
                           QString* caption) const {
    const QFontMetricsF metrics(captionFont_);
    QString shown = history_texts::captionText(entry);
    const qreal maxCaption = std::max<qreal>(0, rowWidth * captionShare);
    if (metrics.horizontalAdvance(shown) > maxCaption) {
        shown = metrics.elidedText(shown, Qt::ElideRight, maxCaption);
    }
    qreal width = metrics.horizontalAdvance(shown);
    width += (hasAudio ? stripSpacing + playSize : 0) + stripSpacing + menuWidth + stripSpacing +
             copySize + stripSpacing + removeSize;
    if (caption != nullptr) {
        *caption = shown;
    }
    return width;
}

qreal EntryRow::textWidth(qreal rowWidth, qreal strip) const {
    qreal width = rowWidth - 2 * paddingX - timeWidth - spacing - spacing - spacerMin;
    if (strip > 0) {
        width -= spacing + strip;
    }
    return std::max<qreal>(1, width);
}

qreal EntryRow::warningTextWidth(qreal columnWidth) const {
    return std::max<qreal>(1, columnWidth - warning_.lineHeight() - warningIconGap);
}

qreal EntryRow::height(const HistoryEntry& entry, qreal width, bool hovered, bool hasAudio) const {
    const qreal strip = hovered ? stripWidth(entry, width, hasAudio, nullptr) : 0;
    const qreal column = textWidth(width, strip);
    qreal block = text_.height(entry.text, column);
    if (!entry.inserted) {
        block +=
            textGap + warning_.height(history_texts::warningText(entry), warningTextWidth(column));
    }
    qreal content = std::max(timeTop + timeLineHeight_, block);
    if (hovered) {
        content = std::max({content, captionLineHeight_, copySize});
    }
    return std::ceil(2 * paddingY + content);
}

bool EntryRow::prepare(const HistoryEntry& entry, qreal width, bool hovered, bool hasAudio) const {
    const qreal strip = hovered ? stripWidth(entry, width, hasAudio, nullptr) : 0;
    const qreal column = textWidth(width, strip);
    bool laid = text_.prepare(entry.text, column);
    if (!entry.inserted) {
        laid =
            warning_.prepare(history_texts::warningText(entry), warningTextWidth(column)) || laid;
    }
    return laid;
}

qreal EntryRow::estimatedHeight(const HistoryEntry& entry, qreal width) const {
    const qreal column = textWidth(width, 0);
    qreal block = text_.estimatedHeight(entry.text, column);
    if (!entry.inserted) {
        block += textGap + warning_.estimatedHeight(history_texts::warningText(entry),
                                                    warningTextWidth(column));
    }
    return std::ceil(2 * paddingY + std::max(timeTop + timeLineHeight_, block));
}

WrappedText::Progress EntryRow::progress(const HistoryEntry& entry, qreal width) const {
    return text_.progress(entry.text, textWidth(width, 0));
}

WrappedText::Progress EntryRow::layOutTo(const HistoryEntry& entry, qreal width, qreal y,
                                         qint64 budgetNs) const {
    return text_.layOutTo(entry.text, textWidth(width, 0), std::max<qreal>(0, y - paddingY),
                          budgetNs);
}

EntryRow::Geometry EntryRow::geometry(const HistoryEntry& entry, const QRectF& bounds, bool hovered,
                                      bool hasAudio) const {
    Geometry g;
    g.bounds = bounds;
    const qreal top = bounds.top() + paddingY;
    const qreal strip = hovered ? stripWidth(entry, bounds.width(), hasAudio, &g.caption) : 0;
    const qreal column = textWidth(bounds.width(), strip);

    g.time = QRectF(bounds.left() + paddingX, top + timeTop, timeWidth, timeLineHeight_);
    const qreal textLeft = g.time.right() + spacing;
    g.text = QRectF(textLeft, top, column, text_.height(entry.text, column));
    if (!entry.inserted) {
        const qreal warningTop = g.text.bottom() + textGap;
        const qreal iconSize = warning_.lineHeight();
        g.warningIcon = QRectF(textLeft, warningTop, iconSize, iconSize);
        const qreal warningWidth = warningTextWidth(column);
        g.warning = QRectF(g.warningIcon.right() + warningIconGap, warningTop, warningWidth,
                           warning_.height(history_texts::warningText(entry), warningWidth));
    }
    if (!hovered) {
        return g;
    }

    const qreal stripHeight = std::max(captionLineHeight_, copySize);
    const qreal middle = top + stripHeight / 2;
    auto slotRect = [&](qreal right, qreal width, qreal height) {
        return QRectF(right - width, middle - height / 2, width, height);
    };
    // Right to left, then put back in reading order.
    QList<StripItem> items;
    qreal right = bounds.right() - paddingX;
    const StripSlot buttons[] = {
        {Action::remove, removeSize, removeSize},
        {Action::copy, copySize, copySize},
        {Action::menu, menuWidth, menuSize},
        {Action::play, playSize, playSize},
    };
    for (const StripSlot& slot : buttons) {
        if (slot.action == Action::play && !hasAudio) {
            continue;
        }
        StripItem item;
        item.action = slot.action;
        item.rect = slotRect(right, slot.width, slot.glyphSize);
        item.hitRect = QRectF(item.rect.left() - stripSpacing / 2, bounds.top(),
                              slot.width + stripSpacing, bounds.height());
        items.prepend(item);
        right -= slot.width + stripSpacing;
    }
    StripItem caption;
    const qreal captionWidth = QFontMetricsF(captionFont_).horizontalAdvance(g.caption);
    caption.rect = slotRect(right, captionWidth, captionLineHeight_);
    items.prepend(caption);
    g.strip = items;
    return g;
}

EntryRow::Action EntryRow::hitTest(const Geometry& geometry, const QPointF& point) {
    for (const StripItem& item : geometry.strip) {
        if (item.action != Action::none && item.hitRect.contains(point)) {
            return item.action;
        }
    }
    return Action::none;
}

} // namespace tavik::panes
