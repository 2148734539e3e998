// The scratchpad editor over the real store and its file: undo in the steps people know (Clear
// included), a pad of one long paragraph edited and copied as written, the keys on wrapped
// lines, the pointer, input methods and assistive tools.
#include "app/panes/scratchpad/scratchpad_editor.h"
#include "tests/panes/scratchpad_support.h"
#include "tests/panes/whole_layout.h"
#include "tests/support/paint_recorder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>

namespace tavik::panes {
namespace {

using namespace std::chrono_literals;

class ScratchpadEditorTest : public ScratchpadFixture {
protected:
    void SetUp() override {
        ScratchpadFixture::SetUp();
        pane = makePane();
        editor = pane->editor();
        editor->setFocus();
    }

    static QByteArray saved() {
        if (!pad().flush(10s)) {
            return "<not written in time>";
        }
        QFile file(pad().url());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(editor, key, modifiers);
    }
    void undo() { press(Qt::Key_Z, Qt::ControlModifier); }
    void redo() { press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }

    std::unique_ptr<ScratchpadPane> pane;
    ScratchpadEditor* editor = nullptr;
};

TEST_F(ScratchpadEditorTest, ClearEmptiesThePadAtOnceAndCtrlZInTheEditorBringsItBack) {
    const QString notes = QStringLiteral("notes worth keeping\nand a second line");
    pad().setText(notes);
    QAbstractButton* clear = button(*pane, QStringLiteral("Clear"));
    ASSERT_NE(clear, nullptr);

    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(pad().text(), QString());
    EXPECT_EQ(saved(), QByteArray());
    // The editor takes the keys again, so Ctrl+Z is at hand.
    EXPECT_EQ(pane->focusWidget(), editor);

    undo();
    EXPECT_EQ(pad().text(), notes);
    EXPECT_EQ(saved(), notes.toUtf8());
    redo();
    EXPECT_EQ(pad().text(), QString());
    undo();
    EXPECT_EQ(pad().text(), notes);

    // Cleared, then dictated into: undo takes back the dictation, then the Clear.
    QTest::mouseClick(clear, Qt::LeftButton);
    pad().append(QStringLiteral("fresh"));
    EXPECT_EQ(pad().text(), QStringLiteral("fresh"));
    undo();
    EXPECT_EQ(pad().text(), QString());
    undo();
    EXPECT_EQ(pad().text(), notes);
    EXPECT_EQ(saved(), notes.toUtf8());
}

TEST_F(ScratchpadEditorTest, UndoTakesBackTypingInTheStepsOfQtEditors) {
    QTest::keyClicks(editor, QStringLiteral("hello world"));
    press(Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("foo"));
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    pad().append(QStringLiteral("dictated"));
    ASSERT_EQ(pad().text(), QStringLiteral("hello world\nf dictated"));

    const QString steps[] = {"hello world\nf", "hello world\nfoo", "hello world\n", "hello world",
                             ""};
    for (const QString& step : steps) {
        undo();
        EXPECT_EQ(pad().text(), step);
    }
    // Undoing a run of typing leaves the caret where it began.
    EXPECT_EQ(editor->caret(), 0);
    redo();
    redo();
    EXPECT_EQ(pad().text(), QStringLiteral("hello world\n"));
    EXPECT_EQ(editor->caret(), 12);

    // After an undo, typing starts a step of its own; a dictation landing right after typing
    // goes with it.
    QTest::keyClicks(editor, QStringLiteral("more"));
    pad().append(QStringLiteral("said"));
    EXPECT_EQ(pad().text(), QStringLiteral("hello world\nmore said"));
    undo();
    EXPECT_EQ(pad().text(), QStringLiteral("hello world\n"));
    // A selection typed over is one step; the caret comes back after what it restores.
    QTest::keyClicks(editor, QStringLiteral("one two"));
    editor->select(14, 19);
    QTest::keyClicks(editor, QStringLiteral("Z"));
    EXPECT_EQ(pad().text(), QStringLiteral("hello world\nonZ"));
    undo();
    EXPECT_EQ(pad().text(), QStringLiteral("hello world\none two"));
    EXPECT_EQ(editor->caret(), 19);
    EXPECT_EQ(saved(), QByteArray("hello world\none two"));
}

// Sentences as dictation appends them: one paragraph, each sentence a little different.
QString oneParagraph(qsizetype size) {
    QString text;
    for (int i = 0; text.size() < size; ++i) {
        text += QStringLiteral("Note %1 was dictated on the way in, about take %2 and what to fix "
                               "before Thursday. ")
                    .arg(i)
                    .arg(i * 7 % 13);
    }
    return text;
}

TEST_F(ScratchpadEditorTest, OneLongParagraphIsEditedAndCopiedAsWritten) {
    const QString text = oneParagraph(1'000'000);
    pad().setText(text);
    PadLayout& layout = editor->padLayout();

    press(Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("end"));
    press(Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("Start "));
    const QString expected = QStringLiteral("Start ") + text + QStringLiteral("end");
    EXPECT_EQ(pad().text(), expected);
    EXPECT_EQ(saved(), expected.toUtf8());
    // Only the text around the two carets has been laid out: a few screenfuls of a megabyte.
    EXPECT_LE(layout.laidLength(), 32768);

    // End stops before the space the line wraps at; Down keeps to the column; Home goes to the
    // start of the line.
    press(Qt::Key_Home, Qt::ControlModifier);
    const qsizetype wrap = layout.lineOf(0).end();
    ASSERT_EQ(expected[wrap - 1], u' ');
    press(Qt::Key_End);
    EXPECT_EQ(editor->caret(), wrap - 1);
    press(Qt::Key_Down);
    EXPECT_EQ(layout.lineOf(editor->caret()).start(), wrap);
    press(Qt::Key_Home);
    EXPECT_EQ(editor->caret(), wrap);

    // A selection over the wrap copies the characters as written: no line break where the line
    // wraps.
    editor->select(2, wrap + 10);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected.mid(2, wrap + 8));
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(pad().text(), expected.left(2) + expected.mid(wrap + 10));
    undo();
    EXPECT_EQ(pad().text(), expected);
}

TEST_F(ScratchpadEditorTest, KeysMoveByWordLineAndPageAcrossChunksAsInOneLayout) {
    const QString text = oneParagraph(60'000);
    pad().setText(text);
    PadLayout& layout = editor->padLayout();
    // The same paragraph laid out whole, for where words and lines begin.
    QTextLayout whole(text, editor->font());
    whole.setTextOption(test::wrapAnywhere());
    test::layOutWhole(whole, layout.width(), /*leading=*/true);

    // Down walks the lines one by one, past many chunk edges.
    ASSERT_GT(whole.lineCount(), 200);
    for (int i = 1; i < 200; ++i) {
        press(Qt::Key_Down);
        ASSERT_EQ(layout.lineOf(editor->caret()).start(), whole.lineAt(i).textStart()) << i;
    }
    // Page Down and Page Up come back to the same line, the view with them.
    const qsizetype before = editor->caret();
    const int top = editor->verticalScrollBar()->value();
    press(Qt::Key_PageDown);
    EXPECT_GT(editor->caret(), before);
    EXPECT_GT(editor->verticalScrollBar()->value(), top);
    press(Qt::Key_PageUp);
    EXPECT_EQ(layout.lineOf(editor->caret()).start(), layout.lineOf(before).start());

    // Ctrl+Right stops at every word start, across chunk edges too.
    press(Qt::Key_Home, Qt::ControlModifier);
    qsizetype expected = 0;
    while (expected < 8'000) {
        expected = whole.nextCursorPosition(int(expected), QTextLayout::SkipWords);
        press(Qt::Key_Right, Qt::ControlModifier);
        ASSERT_EQ(editor->caret(), expected);
    }
    // Words go back the same way; Shift selects them, Ctrl+Backspace takes one away.
    press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    const qsizetype word = whole.previousCursorPosition(int(expected), QTextLayout::SkipWords);
    EXPECT_EQ(editor->selectedText(), text.mid(word, expected - word));
    press(Qt::Key_Right);
    EXPECT_EQ(editor->caret(), expected);
    press(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(pad().text(), text.left(word) + text.mid(expected));
    undo();
    EXPECT_EQ(pad().text(), text);
}

TEST_F(ScratchpadEditorTest, ThePointerPlacesTheCaretAndSelectsWordsAndParagraphs) {
    pad().setText(QStringLiteral("alpha beta gamma\nsecond paragraph here"));
    QWidget* view = editor->viewport();
    const QRect beta = editor->characterRect(7);

    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(beta.left() + 1, beta.center().y()));
    EXPECT_EQ(editor->caret(), 7);
    EXPECT_FALSE(editor->hasSelection());

    const QRect here = editor->characterRect(35);
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(here.left() + 1, here.center().y()));
    EXPECT_EQ(editor->anchor(), 7);
    EXPECT_EQ(editor->caret(), 35);

    QTest::mouseDClick(view, Qt::LeftButton, {}, beta.center());
    EXPECT_EQ(editor->selectedText(), QStringLiteral("beta"));
    QTest::mouseClick(view, Qt::LeftButton, {}, beta.center());
    EXPECT_EQ(editor->selectedText(), QStringLiteral("alpha beta gamma\n"));
    // A click inside the selection that does not drag it places the caret.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(beta.left() + 1, beta.center().y()));
    EXPECT_EQ(editor->caret(), 7);
    EXPECT_FALSE(editor->hasSelection());

    // Text dropped from another application lands where it is dropped, one step to undo.
    QMimeData dragged;
    dragged.setText(QStringLiteral("dropped "));
    const QPoint gamma(editor->characterRect(11).left() + 1, beta.center().y());
    QDragEnterEvent enter(gamma, Qt::CopyAction, &dragged, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(gamma, Qt::CopyAction, &dragged, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view, &drop);
    EXPECT_EQ(pad().text(), QStringLiteral("alpha beta dropped gamma\nsecond paragraph here"));
    undo();
    EXPECT_EQ(pad().text(), QStringLiteral("alpha beta gamma\nsecond paragraph here"));
}

TEST_F(ScratchpadEditorTest, InputMethodsAndAssistiveToolsEditThroughTheStore) {
    QInputMethodEvent composing(QStringLiteral("か"), {});
    QCoreApplication::sendEvent(editor, &composing);
    EXPECT_EQ(pad().text(), QString());
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("仮名 é"));
    QCoreApplication::sendEvent(editor, &committed);
    EXPECT_EQ(pad().text(), QStringLiteral("仮名 é"));

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(editor);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Scratchpad"));
    ASSERT_NE(accessible->editableTextInterface(), nullptr);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);

    accessible->editableTextInterface()->insertText(0, QStringLiteral("Hello there "));
    EXPECT_EQ(pad().text(), QStringLiteral("Hello there 仮名 é"));
    EXPECT_EQ(text->characterCount(), pad().text().size());
    EXPECT_EQ(text->cursorPosition(), 12);
    int start = 0;
    int end = 0;
    EXPECT_EQ(text->textAtOffset(7, QAccessible::WordBoundary, &start, &end),
              QStringLiteral("there"));
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 11);
    EXPECT_EQ(text->textAtOffset(3, QAccessible::LineBoundary, &start, &end), pad().text());
    undo();
    EXPECT_EQ(pad().text(), QStringLiteral("仮名 é"));
    EXPECT_EQ(saved(), QStringLiteral("仮名 é").toUtf8());
}

// The columns of one line band of the editor that hold ink, as the screen shows them.
std::pair<int, int> inkColumns(ScratchpadEditor& editor, const QRect& band) {
    const QImage shown = editor.viewport()->grab().toImage();
    const QColor background = shown.pixelColor(shown.width() - 2, band.center().y());
    int first = -1;
    int last = -1;
    for (int x = 0; x < shown.width(); ++x) {
        for (int y = band.top(); y <= band.bottom(); ++y) {
            const QColor c = shown.pixelColor(x, y);
            if (std::max({std::abs(c.red() - background.red()),
                          std::abs(c.green() - background.green()),
                          std::abs(c.blue() - background.blue())}) > 16) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(ScratchpadEditorTest, TextBeingComposedStandsInTheLineAndMovesWhatFollowsTheCaret) {
    editor->clearFocus(); // no caret blinking into the picture
    pad().setText(QStringLiteral("abc XYZdef"));
    const QRect line = editor->caretRect();
    // Above the baseline, where the underline of composed text is not.
    const QRect band(0, line.top(), editor->viewport()->width(),
                     QFontMetrics(editor->font()).ascent() - 1);
    const auto committed = inkColumns(*editor, band);
    ASSERT_GT(committed.second, committed.first);

    pad().setText(QStringLiteral("abc def"));
    editor->select(4, 4);
    QInputMethodEvent composing(QStringLiteral("XYZ"), {});
    QCoreApplication::sendEvent(editor, &composing);
    EXPECT_EQ(pad().text(), QStringLiteral("abc def")) << "composed text is not the pad's yet";
    const auto shown = inkColumns(*editor, band);
    // "def" shows after the composed text, where it will stand once that is committed.
    EXPECT_NEAR(shown.first, committed.first, 1);
    EXPECT_NEAR(shown.second, committed.second, 2);

    QInputMethodEvent done;
    done.setCommitString(QStringLiteral("XYZ"));
    QCoreApplication::sendEvent(editor, &done);
    EXPECT_EQ(pad().text(), QStringLiteral("abc XYZdef"));
    EXPECT_EQ(inkColumns(*editor, band), committed);
}

TEST_F(ScratchpadEditorTest, TheLastLineIsSeenWholeAtTheEndAtEverySize) {
    QString lines;
    for (int i = 0; i < 300; ++i) {
        lines += QStringLiteral("line %1 of the notes\n").arg(i);
    }
    // Many short lines, then one long paragraph that wraps.
    for (const QString& text : {lines + QStringLiteral("the end"),
                                QStringLiteral("word ").repeated(4000) + QStringLiteral("end")}) {
        pad().setText(text);
        for (int height = 300; height <= 620; height += 7) {
            pane->resize(810, height);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            press(Qt::Key_End, Qt::ControlModifier);
            const QRect caret = editor->caretRect();
            ASSERT_GE(caret.top(), 0) << height;
            ASSERT_LE(caret.bottom(), editor->viewport()->height() - 1)
                << "the last line is cut off in a pane " << height << " high";
            QTest::keyClicks(editor, QStringLiteral("!"));
            ASSERT_LE(editor->caretRect().bottom(), editor->viewport()->height() - 1) << height;
            EXPECT_EQ(editor->verticalScrollBar()->value(), editor->verticalScrollBar()->maximum());
        }
    }
}

// A menu that pops up (the tray's, the pad's own) stops the caret and repaints nothing else:
// a repaint of the pad in view would hold the menu's first frame.
TEST_F(ScratchpadEditorTest, APoppedUpMenuRepaintsOnlyTheCaret) {
    pad().setText(QStringLiteral("a line of the notes\n").repeated(200));
    pane->resize(810, 500);
    pane->show();
    QApplication::setActiveWindow(pane.get());
    editor->setFocus();
    press(Qt::Key_Down);
    QCoreApplication::processEvents();
    const QRect caret = editor->caretRect();

    auto* recorder = new test::PaintRecorder(*editor->viewport());
    QMenu menu;
    menu.addAction(QStringLiteral("Open Tavik"));
    menu.popup(pane->mapToGlobal(QPoint(20, 20)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_FALSE(recorder->painted.isEmpty()) << "the caret stayed while the menu was open";
    EXPECT_TRUE(recorder->painted.boundingRect().height() <= caret.height() &&
                recorder->painted.boundingRect().width() <= caret.width() + 4)
        << "repainted " << recorder->painted.boundingRect().height() << " px for the caret";
    menu.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_LE(recorder->painted.boundingRect().height(), caret.height());
}

// What the window shows after each edit, painted piece by piece, is what a whole repaint
// shows; a keystroke that rewraps nothing repaints about its own line.
TEST_F(ScratchpadEditorTest, EditsRepaintOnlyTheirLinesAndTheViewMatchesAWholeRepaint) {
    QString text;
    for (int i = 0; i < 12; ++i) {
        text += QStringLiteral("line %1 of the notes\n").arg(i);
    }
    // Words of one length: a word put in at the start moves every line by a word, each as long
    // as before.
    for (int i = 0; i < 400; ++i) {
        text += QStringLiteral("w%1 ").arg(i, 3, 10, QLatin1Char('0'));
    }
    text += QStringLiteral("end\nlast line");
    pad().setText(text);
    pane->resize(810, 620);
    pane->show();
    QApplication::setActiveWindow(pane.get());
    editor->setFocus();
    QCoreApplication::processEvents();
    QWidget& window = *pane->window();
    const auto shownMatchesWhole = [&](const char* step) {
        QCoreApplication::processEvents();
        // The window's backing store (what was painted, piece by piece) against a fresh paint.
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(window.winId())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage whole = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), whole.size()) << step;
        EXPECT_TRUE(shown == whole) << "stale pixels after " << step;
    };
    const qsizetype paragraph = text.indexOf(QStringLiteral("w000"));

    auto* recorder = new test::PaintRecorder(*editor->viewport());
    // In the middle of the long paragraph, where the line has room: only that line.
    editor->select(paragraph + 42, paragraph + 42);
    QCoreApplication::processEvents();
    recorder->painted = QRegion();
    QTest::keyClicks(editor, QStringLiteral("x"));
    QCoreApplication::processEvents();
    const QRect caret = editor->caretRect();
    EXPECT_LE(recorder->painted.boundingRect().height(), 3 * caret.height())
        << "a keystroke repainted " << recorder->painted.boundingRect().height() << " px";
    shownMatchesWhole("a letter inside a line");

    // Edits that rewrap, split and join lines, take text out and add it from outside.
    editor->select(paragraph, paragraph);
    QTest::keyClicks(editor, QStringLiteral("w999 "));
    shownMatchesWhole("a word at the paragraph's start");
    QTest::keyClicks(editor, QStringLiteral("longerwordsthatpushthelinesalong "));
    shownMatchesWhole("words at the paragraph's start");
    press(Qt::Key_Return);
    shownMatchesWhole("a line break");
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    shownMatchesWhole("two backspaces");
    press(Qt::Key_Up);
    press(Qt::Key_End);
    press(Qt::Key_Delete);
    shownMatchesWhole("a line joined to the next");
    pad().append(QStringLiteral("and a dictation"));
    shownMatchesWhole("a dictation added at the end");
    editor->insertText(QStringLiteral("\u05e9\u05dc\u05d5\u05dd "));
    shownMatchesWhole("right-to-left words");
}

} // namespace
} // namespace tavik::panes
