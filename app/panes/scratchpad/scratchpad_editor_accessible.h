#pragma once

#include <QAccessibleWidget>

#include <utility>

namespace tavik::panes {

class ScratchpadEditor;

// The scratchpad editor as screen readers and other assistive tools see it: an editable,
// multi-line text with its caret and selection, read and changed through the same paths as the
// keyboard (so a change made this way is saved and can be undone). Texts are measured around
// the offset asked about, never by reading the whole of a long pad.
class ScratchpadEditorAccessible final : public QAccessibleWidget,
                                         public QAccessibleTextInterface,
                                         public QAccessibleEditableTextInterface {
public:
    explicit ScratchpadEditorAccessible(ScratchpadEditor* editor);
    static void install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    ScratchpadEditor* editor() const;
    std::pair<int, int> around(int offset, QAccessible::TextBoundaryType type) const;
    QString piece(std::pair<int, int> range, int* startOffset, int* endOffset) const;
};

} // namespace tavik::panes
