// Play-back from a history row through the test desktop's sound server: the row's play button
// plays the archived audio, shows stop while it plays, and a second row takes over.
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/history_list.h"
#include "app/shell/design/motion.h"
#include "app/stores/player.h"
#include "tests/panes/history_support.h"
#include "tests/support/fixtures.h"

#include <QTest>

namespace tavik::panes {
namespace {

TEST(HistoryPlaybackDesktopTest, ThePlayButtonTogglesTheArchivedAudio) {
    TAVIK_REQUIRE_DESKTOP();
    design::Motion::setEnabled(false);
    test::ControllerStage stage;
    stage.start();
    test::FakeClock clock;
    AppState state(clock);
    const HistoryEntry first = test::dictation("first", QDateTime::currentDateTime());
    const HistoryEntry second = test::dictation("second", QDateTime::currentDateTime());
    History::shared().add(first);
    History::shared().add(second);
    test::archiveAudio(first.id, 3.0);
    test::archiveAudio(second.id, 3.0);
    DictationView view(stage.controller(), state);
    view.resize(900, 700);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    HistoryList* list = view.list();

    const auto clickPlay = [&](const HistoryEntry& entry) {
        const int row = list->listLayout().rowOf(entry.id);
        // On a real display the move warps the pointer and its motion comes back from the server
        // later; a pointer already resting there sends none, so step beside the row first.
        QTest::mouseMove(list, list->listLayout().rowRect(row).topLeft().toPoint() + QPoint(2, 2));
        QTest::mouseMove(list, list->listLayout().rowRect(row).center().toPoint());
        if (!test::spinUntil([&] { return state.hovered() == entry.id; }, 5000)) {
            ADD_FAILURE() << "the row never took the hover";
            return;
        }
        for (const EntryRow::StripItem& item : list->rowGeometry(row).strip) {
            if (item.action == EntryRow::Action::play) {
                QTest::mouseMove(list, item.rect.center().toPoint());
                QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier,
                                  item.rect.center().toPoint());
                return;
            }
        }
        ADD_FAILURE() << "no play button";
    };

    clickPlay(first);
    EXPECT_EQ(Player::shared().playing(), first.id);
    clickPlay(second);
    EXPECT_EQ(Player::shared().playing(), second.id);
    clickPlay(second);
    EXPECT_FALSE(Player::shared().playing());
    clickPlay(first);
    EXPECT_TRUE(test::spinUntil([] { return !Player::shared().playing(); }, 10'000));
}

} // namespace
} // namespace tavik::panes
