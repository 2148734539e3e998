// The scratchpad editor's keyboard: moving the caret, selecting and editing with the desktop's
// standard keys, and text from input methods.
#include "app/panes/scratchpad/scratchpad_editor.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

namespace tavik::panes {

namespace {

enum class Move {
    right,
    left,
    wordRight,
    wordLeft,
    down,
    up,
    lineStart,
    lineEnd,
    paragraphStart,
    paragraphEnd,
    start,
    end,
    pageDown,
    pageUp,
};

struct MoveKey {
    QKeySequence::StandardKey plain;
    QKeySequence::StandardKey selecting;
    Move move;
};

constexpr MoveKey moveKeys[] = {
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::right},
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::left},
    {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::wordRight},
    {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::wordLeft},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::down},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::up},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::lineStart},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::lineEnd},
    {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, Move::paragraphStart},
    {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, Move::paragraphEnd},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::start},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::end},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::pageDown},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::pageUp},
};

constexpr QKeySequence::StandardKey editKeys[] = {
    QKeySequence::Undo,
    QKeySequence::Redo,
    QKeySequence::Cut,
    QKeySequence::Copy,
    QKeySequence::Paste,
    QKeySequence::SelectAll,
    QKeySequence::Delete,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,
    QKeySequence::DeleteEndOfLine,
    QKeySequence::InsertParagraphSeparator,
    QKeySequence::InsertLineSeparator,
};

bool typesText(const QKeyEvent* event) {
    const QString typed = event->text();
    if (typed.isEmpty() || (event->modifiers() & Qt::ControlModifier)) {
        return false;
    }
    return typed.front().isPrint() || typed.front() == u'\t';
}

bool isBackspace(const QKeyEvent* event) {
    return event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
}

} // namespace

bool ScratchpadEditor::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the editor answers are not taken by shortcuts elsewhere in the window.
        auto* key = static_cast<QKeyEvent*>(event);
        bool ours = typesText(key) || isBackspace(key);
        for (const MoveKey& move : moveKeys) {
            ours = ours || key->matches(move.plain) || key->matches(move.selecting);
        }
        for (const QKeySequence::StandardKey edit : editKeys) {
            ours = ours || key->matches(edit);
        }
        if (ours) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool ScratchpadEditor::focusNextPrevChild(bool) {
    // Tab types a tab; Shift+Tab, which arrives as Backtab, is left to the window.
    return false;
}

void ScratchpadEditor::keyPressEvent(QKeyEvent* event) {
    if (handleMove(event) || handleEdit(event)) {
        event->accept();
        return;
    }
    if (typesText(event)) {
        typeText(event->text());
        event->accept();
        return;
    }
    event->ignore();
}

bool ScratchpadEditor::handleMove(QKeyEvent* event) {
    for (const MoveKey& key : moveKeys) {
        const bool keep = event->matches(key.selecting);
        if (!keep && !event->matches(key.plain)) {
            continue;
        }
        const qsizetype size = text().size();
        const qsizetype from = selectionStart();
        const qsizetype to = selectionEnd();
        switch (key.move) {
        case Move::right:
        case Move::left: {
            const bool right = key.move == Move::right;
            if (!keep && from != to) {
                // An arrow first ends the selection at its side.
                const PadLine line = layout_.lineOf(caret_);
                const bool rtl = line.layout->textOption().textDirection() == Qt::RightToLeft;
                moveTo(right != rtl ? to : from, false);
            } else {
                moveTo(visualStep(caret_, right, QTextLayout::SkipCharacters), keep);
            }
            break;
        }
        case Move::wordRight:
        case Move::wordLeft:
            moveTo(visualStep(caret_, key.move == Move::wordRight, QTextLayout::SkipWords), keep);
            break;
        case Move::down:
        case Move::up:
            moveTo(verticalStep(caret_, key.move == Move::down ? 1 : -1), keep, true);
            break;
        case Move::lineStart:
            moveTo(layout_.lineOf(caret_).start(), keep);
            break;
        case Move::lineEnd:
            moveTo(lineEnd(layout_.lineOf(caret_)), keep);
            break;
        case Move::paragraphStart:
        case Move::paragraphEnd: {
            const auto [start, end] = paragraphAround(text(), caret_);
            moveTo(key.move == Move::paragraphStart ? start : end, keep);
            break;
        }
        case Move::start:
            moveTo(0, keep);
            break;
        case Move::end:
            moveTo(size, keep);
            break;
        case Move::pageDown:
        case Move::pageUp:
            moveTo(pageStep(caret_, key.move == Move::pageDown), keep, true);
            break;
        }
        return true;
    }
    return false;
}

bool ScratchpadEditor::handleEdit(QKeyEvent* event) {
    using Kind = PadUndo::Kind;
    if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo)) {
        redo();
    } else if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->matches(QKeySequence::SelectAll)) {
        select(0, text().size());
    } else if (event->matches(QKeySequence::InsertParagraphSeparator)) {
        insertText(QStringLiteral("\n"));
    } else if (event->matches(QKeySequence::InsertLineSeparator)) {
        typeText(QString(QChar::LineSeparator));
    } else if (hasSelection() && (isBackspace(event) || event->matches(QKeySequence::Delete) ||
                                  event->matches(QKeySequence::DeleteStartOfWord) ||
                                  event->matches(QKeySequence::DeleteEndOfWord) ||
                                  event->matches(QKeySequence::DeleteEndOfLine))) {
        removeSelection(Kind::deleting);
    } else if (isBackspace(event)) {
        // One character back: a surrogate pair or a CR LF goes as one.
        qsizetype n = std::max(paragraphBreakBefore(text(), caret_), caret_ > 0 ? 1 : 0);
        if (caret_ >= 2 && text()[caret_ - 1].isLowSurrogate() &&
            text()[caret_ - 2].isHighSurrogate()) {
            n = 2;
        }
        replace(caret_ - n, n, QString(), Kind::deleting);
    } else if (event->matches(QKeySequence::Delete)) {
        const qsizetype next = nextPosition(caret_, QTextLayout::SkipCharacters);
        replace(caret_, next - caret_, QString(), Kind::deleting);
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        const qsizetype word = previousPosition(caret_, QTextLayout::SkipWords);
        replace(word, caret_ - word, QString(), Kind::deleting);
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        const qsizetype word = nextPosition(caret_, QTextLayout::SkipWords);
        replace(caret_, word - caret_, QString(), Kind::deleting);
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        const qsizetype end = lineEnd(layout_.lineOf(caret_));
        replace(caret_, end - caret_, QString(), Kind::deleting);
    } else {
        return false;
    }
    return true;
}

void ScratchpadEditor::moveTo(qsizetype position, bool keepAnchor, bool keepColumn) {
    caret_ = std::clamp<qsizetype>(position, 0, text().size());
    if (!keepAnchor) {
        anchor_ = caret_;
    }
    if (!keepColumn) {
        column_ = -1;
    }
    afterCaretChange(true);
    if (keepAnchor) {
        updatePrimarySelection();
    }
}

qsizetype ScratchpadEditor::nextPosition(qsizetype position, QTextLayout::CursorMode mode) {
    if (position >= text().size()) {
        return text().size();
    }
    const PadLine line = layout_.lineOf(position);
    const qsizetype local = position - line.layoutStart;
    if (local < line.layoutLength) {
        // The layout may go on past this text, into the next chunk's first line.
        return line.layoutStart +
               std::min<qsizetype>(line.layoutLength,
                                   line.layout->nextCursorPosition(int(local), mode));
    }
    return position + line.breakLength; // over the paragraph break, CR LF at once
}

qsizetype ScratchpadEditor::previousPosition(qsizetype position, QTextLayout::CursorMode mode) {
    if (position <= 0) {
        return 0;
    }
    const PadLine line = layout_.lineOf(position);
    const qsizetype local = position - line.layoutStart;
    if (local > 0) {
        return line.layoutStart + line.layout->previousCursorPosition(int(local), mode);
    }
    if (const int brk = paragraphBreakBefore(text(), position)) {
        return position - brk;
    }
    // The start of a chunk inside a paragraph: the text before it is in another layout.
    const PadLine before = layout_.lineOf(position - 1);
    return before.layoutStart +
           before.layout->previousCursorPosition(int(position - before.layoutStart), mode);
}

qsizetype ScratchpadEditor::visualStep(qsizetype position, bool right,
                                       QTextLayout::CursorMode mode) {
    const PadLine line = layout_.lineOf(position);
    const bool rtl = line.layout->textOption().textDirection() == Qt::RightToLeft;
    if (mode == QTextLayout::SkipCharacters) {
        const int local = int(position - line.layoutStart);
        const int moved = right ? line.layout->rightCursorPosition(local)
                                : line.layout->leftCursorPosition(local);
        if (moved != local && moved <= line.layoutLength) {
            return line.layoutStart + moved;
        }
    }
    return right != rtl ? nextPosition(position, mode) : previousPosition(position, mode);
}

qsizetype ScratchpadEditor::lineEnd(const PadLine& line) const {
    const qsizetype end = line.end();
    const bool lastOfParagraph =
        line.isLastOfLayout() &&
        (line.breakLength > 0 || line.layoutStart + line.layoutLength == text().size());
    // A wrapped line ends before the space it wrapped at, so the caret stays on it.
    if (!lastOfParagraph && end > line.start() && text()[end - 1].isSpace()) {
        return end - 1;
    }
    return end;
}

qsizetype ScratchpadEditor::positionIn(const PadLine& line, qreal x) const {
    return line.layoutStart + line.line.xToCursor(x);
}

qsizetype ScratchpadEditor::verticalStep(qsizetype position, int lines) {
    const PadLine line = layout_.lineOf(position);
    if (column_ < 0) {
        column_ = line.line.cursorToX(int(position - line.layoutStart));
    }
    const PadLine next = lines > 0 ? layout_.below(line) : layout_.above(line);
    return next.isValid() ? positionIn(next, column_) : position;
}

qsizetype ScratchpadEditor::pageStep(qsizetype position, bool down) {
    const qreal page = viewport()->height();
    const PadLine line = layout_.lineOf(position);
    if (column_ < 0) {
        column_ = line.line.cursorToX(int(position - line.layoutStart));
    }
    const qreal step = down ? page : -page;
    const qreal target =
        std::clamp<qreal>(line.top() + line.line.height() / 2 + step, 0, layout_.height() - 1);
    const qreal top = viewTop() + step;
    const qsizetype moved = positionIn(layout_.lineAt(target), column_);
    scrollToY(top);
    return moved;
}

void ScratchpadEditor::inputMethodEvent(QInputMethodEvent* event) {
    const qsizetype size = text().size();
    if (event->replacementLength() > 0 || event->replacementStart() != 0) {
        // The input method takes back text around the caret as it commits.
        const qsizetype from = std::clamp<qsizetype>(caret_ + event->replacementStart(), 0, size);
        const qsizetype to = std::clamp<qsizetype>(from + event->replacementLength(), from, size);
        select(from, to);
    }
    if (!event->commitString().isEmpty() || hasSelection()) {
        typeText(event->commitString());
    }
    preedit_ = event->preeditString();
    viewport()->update();
    event->accept();
}

QVariant ScratchpadEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
    auto* self = const_cast<ScratchpadEditor*>(this);
    // Input methods read around the caret; the whole of a long pad is never handed over.
    const qsizetype around = 512;
    const qsizetype start = std::max<qsizetype>(0, caret_ - around);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return QRect(self->caretRect().translated(viewport()->pos()));
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(caret_ - start);
    case Qt::ImAnchorPosition:
        return int(std::clamp<qsizetype>(anchor_ - start, 0, 2 * around));
    case Qt::ImSurroundingText:
        return text().mid(start, 2 * around);
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImTextBeforeCursor:
        return text().mid(start, caret_ - start);
    case Qt::ImTextAfterCursor:
        return text().mid(caret_, around);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace tavik::panes
