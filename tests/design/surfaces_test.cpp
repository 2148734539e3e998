// Section labels, cards, wells and the pane frame, as the panes fill them.
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/theme.h"
#include "tests/design/design_test_support.h"

#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::design {
namespace {

using test::near;
using test::over;
using test::pixel;
using test::render;

TEST(SectionLabel, ShowsItsTextInCapitalsAsPlainText) {
    SectionLabel mixed(QStringLiteral("Recent <b>words</b> straße"));
    EXPECT_EQ(mixed.text(), QStringLiteral("RECENT <B>WORDS</B> STRASSE"));
    EXPECT_EQ(mixed.textFormat(), Qt::PlainText);
    SectionLabel capitals(QStringLiteral("ALREADY"));
    EXPECT_EQ(capitals.text(), QStringLiteral("ALREADY"));
    SectionLabel empty(QString{});
    EXPECT_TRUE(empty.text().isEmpty());
    empty.setHeading(QStringLiteral("later"));
    EXPECT_EQ(empty.text(), QStringLiteral("LATER"));

    const QFont font = mixed.font();
    EXPECT_EQ(font.pixelSize(), 10);
    EXPECT_EQ(font.weight(), QFont::Medium);
    EXPECT_NEAR(font.letterSpacing(), 1.5, 1.0 / 64);
    EXPECT_EQ(mixed.palette().color(QPalette::WindowText), Theme::silver);
}

TEST(Card, PaddingFramesTheContentAndTheFillStaysInsideTheOutline) {
    Card card;
    EXPECT_EQ(card.contentLayout()->contentsMargins(), QMargins(20, 20, 20, 20));
    Card flush(0);
    EXPECT_EQ(flush.contentLayout()->contentsMargins(), QMargins(0, 0, 0, 0));

    card.resize(200, 100);
    const QImage image = render(card);
    EXPECT_EQ(image.size(), QSize(200, 100)) << "the outline never grows the card";
    EXPECT_TRUE(near(pixel(image, 100, 50), Theme::kelp, 1));
    // The outline is the hairline over the fill, one pixel inside the edge.
    EXPECT_TRUE(near(pixel(image, 100, 0), over(Theme::kelp, Theme::hairline), 2));
    EXPECT_TRUE(near(pixel(image, 0, 50), over(Theme::kelp, Theme::hairline), 2));
    EXPECT_TRUE(near(pixel(image, 100, 1), Theme::kelp, 1));
    // Corners of radius 16 leave the window showing through.
    EXPECT_TRUE(near(pixel(image, 1, 1), card.palette().color(QPalette::Window), 2));
}

TEST(Card, SeparatorsStandUnderEveryShownRowButTheLast) {
    Card card(0);
    QList<QWidget*> rows;
    for (int i = 0; i < 3; ++i) {
        auto* row = new QWidget;
        row->setFixedHeight(30);
        card.addRow(row);
        rows.append(row);
    }
    card.resize(240, card.sizeHint().height());
    card.show();
    card.layout()->activate();
    EXPECT_EQ(card.rows(), rows);
    QList<QRectF> lines = card.separatorRects();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QRectF(0, 30, 240, 1)) << "rows touch the line directly";
    EXPECT_EQ(lines[1], QRectF(0, 61, 240, 1));
    const QImage image = render(card);
    EXPECT_TRUE(near(pixel(image, 120, 30), over(Theme::kelp, Theme::hairline), 2));
    EXPECT_TRUE(near(pixel(image, 120, 29), Theme::kelp, 1));
    EXPECT_EQ(card.height(), 92);
    EXPECT_TRUE(near(pixel(image, 120, 89), Theme::kelp, 1)) << "no line under the last row";

    rows[2]->hide();
    card.layout()->activate();
    EXPECT_EQ(card.separatorRects().size(), 1) << "a hidden last row takes its line with it";
    delete rows[1];
    card.layout()->activate();
    EXPECT_EQ(card.rows().size(), 2);
    EXPECT_TRUE(card.separatorRects().isEmpty()) << "one shown row has no line";
    card.clearRows();
    EXPECT_TRUE(card.rows().isEmpty());
}

TEST(Well, DeepFillHairlineOutlineAndItsRadius) {
    Well well;
    EXPECT_EQ(well.radius(), 6);
    EXPECT_EQ(well.contentLayout()->contentsMargins(), QMargins(0, 0, 0, 0));
    Well round(16);
    round.resize(100, 60);
    const QImage image = render(round);
    EXPECT_TRUE(near(pixel(image, 50, 30), Theme::deep, 1));
    EXPECT_TRUE(near(pixel(image, 50, 59), over(Theme::deep, Theme::hairline), 2));
    EXPECT_TRUE(near(pixel(image, 2, 2), round.palette().color(QPalette::Window), 2))
        << "corner of radius 16";
    well.resize(100, 60);
    const QImage small = render(well);
    EXPECT_TRUE(near(pixel(small, 3, 3), Theme::deep, 2)) << "radius 6 reaches (3,3)";
}

TEST(PaneFrame, PadsTheContentAndSetsTheTitleAndSubtitle) {
    PaneFrame frame;
    frame.resize(600, 400);
    QWidget* header = frame.addHeader(QStringLiteral("Snippets"), QStringLiteral("Say a phrase."));
    auto* child = new QWidget;
    child->setFixedHeight(40);
    frame.content()->addWidget(child);
    frame.show();
    frame.widget()->layout()->activate();

    const QList<QLabel*> labels = header->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->text(), "Snippets");
    EXPECT_EQ(labels[0]->font().pixelSize(), 30);
    EXPECT_EQ(labels[0]->font().weight(), QFont::Medium);
    EXPECT_NEAR(labels[0]->font().letterSpacing(), -0.8, 1.0 / 64);
    EXPECT_EQ(labels[0]->palette().color(QPalette::WindowText), Theme::platinum);
    EXPECT_EQ(labels[1]->font().pixelSize(), 12);
    EXPECT_EQ(labels[1]->palette().color(QPalette::WindowText), Theme::silver);
    EXPECT_EQ(labels[1]->textFormat(), Qt::PlainText);

    EXPECT_EQ(header->mapTo(frame.widget(), QPoint(0, 0)), QPoint(28, 28));
    EXPECT_EQ(header->width(), frame.viewport()->width() - 56);
    EXPECT_EQ(child->y(), header->geometry().bottom() + 1 + 18) << "the default stack spacing";
    EXPECT_EQ(frame.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    const QImage image = render(frame);
    EXPECT_TRUE(near(pixel(image, 10, 390), Theme::abyss, 1));
}

TEST(PaneFrame, TallContentScrollsVerticallyAndShortContentStaysOnTop) {
    PaneFrame frame;
    frame.resize(400, 300);
    frame.addHeader(QStringLiteral("Short"));
    frame.show();
    frame.widget()->layout()->activate();
    QWidget* header = frame.content()->itemAt(0)->widget();
    EXPECT_EQ(header->y(), 28) << "short content stays at the top";

    auto* tall = new QWidget;
    tall->setFixedHeight(900);
    frame.content()->addWidget(tall);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.verticalScrollBar()->maximum() > 600; }));
}

} // namespace
} // namespace tavik::design
