#pragma once

#include "app/panes/history/entry_actions.h"
#include "app/panes/history/entry_row.h"
#include "app/panes/history/list_layout.h"
#include "app/panes/history/row_heights.h"
#include "app/panes/history/row_images.h"

#include <QAccessible>
#include <QHash>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

namespace tavik::panes {

// The day groups of the history pane as one painted widget: no widget per row, so a history at
// its 5,000-entry cap lays out in one pass over cached row heights and paints only the rows the
// scroll view shows. Pointer hover, the action strip, tooltips, the transform menu, keyboard use
// (Up/Down choose a row, Left/Right an action, Return or Space runs it, Delete deletes, the menu
// key opens the transforms) and the accessibility tree are all driven from the same geometry.
class HistoryList : public QWidget {
    Q_OBJECT

public:
    HistoryList(AppState& state, EntryActions actions, QWidget* parent = nullptr);
    ~HistoryList() override;

    // Shows these groups (the search's results, grouped by day) with their captions.
    void setGroups(QList<History::DayGroup> groups, QStringList captions);

    const ListLayout& listLayout() const { return layout_; }
    const EntryRow& entryRow() const { return row_; }
    int rowCount() const { return int(layout_.rows().size()); }
    // The row's geometry as it is painted now (with the strip when it is hovered).
    EntryRow::Geometry rowGeometry(int row) const;
    // Whether every row in or near the view has its measured height: those stand at an estimate
    // until the event loop has had time to measure them, and rows far from the view keep theirs
    // until it comes near. A text of megabytes is laid out only as far as the view needs.
    bool settled() const;
    // The row the keyboard is on, or -1.
    int currentRow() const;
    // How many rows have a picture, drawn while the list rested, to be painted from.
    int rowPictures() const { return int(images_.count()); }
    // How many rows the last paint copied from their pictures.
    int rowsFromPictures() const { return rowsFromPictures_; }
    // Lets go of them all: the list is out of sight.
    void forgetRowPictures() { images_.clear(); }
    // The transform menu while it is open.
    QMenu* openMenu() const { return menu_; }

    // Runs a row's action as its button would.
    void activate(int row, EntryRow::Action action);
    // Opens the row's transform menu under its wand.
    void popUpMenu(int row);

    // Hit-tests again where the pointer last was: rows move under a still pointer when the view
    // scrolls or the list changes.
    void refreshHover();
    // The scroll view moved: the rows coming into view are measured before they are painted, and
    // those near it soon after.
    void viewMoved();

    QSize sizeHint() const override;

signals:
    // The keyboard moved to a row that may be out of sight; the rect is in this widget. It is to
    // be shown whole or, when taller than the view, from its top.
    void rowNeedsShowing(const QRect& rect);
    // Rows above the part in view changed height: scrolling by `delta` keeps what is in view
    // where it was.
    void shiftedAboveView(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void updateFocusRing(Qt::FocusReason reason);
    bool event(QEvent* event) override;

private:
    friend class HistoryListAccessible;

    // Lays out every row at the current width: rows measured before keep their heights, the
    // others start from a quick estimate. The rows in view are measured at once; those near it a
    // slice at a time while the event loop is idle, keeping what is in view still.
    void relayout();
    // The row's height at rest, measured exactly or (when `exact` is false and it was never
    // measured) estimated.
    qreal restingHeight(const HistoryEntry& entry, bool exact);
    bool measured(const HistoryEntry& entry) const;
    // The height of a row whose text is laid out a piece at a time, as far as it is known.
    qreal chunkedHeight(const HistoryEntry& entry);
    // How far down row `r` its text must be known for the part in and near the view (< 0: none
    // of it is there).
    qreal depthNeeded(int r) const;
    // Measures the rows in [first, end) that are still estimates; returns how much the rows
    // that start above `anchor` grew.
    qreal measureRows(int first, int end, qreal anchor);
    // Adds row `r` at its measured `height` to `changed`, unless it is the row with the strip;
    // returns how much it grew if it lies above `viewTop`, or, when it `growsUpward`, if it
    // starts above it.
    qreal takeHeight(int r, qreal height, qreal viewTop, bool growsUpward,
                     std::vector<std::pair<int, qreal>>& changed) const;
    void measureStep();
    void prepareStep();
    // Lays out and draws ahead once the view has rested, unless rows are still being measured
    // (which does so when it is done).
    void prepareSoon();
    // Lays out more of the rows whose text is laid out a piece at a time, as far as the view
    // needs them; returns how much the rows above `viewTop` grew.
    qreal measureUnfinished(qint64 budgetNs, qreal viewTop);
    // The part of the list in view, in its own coordinates (empty when none is).
    QRect inView() const;
    // The part in view and a view's height beyond it either way.
    QRect nearView() const;
    // Gives the hovered row its strip's height, and the row that lost the hover its own back.
    void applyHover();
    void fitHeight();

    // The pointer moved onto the row `row` (-1: off every row): the previous row's leave, then
    // the new row's enter.
    void pointerOnRow(int row);
    void hoverAt(const QPoint& point);

    int hoveredRow() const;
    bool hasAudio(const HistoryEntry& entry) const;

    void moveCurrent(int row);
    // The row a page below (`direction` 1) or above (-1) the row `row`.
    int rowAPageFrom(int row, int direction) const;
    // Asks for the row to be scrolled into view until its place and height hold still.
    void showRow(const QUuid& id);
    void moveFocusAction(int step);

    void paintGroup(QPainter& painter, int group, const QRectF& clip) const;
    // Paints the row, copying its picture when `fromPicture` and it has one that still holds.
    void paintRow(QPainter& painter, int row, const QRectF& clip, bool fromPicture) const;
    // The glyph a strip button of the row shows now, and whether it is held down.
    std::pair<QString, bool> stripButton(const HistoryEntry& entry, EntryRow::Action action) const;
    // What the row shows as laid out in `geometry`, for its picture.
    RowImages::Look lookOf(const HistoryEntry& entry, const EntryRow::Geometry& geometry) const;
    // Everything of the row but the focus rings.
    void paintRowContent(QPainter& painter, const HistoryEntry& entry,
                         const EntryRow::Geometry& geometry, const RowImages::Look& look,
                         const QRectF& clip) const;
    void paintFocusRings(QPainter& painter, const HistoryEntry& entry,
                         const EntryRow::Geometry& geometry) const;
    // Draws the picture of row `r` (with its strip when `stripped`) unless it has one already;
    // true when it drew one.
    bool drawAhead(int r, bool stripped);

    AppState& state_;
    EntryActions actions_;
    EntryRow row_;
    QList<History::DayGroup> groups_;
    QStringList captions_;
    ListLayout layout_;

    RowHeights& heights_ = RowHeights::shared(); // without the strip
    qreal layoutWidth_ = -1;
    QSet<QUuid> unfinished_; // rows whose very long text is not yet laid out whole
    QTimer measureTimer_;
    QTimer prepareTimer_;

    std::optional<QUuid> pointerRow_;  // the row the pointer (or the keyboard) is in
    std::optional<QUuid> strippedRow_; // the row laid out with its strip
    bool strippedHasAudio_ = false;
    std::optional<QPoint> lastPointer_; // global, while the pointer is over the list
    bool inHover_ = false;

    std::optional<QUuid> pressedRow_;
    EntryRow::Action pressedAction_ = EntryRow::Action::none;

    std::optional<QUuid> currentRow_; // the keyboard's row
    EntryRow::Action focusAction_ = EntryRow::Action::copy;

    RowImages images_{this}; // of the rows near the view
    mutable int rowsFromPictures_ = 0;
    QPointer<QMenu> menu_;
    QHash<QUuid, QAccessible::Id> accessibleRows_; // rows an assistive technology asked for
};

} // namespace tavik::panes
