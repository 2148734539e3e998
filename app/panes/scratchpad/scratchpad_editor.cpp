#include "app/panes/scratchpad/scratchpad_editor.h"

#include "app/panes/scratchpad/scratchpad_editor_accessible.h"
#include "app/shell/design/theme.h"
#include "app/stores/scratchpad.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

namespace tavik::panes {

namespace {

constexpr int caretWidth = 1;

} // namespace

ScratchpadEditor::ScratchpadEditor(Scratchpad& pad, QWidget* parent)
    : QAbstractScrollArea(parent), pad_(pad), layout_(pad.text()) {
    ScratchpadEditorAccessible::install();
    setFrameShape(QFrame::NoFrame);
    setFont(design::Theme::body());
    setAccessibleName(QStringLiteral("Scratchpad"));
    setFocusPolicy(Qt::WheelFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    // The card behind the editor is its background.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
    viewport()->setAutoFillBackground(false);

    layout_.setFont(font());
    relayoutWidth();
    connect(&pad_, &Scratchpad::textEdited, this, &ScratchpadEditor::storeEdited);
}

ScratchpadEditor::~ScratchpadEditor() = default;

const QString& ScratchpadEditor::text() const {
    return pad_.text();
}

QString ScratchpadEditor::selectedText() const {
    return text().mid(selectionStart(), selectionEnd() - selectionStart());
}

void ScratchpadEditor::select(qsizetype anchor, qsizetype caret) {
    const qsizetype size = text().size();
    anchor_ = std::clamp<qsizetype>(anchor, 0, size);
    caret_ = std::clamp<qsizetype>(caret, 0, size);
    column_ = -1;
    afterCaretChange(true);
    updatePrimarySelection();
}

// ---- Editing: every change goes to the store, which tells every listener (this one too) --------

void ScratchpadEditor::replace(qsizetype position, qsizetype removed, const QString& inserted,
                               PadUndo::Kind kind) {
    if (removed == 0 && inserted.isEmpty()) {
        return;
    }
    kind_ = kind;
    change(Origin::person, position, removed, inserted);
}

void ScratchpadEditor::change(Origin origin, qsizetype position, qsizetype removed,
                              const QString& inserted) {
    origin_ = origin;
    pad_.replace(position, removed, inserted);
    origin_ = Origin::outside;
    caret_ = anchor_ = position + inserted.size();
    column_ = -1;
    afterCaretChange(true);
}

void ScratchpadEditor::replaceSelection(const QString& text, PadUndo::Kind kind) {
    replace(selectionStart(), selectionEnd() - selectionStart(), text, kind);
}

void ScratchpadEditor::typeText(const QString& typed) {
    replaceSelection(typed, PadUndo::Kind::typing);
}

void ScratchpadEditor::insertText(const QString& inserted) {
    replaceSelection(inserted, PadUndo::Kind::separate);
}

void ScratchpadEditor::removeSelection(PadUndo::Kind kind) {
    replaceSelection(QString(), kind);
}

void ScratchpadEditor::clearAll() {
    replace(0, text().size(), QString(), PadUndo::Kind::separate);
}

void ScratchpadEditor::undo() {
    if (const auto edit = history_.undo()) {
        takeBack(*edit, true);
    }
}

void ScratchpadEditor::redo() {
    if (const auto edit = history_.redo()) {
        takeBack(*edit, false);
    }
}

void ScratchpadEditor::takeBack(const PadEdit& edit, bool undoing) {
    const QString& gone = undoing ? edit.inserted : edit.removed;
    const QString& back = undoing ? edit.removed : edit.inserted;
    change(Origin::history, edit.position, gone.size(), back);
}

void ScratchpadEditor::cut() {
    if (hasSelection()) {
        copy();
        removeSelection(PadUndo::Kind::separate);
    }
}

void ScratchpadEditor::copy() const {
    if (hasSelection()) {
        // The text as written: no line breaks where lines wrap, no-break spaces kept.
        QGuiApplication::clipboard()->setText(selectedText(), QClipboard::Clipboard);
    }
}

void ScratchpadEditor::paste() {
    const QString pasted = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
    if (!pasted.isEmpty()) {
        insertText(pasted);
    }
}

void ScratchpadEditor::storeEdited(qsizetype position, const QString& removed, qsizetype inserted) {
    const qsizetype oldSize = text().size() - inserted + removed.size();
    const bool whole = position == 0 && removed.size() == oldSize;
    if (whole) {
        layout_.reset();
    } else {
        layout_.edit(position, removed.size(), inserted);
    }
    // Positions after the change move with the text; one inside what was taken out goes to
    // where it was; one right where text was put stays before it.
    auto follow = [&](qsizetype& at) {
        if (at > position) {
            at = at < position + removed.size() ? position : at + inserted - removed.size();
        }
    };
    follow(topPosition_);
    if (origin_ == Origin::person) {
        history_.record(PadEdit{position, removed, text().mid(position, inserted)}, kind_);
    } else if (origin_ == Origin::outside) {
        if (removed.isEmpty() && position == oldSize) {
            // A dictation: the view stays, and undo takes it back like typing.
            history_.record(PadEdit{position, removed, text().mid(position, inserted)},
                            PadUndo::Kind::typing);
        } else {
            // Another text: shown from its top, with a history of its own.
            history_.clear();
            if (whole) {
                caret_ = anchor_ = topPosition_ = 0;
                column_ = -1;
            }
        }
        follow(caret_);
        follow(anchor_);
    }
    notifyAccessibility(position, removed, inserted);
    syncScrollBar();
    repaintEdited(position, removed, inserted);
}

// ---- The view -------------------------------------------------------------------------------

qreal ScratchpadEditor::viewTop() {
    return layout_.lineOf(topPosition_).top();
}

qsizetype ScratchpadEditor::topShowingDownTo(qreal bottom) {
    const PadLine first = layout_.lineAt(bottom - viewport()->height());
    const bool cut = first.top() < bottom - viewport()->height() - 0.5;
    return cut ? first.end() + (first.isLastOfLayout() ? first.breakLength : 0) : first.start();
}

void ScratchpadEditor::scrollToY(qreal y) {
    const qreal limit = std::max<qreal>(0, layout_.height() - viewport()->height());
    // The view scrolls by whole lines; at the end it stops at the first line from which the
    // last one is seen whole, which lies a little below the height a page leaves over.
    topPosition_ = y >= limit - 0.5 && limit > 0 ? topShowingDownTo(layout_.height())
                                                 : layout_.lineAt(std::max<qreal>(y, 0)).start();
    syncScrollBar();
    viewport()->update();
}

void ScratchpadEditor::syncScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    const int page = viewport()->height();
    const qreal height = layout_.height();
    qreal top = viewTop();
    if (top > height - page + 0.5 && top > 0) {
        // Shorter than before: the end of the text comes to the bottom of the view. A view that
        // already shows the end, its last line whole, stays.
        const qsizetype end = height > page ? topShowingDownTo(height) : 0;
        if (top > layout_.lineOf(end).top() + 0.5) {
            topPosition_ = end;
            top = viewTop();
        }
    }
    // At the end the bar is at its end, whatever the rounding of the two heights.
    const int value = int(std::lround(top));
    const int maximum =
        top >= height - page - 0.5 ? value : std::max(0, int(std::ceil(height)) - page);
    const QSignalBlocker quiet(bar);
    bar->setRange(0, maximum);
    bar->setPageStep(page);
    bar->setSingleStep(std::max(1, QFontMetrics(font()).lineSpacing()));
    bar->setValue(value);
}

void ScratchpadEditor::scrollContentsBy(int, int) {
    scrollToY(verticalScrollBar()->value());
}

void ScratchpadEditor::ensureCaretVisible() {
    // Before the editor is shown its size means nothing; it scrolls when it is.
    caretToShow_ = !isVisible();
    if (caretToShow_) {
        return;
    }
    const int page = viewport()->height();
    for (int round = 0; round < 3; ++round) {
        // Lines are read at once: asking for another may lay this one out again.
        const PadLine line = layout_.lineOf(caret_);
        const qreal lineTop = line.top();
        const qreal lineBottom = line.bottom();
        const qsizetype lineStart = line.start();
        const qreal top = viewTop();
        if (lineTop < top - 0.5) {
            topPosition_ = lineStart;
        } else if (lineBottom > top + page + 0.5 && lineTop > top + 0.5) {
            topPosition_ = topShowingDownTo(lineBottom);
        } else {
            break;
        }
    }
    syncScrollBar();
}

void ScratchpadEditor::relayoutWidth() {
    layout_.setWidth(viewport()->width() - caretWidth);
    syncScrollBar();
    viewport()->update();
}

void ScratchpadEditor::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    relayoutWidth();
    if (caretToShow_) {
        ensureCaretVisible();
    }
}

void ScratchpadEditor::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayoutWidth();
}

void ScratchpadEditor::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layout_.setFont(font());
        relayoutWidth();
    } else if (event->type() == QEvent::ActivationChange ||
               event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

QRect ScratchpadEditor::caretRect() {
    const PadLine line = layout_.lineOf(caret_);
    const QRectF at(line.line.cursorToX(int(caret_ - line.layoutStart)), line.top(), caretWidth,
                    line.line.height());
    return at.translated(0, -viewTop()).toAlignedRect();
}

QRect ScratchpadEditor::characterRect(qsizetype position) {
    const PadLine line = layout_.lineOf(position);
    const int local = int(position - line.layoutStart);
    const qreal x = line.line.cursorToX(local);
    const qreal next = local < line.layoutLength ? line.line.cursorToX(local + 1) : x + 1;
    const QRectF at(std::min(x, next), line.top(), std::max<qreal>(1, std::abs(next - x)),
                    line.line.height());
    return at.translated(0, -viewTop()).toAlignedRect();
}

qsizetype ScratchpadEditor::positionAt(QPoint point) {
    return positionIn(layout_.lineAt(viewTop() + point.y()), point.x());
}

void ScratchpadEditor::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette::ColorGroup group = isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    painter.setPen(palette().color(group, QPalette::Text));
    const qsizetype from = selectionStart();
    const qsizetype to = selectionEnd();
    const qsizetype size = text().size();
    const bool composing = !preedit_.isEmpty();
    auto drawCaret = [&](const PadPiece& piece, qsizetype at) {
        const qsizetype end = piece.start + piece.length;
        if (at >= piece.start && (at < end || (at == end && (piece.breakAfter || end == size)))) {
            piece.layout->drawCursor(&painter, piece.origin, int(at - piece.start), caretWidth);
        }
    };
    auto drawText = [&](const QRectF& clip, bool carets) {
        layout_.forEachPiece(topPosition_, viewport()->height(), [&](const PadPiece& piece) {
            QList<QTextLayout::FormatRange> selections;
            // A selection that runs on past the paragraph's end takes its line break along.
            const qsizetype reach = piece.start + piece.length + (piece.breakAfter ? 1 : 0);
            if (from < to && from < reach && to > piece.start) {
                const qsizetype first = std::max(from, piece.start);
                selections.append(
                    {int(first - piece.start), int(std::min(to, reach) - first), selected});
            }
            // Only the piece's own lines: its layout may hold more below them.
            const QRectF own(clip.left(), piece.origin.y(), clip.width(), piece.height - 0.5);
            piece.layout->draw(&painter, piece.origin, selections, clip.intersected(own));
            if (carets && hasFocus() && caretShown_ && !composing) {
                drawCaret(piece, caret_);
            }
            if (carets && dropAt_ >= 0) {
                drawCaret(piece, dropAt_); // where a dragged text would land
            }
        });
    };
    if (!composing) {
        const QRegion& region = event->region();
        if (region.rectCount() > 1 && region.rectCount() <= 8) {
            // A line and a caret far apart: each piece alone, clipped to itself, rather than
            // every line between them. A line that two pieces cross is drawn once in each.
            for (const QRect& piece : region) {
                painter.save();
                painter.setClipRect(piece);
                drawText(QRectF(piece), true);
                painter.restore();
            }
        } else {
            drawText(QRectF(event->rect()), true);
        }
        recordShown(event->region());
        layout_.trimCache();
        return;
    }
    // Text an input method is still composing stands in the line at the caret, underlined, and
    // what follows the caret on that line moves over to make room for it, until it is committed.
    const QRect caret = caretRect();
    const qreal room = QFontMetricsF(font()).horizontalAdvance(preedit_);
    const QRect after(caret.x(), caret.y(), viewport()->width() - caret.x(), caret.height());
    painter.save();
    painter.setClipRegion(QRegion(event->rect()).subtracted(after));
    drawText(QRectF(event->rect()), true);
    painter.restore();
    painter.save();
    painter.setClipRect(after.adjusted(int(std::ceil(room)), 0, int(std::ceil(room)), 0));
    painter.translate(room, 0);
    drawText(QRectF(after), false);
    painter.restore();
    QFont underlined = font();
    underlined.setUnderline(true);
    painter.setFont(underlined);
    const QFontMetricsF metrics(underlined);
    const qreal baseline = caret.y() + (caret.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(caret.x(), baseline), preedit_);
    if (hasFocus() && caretShown_) {
        painter.fillRect(QRectF(caret.x() + room, caret.y(), caretWidth, caret.height()),
                         palette().color(group, QPalette::Text));
    }
    recordShown(event->region());
    layout_.trimCache();
}

// ---- The caret ------------------------------------------------------------------------------

void ScratchpadEditor::restartBlink() {
    caretShown_ = true;
    const int period = QGuiApplication::styleHints()->cursorFlashTime() / 2;
    if (hasFocus() && period > 0) {
        blink_.start(period, this);
    } else {
        blink_.stop();
    }
}

void ScratchpadEditor::afterCaretChange(bool scroll) {
    restartBlink();
    if (scroll) {
        ensureCaretVisible();
    }
    repaintCaret();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(caret_));
        QAccessible::updateAccessibility(&moved);
        if (hasSelection()) {
            QAccessibleTextSelectionEvent selection(this, int(selectionStart()),
                                                    int(selectionEnd()));
            QAccessible::updateAccessibility(&selection);
        }
    }
}

// A menu that pops up (the tray's, the pad's own) takes the keyboard without moving the focus:
// only the caret changes then, which stops while the menu is open. A repaint of the whole pad
// (the base's) would hold the menu's first frame.
void ScratchpadEditor::focusInEvent(QFocusEvent* event) {
    restartBlink();
    if (event->reason() == Qt::PopupFocusReason) {
        viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
        return;
    }
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ScratchpadEditor::focusOutEvent(QFocusEvent* event) {
    blink_.stop();
    if (event->reason() == Qt::PopupFocusReason) {
        caretShown_ = false;
        viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
        return;
    }
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ScratchpadEditor::updatePrimarySelection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(selectedText(), QClipboard::Selection);
    }
}

void ScratchpadEditor::notifyAccessibility(qsizetype position, const QString& removed,
                                           qsizetype inserted) {
    if (!QAccessible::isActive()) {
        return;
    }
    const QString added = text().mid(position, inserted);
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent change(this, int(position), added);
        QAccessible::updateAccessibility(&change);
    } else if (added.isEmpty()) {
        QAccessibleTextRemoveEvent change(this, int(position), removed);
        QAccessible::updateAccessibility(&change);
    } else {
        QAccessibleTextUpdateEvent change(this, int(position), removed, added);
        QAccessible::updateAccessibility(&change);
    }
}

} // namespace tavik::panes
