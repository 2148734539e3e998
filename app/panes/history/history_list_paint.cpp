// Painting the history list: only the groups and rows that meet the area being repainted.
#include "app/panes/history/history_list.h"

#include "app/panes/history/history_texts.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"
#include "app/shell/state/app_state.h"
#include "app/stores/player.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

namespace tavik::panes {

using design::Theme;

namespace {

// Beyond the repainted area a card is drawn this much further, so its rounded ends (and their
// outline) fall outside the clip when the real ends are out of sight.
constexpr qreal cardOverdraw = 2 * Theme::radiusCard;

// The card's outline as strokeInside draws it. A card as tall as the view is stroked as its two
// ends (corners and short sides) with plain columns between them: an anti-aliased stroke of the
// whole outline took a quarter of the time the rows' text does.
void strokeCard(QPainter& painter, const QRectF& card) {
    const qreal band = 2 * Theme::radiusCard; // beyond the corners' easing
    if (card.height() <= 3 * band) {
        design::paint::strokeInside(painter, card, Theme::radiusCard, Theme::hairline);
        return;
    }
    for (const bool top : {true, false}) {
        const QRectF end(card.left(), top ? card.top() : card.bottom() - 2 * band, card.width(),
                         2 * band);
        painter.save();
        painter.setClipRect(
            QRectF(card.left(), top ? card.top() : card.bottom() - band, card.width(), band),
            Qt::IntersectClip);
        design::paint::strokeInside(painter, end, Theme::radiusCard, Theme::hairline);
        painter.restore();
    }
    const QRectF side(card.left(), card.top() + band, 1, card.height() - 2 * band);
    painter.fillRect(side, Theme::hairline);
    painter.fillRect(side.translated(card.width() - 1, 0), Theme::hairline);
}

QString glyphOf(EntryRow::Action action, bool playing, bool copied) {
    switch (action) {
    case EntryRow::Action::play:
        return playing ? QStringLiteral("stop.fill") : QStringLiteral("play.fill");
    case EntryRow::Action::menu:
        return QStringLiteral("wand.and.stars");
    case EntryRow::Action::copy:
        return copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc");
    case EntryRow::Action::remove:
        return QStringLiteral("trash");
    case EntryRow::Action::none:
        break;
    }
    return QString();
}

} // namespace

void HistoryList::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF clip = event->rect();
    // Rows are only ever painted measured: a row still at its estimate is measured now, which
    // moves only the rows after it.
    bool changed = false;
    for (int pass = 0; pass < 3; ++pass) {
        const auto [first, end] = layout_.rowsBetween(clip.top(), clip.bottom());
        const qreal before = layout_.height();
        measureRows(first, end, inView().top());
        if (layout_.height() == before) {
            break;
        }
        changed = true;
    }
    if (changed) {
        QTimer::singleShot(0, this, [this] { fitHeight(); });
    }
    // The archive changes without a signal (pruned, or the file of a row under the pointer
    // written after the row showed): the strip below then gains or loses its play button and no
    // longer has the width the row was laid out with, so the text could overrun the row. Lay
    // the row out again as soon as this frame is done.
    if (strippedRow_) {
        const int hovered = layout_.rowOf(*strippedRow_);
        if (hovered >= 0 && hasAudio(layout_.entry(hovered)) != strippedHasAudio_) {
            QTimer::singleShot(0, this, [this] {
                applyHover();
                update();
            });
        }
    }
    rowsFromPictures_ = 0;
    const auto [firstGroup, endGroup] = layout_.groupsBetween(clip.top(), clip.bottom());
    for (int g = firstGroup; g < endGroup; ++g) {
        paintGroup(painter, g, clip);
    }
    // A very long text drawn further than it was laid out knows more of its lines now: its row
    // takes the better estimate once this frame is done.
    if (!unfinished_.isEmpty()) {
        measureTimer_.start();
    }
}

void HistoryList::paintGroup(QPainter& painter, int group, const QRectF& clip) const {
    const ListLayout::Group& g = layout_.groups()[std::size_t(group)];
    const QRectF captionRect(0, g.top, layout_.width(), layout_.captionHeight());
    if (captionRect.intersects(clip)) {
        design::SectionLabel::paint(painter, captionRect, g.caption);
    }
    if (!g.card.intersects(clip)) {
        return;
    }
    const qreal top = std::max(g.card.top(), clip.top() - cardOverdraw);
    const qreal bottom = std::min(g.card.bottom(), clip.bottom() + cardOverdraw);
    const QRectF card(g.card.left(), top, g.card.width(), bottom - top);
    const QPainterPath shape = design::paint::roundedRect(card, Theme::radiusCard);
    painter.fillPath(shape, Theme::kelp);

    // Rows are clipped to the card's rounded shape only near its corners: a clip path makes every
    // glyph of a row a masked blend, which doubled the time a page of rows takes to paint.
    const qreal radius = Theme::radiusCard;
    const QRectF topCorners(g.card.left(), g.card.top(), g.card.width(), radius);
    const QRectF bottomCorners(g.card.left(), g.card.bottom() - radius, g.card.width(), radius);
    const auto nearCorner = [&](const QRectF& row) {
        return (topCorners.intersects(clip) && topCorners.intersects(row)) ||
               (bottomCorners.intersects(clip) && bottomCorners.intersects(row));
    };
    const auto [first, end] = layout_.rowsBetween(clip.top(), clip.bottom());
    for (int r = std::max(first, g.firstRow); r < std::min(end, g.firstRow + g.rowCount); ++r) {
        const QRectF row = layout_.rowRect(r);
        const QRectF withSeparator = row.adjusted(0, 0, 0, ListLayout::separator);
        painter.save();
        // A picture copied through the rounded clip would blend the card's eased edge twice.
        const bool rounded = nearCorner(withSeparator);
        if (rounded) {
            painter.setClipPath(shape, Qt::IntersectClip);
        } else {
            painter.setClipRect(card, Qt::IntersectClip);
        }
        paintRow(painter, r, clip, !rounded);
        if (!layout_.isLastInGroup(r)) {
            painter.fillRect(QRectF(row.left(), row.bottom(), row.width(), ListLayout::separator),
                             Theme::hairline);
        }
        painter.restore();
    }
    strokeCard(painter, card);
}

std::pair<QString, bool> HistoryList::stripButton(const HistoryEntry& entry,
                                                  EntryRow::Action action) const {
    const bool playing = Player::shared().playing() == entry.id;
    const bool copied = state_.copied() == entry.id;
    return {glyphOf(action, playing, copied), pressedRow_ == entry.id && pressedAction_ == action};
}

RowImages::Look HistoryList::lookOf(const HistoryEntry& entry,
                                    const EntryRow::Geometry& geometry) const {
    RowImages::Look look;
    look.text = entry.text;
    look.time = history_texts::timeText(entry.at, DayCalendar::current());
    if (!geometry.warning.isEmpty()) {
        look.warning = history_texts::warningText(entry);
    }
    for (const EntryRow::StripItem& item : geometry.strip) {
        if (item.action == EntryRow::Action::none) {
            look.strip += geometry.caption + u'\n';
            continue;
        }
        const auto [glyph, pressed] = stripButton(entry, item.action);
        look.strip += glyph + (pressed ? QStringLiteral("*\n") : QStringLiteral("\n"));
    }
    look.size = geometry.bounds.size();
    look.devicePixelRatio = devicePixelRatioF();
    return look;
}

void HistoryList::paintRow(QPainter& painter, int row, const QRectF& clip, bool fromPicture) const {
    const HistoryEntry& entry = layout_.entry(row);
    const EntryRow::Geometry g = rowGeometry(row);
    const RowImages::Look look = lookOf(entry, g);
    const QImage* image = fromPicture ? images_.find(entry.id, look) : nullptr;
    if (image) {
        ++rowsFromPictures_;
        const QRectF target = g.bounds.intersected(clip);
        const qreal scale = look.devicePixelRatio;
        painter.drawImage(
            target, *image,
            QRectF((target.topLeft() - g.bounds.topLeft()) * scale, target.size() * scale));
    } else {
        paintRowContent(painter, entry, g, look, clip);
    }
    paintFocusRings(painter, entry, g);
}

void HistoryList::paintRowContent(QPainter& painter, const HistoryEntry& entry,
                                  const EntryRow::Geometry& g, const RowImages::Look& look,
                                  const QRectF& clip) const {
    const bool hovered = !g.strip.isEmpty();
    if (hovered) {
        painter.fillRect(g.bounds, design::whiteAt(0.04)); // the hovered row
    }

    painter.setFont(row_.timeFont());
    painter.setPen(Theme::silver);
    painter.drawText(g.time, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, look.time);

    painter.setPen(Theme::label);
    row_.text().draw(painter, entry.text, g.text.topLeft(), g.text.width(), clip);

    if (!g.warning.isEmpty()) {
        design::paintGlyph(painter, QStringLiteral("exclamationmark.triangle"), g.warningIcon,
                           Theme::phosphor);
        painter.setPen(Theme::phosphor);
        row_.warningText().draw(painter, look.warning, g.warning.topLeft(), g.warning.width());
    }
    if (!hovered) {
        return;
    }
    for (const EntryRow::StripItem& item : g.strip) {
        if (item.action == EntryRow::Action::none) {
            painter.setFont(row_.captionFont());
            painter.setPen(Theme::silver);
            painter.drawText(item.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             g.caption);
            continue;
        }
        const auto [glyph, pressed] = stripButton(entry, item.action);
        painter.setOpacity(pressed ? 0.5 : 1.0);
        design::paintGlyph(painter, glyph, item.rect, Theme::silver);
        painter.setOpacity(1.0);
    }
}

// The rings go over the row's picture: they touch nothing else the row draws, so a row drawn
// from its picture looks as one drawn afresh, and a picture stays good as the focus moves.
void HistoryList::paintFocusRings(QPainter& painter, const HistoryEntry& entry,
                                  const EntryRow::Geometry& g) const {
    if (!hasFocus() || currentRow_ != entry.id) {
        return;
    }
    design::paint::focusRing(painter, g.bounds.adjusted(2, 2, -2, -2), Theme::radiusSmall);
    for (const EntryRow::StripItem& item : g.strip) {
        if (item.action != EntryRow::Action::none && focusAction_ == item.action) {
            design::paint::focusRing(painter, item.rect.adjusted(-3, -3, 3, 3), 4);
        }
    }
}

} // namespace tavik::panes
