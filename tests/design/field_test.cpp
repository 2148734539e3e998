// The text field as a person uses it: typing, Return, the pointer over it.
#include "app/shell/design/field.h"
#include "app/shell/design/theme.h"
#include "tests/design/design_test_support.h"
#include "tests/support/paste.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::design {
namespace {

using test::near;
using test::over;
using test::pixel;
using test::render;

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override { Motion::setEnabled(false); }
    void TearDown() override {
        Motion::setEnabled(true);
        Motion::setClock({});
    }

    static void enter(QWidget& widget) {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(&widget, &event);
    }
    static void leave(QWidget& widget) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&widget, &event);
    }
};

QColor hoverBorder() {
    QColor c = Theme::mist;
    c.setAlphaF(0.5f);
    return c;
}

TEST_F(FieldTest, TypingReportsEachChangeAndReturnSubmits) {
    TavikField field(QStringLiteral("Add a word"));
    EXPECT_EQ(field.placeholder(), QStringLiteral("Add a word"));
    EXPECT_EQ(field.lineEdit()->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(field.lineEdit()->font().pixelSize(), 13);
    EXPECT_FALSE(QFontInfo(field.lineEdit()->font()).fixedPitch());
    EXPECT_EQ(field.lineEdit()->palette().color(QPalette::Text), Theme::mist);
    field.show();

    QSignalSpy edited(&field, &TavikField::textEdited);
    QSignalSpy submitted(&field, &TavikField::submitted);
    QTest::keyClicks(field.lineEdit(), QStringLiteral("Kub"));
    ASSERT_EQ(edited.count(), 3);
    EXPECT_EQ(edited[0][0].toString(), QStringLiteral("K"));
    EXPECT_EQ(edited[2][0].toString(), QStringLiteral("Kub"));
    QTest::keyClick(field.lineEdit(), Qt::Key_Return);
    QTest::keyClick(field.lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(submitted.count(), 2);
    EXPECT_EQ(field.text(), QStringLiteral("Kub")) << "Return leaves the text as it is";

    // The caller's value coming back: an equal one keeps the cursor, a new one shows.
    field.lineEdit()->setCursorPosition(1);
    field.setText(QStringLiteral("Kub"));
    EXPECT_EQ(field.lineEdit()->cursorPosition(), 1);
    field.setText(QStringLiteral("Kubernetes"));
    EXPECT_EQ(field.text(), QStringLiteral("Kubernetes"));
    EXPECT_EQ(edited.count(), 3) << "the caller's own value is not an edit";
}

TEST_F(FieldTest, PastedLineBreaksAndTabsBecomeSpaces) {
    TavikField field(QStringLiteral("Add a word"));
    field.show();
    QSignalSpy edited(&field, &TavikField::textEdited);
    QTest::keyClicks(field.lineEdit(), QStringLiteral("ab"));
    field.lineEdit()->setCursorPosition(1);

    // Every kind of line break (a CR LF pair is one) and every tab becomes one space.
    const QString pasted = QStringLiteral("1\r\n2\t3\n4") + QChar(0x2028) + QStringLiteral("5") +
                           QChar(0x2029) + QChar(0x0085) + QStringLiteral("\v\f\r");
    tavik::test::pasteInto(field.lineEdit(), pasted);
    const QString oneLine = QStringLiteral("a1 2 3 4 5     b");
    EXPECT_EQ(field.text(), oneLine);
    ASSERT_EQ(edited.count(), 3) << "one edit for the paste";
    EXPECT_EQ(edited.last()[0].toString(), oneLine) << "the edit reports what the field holds";
    EXPECT_EQ(field.lineEdit()->cursorPosition(), oneLine.indexOf(QLatin1Char('b')))
        << "the cursor stays after what was pasted";

    field.setText(QStringLiteral("x\ny"));
    EXPECT_EQ(field.text(), QStringLiteral("x y"));
}

TEST_F(FieldTest, SecureHidesTheCharactersAndStillSubmitsMonospacedIsFixedPitch) {
    TavikField secure(QStringLiteral("API key"), TavikField::Options{false, true});
    EXPECT_EQ(secure.lineEdit()->echoMode(), QLineEdit::Password);
    secure.show();
    QSignalSpy submitted(&secure, &TavikField::submitted);
    QTest::keyClicks(secure.lineEdit(), QStringLiteral("sk-1"));
    QTest::keyClick(secure.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(submitted.count(), 1);
    EXPECT_EQ(secure.text(), QStringLiteral("sk-1"));
    EXPECT_NE(secure.lineEdit()->displayText(), QStringLiteral("sk-1"));

    TavikField mono(QStringLiteral("https://"), TavikField::Options{true, false});
    EXPECT_TRUE(QFontInfo(mono.lineEdit()->font()).fixedPitch());
    EXPECT_EQ(QFontInfo(mono.lineEdit()->font()).pixelSize(), 13);
}

TEST_F(FieldTest, PaddingAndSizeHintFrameTheText) {
    TavikField field(QStringLiteral("x"));
    const int line = QFontMetrics(Theme::body()).height();
    EXPECT_EQ(field.sizeHint().height(), line + 18);
    field.resize(240, field.sizeHint().height());
    field.show();
    field.layout()->activate();
    // The line edit keeps 2 px beside and 1 px above its text: the text starts 12 and 9 in.
    EXPECT_EQ(field.lineEdit()->geometry().topLeft(), QPoint(10, 8));
    const QImage image = render(field);
    EXPECT_TRUE(near(pixel(image, 120, 1), Theme::deep, 1));
    EXPECT_TRUE(near(pixel(image, 120, 0), over(Theme::deep, Theme::hairlineStrong), 2));
}

TEST_F(FieldTest, TheBorderBrightensUnderThePointerNotWithKeyboardFocus) {
    TavikField field(QStringLiteral("one"));
    TavikField other(QStringLiteral("two"));
    const int h = field.sizeHint().height();
    field.resize(200, h);
    other.resize(200, h);
    const QColor resting = over(Theme::deep, Theme::hairlineStrong);
    const QColor lit = over(Theme::deep, hoverBorder());

    field.lineEdit()->setFocus();
    EXPECT_TRUE(near(pixel(render(field), 100, h - 1), resting, 2));

    enter(field);
    EXPECT_TRUE(field.hovered());
    EXPECT_TRUE(near(pixel(render(field), 100, h - 1), lit, 2));
    EXPECT_FALSE(other.hovered()) << "each field has its own flag";
    EXPECT_TRUE(near(pixel(render(other), 100, h - 1), resting, 2));
    leave(field);
    EXPECT_FALSE(field.hovered());
    EXPECT_TRUE(near(pixel(render(field), 100, h - 1), resting, 2));
}

TEST_F(FieldTest, TheBorderCrossfadesOverTheFieldsDuration) {
    Motion::setEnabled(true);
    qint64 now = 1000;
    Motion::setClock([&] { return now; });
    TavikField field(QStringLiteral("one"));
    enter(field);
    EXPECT_DOUBLE_EQ(field.borderMix(), 0);
    now += TavikField::durationMs / 2;
    EXPECT_GT(field.borderMix(), 0.5) << "ease-out is past halfway at half time";
    EXPECT_LT(field.borderMix(), 1);
    leave(field); // reversed from where it is, not from the end
    const double reversedFrom = field.borderMix();
    EXPECT_GT(reversedFrom, 0.5);
    now += TavikField::durationMs;
    EXPECT_DOUBLE_EQ(field.borderMix(), 0);
}

TEST_F(FieldTest, ScreenReadersFindAnEditableTextNamedByThePlaceholder) {
    TavikField field(QStringLiteral("Search"));
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(field.lineEdit());
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::EditableText);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Search"));
}

} // namespace
} // namespace tavik::design
