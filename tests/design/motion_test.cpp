// The animation driver on the real event loop: tweens arrive, repaint their owner while they
// move, stop the timer when done, and may die mid-flight.
#include "app/shell/design/motion.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace tavik::design {
namespace {

class CountingWidget : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(Motion, ATweenArrivesOnTheEventLoopAndRepaintsItsOwnerOnTheWay) {
    CountingWidget owner;
    owner.resize(20, 20);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    Tween tween(&owner, 0);
    const int before = owner.paints;
    tween.animateTo(1, 120, Motion::easeOut());
    EXPECT_TRUE(tween.running());
    EXPECT_EQ(tween.target(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tween.running(); }, 5000));
    EXPECT_EQ(tween.value(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return owner.paints > before + 1; }, 1000))
        << "frames on the way, not only the last";
}

TEST(Motion, ATweenDestroyedMidFlightLeavesTheDriverRunningTheOthers) {
    QWidget owner;
    auto doomed = std::make_unique<Tween>(&owner, 0);
    Tween survivor(&owner, 0);
    doomed->animateTo(1, 200);
    survivor.animateTo(1, 60);
    doomed.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return survivor.value() == 1; }, 5000));

    // An owner gone before its tween is simply not repainted.
    auto shortLived = std::make_unique<QWidget>();
    Tween orphan(shortLived.get(), 0);
    orphan.animateTo(1, 40);
    shortLived.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !orphan.running(); }, 5000));
}

TEST(Motion, SwitchedOffEveryTweenJumpsToItsTarget) {
    Motion::setEnabled(false);
    QWidget owner;
    Tween tween(&owner, 0);
    tween.animateTo(0.75, 500);
    EXPECT_FALSE(tween.running());
    EXPECT_EQ(tween.value(), 0.75);
    Motion::setEnabled(true);
    tween.animateTo(0.25, 0);
    EXPECT_EQ(tween.value(), 0.25) << "no duration: no animation";
    // The curves are the usual CSS ones: ease-out is ahead of linear, ease-in-out even at half.
    EXPECT_GT(Motion::easeOut().valueForProgress(0.3), 0.3);
    EXPECT_NEAR(Motion::easeInOut().valueForProgress(0.5), 0.5, 1e-3);
    EXPECT_LT(Motion::easeInOut().valueForProgress(0.2), 0.2);
}

} // namespace
} // namespace tavik::design
