// Row heights kept per width: a width a scroll bar away lends its heights as estimates, so a
// list coming back after a search that hid it is not estimated row by row anew.
#include "app/panes/history/row_heights.h"

#include <gtest/gtest.h>

namespace tavik::panes {
namespace {

TEST(RowHeightsTest, AWidthAScrollBarAwayLendsItsHeightsAsEstimatesAndNoOtherDoes) {
    RowHeights heights;
    HistoryEntry entry{
        QUuid::createUuid(), QStringLiteral("совещание в девять"), "Mail", {}, {}, {}, 0, 0, true};
    heights.store(entry, 700, {120, true});
    heights.store(entry, 716, {100, false});

    EXPECT_FALSE(heights.find(entry, 710)) << "nothing is kept at a width never laid out";
    EXPECT_EQ(heights.nearby(entry, 710, 24), 100) << "the closest kept width lends its height";
    EXPECT_EQ(heights.nearby(entry, 702, 24), 120);
    EXPECT_FALSE(heights.nearby(entry, 741, 24)) << "a width further away says nothing";

    HistoryEntry edited = entry;
    edited.text += QStringLiteral(" и в десять");
    EXPECT_FALSE(heights.nearby(edited, 710, 24)) << "a height counts only for its own text";
    edited = entry;
    edited.inserted = false;
    EXPECT_FALSE(heights.nearby(edited, 710, 24)) << "nor for another outcome";
}

} // namespace
} // namespace tavik::panes
