// Where the main window comes back: its kept size, on a screen that is still there.
#include "app/shell/window_frame.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

const QSize standard(1000, 660);
const QSize minimum(900, 580);

TEST(WindowFrameText, RoundTripsAndRefusesAnythingElse) {
    const QRect frame(-120, 40, 1100, 700);
    EXPECT_EQ(window_frame::format(frame), "-120 40 1100 700");
    EXPECT_EQ(window_frame::parse(window_frame::format(frame)), frame);
    EXPECT_EQ(window_frame::parse("  10   20 300 400 "), QRect(10, 20, 300, 400));
    for (const char* bad : {"", "10 20 300", "10 20 300 400 5", "a b c d", "10 20 0 400",
                            "10 20 300 -4", "1e3 20 300 400", "10,20,300,400"}) {
        EXPECT_EQ(window_frame::parse(bad), std::nullopt) << bad;
    }
}

TEST(WindowFramePlacement, FirstShowIsTheStandardSizeCentredOnThePrimaryScreen) {
    const QList<QRect> screens{QRect(0, 28, 1920, 1052), QRect(1920, 0, 1280, 1024)};
    const QRect placed = window_frame::placement(std::nullopt, standard, minimum, screens);
    EXPECT_EQ(placed.size(), standard);
    EXPECT_EQ(placed.center(), screens[0].center());
}

TEST(WindowFramePlacement, KeptSizeIsCentredOnTheScreenThatHeldIt) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QRect saved(2000, 100, 1100, 700);
    const QRect placed = window_frame::placement(saved, standard, minimum, screens);
    EXPECT_EQ(placed.size(), QSize(1100, 700));
    EXPECT_EQ(placed.center(), screens[1].center());

    // That screen is gone: the window comes back on the primary one.
    const QRect alone = window_frame::placement(saved, standard, minimum, {screens[0]});
    EXPECT_EQ(alone.size(), QSize(1100, 700));
    EXPECT_TRUE(screens[0].contains(alone));
}

TEST(WindowFramePlacement, SizeStaysBetweenTheMinimumAndTheScreen) {
    const QList<QRect> laptop{QRect(0, 0, 1280, 720)};
    const QRect huge = window_frame::placement(QRect(0, 0, 3000, 2000), standard, minimum, laptop);
    EXPECT_EQ(huge, QRect(0, 0, 1280, 720));

    const QRect tiny = window_frame::placement(QRect(10, 10, 200, 100), standard, minimum, laptop);
    EXPECT_EQ(tiny.size(), minimum);

    // A screen smaller than the minimum (1920x1080 at 200 %, a panel on top): the window fits
    // the screen, title bar corner included.
    const QList<QRect> small{QRect(100, 24, 960, 516)};
    const QRect cramped = window_frame::placement(std::nullopt, standard, minimum, small);
    EXPECT_EQ(cramped, small.first());

    // Framed by the window manager, it is brought whole onto the screen: the title bar, 20 high,
    // was above its top edge and the frame's right edge beyond its right.
    const QMargins decorations(1, 20, 1, 1);
    EXPECT_EQ(window_frame::fitFramed(cramped, decorations, small.first()),
              QRect(101, 44, 958, 495));
    const QRect inside(300, 200, 500, 300);
    EXPECT_EQ(window_frame::fitFramed(inside, decorations, small.first()), std::nullopt);
    EXPECT_EQ(window_frame::fitFramed(inside.translated(500, 0), decorations, small.first()),
              QRect(559, 200, 500, 300));

    EXPECT_EQ(window_frame::placement(std::nullopt, standard, minimum, {}),
              QRect(QPoint(0, 0), standard));
}

} // namespace
} // namespace tavik
