#pragma once

#include "app/panes/scratchpad/pad_layout.h"
#include "app/panes/scratchpad/pad_undo.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QRect>
#include <QRegion>
#include <QString>

#include <algorithm>
#include <vector>

namespace tavik {
class Scratchpad;
}

namespace tavik::panes {

// The scratchpad's text editor. It edits the store's text where it lies: a keystroke is one
// small replacement in the store (which saves it), never a copy of the whole pad, and only the
// lines on screen and the chunk a change falls in are laid out (PadLayout), so a pad that
// dictation has grown to megabytes of one paragraph stays as quick as a short one.
//
// What the store gains from a dictation is added at the end without moving the person's caret,
// selection or view, and Ctrl+Z takes it back like typing. Another text given to the store
// replaces the editor's text and its history. Line breaks are shown for LF, CR LF, CR and the
// paragraph separator, and kept as they are in the text.
class ScratchpadEditor final : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ScratchpadEditor(Scratchpad& pad, QWidget* parent = nullptr);
    ~ScratchpadEditor() override;

    const QString& text() const;
    qsizetype caret() const { return caret_; }
    qsizetype anchor() const { return anchor_; }
    bool hasSelection() const { return caret_ != anchor_; }
    // The selected stretch, whichever way it was made (both the caret when nothing is selected).
    qsizetype selectionStart() const { return std::min(caret_, anchor_); }
    qsizetype selectionEnd() const { return std::max(caret_, anchor_); }
    QString selectedText() const;
    // Selects from `anchor` to `caret` (equal: no selection) and scrolls the caret into view.
    void select(qsizetype anchor, qsizetype caret);

    // Puts text where the caret is, over the selection, as one step of its own.
    void insertText(const QString& text);
    // Empties the pad at once, as a step that undo takes back.
    void clearAll();
    void undo();
    void redo();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    void cut();
    void copy() const;
    void paste();

    // Where the caret is drawn, and where a character is, in the viewport's coordinates.
    QRect caretRect();
    QRect characterRect(qsizetype position);
    // The text position under a point of the viewport.
    qsizetype positionAt(QPoint point);
    PadLayout& padLayout() { return layout_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class ScratchpadEditorAccessible;
    enum class Unit { character, word, paragraph };
    // Who is changing the store's text: the person here (recorded in the history), the history
    // itself (undo, redo), or someone else (a dictation, another text).
    enum class Origin { outside, person, history };

    // Editing, all through the store.
    void replace(qsizetype position, qsizetype removed, const QString& inserted,
                 PadUndo::Kind kind);
    void replaceSelection(const QString& text, PadUndo::Kind kind);
    void typeText(const QString& text);
    void removeSelection(PadUndo::Kind kind);
    // Changes the store's text as `origin` and puts the caret after what was put in.
    void change(Origin origin, qsizetype position, qsizetype removed, const QString& inserted);
    void storeEdited(qsizetype position, const QString& removed, qsizetype inserted);
    void takeBack(const PadEdit& edit, bool undoing);

    // Moving.
    bool handleMove(QKeyEvent* event);
    bool handleEdit(QKeyEvent* event);
    void moveTo(qsizetype position, bool keepAnchor, bool keepColumn = false);
    qsizetype nextPosition(qsizetype position, QTextLayout::CursorMode mode);
    qsizetype previousPosition(qsizetype position, QTextLayout::CursorMode mode);
    qsizetype visualStep(qsizetype position, bool right, QTextLayout::CursorMode mode);
    qsizetype lineEnd(const PadLine& line) const;
    qsizetype positionIn(const PadLine& line, qreal x) const;
    qsizetype verticalStep(qsizetype position, int lines);
    qsizetype pageStep(qsizetype position, bool down);
    std::pair<qsizetype, qsizetype> unitAround(qsizetype position, Unit unit);
    void extendSelection(qsizetype position);
    void startDrag();

    // The view.
    qreal viewTop();
    // The first whole line from which the view shows everything down to `bottom`.
    qsizetype topShowingDownTo(qreal bottom);
    void scrollToY(qreal y);
    void syncScrollBar();
    void ensureCaretVisible();
    void relayoutWidth();
    void restartBlink();
    void afterCaretChange(bool scroll);
    void updatePrimarySelection() const;
    void notifyAccessibility(qsizetype position, const QString& removed, qsizetype inserted);

    // Repainting only what changed: a keystroke in a pad of long lines repaints its own line and
    // the caret, not every line in view (scratchpad_editor_repaint.cpp).
    struct ShownLine {
        qsizetype start = 0;
        qsizetype length = 0;
        qreal top = 0; // in the view
        qreal height = 0;
        friend bool operator==(const ShownLine&, const ShownLine&) = default;
    };
    // What the view was last asked to show.
    struct Shown {
        std::vector<ShownLine> lines;
        QRect caret; // in the viewport; empty when out of view
        bool selection = false;
        bool valid = false;
    };
    std::vector<ShownLine> linesInView();
    QRect caretInView(const std::vector<ShownLine>& lines);
    // Whether what was shown can be compared with what is: no selection, text
    // being composed or drag, and no right-to-left text in view (whose order can hang on
    // characters in other lines).
    bool comparableWithShown(const std::vector<ShownLine>& lines);
    void repaintEdited(qsizetype position, const QString& removed, qsizetype inserted);
    void repaintCaret();
    void recordShown(const QRegion& painted);

    Scratchpad& pad_;
    PadLayout layout_;
    PadUndo history_;
    qsizetype caret_ = 0;
    qsizetype anchor_ = 0;
    qreal column_ = -1; // the x that up and down keep to
    // The view: the line holding this position is at its top. Like Qt's plain text editor, the
    // view scrolls by whole lines.
    qsizetype topPosition_ = 0;
    Origin origin_ = Origin::outside;
    PadUndo::Kind kind_ = PadUndo::Kind::separate;
    QString preedit_;
    QBasicTimer blink_;
    bool caretShown_ = true;
    QBasicTimer autoScroll_;
    QBasicTimer tripleClick_;
    QPoint lastPress_;
    Unit unit_ = Unit::character;
    qsizetype unitStart_ = 0;
    qsizetype unitEnd_ = 0;
    bool selecting_ = false;
    bool caretToShow_ = false;
    // A press inside the selection may start dragging it; where a drag would drop, shown as a
    // caret of its own (-1: no drag over the editor).
    bool mayDrag_ = false;
    qsizetype dropAt_ = -1;
    Shown shown_;
};

} // namespace tavik::panes
