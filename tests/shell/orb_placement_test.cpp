// Where the floating button stands: the saved "orbOrigin" text, the clamping into a screen's
// visible area, the default place, and the conversion between the saved bottom-left space and
// the desktop's top-left window positions.
#include "app/shell/orb_placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavik::orb_placement {
namespace {

const QSizeF panel(74, 74);

// The screen of the worked example: 1512 × 982, its visible area starting 25 px above the
// bottom and ending 37 px below the top.
Screen laptop(double visibleBottom = 25) {
    return Screen{QRectF(0, 0, 1512, 982), QRectF(0, visibleBottom, 1512, 945 - visibleBottom)};
}

TEST(OrbPlacement, SavedTextIsReadAndWrittenAsTheButtonAlwaysHas) {
    EXPECT_EQ(format(QPointF(1402, 121)), "{1402, 121}");
    EXPECT_EQ(format(QPointF(-20.5, 0.1)), "{-20.5, 0.1}");
    EXPECT_EQ(parse(format(QPointF(1463.25, -7))), QPointF(1463.25, -7));
    EXPECT_EQ(parse("{1402, 121}"), QPointF(1402, 121));
    EXPECT_EQ(parse("  {1e2,-3.5}junk"), QPointF(100, -3.5));
    EXPECT_EQ(parse("{5}"), QPointF(5, 0));
    EXPECT_EQ(parse("somewhere nice"), QPointF(0, 0));
    EXPECT_EQ(parse(""), QPointF(0, 0));
    // Numbers beyond a double, and words that read as infinity or not-a-number, count as 0.
    EXPECT_EQ(parse("{1e999, 7}"), QPointF(0, 7));
    EXPECT_EQ(parse("{nan, inf}"), QPointF(0, 0));
}

TEST(OrbPlacement, WorkedExamplesOfTheDefaultAndTheClamp) {
    // No saved place: 36 in from the right, 96 above the visible bottom.
    EXPECT_EQ(displayOrigin(std::nullopt, panel, {laptop()}), QPointF(1402, 121));
    // The dock grows: the visible area starts at 60.
    EXPECT_EQ(displayOrigin(std::nullopt, panel, {laptop(60)}), QPointF(1402, 156));
    // A third of the button beyond the right edge, its centre still on the screen: pushed back
    // until its right edge meets the visible area's.
    EXPECT_EQ(displayOrigin("{1463, 156}", panel, {laptop()}), QPointF(1438, 156));
    // Below the visible area (behind the dock) and above it.
    EXPECT_EQ(displayOrigin("{300, 2}", panel, {laptop(60)}), QPointF(300, 60));
    EXPECT_EQ(displayOrigin("{300, 930}", panel, {laptop()}), QPointF(300, 871));
    // Unreadable text is the zero point: its centre (37, 37) is on the screen, so the button
    // lands in the visible area's bottom-left corner.
    EXPECT_EQ(displayOrigin("not a point", panel, {laptop()}), QPointF(0, 25));
    // A visible area narrower than the button: the right edges meet.
    const Screen narrow{QRectF(0, 0, 60, 982), QRectF(0, 25, 60, 920)};
    EXPECT_EQ(displayOrigin("{10, 300}", panel, {narrow}), QPointF(-14, 300));
    // No screens at all.
    EXPECT_EQ(displayOrigin("{10, 300}", panel, {}), QPointF(0, 0));
    EXPECT_EQ(defaultOrigin(panel, {}), QPointF(0, 0));
}

TEST(OrbPlacement, ASavedPlaceOnAScreenNoLongerThereGivesTheDefaultUntilItReturns) {
    // A second screen to the right of the first, 1920 × 1080, its bottom level with the first's.
    const Screen right{QRectF(1512, 0, 1920, 1080), QRectF(1512, 0, 1920, 1050)};
    const QString saved = format(QPointF(2500, 400));
    EXPECT_EQ(displayOrigin(saved, panel, {laptop(), right}), QPointF(2500, 400));
    EXPECT_EQ(displayOrigin(saved, panel, {laptop()}), QPointF(1402, 121));
    EXPECT_EQ(displayOrigin(saved, panel, {laptop(), right}), QPointF(2500, 400));
    // The screen holding the centre decides, with the left and bottom edges belonging to it:
    // a centre exactly on the shared edge is on the right-hand screen.
    EXPECT_EQ(displayOrigin("{1475, 10}", panel, {laptop(), right}), QPointF(1512, 10));
}

TEST(OrbPlacement, DesktopConvertsBetweenBottomLeftOriginsAndWindowPositions) {
    // The primary screen is not at the desktop's origin; a second screen sits above-left of it.
    const Desktop desktop({{QRect(1280, 200, 1512, 982), QRect(1280, 237, 1512, 920)},
                           {QRect(0, 0, 1280, 200), QRect(0, 0, 1280, 180)}});
    ASSERT_EQ(desktop.screenCount(), 2);
    EXPECT_EQ(desktop.screens()[0].frame, QRectF(0, 0, 1512, 982));
    EXPECT_EQ(desktop.screens()[0].visible, QRectF(0, 25, 1512, 920));
    // Above the primary screen's top (y 982 and up), left of it (x below 0).
    EXPECT_EQ(desktop.screens()[1].frame, QRectF(-1280, 982, 1280, 200));
    EXPECT_EQ(desktop.screens()[1].visible, QRectF(-1280, 1002, 1280, 180));

    EXPECT_EQ(desktop.windowPosition(QPointF(1402, 121), panel), QPoint(2682, 987));
    EXPECT_EQ(desktop.origin(QPoint(2682, 987), panel), QPointF(1402, 121));
    EXPECT_EQ(desktop.windowPosition(QPointF(-1000.4, 1100.6), panel), QPoint(280, 7));
    EXPECT_EQ(desktop.origin(QPoint(280, 7), panel), QPointF(-1000, 1101));
}

} // namespace
} // namespace tavik::orb_placement
