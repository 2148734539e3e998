// The three button styles and the glyph button: sizes, pressed looks, keyboard, accessibility.
#include "app/shell/design/buttons.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/theme.h"
#include "tests/design/design_test_support.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::design {
namespace {

using test::near;
using test::over;
using test::pixel;
using test::render;

QSize textSize(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    return QSize(qCeil(metrics.horizontalAdvance(text)), qCeil(metrics.height()));
}

TEST(Buttons, SizeHintIsTheLabelPlusEachStylesPadding) {
    AuroraButton aurora(QStringLiteral("Get started"));
    KelpButton kelp(QStringLiteral("Add"));
    QuietButton quiet(QStringLiteral("Clear"));

    EXPECT_EQ(aurora.font().pixelSize(), 12);
    EXPECT_EQ(aurora.font().weight(), QFont::Medium);
    EXPECT_NEAR(aurora.font().letterSpacing(), 0.8, 1.0 / 64);
    EXPECT_EQ(kelp.font().weight(), QFont::Medium);
    EXPECT_EQ(quiet.font().weight(), QFont::Normal);

    EXPECT_EQ(aurora.sizeHint(),
              textSize(aurora.font(), QStringLiteral("GET STARTED")) + QSize(36, 18))
        << "the aurora label is measured in capitals";
    EXPECT_EQ(kelp.sizeHint(), textSize(kelp.font(), QStringLiteral("Add")) + QSize(28, 14));
    EXPECT_EQ(quiet.sizeHint(), textSize(quiet.font(), QStringLiteral("Clear")) + QSize(24, 12));

    kelp.setGlyph(QStringLiteral("arrow.right"), 10);
    EXPECT_EQ(kelp.sizeHint().width(),
              textSize(kelp.font(), QStringLiteral("Add")).width() + 10 + 6 + 28);
}

TEST(Buttons, KelpFillTurnsKelpHiOnlyWhileHeldDown) {
    KelpButton button(QStringLiteral("Add"));
    button.resize(100, 30);
    EXPECT_TRUE(near(pixel(render(button), 4, 15), Theme::kelp, 1));
    // The hairline overlay sits on the fill, inside the 100 × 30 bounds.
    const QImage rest = render(button);
    EXPECT_EQ(rest.size(), QSize(100, 30));
    EXPECT_TRUE(near(pixel(rest, 50, 0), over(Theme::kelp, Theme::hairline), 2));
    EXPECT_TRUE(near(pixel(rest, 50, 29), over(Theme::kelp, Theme::hairline), 2));

    button.show();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_TRUE(button.isDown());
    EXPECT_TRUE(near(pixel(render(button), 4, 15), Theme::kelpHi, 1));
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(near(pixel(render(button), 4, 15), Theme::kelp, 1));
}

TEST(Buttons, AuroraPaintsTheGradientAndDimsAsAWholeWhilePressed) {
    AuroraButton button(QStringLiteral("go"));
    button.resize(120, 34);
    const QImage rest = render(button);
    const QColor window = button.palette().color(QPalette::Window);
    // Leading end is the gradient's first stop, trailing end its last.
    EXPECT_TRUE(near(pixel(rest, 3, 17), colorFromHex(0xCBFFFC), 3));
    EXPECT_TRUE(near(pixel(rest, 116, 17), colorFromHex(0xFAD1FF), 4));
    EXPECT_TRUE(near(pixel(rest, 0, 0), window, 2)) << "rounded corner";

    button.setDown(true);
    const QImage down = render(button);
    EXPECT_TRUE(near(pixel(down, 3, 17), test::mixed(window, colorFromHex(0xCBFFFC), 0.8), 3));
}

TEST(Buttons, QuietHasNoFillAndItsLabelTurnsPlatinumWhilePressed) {
    QuietButton button(QStringLiteral("MMMMMMMM"));
    button.resize(button.sizeHint());
    const QColor window = button.palette().color(QPalette::Window);
    const QImage rest = render(button);
    EXPECT_TRUE(near(pixel(rest, 4, button.height() / 2), window, 1)) << "the pane shows through";
    EXPECT_TRUE(near(pixel(rest, button.width() / 2, 0), over(window, Theme::hairlineStrong), 2));
    EXPECT_TRUE(test::contains(rest, Theme::silver, 6));
    EXPECT_FALSE(test::contains(rest, Theme::platinum, 6));

    button.setDown(true);
    const QImage down = render(button);
    EXPECT_TRUE(test::contains(down, Theme::platinum, 6));
}

TEST(Buttons, KeyboardReachesAndPressesThem) {
    QWidget window;
    auto* first = new KelpButton(QStringLiteral("One"), &window);
    auto* second = new QuietButton(QStringLiteral("Two"), &window);
    second->move(0, 40);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(first->focusPolicy(), Qt::TabFocus) << "a click never takes focus from a field";

    first->setFocus(Qt::TabFocusReason);
    QSignalSpy firstClicks(first, &QAbstractButton::clicked);
    QTest::keyClick(first, Qt::Key_Space);
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(firstClicks.count(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_TRUE(second->controlState().focused);
    // The focus ring shows only with focus.
    EXPECT_TRUE(test::contains(render(*second), Theme::focusRing, 8));
    EXPECT_FALSE(test::contains(render(*first), Theme::focusRing, 8));
}

TEST(Buttons, DataTextsShowTheirAmpersandsAndScreenReadersHearTheLabel) {
    KelpButton button(escapeMnemonics(QStringLiteral("R&D")));
    EXPECT_EQ(shownMnemonicText(button.text()), QStringLiteral("R&D"));
    EXPECT_EQ(shownMnemonicText(QStringLiteral("&Open")), QStringLiteral("Open"));
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::Button);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("R&D"));

    AuroraButton aurora(QStringLiteral("Get started"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&aurora)->text(QAccessible::Name),
              QStringLiteral("Get started"))
        << "capitals are a look, not the name";
}

TEST(GlyphButton, AGlyphWithRoomForTheFocusRingThatClicksAndIsNamed) {
    GlyphButton button(QStringLiteral("trash"), 11, Theme::silver);
    EXPECT_EQ(button.sizeHint(), QSize(15, 15));
    button.setAccessibleName(QStringLiteral("Delete"));
    button.resize(button.sizeHint());
    const QImage rest = render(button);
    EXPECT_TRUE(test::contains(rest, Theme::silver, 4));

    button.show();
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(7, 7));
    QTest::keyClick(&button, Qt::Key_Enter);
    EXPECT_EQ(clicked.count(), 2);

    button.setGlyph(QStringLiteral("checkmark"));
    EXPECT_NE(render(button), rest);
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&button);
    EXPECT_EQ(access->role(), QAccessible::Button);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Delete"));
}

} // namespace
} // namespace tavik::design
