// The history pane against the real stores: header, empty state, search as the user types,
// day groups at the store's 5,000-entry cap, and the notice overlay.
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/entry_row.h"
#include "app/panes/history/history_header.h"
#include "app/panes/history/history_list.h"
#include "app/panes/history/history_texts.h"
#include "app/panes/history/notice_overlay.h"
#include "app/panes/history/search_field.h"
#include "app/panes/insights/insights_view.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/pane_frame.h"
#include "app/stores/day_watch.h"
#include "app/stores/preferences.h"
#include "tests/panes/history_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/paint_recorder.h"
#include "tests/support/paste.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QSet>
#include <QTest>

#include <map>

namespace tavik::panes {
namespace {

// Types as a keyboard would, one key event per character (also for letters beyond ASCII).
void typeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

class HistoryPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        // The pane reads the date from the window's clock; these tests date their entries by
        // the real one.
        clock.setWallStart(QDateTime::currentDateTimeUtc());
        stage.start();
    }

    DictationView& open(QSize size = QSize(900, 700)) {
        view = std::make_unique<DictationView>(stage.controller(), state);
        view->resize(size);
        view->show();
        return *view;
    }

    QStringList shownTexts() const {
        QStringList texts;
        const ListLayout& layout = view->list()->listLayout();
        for (int r = 0; r < view->list()->rowCount(); ++r) {
            texts << layout.entry(r).text;
        }
        return texts;
    }

    test::ControllerStage stage;
    test::FakeClock clock;
    AppState state{clock};
    std::unique_ptr<DictationView> view;
};

TEST_F(HistoryPaneTest, AnEmptyHistoryShowsTheHeaderAndTheEmptyStateWhateverTheSearch) {
    state.setSearch("left over");
    DictationView& pane = open();
    EXPECT_TRUE(pane.emptyState()->isVisible());
    EXPECT_FALSE(pane.searchField()->isVisible());
    EXPECT_FALSE(pane.list()->isVisible());
    EXPECT_FALSE(pane.noMatch()->isVisible());
    EXPECT_EQ(pane.header()->gesture(), "Hold");
    EXPECT_EQ(pane.header()->keyCap(), "Right Alt");
    EXPECT_EQ(pane.header()->mode(), stage.controller().modeDescription());
    EXPECT_FALSE(pane.header()->mode().isEmpty());
    using Figures = QList<std::pair<QString, QString>>;
    EXPECT_EQ(pane.header()->rail()->figures(),
              Figures({{"0", "words this week"}, {"0", "day streak"}}));

    // Both bindings off: "Set a key" with "—" in the key cap and in the empty state's hint.
    TriggerBindings bindings = Preferences::shared().bindings();
    bindings[DictationAction::pushToTalk].enabled = false;
    bindings[DictationAction::handsFree].enabled = false;
    Preferences::shared().setBindings(bindings);
    EXPECT_EQ(pane.header()->gesture(), "Set a key");
    EXPECT_EQ(pane.header()->keyCap(), "—");
    const auto hints = pane.emptyState()->findChildren<design::WrappingLabel*>();
    ASSERT_EQ(hints.size(), 2);
    EXPECT_EQ(hints[0]->text(), "Nothing dictated yet");
    EXPECT_EQ(hints[1]->text(), history_texts::emptyHintText("—"));

    // The first dictation shows at once, in the open pane, with the leftover search applied.
    state.setSearch("");
    History::shared().add(test::dictation("one two three four", QDateTime::currentDateTime()));
    EXPECT_FALSE(pane.emptyState()->isVisible());
    EXPECT_TRUE(pane.searchField()->isVisible());
    EXPECT_EQ(shownTexts(), QStringList({"one two three four"}));
    EXPECT_EQ(pane.list()->listLayout().groups().front().caption, "Today");
    // The figures follow once the list has shown the change.
    EXPECT_TRUE(test::spinUntil(
        [&] { return pane.header()->rail()->figures().front().first == "4"; }, 2'000));
}

TEST_F(HistoryPaneTest, SearchFollowsEachKeystrokeAndMatchesAsTheHistoryDoes) {
    const QDateTime now = QDateTime::currentDateTime();
    for (const char* text :
         {"Cafe at noon", "le café du coin", "CAFÉ AU LAIT", "naïve plan", "<b>bold</b> claim"}) {
        History::shared().add(test::dictation(QString::fromUtf8(text), now));
    }
    DictationView& pane = open();
    QLineEdit* field = pane.searchField()->lineEdit();
    QAbstractButton* clear = pane.searchField()->clearButton();
    EXPECT_FALSE(clear->isVisible());
    EXPECT_EQ(pane.list()->rowCount(), 5);

    field->setFocus();
    QStringList typed;
    QObject::connect(&state, &AppState::searchChanged, [&](const QString& s) { typed << s; });
    typeInto(field, QString::fromUtf8("café"));
    EXPECT_EQ(typed, QStringList({"c", "ca", "caf", QString::fromUtf8("café")}));
    EXPECT_EQ(field->cursorPosition(), 4); // the caret stays where the typing left it
    // Case is ignored, accents are not.
    EXPECT_EQ(shownTexts(), QStringList({QString::fromUtf8("CAFÉ AU LAIT"),
                                         QString::fromUtf8("le café du coin")}));
    EXPECT_EQ(shownTexts().size(), History::shared().search(state.search()).size());
    EXPECT_TRUE(clear->isVisible());
    EXPECT_FALSE(pane.noMatch()->isVisible());

    // Spaces alone match everything, and still count as text for the clear button.
    state.setSearch("   ");
    EXPECT_EQ(field->text(), "   ");
    EXPECT_EQ(pane.list()->rowCount(), 5);
    EXPECT_TRUE(clear->isVisible());
    EXPECT_FALSE(pane.noMatch()->isVisible());

    // Nothing found: no card, the search as typed, markup shown as written.
    state.setSearch(" <i>zebra ");
    EXPECT_FALSE(pane.list()->isVisible());
    ASSERT_TRUE(pane.noMatch()->isVisible());
    EXPECT_EQ(pane.noMatch()->text(), QString::fromUtf8("Nothing matches “ <i>zebra ”."));

    state.setSearch("<b>");
    EXPECT_EQ(shownTexts(), QStringList({"<b>bold</b> claim"}));

    // A search pasted with its line ending stays on one line and still finds the entry.
    test::pasteOver(field, "naïve\tplan\n");
    EXPECT_EQ(state.search(), "naïve plan ");
    EXPECT_EQ(shownTexts(), QStringList({"naïve plan"}));

    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(state.search(), "");
    EXPECT_EQ(field->text(), "");
    EXPECT_FALSE(clear->isVisible());
    EXPECT_EQ(pane.list()->rowCount(), 5);
}

TEST_F(HistoryPaneTest, FiveThousandEntriesAreGroupedExactlyAndSearchedWithoutARowWidget) {
    const QList<HistoryEntry> seeded =
        test::manyDictations(int(History::maxEntries), QDateTime::currentDateTime());
    test::seedHistoryFile(seeded);
    ASSERT_EQ(History::shared().entries().size(), History::maxEntries)
        << "the shared history was read before the test seeded it (run each test on its own)";
    DictationView& pane = open();
    const HistoryList& list = *pane.list();
    ASSERT_EQ(list.rowCount(), History::maxEntries);
    // No widget per row: the list paints them.
    EXPECT_TRUE(list.findChildren<QWidget*>().isEmpty());

    const auto checkShown = [&](const QList<HistoryEntry>& expected) {
        const ListLayout& layout = list.listLayout();
        ASSERT_EQ(list.rowCount(), expected.size());
        QSet<QUuid> shown;
        QDateTime previousDay;
        for (const ListLayout::Group& group : layout.groups()) {
            const HistoryEntry& first = layout.entry(group.firstRow);
            const QDateTime day = DayCalendar::current().startOfDay(first.at);
            if (previousDay.isValid()) {
                EXPECT_LT(day, previousDay); // days newest first, each once
            }
            previousDay = day;
            for (int r = group.firstRow; r < group.firstRow + group.rowCount; ++r) {
                const HistoryEntry& entry = layout.entry(r);
                EXPECT_EQ(DayCalendar::current().startOfDay(entry.at), day);
                if (r > group.firstRow) {
                    EXPECT_LE(entry.at, layout.entry(r - 1).at);
                }
                shown.insert(entry.id);
            }
        }
        QSet<QUuid> wanted;
        for (const HistoryEntry& entry : expected) {
            wanted.insert(entry.id);
        }
        EXPECT_EQ(shown, wanted);
    };
    checkShown(seeded);

    // An independent filter: every phrase is plain ASCII but for "café".
    QList<HistoryEntry> dentist;
    for (const HistoryEntry& entry : seeded) {
        if (entry.text.contains("dentist")) {
            dentist.append(entry);
        }
    }
    typeInto(pane.searchField()->lineEdit(), "DENTIST");
    checkShown(dentist);
    EXPECT_EQ(list.rowCount(), 1000);

    state.setSearch(QString::fromUtf8("CAFÉ near"));
    EXPECT_EQ(list.rowCount(), 1000);
    state.setSearch("cafe near");
    EXPECT_FALSE(list.isVisible());
    EXPECT_TRUE(pane.noMatch()->isVisible());
}

TEST_F(HistoryPaneTest, OnlyRowsNearTheViewAreMeasuredAndMeasuringThemNeverMovesWhatIsInView) {
    test::seedHistoryFile(
        seed::manyLongDictations(1000, QDateTime::currentDateTime(), seed::cyrillicWords()));
    DictationView& pane = open();
    HistoryList& list = *pane.list();
    const ListLayout& layout = list.listLayout();
    const EntryRow row;
    QScrollBar* bar = pane.frame()->verticalScrollBar();
    const auto settle = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return test::spinUntil([&] { return list.settled(); }, 20'000);
    };
    const auto exact = [&](int r) {
        return layout.rows()[r].height == row.height(layout.entry(r), layout.width(), false, false);
    };
    const auto view = [&] {
        return list.visibleRegion().boundingRect();
    };
    // Where each row in view stands in the pane.
    const auto shown = [&] {
        std::map<QUuid, int> tops;
        const auto [first, end] = layout.rowsBetween(view().top(), view().bottom());
        for (int r = first; r < end; ++r) {
            tops[layout.entry(r).id] = list.mapTo(&pane, QPoint(0, int(layout.rows()[r].top))).y();
        }
        return tops;
    };
    const auto checkMeasuredNearView = [&] {
        const QRect near = view().adjusted(0, -view().height(), 0, view().height());
        const auto [first, end] = layout.rowsBetween(near.top(), near.bottom());
        int estimates = 0;
        qreal bottom = 0;
        for (int r = 0; r < list.rowCount(); ++r) {
            if (r >= first && r < end) {
                EXPECT_TRUE(exact(r)) << "row " << r << " near the view";
            } else {
                estimates +=
                    layout.rows()[r].height == row.estimatedHeight(layout.entry(r), layout.width());
            }
            bottom = std::max(bottom, layout.rows()[r].top + layout.rows()[r].height);
        }
        EXPECT_GT(estimates, list.rowCount() - 3 * (end - first)) << "rows far away are shaped";
        // The scroll range covers measured and estimated rows alike.
        EXPECT_EQ(list.height(), int(std::ceil(bottom)));
    };

    ASSERT_TRUE(settle());
    checkMeasuredNearView();

    // Straight to the middle; the rows above it are measured while the event loop idles.
    bar->setValue(bar->maximum() / 2);
    const std::map<QUuid, int> before = shown();
    ASSERT_TRUE(settle());
    std::map<QUuid, int> after = shown();
    for (const auto& [id, top] : before) {
        EXPECT_EQ(after.count(id) ? after[id] : -1, top) << "a row in view moved";
    }
    checkMeasuredNearView();

    // Up half a page at a time, faster than the idle time measures ahead: rows coming in at the
    // top are measured then, and the rows that were in view move by the half page and no more.
    int replaced = 0;
    for (int step = 0; step < 24; ++step) {
        const int page = bar->pageStep() / 2;
        const std::map<QUuid, int> was = shown();
        const int entering = layout.rowsBetween(view().top() - page, view().top()).first;
        replaced += exact(entering) ? 0 : 1;
        bar->setValue(bar->value() - page);
        after = shown();
        for (const auto& [id, top] : was) {
            if (after.count(id)) {
                EXPECT_EQ(after[id], top + page) << "step " << step;
            }
        }
        const auto [first, end] = layout.rowsBetween(view().top(), view().bottom());
        for (int r = first; r < end; ++r) {
            EXPECT_TRUE(exact(r)) << "row " << r << " shown at its estimate";
        }
    }
    EXPECT_GT(replaced, 0) << "no row came into view at its estimate";
}

// A keyboard jump onto rows still at their estimate lands its row whole in view or, taller than
// the view, with its first line at the top, and the rows measured meanwhile leave it there.
TEST_F(HistoryPaneTest, AKeyboardJumpShowsItsRowAsAPersonExpects) {
    QList<HistoryEntry> entries =
        seed::manyLongDictations(300, QDateTime::currentDateTime(), seed::cyrillicWords());
    for (qsizetype i = 0; i < entries.size(); i += 5) {
        entries[i].text = seed::longText(seed::cyrillicWords(), 6000, quint32(i));
    }
    test::seedHistoryFile(entries);
    HistoryList& list = *open().list();
    QApplication::setActiveWindow(view.get());
    list.setFocus(Qt::TabFocusReason);
    int tall = 0;
    // Key_unknown: no key, the event loop's idle time measuring the rows near the view.
    for (const Qt::Key key :
         {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown,
          Qt::Key_PageDown, Qt::Key_unknown, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Up,
          Qt::Key_PageUp, Qt::Key_Up, Qt::Key_Home}) {
        const int before = list.currentRow();
        if (key == Qt::Key_unknown) {
            ASSERT_TRUE(test::spinUntil([&] { return list.settled(); }, 20'000));
        } else {
            QTest::keyClick(&list, key);
        }
        if (key == Qt::Key_PageDown) {
            // A page of rows a few hundred pixels tall is a few rows.
            EXPECT_LE(list.currentRow() - before, 3);
        }
        const QRect seen = list.visibleRegion().boundingRect();
        const QRect row = list.listLayout().rowRect(list.currentRow()).toAlignedRect();
        tall += row.height() > seen.height();
        EXPECT_TRUE(row.height() > seen.height()
                        ? row.top() >= seen.top() && row.top() <= seen.top() + 8
                        : seen.contains(row))
            << "key " << key << ", row " << list.currentRow() << " at " << row.top() - seen.top();
    }
    EXPECT_GT(tall, 0) << "no row taller than the view was reached";
}

// A menu that pops up (the tray's, a row's) takes the keyboard without moving the focus: the
// rows in view were repainted behind it, which held its first frame. A real loss of the focus
// repaints the ring's row alone.
TEST_F(HistoryPaneTest, APoppedUpMenuRepaintsNoRowAndTheFocusRingRepaintsOnlyItsRow) {
    test::seedHistoryFile(seed::manyDictations(40, QDateTime::currentDateTime()));
    HistoryList& list = *open().list();
    QApplication::setActiveWindow(view.get());
    list.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::spinUntil([&] { return list.settled() && list.currentRow() >= 0; }, 20'000));
    QCoreApplication::processEvents();
    const QRect ring = list.listLayout().rowRect(list.currentRow()).toAlignedRect();
    const QRect seen = list.visibleRegion().boundingRect();
    ASSERT_GT(seen.height(), 2 * ring.height()) << "the view should hold more than the ring's row";

    auto* recorder = new test::PaintRecorder(list);
    QMenu menu;
    menu.addAction(QStringLiteral("Open Tavik"));
    menu.popup(view->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(test::spinUntil([&] { return menu.isVisible(); }, 5'000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(list.hasFocus());
    menu.close();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(list.hasFocus());
    EXPECT_TRUE(recorder->painted.isEmpty())
        << "repainted " << recorder->painted.boundingRect().height()
        << " px of the list for a menu";

    list.clearFocus();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(recorder->painted.isEmpty()) << "the ring stayed after the focus left";
    EXPECT_TRUE(QRegion(ring).united(recorder->painted) == QRegion(ring))
        << "repainted " << recorder->painted.boundingRect().height() << " px for one row of "
        << ring.height();
}

// Heights are kept across visits, layouts are not: a page key on a second visit shaped a page of
// rows before painting them. The rows near the view are laid out while nothing happens.
TEST_F(HistoryPaneTest, RowsAPageAwayAreLaidOutAheadWhenTheirHeightsAreKnown) {
    test::seedHistoryFile(
        seed::manyLongDictations(300, QDateTime::currentDateTime(), seed::cyrillicWords()));
    for (int visit = 0; visit < 2; ++visit) {
        HistoryList& list = *open().list();
        QApplication::setActiveWindow(view.get());
        list.setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(test::spinUntil([&] { return list.settled(); }, 20'000));
    }
    HistoryList& list = *view->list();
    const ListLayout& layout = list.listLayout();
    QTest::keyClick(&list, Qt::Key_PageDown);
    QTest::qWait(400); // the idle time after the view rests
    const QRect seen = list.visibleRegion().boundingRect();
    const auto [first, end] =
        layout.rowsBetween(seen.top() - seen.height(), seen.bottom() + seen.height());
    ASSERT_GT(end - first, 3);
    int unready = 0;
    for (int r = first; r < end; ++r) {
        unready += list.entryRow().prepare(layout.entry(r), layout.width(), false, false);
    }
    EXPECT_EQ(unready, 0) << "of " << end - first << " rows near the view";
}

// Rows near the view are drawn into pictures while the list rests, and a page key or a delete
// copies them. What the window shows then must be what painting every row afresh shows: the
// keyboard's row with its strip and focus ring, missed insertions' warnings, mixed scripts.
TEST_F(HistoryPaneTest, RowsCopiedFromTheirPicturesLookAsRowsPaintedAfresh) {
    test::seedHistoryFile(
        seed::manyLongDictations(80, QDateTime::currentDateTime(), seed::mixedScriptWords(), 300));
    HistoryList& list = *open(QSize(760, 640)).list();
    QApplication::setActiveWindow(view.get());
    list.setFocus(Qt::TabFocusReason);
    QWidget& window = *view->window();
    const auto drawnAhead = [&] {
        ASSERT_TRUE(
            test::spinUntil([&] { return list.settled() && list.rowPictures() >= 6; }, 20'000))
            << list.rowPictures() << " pictures";
    };
    // What the window shows of the list (painted piece by piece, rows copied) against a paint of
    // every row. Only the list: the scroll bar may still be on its way to a new range.
    const auto shownMatchesFresh = [&](const char* step) {
        EXPECT_GT(list.rowsFromPictures(), 0) << step;
        const QRect seen = list.visibleRegion().boundingRect();
        const QRect area(list.mapTo(&window, seen.topLeft()), seen.size());
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(window.winId(), area.x(), area.y(), area.width(),
                                              area.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        list.forgetRowPictures();
        const QImage fresh = window.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(list.rowsFromPictures(), 0);
        ASSERT_EQ(shown.size(), fresh.size()) << step;
        EXPECT_TRUE(shown == fresh) << "rows copied from pictures differ after " << step;
        list.viewMoved(); // draws them again
    };
    drawnAhead();
    list.repaint();
    shownMatchesFresh("a repaint at rest");
    for (const auto& [key, name] :
         std::vector<std::pair<Qt::Key, const char*>>{{Qt::Key_PageDown, "Page Down"},
                                                      {Qt::Key_PageDown, "a second Page Down"},
                                                      {Qt::Key_Delete, "a delete"},
                                                      {Qt::Key_PageUp, "Page Up"}}) {
        drawnAhead();
        QTest::keyClick(&list, key);
        QCoreApplication::processEvents();
        shownMatchesFresh(name);
    }
}

TEST_F(HistoryPaneTest, MeasuredHeightsStayAcrossASearchThatHidesTheListAndAcrossVisits) {
    test::seedHistoryFile(
        seed::manyLongDictations(400, QDateTime::currentDateTime(), seed::cyrillicWords()));
    const auto settle = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    };
    // How many rows stand at their measured height, and each row's height, without the event
    // loop's idle time to measure any row again.
    const auto exactRows = [](const HistoryList& list) {
        const EntryRow row;
        const ListLayout& layout = list.listLayout();
        int exact = 0;
        for (int r = 0; r < list.rowCount(); ++r) {
            exact += layout.rows()[r].height ==
                     row.height(layout.entry(r), layout.width(), false, false);
        }
        return exact;
    };
    const auto heights = [](const HistoryList& list) {
        std::vector<qreal> all;
        for (const ListLayout::Row& row : list.listLayout().rows()) {
            all.push_back(row.height);
        }
        return all;
    };
    DictationView* pane = &open();
    ASSERT_TRUE(test::spinUntil([&] { return pane->list()->settled(); }, 120'000));
    settle();
    const int width = pane->list()->width();
    QScrollBar* bar = pane->frame()->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    const int measured = exactRows(*pane->list());
    const std::vector<qreal> kept = heights(*pane->list());
    ASSERT_GT(measured, 3);

    // Nothing matches: the list and the scroll bar go, and the pane widens.
    state.setSearch(QString::fromUtf8("ничегоподобного"));
    settle();
    ASSERT_FALSE(pane->list()->isVisible());
    ASSERT_FALSE(bar->isVisible());
    state.setSearch(QString());
    settle();
    ASSERT_EQ(pane->list()->rowCount(), 400);
    ASSERT_EQ(pane->list()->width(), width);
    EXPECT_EQ(exactRows(*pane->list()), measured) << "rows measured before are measured again";
    EXPECT_EQ(heights(*pane->list()), kept);

    // The pane is made anew at every visit; what was measured is not.
    view.reset();
    pane = &open();
    settle();
    ASSERT_EQ(pane->list()->width(), width);
    EXPECT_EQ(exactRows(*pane->list()), measured);
    EXPECT_EQ(heights(*pane->list()), kept);
}

TEST_F(HistoryPaneTest, ANoticeFloatsOverTheBottomWithoutMovingTheList) {
    History::shared().add(test::dictation("hello", QDateTime::currentDateTime()));
    DictationView& pane = open(QSize(900, 600));
    const QRect listBefore = pane.list()->geometry();
    NoticeOverlay* notice = pane.notice();
    EXPECT_FALSE(notice->isVisible());

    state.say("“UPPERCASE” applied — on your clipboard.", false);
    ASSERT_TRUE(notice->isVisible());
    EXPECT_EQ(pane.list()->geometry(), listBefore);
    EXPECT_EQ(notice->text(), "“UPPERCASE” applied — on your clipboard.");
    EXPECT_FALSE(notice->isError());
    EXPECT_EQ(notice->geometry().bottom() + 1, 600 - 20);
    EXPECT_NEAR(notice->geometry().center().x(), 450, 1);
    EXPECT_LT(notice->width(), 460);
    // Screen readers are told of it as a notification carrying its text.
    QAccessibleInterface* announced = QAccessible::queryAccessibleInterface(notice);
    ASSERT_NE(announced, nullptr);
    EXPECT_EQ(announced->role(), QAccessible::Notification);
    EXPECT_EQ(announced->text(QAccessible::Name), "“UPPERCASE” applied — on your clipboard.");

    // A long error wraps inside 460, centred, and stays 8 s.
    const QString long_ =
        QString("The rewrite service answered with an error that goes on ").repeated(4);
    state.say(long_, true);
    EXPECT_EQ(notice->width(), 460);
    EXPECT_GT(notice->height(), 11 + 11 + 2 * 14);
    EXPECT_NEAR(notice->geometry().center().x(), 450, 1);
    EXPECT_TRUE(notice->isError());
    // The border is the half-transparent phosphor of an error, not a hairline.
    const QImage card = notice->grab().toImage();
    const QColor border = card.pixelColor(card.width() / 2, 0);
    EXPECT_GT(border.red(), 100);
    EXPECT_GT(border.blue(), 100);

    clock.advanceMs(7'900);
    EXPECT_TRUE(notice->isVisible());
    clock.advanceMs(200);
    EXPECT_FALSE(state.notice());
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(notice->text(), long_); // the last text stays for the fade-out

    // A narrow pane narrows the card.
    state.say(long_, false);
    pane.resize(380, 600);
    EXPECT_EQ(notice->width(), 380);
    EXPECT_EQ(notice->x(), 0);
}

TEST_F(HistoryPaneTest, TheNarrowestWindowKeepsThePaneInsideItsView) {
    const QList<HistoryEntry> entries = test::manyDictations(40, QDateTime::currentDateTime());
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        History::shared().add(*it);
    }
    History::shared().add(test::dictation(QString(300, 'x'), QDateTime::currentDateTime()));
    state.setSearch("");
    DictationView& pane = open(QSize(900 - 220, 600));
    const QWidget* content = pane.frame()->contentWidget();
    EXPECT_LE(content->width(), pane.frame()->viewport()->width());
    EXPECT_LE(pane.list()->width(), content->width());
    state.setSearch(QString(200, 'z'));
    EXPECT_LE(content->width(), pane.frame()->viewport()->width());
    EXPECT_LE(pane.noMatch()->geometry().right(), content->width());
}

// Midnight passes, then the machine sleeps five days, while the history and insights panes stay
// open: their captions and figures follow the window's clock each time, with no change to the
// history to make them.
TEST_F(HistoryPaneTest, CaptionsAndFiguresFollowTheDateAcrossMidnightAndAClockJump) {
    const QDate day(2026, 3, 11);
    const QDateTime beforeMidnight(day, QTime(23, 58));
    clock.setWallStart(beforeMidnight.toUTC().addMSecs(-clock.monotonicNs() / 1'000'000));
    test::seedHistoryFile({
        test::dictation("one two three", QDateTime(day, QTime(9, 0))),
        test::dictation("four five", QDateTime(day.addDays(-1), QTime(10, 0))),
        test::dictation("six", QDateTime(day.addDays(-2), QTime(11, 0))),
        // Inside the last seven days until midnight; its rate, 60 words per minute, is the
        // upper middle of the two.
        test::dictation("seven eight nine ten", beforeMidnight.addDays(-7).addSecs(60)),
    });
    DictationView& pane = open();
    InsightsView insights(nullptr, clock);
    const auto captions = [&] {
        QStringList shown;
        for (const ListLayout::Group& group : pane.list()->listLayout().groups()) {
            shown << group.caption;
        }
        return shown;
    };
    const auto dated = [](const QDate& date) {
        return QLocale().toString(date, "dddd d MMMM");
    };
    using Figures = QList<std::pair<QString, QString>>;
    EXPECT_EQ(captions(),
              QStringList({"Today", "Yesterday", dated(day.addDays(-2)), dated(day.addDays(-7))}));
    EXPECT_EQ(
        pane.header()->rail()->figures(),
        Figures({{"10", "words this week"}, {"60", "words per minute"}, {"3", "day streak"}}));
    EXPECT_EQ(insights.texts().cards[3].value, "3");

    clock.advanceMs(3 * 60 * 1000); // 00:01 on the next day
    EXPECT_EQ(captions(), QStringList({"Yesterday", dated(day.addDays(-1)), dated(day.addDays(-2)),
                                       dated(day.addDays(-7))}));
    EXPECT_EQ(pane.header()->rail()->figures(),
              Figures({{"6", "words this week"}, {"60", "words per minute"}, {"3", "day streak"}}));

    // Asleep for five days: timers did not run, the wall clock moved on without them. The watch
    // notices within its check interval.
    clock.setWallStart(clock.utcNow().addDays(5).addMSecs(-clock.monotonicNs() / 1'000'000));
    clock.advanceMs(DayWatch::checkIntervalMs);
    EXPECT_EQ(captions().front(), dated(day));
    EXPECT_EQ(pane.header()->rail()->figures(),
              Figures({{"5", "words this week"}, {"60", "words per minute"}, {"0", "day streak"}}));
    EXPECT_EQ(insights.texts().cards[3].value, "0");
}

} // namespace
} // namespace tavik::panes
