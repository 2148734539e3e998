// The scratchpad pane over the real store and its file in the test's private data folder.
#include "app/panes/scratchpad/scratchpad_editor.h"
#include "app/shell/design/toggle.h"
#include "tests/panes/scratchpad_support.h"

#include <QAccessible>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::panes {
namespace {

using namespace std::chrono_literals;

const QChar nbsp(0x00A0);
const QChar lineSeparator(0x2028);

class ScratchpadPaneTest : public ScratchpadFixture {
protected:
    // The count as a screen reader reads it, which must be what is shown.
    static QString countText(QWidget& pane) {
        auto* label = pane.findChild<QLabel*>(QStringLiteral("wordCount"));
        if (label == nullptr) {
            return QStringLiteral("<no count>");
        }
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
        const QString read = accessible ? accessible->text(QAccessible::Name) : QString();
        return read == label->text() ? read : QStringLiteral("<read as \"%1\">").arg(read);
    }
};

TEST_F(ScratchpadPaneTest, TypingReachesTheStoreAndTheFileCharacterForCharacter) {
    pad().setText(QStringLiteral("a") + nbsp + QStringLiteral("b") + lineSeparator +
                  QStringLiteral("c\nd"));
    auto pane = makePane();
    ScratchpadEditor* editor = pane->editor();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("e"));
    // The no-break space and the line separator survive the round trip through the editor.
    const QString expected =
        QStringLiteral("a") + nbsp + QStringLiteral("b") + lineSeparator + QStringLiteral("c\nde");
    EXPECT_EQ(pad().text(), expected);

    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("fg"));
    EXPECT_EQ(pad().text(), expected + QStringLiteral("\nfg"));
    EXPECT_EQ(countText(*pane), QStringLiteral("5 words"));

    ASSERT_TRUE(pad().flush(5s));
    QFile file(pad().url());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), expected + QStringLiteral("\nfg"));
}

TEST_F(ScratchpadPaneTest, ADictationAppendKeepsTheCaretSelectionAndView) {
    QString lines;
    for (int i = 0; i < 200; ++i) {
        lines += QStringLiteral("line %1\n").arg(i);
    }
    pad().setText(lines + QStringLiteral("the end"));
    auto pane = makePane();
    ScratchpadEditor* editor = pane->editor();

    // The person has selected a word in the middle and scrolled to it.
    editor->select(40, 46);
    editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum() / 3);
    const int scrolled = editor->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    const qsizetype topLine = editor->positionAt(QPoint(0, 0));

    pad().append(QStringLiteral("dictated words"));

    EXPECT_EQ(pad().text(), lines + QStringLiteral("the end dictated words"));
    EXPECT_EQ(editor->anchor(), 40);
    EXPECT_EQ(editor->caret(), 46);
    EXPECT_EQ(editor->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(editor->positionAt(QPoint(0, 0)), topLine);

    // A caret at the very end stays where the person left it, before the new words.
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    const qsizetype end = editor->caret();
    ASSERT_EQ(end, pad().text().size());
    pad().append(QStringLiteral("more"));
    EXPECT_EQ(editor->caret(), end);
    EXPECT_TRUE(pad().text().endsWith(QStringLiteral("words more")));

    // Typing after the append edits the whole, current text.
    QTest::keyClicks(editor, QStringLiteral("!"));
    EXPECT_EQ(pad().text(), lines + QStringLiteral("the end dictated words! more"));
    // 200 × "line N", then "the end dictated words! more".
    EXPECT_EQ(countText(*pane), QStringLiteral("405 words"));
}

TEST_F(ScratchpadPaneTest, AnotherTextReplacesTheEditorWithoutBeingWrittenBack) {
    auto pane = makePane();
    ScratchpadEditor* editor = pane->editor();
    QTest::keyClicks(editor, QStringLiteral("draft"));

    // Carriage returns from a file written elsewhere show as line breaks and stay in the text;
    // the other text starts at its top with a history of its own.
    pad().setText(QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(pad().text(), QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(countText(*pane), QStringLiteral("2 words"));
    EXPECT_EQ(editor->caret(), 0);
    EXPECT_FALSE(editor->canUndo());
    PadLayout& layout = editor->padLayout();
    EXPECT_EQ(layout.lineOf(0).end(), 3);
    EXPECT_EQ(layout.lineOf(5).start(), 5);
    EXPECT_FALSE(layout.below(layout.lineOf(5)).isValid());
    // The line break is one character to the arrow keys, and Backspace takes it away whole.
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(editor->caret(), 5);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(pad().text(), QStringLiteral("onetwo"));
}

TEST_F(ScratchpadPaneTest, CountCopyAllAndClear) {
    auto pane = makePane();
    EXPECT_EQ(countText(*pane), QStringLiteral("0 words"));
    pad().setText(QStringLiteral(" \n\t "));
    EXPECT_EQ(countText(*pane), QStringLiteral("0 words"));
    pad().setText(QStringLiteral("word"));
    EXPECT_EQ(countText(*pane), QStringLiteral("1 words"));
    pad().setText(QStringLiteral("  a  b\n\nc  "));
    EXPECT_EQ(countText(*pane), QStringLiteral("3 words"));
    pad().setText(QStringLiteral("a") + nbsp + QStringLiteral("b") + lineSeparator +
                  QStringLiteral("c\r\nd"));
    EXPECT_EQ(countText(*pane), QStringLiteral("4 words"));
    // Growing at the end, also by a mark that joins the last letter.
    pad().append(QStringLiteral("e"));
    EXPECT_EQ(countText(*pane), QStringLiteral("5 words"));
    pad().setText(pad().text() + QChar(0x0301) + QStringLiteral("f"));
    EXPECT_EQ(countText(*pane), QStringLiteral("5 words"));
    pad().setText(pad().text() + QChar(0x00A0) + QStringLiteral("g"));
    EXPECT_EQ(countText(*pane), QStringLiteral("6 words"));

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(button(*pane, QStringLiteral("Copy all")), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), pad().text());

    QTest::mouseClick(button(*pane, QStringLiteral("Clear")), Qt::LeftButton);
    EXPECT_EQ(pad().text(), QString());
    EXPECT_EQ(countText(*pane), QStringLiteral("0 words"));
    // Copying the empty pad leaves an empty text, not the old one.
    QTest::mouseClick(button(*pane, QStringLiteral("Copy all")), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());

    // The next dictation starts a fresh text, with no leading space.
    pad().append(QStringLiteral("fresh"));
    EXPECT_EQ(pad().text(), QStringLiteral("fresh"));
    EXPECT_EQ(countText(*pane), QStringLiteral("1 words"));
}

TEST_F(ScratchpadPaneTest, TheSwitchSendsDictationHereAndShowsTheNotice) {
    auto pane = makePane();
    auto* toggle = pane->findChild<design::TavikToggle*>();
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->text(), QStringLiteral("Send dictation here"));
    const int editorTop = pane->editor()->mapTo(pane.get(), QPoint(0, 0)).y();

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(Preferences::shared().dictateToScratchpad());
    QLabel* notice = nullptr;
    for (auto* label : pane->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Dictation is going to the scratchpad, not to other "
                                            "apps.")) {
            notice = label;
        }
    }
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    QCoreApplication::sendPostedEvents(); // the layout moves the editor down
    const int loweredTop = pane->editor()->mapTo(pane.get(), QPoint(0, 0)).y();
    EXPECT_GT(loweredTop, editorTop);

    // Set elsewhere (the settings, the tray): the switch follows and nothing is written back.
    int writes = 0;
    QObject::connect(&Preferences::shared(), &Preferences::dictateToScratchpadChanged, pane.get(),
                     [&writes] { ++writes; });
    Preferences::shared().setDictateToScratchpad(false);
    EXPECT_EQ(writes, 1);
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(notice->isVisible());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(pane->editor()->mapTo(pane.get(), QPoint(0, 0)).y(), editorTop);
}

} // namespace
} // namespace tavik::panes
