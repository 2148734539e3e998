// Menu look, the flow row and the plain-text labels.
#include "app/shell/design/flow_row.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/menu_appearance.h"
#include "app/shell/design/theme.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace tavik::design {
namespace {

TEST(MenuAppearance, DarkChromeMistTitlesAndTheItemsUntouched) {
    QMenu empty;
    applyTavikAppearance(&empty);
    EXPECT_EQ(empty.palette().color(QPalette::WindowText), Theme::mist);
    applyTavikAppearance(nullptr); // nothing to style, nothing happens

    QMenu menu;
    QAction* open = menu.addAction(QStringLiteral("Open Tavik"));
    open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    open->setData(7);
    QAction* separator = menu.addSeparator();
    QAction* quit = menu.addAction(QString{});
    quit->setEnabled(false);
    applyTavikAppearance(&menu);
    applyTavikAppearance(&menu);

    EXPECT_EQ(menu.font().pixelSize(), 13);
    EXPECT_EQ(menu.font().weight(), QFont::Normal);
    EXPECT_EQ(menu.palette().color(QPalette::Active, QPalette::Text), Theme::mist);
    EXPECT_LT(menu.palette().color(QPalette::Window).lightnessF(), 0.25);
    EXPECT_EQ(open->text(), QStringLiteral("Open Tavik"));
    EXPECT_EQ(open->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(open->data().toInt(), 7);
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_TRUE(quit->text().isEmpty());
    EXPECT_FALSE(quit->isEnabled());
    EXPECT_EQ(menu.actions().size(), 3);
}

TEST(FlowRow, CutsItemsIntoRunsOfThree) {
    using Ranges = std::vector<std::pair<int, int>>;
    EXPECT_EQ(FlowRow::chunkRanges(0), Ranges{});
    EXPECT_EQ(FlowRow::chunkRanges(1), (Ranges{{0, 1}}));
    EXPECT_EQ(FlowRow::chunkRanges(3), (Ranges{{0, 3}}));
    EXPECT_EQ(FlowRow::chunkRanges(4), (Ranges{{0, 3}, {3, 4}}));
    EXPECT_EQ(FlowRow::chunkRanges(7), (Ranges{{0, 3}, {3, 6}, {6, 7}}));
}

TEST(FlowRow, RowsKeepOrderAndThreeItemsStayTogetherWhenNarrow) {
    FlowRow row;
    std::vector<QWidget*> items;
    for (int i = 0; i < 4; ++i) {
        items.push_back(new QPushButton(QStringLiteral("a rather long word %1").arg(i)));
    }
    row.setItems(items);
    ASSERT_EQ(row.rowCount(), 2);
    EXPECT_EQ(row.rowItems(0), (std::vector<QWidget*>{items[0], items[1], items[2]}));
    EXPECT_EQ(row.rowItems(1).front(), items[3]) << "item 4 opens the second row";

    row.resize(60, row.sizeHint().height()); // far narrower than three items
    row.show();
    row.layout()->activate();
    EXPECT_EQ(items[0]->y(), items[2]->y()) << "no wrapping by width";
    EXPECT_LT(items[0]->x(), items[1]->x());
    EXPECT_EQ(items[3]->y() - (items[0]->y() + items[0]->height()), FlowRow::spacing);
    EXPECT_EQ(items[1]->x() - (items[0]->x() + items[0]->width()), FlowRow::spacing);
    EXPECT_EQ(items[0]->x(), 0) << "leading edge";
}

TEST(FlowRow, AnItemMayReplaceTheListFromItsOwnClick) {
    FlowRow row;
    auto* button = new QPushButton(QStringLiteral("use"));
    row.setItems({button});
    QPointer<QPushButton> watched = button;
    QObject::connect(button, &QPushButton::clicked, &row,
                     [&row] { row.setItems({new QPushButton(QStringLiteral("next"))}); });
    row.show();
    button->click(); // replaces the list while the button's own signal runs
    ASSERT_FALSE(watched.isNull()) << "still alive inside its own click";
    EXPECT_TRUE(watched->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull()) << "gone once the event loop runs";
    EXPECT_EQ(row.rowCount(), 1);
}

TEST(Labels, WrappingLabelBreaksOverlongWordsAndGrowsInHeight) {
    const QFont font = Theme::font(12);
    const QString url = QStringLiteral("https://example.invalid/") + QString(60, QLatin1Char('x'));
    WrappingLabel label(url, font, Theme::silver);
    const int line = QFontMetrics(font).lineSpacing();
    EXPECT_TRUE(label.hasHeightForWidth());
    EXPECT_TRUE(label.sizePolicy().hasHeightForWidth());
    EXPECT_EQ(label.heightForWidth(label.sizeHint().width()), line);
    EXPECT_GE(label.heightForWidth(80), 4 * line) << "a word with no spaces still wraps";
    EXPECT_LE(label.minimumSizeHint().width(), 80);
    EXPECT_EQ(label.heightForWidth(400),
              WrappingLabel(url, font, Theme::silver).heightForWidth(400));

    WrappingLabel markup(QStringLiteral("<b>bold</b>\nsecond"), font, Theme::silver);
    EXPECT_EQ(markup.text(), QStringLiteral("<b>bold</b>\nsecond")) << "plain text, never markup";
    EXPECT_EQ(markup.heightForWidth(400), 2 * line) << "a line break starts a new line";
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&markup);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::StaticText);
    EXPECT_EQ(access->text(QAccessible::Name), markup.text());
}

TEST(Labels, ElidedLabelStaysOnOneLineAndCutsWithAnEllipsis) {
    ElidedLabel label(QStringLiteral("Dear team,\nthanks\tfor everything you did this year"),
                      Theme::font(12), Theme::silver);
    EXPECT_EQ(ElidedLabel::oneLine(label.text()),
              QStringLiteral("Dear team, thanks for everything you did this year"));
    label.resize(label.sizeHint());
    EXPECT_EQ(label.shownText(), ElidedLabel::oneLine(label.text()));
    label.resize(90, label.sizeHint().height());
    EXPECT_TRUE(label.shownText().endsWith(QChar(0x2026)));
    EXPECT_TRUE(label.shownText().startsWith(QStringLiteral("Dear")));
    EXPECT_LT(label.minimumSizeHint().width(), 40);
    EXPECT_EQ(label.sizeHint().height(), QFontMetrics(Theme::font(12)).height());
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&label);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->text(QAccessible::Name), label.text()) << "the whole text, not the cut one";
}

} // namespace
} // namespace tavik::design
