// The floating button's face over a real controller: what it draws idle, under the pointer,
// recording at three levels and transcribing, checked in its geometry and in rendered pixels.
#include "app/shell/design/motion.h"
#include "app/shell/design/theme.h"
#include "app/shell/ripple_orb.h"
#include "tests/support/controller_harness.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace tavik {
namespace {

using design::Theme;
using dictation::Action;
using dictation::State;

class RippleOrbTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false); // end states, no tweens in between
        stage.start();
        orb = std::make_unique<RippleOrb>(stage.controller(), hover);
    }
    void TearDown() override {
        orb.reset();
        design::Motion::setEnabled(true);
    }

    // The face over nothing: whatever it leaves transparent stays transparent.
    QImage render() {
        QImage image(RippleOrb::frameSize, RippleOrb::frameSize, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        orb->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    // The pixel `radius` px right of the centre (its middle 37 + radius from the left edge).
    static QColor atRadius(const QImage& image, double radius) {
        return QColor::fromRgba(image.pixel(int(std::floor(37 + radius)), 37));
    }
    void speakAt(float decibels) {
        stage.capture->level = decibels;
        stage.advance(0.06); // one round of the controller's level poll
    }

    test::ControllerStage stage;
    OrbState hover;
    std::unique_ptr<RippleOrb> orb;
};

TEST_F(RippleOrbTest, IdleAndHoverDrawTheStillDisc) {
    ASSERT_EQ(stage.state(), State::idle());
    OrbLook look = orb->shown();
    EXPECT_EQ(look.disc, 44);
    EXPECT_EQ(look.scale, 1);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(look.ringOpacity[i], 0);
    }
    EXPECT_EQ(orb->toolTip(), "Click to dictate");
    EXPECT_TRUE(orb->testAttribute(Qt::WA_AlwaysShowToolTips));

    QImage image = render();
    EXPECT_EQ(atRadius(image, 15).rgba(), Theme::deep.rgba()) << "inside the disc";
    // The outline, 1 px inside the 44 px edge: hairlineStrong over the deep fill.
    const QColor edge = atRadius(image, 21.5);
    EXPECT_GT(edge.lightness(), Theme::deep.lightness() + 10);
    EXPECT_LT(edge.lightness(), 90);
    EXPECT_EQ(atRadius(image, 23).alpha(), 0) << "no rings while idle";
    EXPECT_EQ(QColor::fromRgba(image.pixel(1, 1)).alpha(), 0) << "transparent corners";

    // The pointer over the round button (not in a corner) grows the whole face to 1.06.
    QMouseEvent corner(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                       Qt::NoModifier);
    QCoreApplication::sendEvent(orb.get(), &corner);
    EXPECT_FALSE(hover.hovering());
    QMouseEvent over(QEvent::MouseMove, QPointF(40, 50), QPointF(40, 50), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(orb.get(), &over);
    EXPECT_TRUE(hover.hovering());
    EXPECT_NEAR(orb->shown().scale, 1.06, 1e-9);
    image = render();
    EXPECT_GT(atRadius(image, 22.8).alpha(), 200) << "the disc now reaches 46.6 px";
}

TEST_F(RippleOrbTest, RecordingRipplesWithTheLevelAndTranscribingDimsTheMark) {
    hover.setHovering(true);
    stage.press(Action::handsFree);
    ASSERT_EQ(stage.state(), State::recording());
    EXPECT_EQ(orb->toolTip(), "Listening — click to stop");
    EXPECT_EQ(orb->shown().scale, 1) << "no growth under the pointer while recording";

    struct Row {
        float decibels;
        double disc;
        std::array<double, 3> rings;
        std::array<double, 3> opacity;
    };
    const Row rows[] = {
        {-80, 44, {52, 60, 68}, {0.119, 0.084, 0.049}},
        {-32.5, 47, {59.5, 72, 84.5}, {0.289, 0.204, 0.119}},
        {0, 50, {67, 84, 101}, {0.459, 0.324, 0.189}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.decibels);
        speakAt(row.decibels);
        const OrbLook look = orb->shown();
        EXPECT_NEAR(look.disc, row.disc, 1e-6);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(look.rings[i], row.rings[i], 1e-6);
            EXPECT_NEAR(look.ringOpacity[i], row.opacity[i], 1e-6);
        }
        EXPECT_TRUE(look.border == [] {
            QColor c = Theme::mist;
            c.setAlphaF(0.55f);
            return c;
        }());
    }

    // At L = 0.5 the line of ring 1 (72 px) lies 35.5 px from the centre at its opacity, ring 0
    // (59.5 px) inside it; between them nothing is drawn.
    speakAt(-32.5);
    const QImage image = render();
    EXPECT_NEAR(atRadius(image, 35.5).alphaF(), 0.204, 0.03);
    EXPECT_GT(atRadius(image, 29.5).alphaF(), 0.15);
    EXPECT_LT(atRadius(image, 29.5).alphaF(), 0.3);
    EXPECT_EQ(atRadius(image, 32.5).alpha(), 0);
    EXPECT_GT(atRadius(image, 22.8).alpha(), 200) << "the disc has grown to 47 px";

    // Ending the dictation: the idle look, with the mark at half opacity while transcribing.
    const QImage before = render();
    stage.speak(1.0);
    stage.controller().toggleFromOrb();
    stage.drain();
    ASSERT_EQ(stage.state(), State::transcribing());
    const OrbLook look = orb->shown();
    EXPECT_EQ(look.disc, 44);
    EXPECT_EQ(look.ringOpacity[0], 0);
    EXPECT_EQ(look.markOpacity, 0.5);
    EXPECT_NEAR(look.scale, 1.06, 1e-9) << "the pointer is still over it";
    EXPECT_EQ(orb->toolTip(), "Click to dictate");
    const QImage dimmed = render();
    // The mark's brightest pixel is much dimmer than a bright mark's would be.
    int brightest = 0;
    for (int y = 30; y < 44; ++y) {
        for (int x = 30; x < 46; ++x) {
            brightest = std::max(brightest, QColor::fromRgba(dimmed.pixel(x, y)).lightness());
        }
    }
    int brightestBefore = 0;
    for (int y = 30; y < 44; ++y) {
        for (int x = 30; x < 46; ++x) {
            brightestBefore =
                std::max(brightestBefore, QColor::fromRgba(before.pixel(x, y)).lightness());
        }
    }
    EXPECT_LT(brightest, brightestBefore - 40);
}

TEST(RippleOrbLevel, DecibelsMapOntoZeroToOne) {
    EXPECT_EQ(RippleOrb::levelFor(-80), 0);
    EXPECT_EQ(RippleOrb::levelFor(-55), 0);
    EXPECT_NEAR(RippleOrb::levelFor(-32.5f), 0.5, 1e-7);
    EXPECT_EQ(RippleOrb::levelFor(-10), 1);
    EXPECT_EQ(RippleOrb::levelFor(3), 1);
    EXPECT_EQ(RippleOrb::levelFor(std::nanf("")), 0);
}

} // namespace
} // namespace tavik
