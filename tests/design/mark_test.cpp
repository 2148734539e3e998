// The brand mark's geometry, its level-driven bars and one rendered stem.
#include "app/shell/design/mark.h"
#include "app/shell/design/theme.h"
#include "tests/design/design_test_support.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace tavik::design {
namespace {

// The end points of each two-point subpath of a path.
std::vector<std::pair<QPointF, QPointF>> strokes(const QPainterPath& path) {
    std::vector<std::pair<QPointF, QPointF>> list;
    for (int i = 0; i + 1 < path.elementCount(); i += 2) {
        const QPainterPath::Element a = path.elementAt(i);
        const QPainterPath::Element b = path.elementAt(i + 1);
        EXPECT_TRUE(a.isMoveTo());
        EXPECT_TRUE(b.isLineTo());
        list.emplace_back(QPointF(a.x, a.y), QPointF(b.x, b.y));
    }
    return list;
}

void expectPoint(const QPointF& actual, double x, double y) {
    EXPECT_NEAR(actual.x(), x, 1e-9);
    EXPECT_NEAR(actual.y(), y, 1e-9);
}

TEST(Mark, MonogramIsThreeSeparateStrokesOnTheGridAndScalesWithTheFrame) {
    const auto at24 = strokes(mark::monogramPath(QRectF(0, 0, 24, 24)));
    ASSERT_EQ(at24.size(), 3u);
    expectPoint(at24[0].first, 6, 4.5);
    expectPoint(at24[0].second, 6, 19.5);
    expectPoint(at24[1].first, 6, 4.5);
    expectPoint(at24[1].second, 18, 4.5);
    expectPoint(at24[2].first, 6, 11.4);
    expectPoint(at24[2].second, 14, 11.4);

    const double k = 22.0 / 24;
    const auto at22 = strokes(mark::monogramPath(QRectF(10, 20, 22, 22)));
    expectPoint(at22[0].second, 10 + 6 * k, 20 + 19.5 * k);
    expectPoint(at22[2].second, 10 + 14 * k, 20 + 11.4 * k);

    // A wide frame takes its scale from the shorter side and keeps to the left edge.
    EXPECT_EQ(mark::monogramPath(QRectF(0, 0, 48, 24)), mark::monogramPath(QRectF(0, 0, 24, 24)));
    EXPECT_EQ(mark::barsPath(QRectF(0, 0, 48, 24), {1, 1, 1}),
              mark::barsPath(QRectF(0, 0, 24, 24), {1, 1, 1}));
}

TEST(Mark, BarsStandOnTheBaselineWithTheirLengthsClampedAtBothEnds) {
    auto tops = [](const mark::Heights& h) {
        std::vector<double> list;
        for (const auto& [base, top] : strokes(mark::barsPath(QRectF(0, 0, 24, 24), h))) {
            EXPECT_NEAR(base.y(), 19.4, 1e-9);
            EXPECT_NEAR(base.x(), top.x(), 1e-9);
            list.push_back(top.y());
        }
        return list;
    };
    const auto still = tops({1, 1, 1});
    EXPECT_NEAR(still[0], 17.2, 1e-9);
    EXPECT_NEAR(still[1], 15.2, 1e-9);
    EXPECT_NEAR(still[2], 17.9, 1e-9);
    const auto small = tops({0.1, 0.2, 0.3});
    EXPECT_NEAR(small[0], 18.63, 1e-9);
    EXPECT_NEAR(small[1], 17.93, 1e-9);
    EXPECT_NEAR(small[2], 18.875, 1e-9);
    for (double top : tops({10, 10, 10})) {
        EXPECT_NEAR(top, 6.4, 1e-9);
    }
    const auto full = tops(mark::heightsFor(1.0));
    EXPECT_NEAR(19.4 - full[0], 7.92, 1e-9);
    EXPECT_NEAR(19.4 - full[1], 12.18, 1e-9);
    EXPECT_NEAR(19.4 - full[2], 6.15, 1e-9);
    const auto broken = tops({std::nan(""), 1, 1});
    EXPECT_NEAR(broken[0], 18.63, 1e-9) << "a height that is not a number draws the smallest bar";
}

TEST(Mark, LevelsAreKeptWithinZeroAndOneAndNotANumberIsSilence) {
    EXPECT_EQ(mark::heightsFor(std::nullopt), (mark::Heights{1, 1, 1}));
    EXPECT_EQ(mark::heightsFor(0.0), mark::heightsFor(std::nullopt));
    EXPECT_EQ(mark::heightsFor(1.7), mark::heightsFor(1.0));
    EXPECT_EQ(mark::heightsFor(-0.3), mark::heightsFor(0.0));
    EXPECT_EQ(mark::heightsFor(std::nan("")), mark::heightsFor(0.0));
    const mark::Heights half = mark::heightsFor(0.5);
    EXPECT_NEAR(half[0], 2.3, 1e-12);
    EXPECT_NEAR(half[1], 1.95, 1e-12);
    EXPECT_NEAR(half[2], 2.55, 1e-12);
}

TEST(Mark, PaintsTheStemInTheGradientAcrossTheWholeMark) {
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        mark::paint(painter, QRectF(0, 0, 24, 24), mark::heightsFor(std::nullopt));
    }
    const QColor stem = image.pixelColor(6, 12);
    EXPECT_EQ(stem.alpha(), 255);
    // At x = 6 of 24 the mark's one gradient is a quarter of the way from teal to pale cyan.
    EXPECT_TRUE(
        test::near(stem, test::mixed(colorFromHex(0x00827C), colorFromHex(0xCBFFFC), 6.5 / 24), 6));
    EXPECT_EQ(image.pixelColor(10, 16).alpha(), 0) << "between the stem and the bars";
    EXPECT_GT(image.pixelColor(16, 16).alpha(), 200) << "the middle bar";
}

TEST(Mark, WidgetEasesItsBarsToANewLevel) {
    Motion::setEnabled(true);
    qint64 now = 0;
    Motion::setClock([&] { return now; });
    TavikMark markWidget(22);
    EXPECT_EQ(markWidget.sizeHint(), QSize(22, 22));
    markWidget.setLevel(1.0);
    EXPECT_EQ(markWidget.shownHeights(), (mark::Heights{1, 1, 1}));
    now += mark::barDurationMs / 2;
    const double between = markWidget.shownHeights()[0];
    EXPECT_GT(between, 1);
    EXPECT_LT(between, 3.6);
    now += mark::barDurationMs;
    EXPECT_EQ(markWidget.shownHeights(), mark::heightsFor(1.0));
    Motion::setClock({});
}

} // namespace
} // namespace tavik::design
