// The switch, the stepped slider and the option row.
#include "app/shell/design/option.h"
#include "app/shell/design/slider.h"
#include "app/shell/design/theme.h"
#include "app/shell/design/toggle.h"
#include "tests/design/design_test_support.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavik::design {
namespace {

using test::near;
using test::pixel;
using test::render;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { Motion::setEnabled(false); }
    void TearDown() override {
        Motion::setEnabled(true);
        Motion::setClock({});
    }
};

// ── switch ──────────────────────────────────────────────────────────────────────────────────

TEST_F(ControlsTest, SwitchFlipsFromAClickOnItsLabelAndShowsEachEnd) {
    TavikToggle toggle(QStringLiteral("Play sounds"));
    const QFontMetrics metrics(Theme::body());
    EXPECT_EQ(toggle.sizeHint(),
              QSize(34 + 10 + metrics.horizontalAdvance(QStringLiteral("Play sounds")),
                    qMax(19, metrics.height())));
    EXPECT_EQ(TavikToggle(QString{}).sizeHint(), QSize(34, 19));
    toggle.resize(toggle.sizeHint());
    toggle.show();

    const int mid = toggle.height() / 2;
    const QImage off = render(toggle);
    EXPECT_TRUE(near(pixel(off, 9, mid), Theme::silver, 2)) << "knob at the left";
    EXPECT_TRUE(near(pixel(off, 26, mid), Theme::deep, 2)) << "deep track";

    QSignalSpy clicked(&toggle, &QAbstractButton::clicked);
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(toggle.width() - 4, mid));
    EXPECT_TRUE(toggle.isChecked());
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_TRUE(clicked[0][0].toBool());
    const QImage on = render(toggle);
    EXPECT_TRUE(near(pixel(on, 24, mid), Theme::knobOn, 2)) << "dark knob at the right";
    // The gradient runs across the track: teal on the left end.
    EXPECT_TRUE(near(pixel(on, 5, mid),
                     test::mixed(colorFromHex(0x00827C), colorFromHex(0xCBFFFC), 5.0 / 34), 6));

    // The store echoing its value back does not count as the person's click.
    {
        const QSignalBlocker blocker(toggle);
        toggle.setChecked(false);
    }
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(near(pixel(render(toggle), 9, mid), Theme::silver, 2));
}

TEST_F(ControlsTest, SwitchKnobSlidesWithEaseOutOverItsDuration) {
    Motion::setEnabled(true);
    qint64 now = 5000;
    Motion::setClock([&] { return now; });
    TavikToggle toggle;
    toggle.show();
    toggle.setChecked(true);
    EXPECT_DOUBLE_EQ(toggle.progress(), 0);
    now += TavikToggle::durationMs / 2;
    const double half = toggle.progress();
    EXPECT_GT(half, 0.5);
    EXPECT_LT(half, 1);
    const QRectF knob = TavikToggle::knobRect(19, half);
    EXPECT_GT(knob.left(), 3);
    EXPECT_LT(knob.left(), 18);
    now += TavikToggle::durationMs;
    EXPECT_DOUBLE_EQ(toggle.progress(), 1);
    EXPECT_EQ(TavikToggle::knobRect(19, 1), QRectF(18, 3, 13, 13));
    EXPECT_EQ(TavikToggle::knobRect(19, 0), QRectF(3, 3, 13, 13));
}

TEST_F(ControlsTest, SwitchMovesOnlyForChangesThePersonSees) {
    Motion::setEnabled(true);
    qint64 now = 9000;
    Motion::setClock([&] { return now; });
    QWidget window;
    auto* toggle = new TavikToggle(QStringLiteral("Play sounds"), &window);
    // A pane sets each switch from the settings before it is ever shown: no slide from off.
    toggle->setChecked(true);
    EXPECT_DOUBLE_EQ(toggle->progress(), 1);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(near(pixel(render(*toggle), 24, toggle->height() / 2), Theme::knobOn, 2))
        << "the first frame shows the knob at the right";

    // A flip on screen slides.
    toggle->setChecked(false);
    EXPECT_DOUBLE_EQ(toggle->progress(), 1);
    now += TavikToggle::durationMs;
    EXPECT_DOUBLE_EQ(toggle->progress(), 0);

    // A value set while the window is hidden (another pane is open) waits at its end.
    window.hide();
    toggle->setChecked(true);
    EXPECT_DOUBLE_EQ(toggle->progress(), 1);
    // Hidden halfway through a slide: shown again at the end, not mid-way.
    window.show();
    toggle->setChecked(false);
    now += TavikToggle::durationMs / 3;
    window.hide();
    window.show();
    EXPECT_DOUBLE_EQ(toggle->progress(), 0);
}

TEST_F(ControlsTest, SwitchIsACheckBoxToScreenReadersAndFlipsWithSpace) {
    TavikToggle toggle(QStringLiteral("Show the floating button"));
    toggle.show();
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&toggle);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::CheckBox);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Show the floating button"));
    EXPECT_FALSE(access->state().checked);
    toggle.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_TRUE(access->state().checked);
}

// ── slider ──────────────────────────────────────────────────────────────────────────────────

double at(double x, double width, double lower, double upper, double step) {
    const std::optional<double> v = TavikSlider::valueForX(x, width, lower, upper, step);
    EXPECT_TRUE(v.has_value()) << x;
    return v.value_or(std::numeric_limits<double>::quiet_NaN());
}

TEST(SliderMaths, PressesSnapToStepsFromZeroAndKeepWithinTheBounds) {
    EXPECT_EQ(at(0, 200, 0, 10, 1), 0);
    EXPECT_EQ(at(200, 200, 0, 10, 1), 10);
    EXPECT_EQ(at(109, 200, 0, 10, 1), 5) << "raw 5.45";
    EXPECT_EQ(at(110, 200, 0, 10, 1), 6) << "raw 5.5: a half goes away from zero";
    EXPECT_EQ(at(-30, 200, 0, 10, 1), 0);
    EXPECT_EQ(at(250, 200, 0, 10, 1), 10);

    // Steps count from zero, not from the lower bound.
    EXPECT_EQ(at(100, 200, 1, 10, 2), 6) << "raw 5.5";
    EXPECT_EQ(at(0, 200, 1, 10, 2), 2) << "raw 1 is half a step";
    EXPECT_EQ(at(-10, 200, 1, 10, 2), 1) << "only past the end gives the lower bound";
    EXPECT_EQ(at(200, 200, 1, 10, 2), 10);
    EXPECT_EQ(at(100, 200, 200, 2000, 50), 1100);
}

TEST(SliderMaths, NoWidthOrNoStepNeverGivesANumberThatIsNot) {
    EXPECT_FALSE(TavikSlider::valueForX(10, 0, 0, 10, 1).has_value());
    EXPECT_FALSE(TavikSlider::valueForX(10, -5, 0, 10, 1).has_value());
    EXPECT_FALSE(TavikSlider::valueForX(std::nan(""), 200, 0, 10, 1).has_value());
    EXPECT_DOUBLE_EQ(at(55, 200, 0, 10, 0), 2.75) << "no step: no snapping";
    EXPECT_DOUBLE_EQ(at(55, 200, 0, 10, -1), 2.75);
}

TEST(SliderMaths, FillAndThumbFollowTheValueAndStayOnTheTrack) {
    auto g = TavikSlider::layout(0, 200, 0, 10);
    EXPECT_EQ(g.fillWidth, 0);
    EXPECT_EQ(g.thumbX, 0);
    g = TavikSlider::layout(10, 200, 0, 10);
    EXPECT_EQ(g.fillWidth, 200);
    EXPECT_EQ(g.thumbX, 187);
    g = TavikSlider::layout(5, 200, 0, 10);
    EXPECT_EQ(g.fillWidth, 100);
    EXPECT_EQ(g.thumbX, 93.5) << "the thumb's centre on the value";
    g = TavikSlider::layout(14, 200, 0, 10);
    EXPECT_EQ(g.fillWidth, 200) << "above the range: full, not beyond";
    EXPECT_EQ(g.thumbX, 187);
    g = TavikSlider::layout(-3, 200, 0, 10);
    EXPECT_EQ(g.fillWidth, 0);
    EXPECT_EQ(g.thumbX, 0);
    g = TavikSlider::layout(5, 200, 5, 5);
    EXPECT_EQ(g.fillWidth, 0) << "an empty range draws an empty track";
    EXPECT_EQ(g.thumbX, 0);
}

TEST_F(ControlsTest, SliderReportsEveryPressAndMoveAndClampsADragPastTheEnd) {
    TavikSlider slider(0, 10, 1);
    EXPECT_EQ(slider.sizeHint().height(), 16);
    slider.resize(200, 16);
    slider.show();
    QSignalSpy edited(&slider, &TavikSlider::valueEdited);

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(110, 8));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited[0][0].toDouble(), 6);
    EXPECT_EQ(slider.value(), 6);
    // The store's value coming back mid-drag does not pull the thumb from under the pointer.
    slider.setValue(2);
    EXPECT_EQ(slider.value(), 6);
    QMouseEvent beyond(QEvent::MouseMove, QPointF(260, 8), slider.mapToGlobal(QPointF(260, 8)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &beyond);
    QMouseEvent again(QEvent::MouseMove, QPointF(261, 8), slider.mapToGlobal(QPointF(261, 8)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &again);
    ASSERT_EQ(edited.count(), 3) << "every move reports, also an unchanged value";
    EXPECT_EQ(edited[1][0].toDouble(), 10);
    EXPECT_EQ(edited[2][0].toDouble(), 10);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(261, 8));
    EXPECT_EQ(edited.count(), 3) << "nothing on release";

    slider.setValue(3);
    EXPECT_EQ(slider.value(), 3);
    EXPECT_EQ(edited.count(), 3) << "the caller's value is not an edit";

    const QImage image = render(slider);
    const auto g = TavikSlider::layout(3, 200, 0, 10);
    EXPECT_TRUE(near(pixel(image, int(g.thumbX + 6.5), 8), Theme::mist, 2));
    EXPECT_TRUE(near(pixel(image, 150, 8), Theme::deep, 2)) << "the track beyond the value";
}

TEST_F(ControlsTest, SliderMovesByKeyboardAndReadsAsASliderWithItsValue) {
    TavikSlider slider(200, 2000, 50);
    slider.resize(200, 16);
    slider.setValue(700);
    slider.show();
    QSignalSpy edited(&slider, &TavikSlider::valueEdited);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.value(), 750);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.value(), 2000);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.value(), 2000) << "held at the upper end";
    QTest::keyClick(&slider, Qt::Key_Home);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.value(), 200);
    EXPECT_EQ(edited.count(), 5);

    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::Slider);
    QAccessibleValueInterface* value = access->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toDouble(), 200);
    EXPECT_EQ(value->maximumValue().toDouble(), 2000);
    value->setCurrentValue(1234);
    EXPECT_EQ(slider.value(), 1250) << "set through the reader like a press: snapped";
    EXPECT_EQ(edited.count(), 6);
}

// ── option row ──────────────────────────────────────────────────────────────────────────────

TEST_F(ControlsTest, OptionRowClicksAnywhereAndShowsItsSelection) {
    TavikOption option(QStringLiteral("Fast — base.en"));
    EXPECT_EQ(option.sizeHint().height(), qMax(15, QFontMetrics(Theme::body()).height()) + 14);
    option.resize(300, option.sizeHint().height());
    option.show();
    const QColor window = option.palette().color(QPalette::Window);
    const int mid = option.height() / 2;

    QSignalSpy clicked(&option, &QAbstractButton::clicked);
    QTest::mouseClick(&option, Qt::LeftButton, {}, QPoint(290, mid));
    QTest::mouseClick(option.content(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(clicked.count(), 2) << "the empty right part and the text both count";
    EXPECT_FALSE(option.isSelected()) << "selection is the caller's to decide";

    EXPECT_EQ(option.content()->x(), 10 + 15 + 10) << "padding, the mark, the spacing";
    const QImage plain = render(option);
    EXPECT_TRUE(near(pixel(plain, 290, mid), window, 1)) << "clear background";
    EXPECT_TRUE(near(pixel(plain, 17, mid), window, 1)) << "no dot";
    EXPECT_TRUE(near(pixel(plain, 10, mid), test::over(window, Theme::hairlineStrong), 2));

    option.setSelected(true);
    const QImage selected = render(option);
    EXPECT_TRUE(near(pixel(selected, 290, mid), Theme::kelp, 1));
    EXPECT_TRUE(near(pixel(selected, 10, mid), Theme::mist, 30)) << "mist ring";
    EXPECT_FALSE(near(pixel(selected, 17, mid), Theme::kelp, 10)) << "the gradient dot";
}

TEST_F(ControlsTest, OptionRowIsARadioButtonToScreenReadersAndTakesEnter) {
    auto* label = new QLabel(QStringLiteral("Accurate — small.en"));
    TavikOption option(label);
    option.show();
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&option);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::RadioButton);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Accurate — small.en"));
    EXPECT_FALSE(access->state().checked);
    option.setSelected(true);
    EXPECT_TRUE(access->state().checked);

    QSignalSpy clicked(&option, &QAbstractButton::clicked);
    QTest::keyClick(&option, Qt::Key_Return);
    QTest::keyClick(&option, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 2);
    access->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicked.count(), 3);
}

} // namespace
} // namespace tavik::design
