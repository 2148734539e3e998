// The history list's geometry without painting: wrapped text heights, day groups with their
// cards and separators, and one row with and without its action strip.
#include "app/panes/history/entry_row.h"
#include "app/panes/history/list_layout.h"
#include "app/panes/history/wrapped_text.h"
#include "app/shell/design/theme.h"
#include "tests/panes/whole_layout.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace tavik::panes {
namespace {

// An independent measurement: every text through a full layout, no shortcut.
qreal laidOutHeight(const QString& text, const QFont& font, qreal width) {
    QString shown = text;
    shown.replace("\r\n", QString(QChar::LineSeparator));
    shown.replace('\n', QChar::LineSeparator);
    shown.replace('\r', QChar::LineSeparator);
    QTextLayout layout(shown, font);
    layout.setTextOption(test::wrapAnywhere());
    return test::layOutWhole(layout, width);
}

TEST(WrappedTextTest, MeasuresEveryTextAsAFullLayoutWouldAtEveryWidth) {
    const QFont font = design::Theme::body();
    const WrappedText wrapped(font);
    const QStringList texts = {
        "ok",
        "please send the quarterly report to the team before friday",
        "first line\nsecond line\r\nthird line\rfourth",
        "Grüße aus Köln — ça va très bien, merci",
        QString::fromUtf8("今日は良い天気ですね。明日も晴れるといいです。"),
        QString::fromUtf8("مرحبا بالعالم هذا نص عربي طويل بعض الشيء"),
        QString::fromUtf8("party 🎉🎉🎉 time 👩‍👩‍👧‍👦"),
        QString(120, 'w') + " then words",
        "tab\tseparated\tvalues",
        "trailing spaces      ",
    };
    for (const QString& text : texts) {
        for (qreal width = 20; width <= 620; width += 13) {
            EXPECT_DOUBLE_EQ(wrapped.height(text, width), laidOutHeight(text, font, width))
                << text.toStdString() << " at " << width;
        }
    }
    EXPECT_DOUBLE_EQ(wrapped.height("", 100), wrapped.lineHeight());
    EXPECT_GT(wrapped.height(QString(300, 'x'), 200), 5 * wrapped.lineHeight());
}

class ListLayoutTest : public ::testing::Test {
protected:
    static HistoryEntry entry(const QString& text) {
        return HistoryEntry{QUuid::createUuid(), text, "App", "id", "paste", {}, 1, 1, true};
    }
    QList<History::DayGroup> groupsOf(std::initializer_list<int> sizes) {
        QList<History::DayGroup> groups;
        for (int size : sizes) {
            History::DayGroup group;
            for (int i = 0; i < size; ++i) {
                group.entries.append(entry(QString::number(groups.size() * 10 + i)));
            }
            groups.append(group);
        }
        return groups;
    }
};

TEST_F(ListLayoutTest, GroupsStackCaptionCardAndRowsWithSeparatorsOnlyBetweenRows) {
    const QList<History::DayGroup> groups = groupsOf({1, 3, 2});
    ListLayout layout;
    layout.build(groups, {"Today", "Yesterday", "Monday 3 March"}, 500, 12,
                 [](const HistoryEntry&, int row) { return 40.0 + row; });

    ASSERT_EQ(layout.groups().size(), 3u);
    ASSERT_EQ(layout.rows().size(), 6u);
    // One row: a card exactly its height. Three rows: two separators.
    const auto& g0 = layout.groups()[0];
    EXPECT_EQ(g0.caption, "Today");
    EXPECT_EQ(g0.top, 0);
    EXPECT_EQ(g0.card, QRectF(0, 12 + 8, 500, 40));
    const auto& g1 = layout.groups()[1];
    EXPECT_EQ(g1.top, g0.card.bottom() + 24);
    EXPECT_EQ(g1.card.top(), g1.top + 12 + 8);
    EXPECT_EQ(g1.card.height(), 41 + 42 + 43 + 2);
    EXPECT_EQ(layout.rows()[2].top, layout.rows()[1].top + 41 + 1);
    EXPECT_EQ(layout.height(), layout.groups()[2].card.bottom());
    int separators = 0;
    for (int r = 0; r < 6; ++r) {
        separators += layout.isLastInGroup(r) ? 0 : 1;
    }
    EXPECT_EQ(separators, 3);

    // Rows are found by position; captions, gaps and separators hold none.
    EXPECT_EQ(layout.rowAt(QPointF(10, g0.card.top() + 1)), 0);
    EXPECT_EQ(layout.rowAt(QPointF(10, g0.top + 2)), -1);
    EXPECT_EQ(layout.rowAt(QPointF(10, layout.rows()[1].top + 41.5)), -1);
    EXPECT_EQ(layout.rowAt(QPointF(10, layout.rows()[2].top)), 2);
    EXPECT_EQ(layout.rowAt(QPointF(-1, layout.rows()[2].top + 5)), -1);
    EXPECT_EQ(layout.rowOf(groups[2].entries[1].id), 5);
    EXPECT_EQ(layout.entry(5).id, groups[2].entries[1].id);

    const auto [first, end] = layout.rowsBetween(layout.rows()[2].top + 5, layout.rows()[4].top);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(end, 5);
    const auto [firstGroup, endGroup] = layout.groupsBetween(g1.top, g1.top + 1);
    EXPECT_EQ(firstGroup, 1);
    EXPECT_EQ(endGroup, 2);

    // A taller row pushes everything after it down, and nothing before it.
    const qreal before = layout.groups()[2].top;
    const qreal rowOneTop = layout.rows()[1].top;
    layout.setRowHeight(2, 42 + 30);
    EXPECT_EQ(layout.groups()[2].top, before + 30);
    EXPECT_EQ(layout.rows()[1].top, rowOneTop);
    EXPECT_EQ(layout.rows()[3].top, layout.rows()[2].top + 72 + 1);
    EXPECT_EQ(layout.groups()[0].card.height(), 40);
}

TEST(EntryRowTest, TheStripNarrowsTheTextAndListsItsActionsInOrder) {
    const EntryRow row;
    HistoryEntry entry{QUuid::createUuid(),
                       "a dictation long enough to need a second line once the strip takes its "
                       "share of the row, and then some more words",
                       "Mail",
                       "id",
                       "paste",
                       QDateTime::currentDateTime(),
                       3,
                       412.9,
                       true};
    const QRectF bounds(0, 100, 700, 60);
    const EntryRow::Geometry rest = row.geometry(entry, bounds, false, true);
    EXPECT_TRUE(rest.strip.isEmpty());
    EXPECT_TRUE(rest.warning.isEmpty());
    EXPECT_EQ(rest.time.left(), 14);
    EXPECT_EQ(rest.time.width(), 62);
    EXPECT_EQ(rest.time.top(), 100 + 10 + 1);
    EXPECT_EQ(rest.text.left(), 14 + 62 + 14);
    EXPECT_EQ(rest.text.width(), 700 - 28 - 62 - 14 - 14 - 8);

    const EntryRow::Geometry hovered = row.geometry(entry, bounds, true, true);
    ASSERT_EQ(hovered.strip.size(), 5);
    EXPECT_EQ(hovered.caption, "Mail · paste · 412ms");
    const QList<EntryRow::Action> order = {EntryRow::Action::none, EntryRow::Action::play,
                                           EntryRow::Action::menu, EntryRow::Action::copy,
                                           EntryRow::Action::remove};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(hovered.strip[i].action, order[i]) << i;
        if (i > 0) {
            EXPECT_NEAR(hovered.strip[i].rect.left() - hovered.strip[i - 1].rect.right(), 6, 1e-9);
            EXPECT_EQ(EntryRow::hitTest(hovered, hovered.strip[i].rect.center()), order[i]);
        }
    }
    EXPECT_EQ(hovered.strip[2].rect.width(), 16);
    EXPECT_EQ(hovered.strip.last().rect.right(), 700 - 14);
    EXPECT_LT(hovered.text.width(), rest.text.width());
    EXPECT_LE(hovered.text.right() + 14 + 8 + 14, hovered.strip.first().rect.left() + 1e-9);
    EXPECT_EQ(EntryRow::hitTest(hovered, hovered.text.center()), EntryRow::Action::none);

    // A text that fits the row at rest but not beside the strip: hovering makes the row taller.
    HistoryEntry oneLine = entry;
    oneLine.text.clear();
    const QFontMetricsF metrics(row.text().font());
    while (metrics.horizontalAdvance(oneLine.text + " word") < hovered.text.width() + 20) {
        oneLine.text += " word";
    }
    ASSERT_LT(metrics.horizontalAdvance(oneLine.text), rest.text.width());
    EXPECT_EQ(row.height(oneLine, 700, false, true), 20 + row.text().lineHeight());
    EXPECT_EQ(row.height(oneLine, 700, true, true), 20 + 2 * row.text().lineHeight());

    // No audio file: no play button, the rest keeps its order.
    const EntryRow::Geometry silent = row.geometry(entry, bounds, true, false);
    ASSERT_EQ(silent.strip.size(), 4);
    EXPECT_EQ(silent.strip[1].action, EntryRow::Action::menu);

    // Not inserted: the warning sits 3 under the text, its icon at the text's left.
    entry.inserted = false;
    const EntryRow::Geometry warned = row.geometry(entry, bounds, false, false);
    EXPECT_EQ(warned.warningIcon.left(), warned.text.left());
    EXPECT_EQ(warned.warning.top(), warned.text.bottom() + 3);
    EXPECT_EQ(row.height(entry, 700, false, false),
              20 + warned.warning.bottom() - warned.text.top());

    // A huge application name is elided instead of crushing the text column.
    entry.app = QString(400, 'A');
    const EntryRow::Geometry crowded = row.geometry(entry, bounds, true, false);
    EXPECT_LE(crowded.strip.first().rect.width(), 700 * 0.4 + 1e-9);
    EXPECT_GT(crowded.text.width(), 100);
}

} // namespace
} // namespace tavik::panes
