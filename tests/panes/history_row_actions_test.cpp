// What a history row's actions do to the stores, the clipboard and the window's state, driven
// the way a person drives them: pointer moves and clicks on the painted strip, the transform
// menu, and the keyboard.
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/history_list.h"
#include "app/panes/history/transform_menu.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/pane_frame.h"
#include "app/stores/player.h"
#include "app/stores/transforms.h"
#include "tests/panes/history_support.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

namespace tavik::panes {
namespace {

class HistoryRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        stage.start();
        const QDateTime now = QDateTime::currentDateTime();
        older = test::dictation("an older thought", now.addDays(-2), "Notes");
        hello = test::dictation("hello", now, "Mail");
        failed = test::dictation("this one only reached the clipboard", now, "Terminal", false);
        History::shared().add(older);
        History::shared().add(hello);
        History::shared().add(failed);
        view = std::make_unique<DictationView>(stage.controller(), state, nullptr,
                                               [this](const QString& name) { sounds << name; });
        view->resize(900, 700);
        view->show();
        list = view->list();
    }

    int rowOf(const HistoryEntry& entry) const { return list->listLayout().rowOf(entry.id); }

    void hover(const HistoryEntry& entry) {
        QTest::mouseMove(list, test::centreOf(list->listLayout().rowRect(rowOf(entry))));
    }

    QRectF actionRect(const HistoryEntry& entry, EntryRow::Action action) {
        for (const EntryRow::StripItem& item : list->rowGeometry(rowOf(entry)).strip) {
            if (item.action == action) {
                return item.rect;
            }
        }
        ADD_FAILURE() << "no such action in the strip";
        return {};
    }

    QPoint actionPoint(const HistoryEntry& entry, EntryRow::Action action) {
        return test::centreOf(actionRect(entry, action));
    }

    void click(const HistoryEntry& entry, EntryRow::Action action) {
        hover(entry);
        const QPoint at = actionPoint(entry, action);
        QTest::mouseMove(list, at);
        QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, at);
    }

    QMenu* openMenu(const HistoryEntry& entry) {
        hover(entry);
        const QPoint at = actionPoint(entry, EntryRow::Action::menu);
        QTest::mousePress(list, Qt::LeftButton, Qt::NoModifier, at);
        return list->openMenu();
    }

    static QAction* itemTitled(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    }

    static QString clipboardText() { return QGuiApplication::clipboard()->text(); }

    test::ControllerStage stage;
    test::FakeClock clock;
    AppState state{clock};
    HistoryEntry older, hello, failed;
    std::unique_ptr<DictationView> view;
    HistoryList* list = nullptr;
    QStringList sounds;
};

TEST_F(HistoryRowTest, HoverFollowsThePointerRowByRowAndTheCopyMarkLastsUntilItLeaves) {
    hover(hello);
    EXPECT_EQ(state.hovered(), hello.id);
    EXPECT_EQ(list->rowGeometry(rowOf(hello)).strip.size(), 4); // no audio: no play button
    EXPECT_TRUE(list->rowGeometry(rowOf(failed)).strip.isEmpty());

    // Copy: the text alone on the clipboard, the mark on this row, no notice.
    click(hello, EntryRow::Action::copy);
    EXPECT_EQ(clipboardText(), "hello");
    EXPECT_EQ(state.copied(), hello.id);
    EXPECT_FALSE(state.notice());

    // Straight onto the next row: its strip shows, and leaving clears the mark.
    hover(failed);
    EXPECT_EQ(state.hovered(), failed.id);
    EXPECT_FALSE(state.copied());

    // Rows move under a still pointer when the view scrolls: the hover follows the row now there.
    view->resize(900, 300);
    QScrollBar* bar = view->frame()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    hover(failed);
    const QRectF first = list->listLayout().rowRect(rowOf(failed));
    const QPoint global = list->mapToGlobal(test::centreOf(first));
    bar->setValue(bar->value() + int(first.height()) + 2);
    EXPECT_EQ(list->listLayout().rowAt(list->mapFromGlobal(global)), rowOf(hello));
    EXPECT_EQ(state.hovered(), hello.id);

    QTest::mouseMove(view.get(), QPoint(5, 5));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(list, &leave);
    EXPECT_FALSE(state.hovered());
}

TEST_F(HistoryRowTest, ThePlayButtonShowsOnlyWhenTheAudioFileExists) {
    test::archiveAudio(hello.id);
    hover(failed);
    hover(hello);
    const auto strip = list->rowGeometry(rowOf(hello)).strip;
    ASSERT_EQ(strip.size(), 5);
    EXPECT_EQ(strip[1].action, EntryRow::Action::play);

    // The file goes (the archive was pruned): the next redraw shows no play button.
    ASSERT_TRUE(QFile::remove(AudioStore::shared().url(hello.id)));
    EXPECT_EQ(list->rowGeometry(rowOf(hello)).strip.size(), 4);

    // A file that arrives while its row is under the pointer: the play button narrows the text,
    // and the row is laid out again for it rather than left too short for its wrapped text.
    const EntryRow measure;
    const qreal width = list->listLayout().width();
    HistoryEntry tight = test::dictation("just", QDateTime::currentDateTime());
    for (int i = 0;
         measure.height(tight, width, true, true) == measure.height(tight, width, true, false);
         ++i) {
        ASSERT_LT(i, 1000);
        tight.text += " word";
    }
    History::shared().add(tight);
    hover(tight);
    const auto heightNow = [&] {
        return list->listLayout().rows()[rowOf(tight)].height;
    };
    EXPECT_EQ(heightNow(), measure.height(tight, width, true, false));
    test::archiveAudio(tight.id);
    list->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(list->rowGeometry(rowOf(tight)).strip.size(), 5);
    EXPECT_EQ(heightNow(), measure.height(tight, width, true, true));
}

TEST_F(HistoryRowTest, PlayBackThatCannotStartShowsNoStopAndSaysSo) {
    // A sound server address where nothing listens, for this process only.
    const QByteArray before = qgetenv("PULSE_SERVER");
    const auto restore = qScopeGuard(
        [&] { before.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", before); });
    qputenv("PULSE_SERVER", "unix:" + QDir::home().filePath("no-sound-server").toUtf8());
    test::archiveAudio(hello.id);
    hover(hello);
    const QRect play = actionRect(hello, EntryRow::Action::play).toAlignedRect();
    const QImage playGlyph = list->grab(play).toImage();

    click(hello, EntryRow::Action::play);
    EXPECT_FALSE(Player::shared().playing().has_value());
    EXPECT_EQ(state.notice(), "Could not play what you said: no sound server is answering.");
    EXPECT_TRUE(state.noticeIsError());
    hover(hello);
    EXPECT_EQ(list->grab(play).toImage(), playGlyph) << "the row still offers play, not stop";

    // Tried again, it says so again rather than stopping a play that never began.
    state.say("something else", false);
    click(hello, EntryRow::Action::play);
    EXPECT_FALSE(Player::shared().playing().has_value());
    EXPECT_EQ(state.notice(), "Could not play what you said: no sound server is answering.");
}

TEST_F(HistoryRowTest, ALocalTransformCopiesItsResultAndSaysSoForTwoAndAHalfSeconds) {
    QMenu* menu = openMenu(hello);
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (QAction* action : menu->actions()) {
        titles << (action->isSeparator() ? "—" : action->text());
    }
    EXPECT_EQ(titles, QStringList({"Bullet list", "Remove filler words", "Sentence case",
                                   "Title Case", "UPPERCASE", "lowercase"}));

    itemTitled(menu, "UPPERCASE")->trigger();
    EXPECT_EQ(clipboardText(), "HELLO");
    EXPECT_EQ(state.copied(), hello.id);
    ASSERT_TRUE(state.notice());
    EXPECT_EQ(*state.notice(), "“UPPERCASE” applied — on your clipboard.");
    EXPECT_FALSE(state.noticeIsError());
    // The entry itself is unchanged: the result exists only on the clipboard.
    const QList<HistoryEntry> kept = History::shared().search("hello");
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept.front(), hello);
    clock.advanceMs(2'400);
    EXPECT_TRUE(state.notice());
    clock.advanceMs(200);
    EXPECT_FALSE(state.notice());
}

TEST_F(HistoryRowTest, AITransformsFollowTheLocalOnesWithTheirNamesShownAsWritten) {
    Transforms::shared().setItems({Transforms::Transform("Bullet list", TransformKind::bulletList),
                                   Transforms::Transform("R&D\ttone", TransformKind::ai, "x"),
                                   Transforms::Transform("Shorter", TransformKind::ai, "y")});
    QMenu* menu = openMenu(hello);
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 9);
    EXPECT_TRUE(items[6]->isSeparator());
    EXPECT_EQ(items[7]->text(), QString::fromUtf8("R&&D tone  ↗"));
    EXPECT_EQ(items[8]->text(), QString::fromUtf8("Shorter  ↗"));
    menu->close();
}

TEST_F(HistoryRowTest, DeletingFromItsOwnButtonRemovesExactlyThatEntryAndKeepsItsAudio) {
    test::archiveAudio(older.id);
    ASSERT_EQ(list->listLayout().groups().size(), 2u);
    click(older, EntryRow::Action::remove);
    ASSERT_EQ(History::shared().entries().size(), 2);
    for (const HistoryEntry& entry : History::shared().entries()) {
        EXPECT_NE(entry.id, older.id);
    }
    // Its day had no other entry: the caption went with it.
    EXPECT_EQ(list->listLayout().groups().size(), 1u);
    EXPECT_EQ(list->rowCount(), 2);
    EXPECT_TRUE(AudioStore::shared().exists(older.id));

    click(failed, EntryRow::Action::remove);
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->listLayout().entry(0).id, hello.id);
}

TEST_F(HistoryRowTest, TheMenuOutlivesAHistoryChangeAndItsOwnEntry) {
    QMenu* menu = openMenu(hello);
    ASSERT_NE(menu, nullptr);
    History::shared().add(test::dictation("a new dictation arrives", QDateTime::currentDateTime()));
    History::shared().remove(hello);
    EXPECT_EQ(list->rowCount(), 3);
    itemTitled(menu, "Title Case")->trigger();
    EXPECT_EQ(clipboardText(), "Hello");
    EXPECT_EQ(*state.notice(), "“Title Case” applied — on your clipboard.");
    EXPECT_EQ(History::shared().entries().size(), 3); // nothing came back
}

TEST_F(HistoryRowTest, TheKeyboardReachesEveryRowAndAction) {
    QApplication::setActiveWindow(view.get());
    list->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(list->currentRow(), 0);
    EXPECT_EQ(state.hovered(), list->listLayout().entry(0).id);

    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(state.hovered(), older.id);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardText(), "an older thought");
    EXPECT_EQ(state.copied(), older.id);

    // Moving on leaves the row, as the pointer would.
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_FALSE(state.copied());
    const QUuid current = list->listLayout().entry(list->currentRow()).id;
    EXPECT_EQ(state.hovered(), current);

    // Right from copy reaches delete; Return runs it. The keyboard stays where it was, on the
    // row that took the deleted one's place, with its actions shown and copy chosen again.
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(History::shared().entries().size(), 2);
    EXPECT_EQ(list->listLayout().rowOf(current), -1);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(state.hovered(), older.id);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(clipboardText(), "an older thought");
    EXPECT_EQ(History::shared().entries().size(), 2);

    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Menu);
    ASSERT_NE(list->openMenu(), nullptr);
    list->openMenu()->close();

    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(History::shared().entries().size(), 1);
}

TEST_F(HistoryRowTest, RowsAreNamedToAssistiveTechnology) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::List);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Dictation history");
    ASSERT_EQ(accessible->childCount(), 3);
    QAccessibleInterface* row = accessible->child(rowOf(failed));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->role(), QAccessible::ListItem);
    EXPECT_EQ(row->text(QAccessible::Name), failed.text);
    EXPECT_TRUE(row->text(QAccessible::Description).contains("Could not type into Terminal"));
    QAccessibleActionInterface* actions = row->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains("Copy"));
    actions->doAction("Copy");
    EXPECT_EQ(clipboardText(), failed.text);
    EXPECT_EQ(accessible->indexOfChild(row), rowOf(failed));
}

} // namespace
} // namespace tavik::panes
