#include "app/panes/scratchpad/scratchpad_editor_accessible.h"

#include "app/panes/scratchpad/scratchpad_editor.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace tavik::panes {

namespace {

QAccessibleInterface* makeAccessible(const QString&, QObject* object) {
    if (auto* editor = qobject_cast<ScratchpadEditor*>(object)) {
        return new ScratchpadEditorAccessible(editor);
    }
    return nullptr;
}

// How far around an offset characters, words and sentences are looked for.
constexpr int lookAround = 4096;

} // namespace

ScratchpadEditorAccessible::ScratchpadEditorAccessible(ScratchpadEditor* editor)
    : QAccessibleWidget(editor, QAccessible::EditableText) {}

void ScratchpadEditorAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(&makeAccessible);
        return true;
    }();
    (void)installed;
}

ScratchpadEditor* ScratchpadEditorAccessible::editor() const {
    return static_cast<ScratchpadEditor*>(widget());
}

QAccessible::State ScratchpadEditorAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.multiLine = true;
    s.selectableText = true;
    s.focusable = true;
    return s;
}

QString ScratchpadEditorAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return editor()->text();
    }
    return QAccessibleWidget::text(t);
}

void* ScratchpadEditorAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    if (type == QAccessible::EditableTextInterface) {
        return static_cast<QAccessibleEditableTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

void ScratchpadEditorAccessible::selection(int selectionIndex, int* startOffset,
                                           int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && editor()->hasSelection()) {
        *startOffset = int(editor()->selectionStart());
        *endOffset = int(editor()->selectionEnd());
    }
}

int ScratchpadEditorAccessible::selectionCount() const {
    return editor()->hasSelection() ? 1 : 0;
}

void ScratchpadEditorAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void ScratchpadEditorAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        editor()->select(editor()->caret(), editor()->caret());
    }
}

void ScratchpadEditorAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) {
        editor()->select(startOffset, endOffset);
    }
}

int ScratchpadEditorAccessible::cursorPosition() const {
    return int(editor()->caret());
}

void ScratchpadEditorAccessible::setCursorPosition(int position) {
    editor()->select(position, position);
}

QString ScratchpadEditorAccessible::text(int startOffset, int endOffset) const {
    const QString& all = editor()->text();
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, all.size());
    const qsizetype end =
        endOffset < 0 ? all.size() : std::clamp<qsizetype>(endOffset, start, all.size());
    return all.mid(start, end - start);
}

std::pair<int, int> ScratchpadEditorAccessible::around(int offset,
                                                       QAccessible::TextBoundaryType type) const {
    const QString& all = editor()->text();
    const int size = int(all.size());
    offset = std::clamp(offset, 0, size);
    switch (type) {
    case QAccessible::NoBoundary:
        return {0, size};
    case QAccessible::LineBoundary: {
        const PadLine line = editor()->padLayout().lineOf(offset);
        return {int(line.start()), int(line.end())};
    }
    case QAccessible::ParagraphBoundary: {
        const auto [start, end] = paragraphWithBreakAround(all, offset);
        return {int(start), int(end)};
    }
    default:
        break;
    }
    const QTextBoundaryFinder::BoundaryType finderType =
        type == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
        : type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                            : QTextBoundaryFinder::Sentence;
    const auto [start, end] =
        boundariesAround(all, std::max(0, offset - lookAround), std::min(size, offset + lookAround),
                         offset, finderType);
    return {int(start), int(end)};
}

QString ScratchpadEditorAccessible::piece(std::pair<int, int> range, int* startOffset,
                                          int* endOffset) const {
    *startOffset = range.first;
    *endOffset = range.second;
    return text(range.first, range.second);
}

QString ScratchpadEditorAccessible::textAtOffset(int offset,
                                                 QAccessible::TextBoundaryType boundaryType,
                                                 int* startOffset, int* endOffset) const {
    return piece(around(offset, boundaryType), startOffset, endOffset);
}

QString ScratchpadEditorAccessible::textBeforeOffset(int offset,
                                                     QAccessible::TextBoundaryType boundaryType,
                                                     int* startOffset, int* endOffset) const {
    const int start = around(offset, boundaryType).first;
    if (start <= 0) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    return piece(around(start - 1, boundaryType), startOffset, endOffset);
}

QString ScratchpadEditorAccessible::textAfterOffset(int offset,
                                                    QAccessible::TextBoundaryType boundaryType,
                                                    int* startOffset, int* endOffset) const {
    const int end = around(offset, boundaryType).second;
    if (end >= characterCount()) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    return piece(around(end, boundaryType), startOffset, endOffset);
}

int ScratchpadEditorAccessible::characterCount() const {
    return int(editor()->text().size());
}

QRect ScratchpadEditorAccessible::characterRect(int offset) const {
    const QRect local = editor()->characterRect(offset);
    return QRect(editor()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int ScratchpadEditorAccessible::offsetAtPoint(const QPoint& point) const {
    return int(editor()->positionAt(editor()->viewport()->mapFromGlobal(point)));
}

void ScratchpadEditorAccessible::scrollToSubstring(int startIndex, int) {
    editor()->select(startIndex, startIndex);
}

QString ScratchpadEditorAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return QString();
}

void ScratchpadEditorAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void ScratchpadEditorAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void ScratchpadEditorAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    editor()->select(startOffset, endOffset);
    editor()->insertText(text);
}

} // namespace tavik::panes
