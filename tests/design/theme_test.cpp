// Tokens, fonts and the application-wide look.
#include "app/shell/design/look.h"
#include "app/shell/design/theme.h"

#include <QApplication>
#include <QFontInfo>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <gtest/gtest.h>

namespace tavik::design {
namespace {

TEST(Theme, HexColoursAreTheirBytesAtFullOpacity) {
    const QColor deep = colorFromHex(0x011D1C);
    EXPECT_EQ(deep.red(), 1);
    EXPECT_EQ(deep.green(), 29);
    EXPECT_EQ(deep.blue(), 28);
    EXPECT_EQ(deep.alpha(), 255);
    EXPECT_EQ(deep, Theme::deep);
    EXPECT_EQ(colorFromHex(0xAB011D1C), Theme::deep) << "the top byte is ignored";
    EXPECT_EQ(colorFromHex(0), QColor(0, 0, 0, 255));
    EXPECT_EQ(colorFromHex(0xFFFFFF), QColor(255, 255, 255, 255));
}

TEST(Theme, TokensHoldTheirValues) {
    EXPECT_EQ(Theme::abyss.name(), "#012624");
    EXPECT_EQ(Theme::kelp.name(), "#003734");
    EXPECT_EQ(Theme::kelpHi.name(), "#004a46");
    EXPECT_EQ(Theme::platinum.name(), "#ffffff");
    EXPECT_EQ(Theme::mist.name(), "#edfffe");
    EXPECT_EQ(Theme::silver.name(), "#bbc7c6");
    EXPECT_EQ(Theme::slate.name(), "#707777");
    EXPECT_EQ(Theme::phosphor.name(), "#fde9ff");
    EXPECT_EQ(Theme::auroraLabel, QColor(34, 34, 34));
    EXPECT_EQ(Theme::knobOn, colorFromHex(0x012624));
    EXPECT_EQ(Theme::radiusCard, 16);
    EXPECT_EQ(Theme::radiusSmall, 6);
}

TEST(Theme, HairlinesAreWhiteAtTheirOpacities) {
    for (const QColor& line : {Theme::hairline, Theme::hairlineStrong}) {
        EXPECT_EQ(line.rgb() & 0xFFFFFF, 0xFFFFFFu);
    }
    EXPECT_NEAR(Theme::hairline.alphaF(), 0.07, 1.0 / 65535);
    EXPECT_NEAR(Theme::hairlineStrong.alphaF(), 0.14, 1.0 / 65535);
}

TEST(Theme, GradientsRunLeadingToTrailingAcrossTheGivenRect) {
    const QRectF rect(10, 20, 200, 40);
    const QLinearGradient aurora = Theme::aurora(rect);
    EXPECT_EQ(aurora.start(), QPointF(10, 40));
    EXPECT_EQ(aurora.finalStop(), QPointF(210, 40));
    const QGradientStops stops = aurora.stops();
    ASSERT_EQ(stops.size(), 4);
    const qreal positions[] = {0, 1.0 / 3, 2.0 / 3, 1};
    const char* colours[] = {"#cbfffc", "#edfffe", "#fffdfa", "#fad1ff"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(stops[i].first, positions[i], 1e-9);
        EXPECT_EQ(stops[i].second.name(), colours[i]);
    }
    const QLinearGradient bio = Theme::bioluminescent(QRectF(0, 0, 34, 19));
    EXPECT_EQ(bio.start(), QPointF(0, 9.5));
    EXPECT_EQ(bio.finalStop(), QPointF(34, 9.5));
    ASSERT_EQ(bio.stops().size(), 2);
    EXPECT_EQ(bio.stops()[0].second.name(), "#00827c");
    EXPECT_EQ(bio.stops()[1].second.name(), "#cbfffc");
}

TEST(Theme, FontsAreSizedInPixelsInInter) {
    const QFont title = Theme::font(30, QFont::Medium, -0.8);
    EXPECT_EQ(title.pixelSize(), 30);
    EXPECT_EQ(title.pointSize(), -1) << "a point size would draw a third too large";
    EXPECT_EQ(title.weight(), QFont::Medium);
    EXPECT_EQ(title.letterSpacingType(), QFont::AbsoluteSpacing);
    EXPECT_NEAR(title.letterSpacing(), -0.8, 1.0 / 64) << "kept in 64ths of a pixel";
    EXPECT_EQ(QFontInfo(title).family(), "Inter") << "scripts/setup installs fonts-inter";
    EXPECT_EQ(QFontInfo(title).pixelSize(), 30);

    const QFont body = Theme::body();
    EXPECT_EQ(body.pixelSize(), 13);
    EXPECT_EQ(body.weight(), QFont::Normal);

    const QFont mono = Theme::mono(13);
    EXPECT_EQ(mono.pixelSize(), 13);
    EXPECT_TRUE(QFontInfo(mono).fixedPitch());
}

TEST(Look, TheApplicationWearsTheDarkPaletteTheBodyFontAndFusion) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    applyTavikLook(*app);
    auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->baseStyle()->name(), "fusion");
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(palette.color(QPalette::Window), Theme::abyss);
    EXPECT_EQ(palette.color(QPalette::Base), Theme::deep);
    // Plain text must read as light on the dark surfaces whatever the desktop's own theme.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        const QColor text = palette.color(QPalette::Active, role);
        EXPECT_GT(text.lightnessF(), 0.8) << int(role);
        EXPECT_EQ(palette.color(QPalette::Inactive, role), text) << int(role);
    }
    EXPECT_EQ(QApplication::font().pixelSize(), 13);
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), "Inter");
    // Applying twice keeps the palette the desktop offered first.
    const QPalette desktop = desktopPalette();
    applyTavikLook(*app);
    EXPECT_EQ(desktopPalette(), desktop);
    EXPECT_NE(desktop.color(QPalette::Window), Theme::abyss);
}

TEST(Look, ScrollBarsAreThinWithoutArrowsAndTheirThumbFollowsThePage) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    applyTavikLook(*app);
    QWidget host;
    host.setAutoFillBackground(true);
    host.resize(10, 400);
    QScrollBar& bar = *new QScrollBar(Qt::Vertical, &host);
    bar.setRange(0, 300);
    bar.setPageStep(100);
    bar.resize(bar.sizeHint().width(), 400);
    EXPECT_EQ(bar.sizeHint().width(), 10);
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = 300;
    option.pageStep = 100;
    option.sliderPosition = 0;
    QStyle* style = QApplication::style();
    EXPECT_TRUE(
        style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, &bar)
            .isEmpty());
    const QRect thumb =
        style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
    EXPECT_EQ(thumb, QRect(0, 0, 10, 100)) << "a page of 100 in 400 is a quarter of the track";
    option.sliderPosition = 300;
    EXPECT_EQ(
        style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar),
        QRect(0, 300, 10, 100));

    bar.setValue(300);
    const QImage image = bar.grab().toImage();
    const QColor track = QColor::fromRgba(image.pixel(5, 100));
    const QColor onThumb = QColor::fromRgba(image.pixel(5, 350));
    EXPECT_GT(onThumb.lightness(), track.lightness() + 20) << "a light thumb over the dark track";
}

TEST(Look, MenuPaletteIsDarkChromeWithMistTitles) {
    const QPalette menu = menuPalette();
    EXPECT_EQ(menu.color(QPalette::Active, QPalette::WindowText), Theme::mist);
    EXPECT_EQ(menu.color(QPalette::Active, QPalette::Text), Theme::mist);
    EXPECT_LT(menu.color(QPalette::Window).lightnessF(), 0.25);
}

} // namespace
} // namespace tavik::design
