// The scratchpad editor's pointer: placing the caret, selecting by character, word (double
// click) or paragraph (triple click), scrolling while dragging past the edge, pasting the
// primary selection with the middle button, and the context menu.
#include "app/panes/scratchpad/scratchpad_editor.h"

#include "app/shell/design/menu_appearance.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>

namespace tavik::panes {

void ScratchpadEditor::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QString primary = clipboard->text(QClipboard::Selection);
        if (clipboard->supportsSelection() && !primary.isEmpty()) {
            select(positionAt(point), positionAt(point));
            insertText(primary);
        }
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const qsizetype position = positionAt(point);
    const bool third = tripleClick_.isActive() &&
                       (point - lastPress_).manhattanLength() < QApplication::startDragDistance();
    tripleClick_.stop();
    lastPress_ = point;
    mayDrag_ = !third && !(event->modifiers() & Qt::ShiftModifier) && hasSelection() &&
               position >= selectionStart() && position < selectionEnd();
    if (mayDrag_) {
        event->accept(); // the selection stays until it is dragged, or the button is let go
        return;
    }
    if (third) {
        unit_ = Unit::paragraph;
        std::tie(unitStart_, unitEnd_) = unitAround(position, unit_);
        anchor_ = unitStart_;
        caret_ = unitEnd_;
    } else {
        unit_ = Unit::character;
        caret_ = position;
        if (!(event->modifiers() & Qt::ShiftModifier)) {
            anchor_ = position;
        }
    }
    selecting_ = true;
    column_ = -1;
    afterCaretChange(true);
    event->accept();
}

void ScratchpadEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    unit_ = Unit::word;
    std::tie(unitStart_, unitEnd_) = unitAround(positionAt(point), unit_);
    anchor_ = unitStart_;
    caret_ = unitEnd_;
    selecting_ = true;
    lastPress_ = point;
    tripleClick_.start(QApplication::doubleClickInterval(), this);
    afterCaretChange(true);
    updatePrimarySelection();
    event->accept();
}

void ScratchpadEditor::mouseMoveEvent(QMouseEvent* event) {
    if (mayDrag_ && (event->buttons() & Qt::LeftButton)) {
        if ((event->position().toPoint() - lastPress_).manhattanLength() >=
            QApplication::startDragDistance()) {
            mayDrag_ = false;
            startDrag();
        }
        event->accept();
        return;
    }
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    const int y = point.y();
    if (y < 0 || y > viewport()->height()) {
        autoScroll_.start(50, this);
    } else {
        autoScroll_.stop();
    }
    const QPoint inside(point.x(), std::clamp(y, 0, std::max(0, viewport()->height() - 1)));
    extendSelection(positionAt(inside));
    event->accept();
}

void ScratchpadEditor::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && mayDrag_) {
        // A click in the selection that did not drag it places the caret there.
        mayDrag_ = false;
        select(positionAt(event->position().toPoint()), positionAt(event->position().toPoint()));
    }
    if (event->button() == Qt::LeftButton && selecting_) {
        selecting_ = false;
        autoScroll_.stop();
        updatePrimarySelection();
    }
    event->accept();
}

void ScratchpadEditor::extendSelection(qsizetype position) {
    if (unit_ == Unit::character) {
        caret_ = position;
    } else {
        const auto [start, end] = unitAround(position, unit_);
        const bool backwards = position < unitStart_;
        anchor_ = backwards ? unitEnd_ : unitStart_;
        caret_ = backwards ? start : std::max(end, unitEnd_);
    }
    column_ = -1;
    afterCaretChange(true);
}

std::pair<qsizetype, qsizetype> ScratchpadEditor::unitAround(qsizetype position, Unit unit) {
    if (unit == Unit::paragraph) {
        return paragraphWithBreakAround(text(), position);
    }
    if (unit == Unit::character) {
        return {position, position};
    }
    const PadLine line = layout_.lineOf(position);
    return boundariesAround(text(), line.layoutStart, line.layoutStart + line.layoutLength,
                            position, QTextBoundaryFinder::Word);
}

void ScratchpadEditor::startDrag() {
    const qsizetype from = selectionStart();
    const qsizetype to = selectionEnd();
    auto* data = new QMimeData;
    data->setText(selectedText());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // Moved somewhere else: the text leaves here too (a move within the editor is the drop's).
    if (done == Qt::MoveAction && drag->target() != viewport() && drag->target() != this) {
        select(from, to);
        removeSelection(PadUndo::Kind::separate);
    }
}

void ScratchpadEditor::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasText()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ScratchpadEditor::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    dropAt_ = positionAt(event->position().toPoint());
    viewport()->update();
    event->acceptProposedAction();
}

void ScratchpadEditor::dragLeaveEvent(QDragLeaveEvent* event) {
    dropAt_ = -1;
    viewport()->update();
    event->accept();
}

void ScratchpadEditor::dropEvent(QDropEvent* event) {
    dropAt_ = -1;
    const QString dropped = event->mimeData()->text();
    const qsizetype at = positionAt(event->position().toPoint());
    const bool moving = event->source() == this && event->dropAction() == Qt::MoveAction;
    const qsizetype from = selectionStart();
    const qsizetype to = selectionEnd();
    if (dropped.isEmpty() || (moving && at >= from && at <= to)) {
        event->ignore();
        viewport()->update();
        return;
    }
    if (moving) {
        // One step: the stretch from the text's old place to its new one, rearranged.
        const qsizetype start = std::min(from, at);
        const qsizetype end = std::max(to, at);
        const QString between = at < from ? text().mid(at, from - at) : text().mid(to, at - to);
        const QString moved = at < from ? dropped + between : between + dropped;
        replace(start, end - start, moved, PadUndo::Kind::separate);
        const qsizetype landed = at < from ? at : at - (to - from);
        select(landed, landed + dropped.size());
    } else {
        select(at, at);
        insertText(dropped);
    }
    event->acceptProposedAction();
}

void ScratchpadEditor::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    auto add = [&](const QString& title, QKeySequence::StandardKey key, bool enabled, auto&& act) {
        QAction* action = menu.addAction(title);
        action->setShortcut(key);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, act);
    };
    const bool selection = hasSelection();
    add(QStringLiteral("&Undo"), QKeySequence::Undo, canUndo(), [this] { undo(); });
    add(QStringLiteral("&Redo"), QKeySequence::Redo, canRedo(), [this] { redo(); });
    menu.addSeparator();
    add(QStringLiteral("Cu&t"), QKeySequence::Cut, selection, [this] { cut(); });
    add(QStringLiteral("&Copy"), QKeySequence::Copy, selection, [this] { copy(); });
    add(QStringLiteral("&Paste"), QKeySequence::Paste,
        !QGuiApplication::clipboard()->text(QClipboard::Clipboard).isEmpty(), [this] { paste(); });
    add(QStringLiteral("Delete"), QKeySequence::Delete, selection,
        [this] { removeSelection(PadUndo::Kind::separate); });
    menu.addSeparator();
    add(QStringLiteral("Select All"), QKeySequence::SelectAll, !text().isEmpty(),
        [this] { select(0, text().size()); });
    design::applyTavikAppearance(&menu);
    menu.exec(event->globalPos());
}

void ScratchpadEditor::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blink_.timerId()) {
        caretShown_ = !caretShown_;
        viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
    } else if (event->timerId() == autoScroll_.timerId()) {
        const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
        const qreal step = QFontMetricsF(font()).lineSpacing();
        if (point.y() < 0) {
            scrollToY(viewTop() - step);
        } else if (point.y() > viewport()->height()) {
            scrollToY(viewTop() + step);
        }
        const QPoint inside(point.x(), std::clamp(point.y(), 0, viewport()->height() - 1));
        extendSelection(positionAt(inside));
    } else if (event->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

} // namespace tavik::panes
