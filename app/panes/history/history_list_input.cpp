// The history list under the pointer and the keyboard: hover, the strip's buttons, tooltips,
// the transform menu and keyboard moves.
#include "app/panes/history/history_list.h"

#include "app/panes/history/transform_menu.h"
#include "app/shell/state/app_state.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

namespace tavik::panes {

namespace {

QString toolTipOf(EntryRow::Action action) {
    switch (action) {
    case EntryRow::Action::play:
        return QStringLiteral("Play what you said");
    case EntryRow::Action::menu:
        return QStringLiteral("Transform and copy");
    case EntryRow::Action::copy:
        return QStringLiteral("Copy");
    case EntryRow::Action::remove:
        return QStringLiteral("Delete");
    case EntryRow::Action::none:
        break;
    }
    return QString();
}

} // namespace

void HistoryList::mouseMoveEvent(QMouseEvent* event) {
    lastPointer_ = event->globalPosition().toPoint();
    hoverAt(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void HistoryList::leaveEvent(QEvent* event) {
    lastPointer_.reset();
    pointerOnRow(-1);
    QWidget::leaveEvent(event);
}

void HistoryList::mousePressEvent(QMouseEvent* event) {
    lastPointer_ = event->globalPosition().toPoint();
    hoverAt(event->position().toPoint());
    pressedRow_.reset();
    pressedAction_ = EntryRow::Action::none;
    const int row = layout_.rowAt(event->position());
    if (row >= 0) {
        currentRow_ = layout_.entry(row).id;
        prepareSoon();
    }
    if (event->button() != Qt::LeftButton || row < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const EntryRow::Action action = EntryRow::hitTest(rowGeometry(row), event->position());
    if (action == EntryRow::Action::menu) {
        // A menu opens as the button goes down, like every menu button of the desktop.
        popUpMenu(row);
        return;
    }
    if (action != EntryRow::Action::none) {
        pressedRow_ = layout_.entry(row).id;
        pressedAction_ = action;
        update();
    }
}

void HistoryList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedRow_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QUuid pressed = *pressedRow_;
    const EntryRow::Action action = pressedAction_;
    pressedRow_.reset();
    pressedAction_ = EntryRow::Action::none;
    update();
    // A click counts when the button comes up over the same button it went down on.
    const int row = layout_.rowAt(event->position());
    if (row >= 0 && layout_.entry(row).id == pressed &&
        EntryRow::hitTest(rowGeometry(row), event->position()) == action) {
        activate(row, action);
    }
}

void HistoryList::activate(int row, EntryRow::Action action) {
    // A value copy: the action may change the history, which relays out this list and drops
    // the groups the row belonged to.
    const HistoryEntry entry = layout_.entry(row);
    switch (action) {
    case EntryRow::Action::play:
        actions_.togglePlay(entry);
        break;
    case EntryRow::Action::menu:
        popUpMenu(row);
        break;
    case EntryRow::Action::copy:
        actions_.copy(entry, entry.text);
        break;
    case EntryRow::Action::remove:
        actions_.remove(entry);
        break;
    case EntryRow::Action::none:
        break;
    }
}

void HistoryList::popUpMenu(int row) {
    if (menu_) {
        menu_->close();
    }
    const EntryRow::Geometry geometry = rowGeometry(row);
    QRectF anchor = geometry.bounds;
    for (const EntryRow::StripItem& item : geometry.strip) {
        if (item.action == EntryRow::Action::menu) {
            anchor = item.rect;
        }
    }
    QMenu* menu = makeTransformMenu(layout_.entry(row), actions_, this);
    menu_ = menu;
    menu->popup(mapToGlobal(anchor.bottomLeft().toPoint() + QPoint(0, 4)));
}

bool HistoryList::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int row = layout_.rowAt(QPointF(help->pos()));
        if (row >= 0) {
            const EntryRow::Geometry geometry = rowGeometry(row);
            for (const EntryRow::StripItem& item : geometry.strip) {
                if (item.action != EntryRow::Action::none && item.hitRect.contains(help->pos())) {
                    QToolTip::showText(help->globalPos(), toolTipOf(item.action), this,
                                       item.hitRect.toAlignedRect());
                    return true;
                }
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void HistoryList::moveCurrent(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    currentRow_ = layout_.entry(row).id;
    focusAction_ = EntryRow::Action::copy;
    // The keyboard's row shows its strip, as the pointer's does; its leave clears the copy mark.
    pointerOnRow(row);
    update();
    showRow(*currentRow_);
    // The rows a page key would bring next are now a page from this one.
    prepareSoon();
    if (QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(row);
        QAccessible::updateAccessibility(&focus);
    }
}

void HistoryList::showRow(const QUuid& id) {
    // Scrolling measures the rows that come into view, which can move or stretch the row after
    // it was placed: it is placed again until it holds still.
    QRect shown;
    for (int pass = 0; pass < 4; ++pass) {
        const int row = layout_.rowOf(id);
        const QRect rect = row >= 0 ? layout_.rowRect(row).toAlignedRect() : shown;
        if (rect == shown) {
            return;
        }
        shown = rect;
        emit rowNeedsShowing(rect);
    }
}

void HistoryList::moveFocusAction(int step) {
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    QList<EntryRow::Action> actions;
    for (const EntryRow::StripItem& item : rowGeometry(row).strip) {
        if (item.action != EntryRow::Action::none) {
            actions.append(item.action);
        }
    }
    const qsizetype at = actions.indexOf(focusAction_);
    const qsizetype next = std::clamp<qsizetype>(at < 0 ? 0 : at + step, 0, actions.size() - 1);
    if (!actions.isEmpty()) {
        focusAction_ = actions[next];
        update();
    }
}

int HistoryList::rowAPageFrom(int row, int direction) const {
    if (rowCount() == 0) {
        return -1;
    }
    // A page is the view's height, however tall the rows are; at least the next row.
    const int from = std::clamp(row, 0, rowCount() - 1);
    const qreal y = layout_.rows()[std::size_t(from)].top + direction * inView().height();
    const int at = layout_.rowsBetween(y, y).first;
    const int next = direction > 0 ? std::max(at, from + 1) : std::min(at, from - 1);
    return std::clamp(next, 0, rowCount() - 1);
}

void HistoryList::keyPressEvent(QKeyEvent* event) {
    const int row = currentRow();
    switch (event->key()) {
    case Qt::Key_Down:
        moveCurrent(row < 0 ? 0 : row + 1);
        return;
    case Qt::Key_Up:
        moveCurrent(row < 0 ? 0 : row - 1);
        return;
    case Qt::Key_PageDown:
        moveCurrent(rowAPageFrom(row, 1));
        return;
    case Qt::Key_PageUp:
        moveCurrent(rowAPageFrom(row, -1));
        return;
    case Qt::Key_Home:
        moveCurrent(0);
        return;
    case Qt::Key_End:
        moveCurrent(rowCount() - 1);
        return;
    case Qt::Key_Left:
        moveFocusAction(-1);
        return;
    case Qt::Key_Right:
        moveFocusAction(1);
        return;
    default:
        break;
    }
    if (row < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        activate(row, EntryRow::Action::copy);
    } else if (event->key() == Qt::Key_Delete) {
        activate(row, EntryRow::Action::remove);
    } else if (event->key() == Qt::Key_Menu ||
               (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        popUpMenu(row);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
               event->key() == Qt::Key_Space) {
        activate(row, focusAction_);
    } else {
        QWidget::keyPressEvent(event);
    }
}

// Neither focus event calls the base, which repaints the whole list for the ring of one row.
void HistoryList::focusInEvent(QFocusEvent* event) {
    const bool byKeyboard = event->reason() == Qt::TabFocusReason ||
                            event->reason() == Qt::BacktabFocusReason ||
                            event->reason() == Qt::ShortcutFocusReason;
    if (byKeyboard && currentRow() < 0 && rowCount() > 0) {
        // Start on the first row in sight rather than jumping back to the top.
        const QRect seen = visibleRegion().boundingRect();
        const auto [first, end] = layout_.rowsBetween(seen.top(), seen.bottom());
        moveCurrent(first < end ? first : 0);
    }
    updateFocusRing(event->reason());
}

void HistoryList::focusOutEvent(QFocusEvent* event) {
    updateFocusRing(event->reason());
}

// Only the current row wears the ring. A menu that pops up (the tray's, a row's) takes the
// keyboard without moving the focus and gives it back as it closes: the ring stays as drawn,
// and a repaint then would hold the menu's first frame behind the rows in view.
void HistoryList::updateFocusRing(Qt::FocusReason reason) {
    if (reason == Qt::PopupFocusReason) {
        return;
    }
    prepareSoon(); // the page keys' rows are drawn ahead only while the keys come here
    if (const int row = currentRow(); row >= 0) {
        update(layout_.rowRect(row).toAlignedRect());
    }
}

} // namespace tavik::panes
