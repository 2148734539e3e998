// The tray icon for each dictation state: drawn at every panel size in an ink that reads on a
// light and a dark panel, named for the icon theme, and what stands in when the artwork is
// missing.
#include "app/shell/design/glyphs.h"
#include "app/shell/tray_icons.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using dictation::State;

const QList<State> allStates = {State::loading(), State::idle(), State::recording(),
                                State::transcribing(), State::failed("x")};

QPalette paletteWithText(const QColor& text) {
    QPalette palette;
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

TEST(TrayIcons, EachStateIsDrawnAtEveryPanelSizeInTheInkAlone) {
    EXPECT_EQ(tray_icons::iconName(State::idle()), "menubarTemplate");
    EXPECT_EQ(tray_icons::iconName(State::loading()), "arrow.trianglehead.2.clockwise");
    EXPECT_EQ(tray_icons::iconName(State::recording()), "mic.fill");
    EXPECT_EQ(tray_icons::iconName(State::transcribing()), "waveform");
    EXPECT_EQ(tray_icons::iconName(State::failed("x")), "exclamationmark.triangle");

    const QColor ink = tray_icons::ink(std::nullopt, paletteWithText(Qt::black));
    QList<QImage> seen;
    for (const State& state : allStates) {
        const QString name = tray_icons::iconName(state);
        EXPECT_TRUE(name == "menubarTemplate" || design::hasGlyph(name));
        const QList<QImage> images = tray_icons::images(name, ink);
        ASSERT_EQ(images.size(), 5) << name.toStdString();
        for (int i = 0; i < images.size(); ++i) {
            const QImage& image = images[i];
            EXPECT_EQ(image.size(), QSize(tray_icons::pixmapSizes[i], tray_icons::pixmapSizes[i]));
            int inked = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    inked += pixel.alpha() >= 128 ? 1 : 0;
                    if (pixel.alpha() == 255) {
                        EXPECT_EQ(pixel.rgb(), ink.rgb()) << name.toStdString();
                    }
                }
            }
            // Lines of mostly covered pixels even at the smallest size, not a filled square.
            EXPECT_GT(inked, image.width() * 2) << name.toStdString() << " at " << image.width();
            EXPECT_LT(inked, image.width() * image.height() * 3 / 4) << name.toStdString();
        }
        EXPECT_FALSE(seen.contains(images[2])) << "each state has its own drawing";
        seen << images[2];
    }
}

TEST(TrayIcons, InkReadsOnLightAndDarkPanelsUnlessTheTraySaysOtherwise) {
    // White and black panels, and the dark greys of XEmbed trays and themed panels, where a
    // grey balanced between white and black alone reads 2.7:1.
    const QList<QColor> panels = {Qt::white,
                                  Qt::black,
                                  QColor(0x31, 0x36, 0x3B),
                                  QColor(0x2B, 0x2B, 0x2B),
                                  QColor(0x3C, 0x3C, 0x3C),
                                  QColor(0x35, 0x35, 0x35),
                                  QColor(0xEF, 0xF0, 0xF1)};
    // Desktop palettes of every kind: black text, white text, a saturated colour, a mid grey.
    for (const QColor& text : {QColor(Qt::black), QColor(Qt::white), QColor(0x30, 0x50, 0xFF),
                               QColor(0xCB, 0xFF, 0xFC), QColor(0x80, 0x80, 0x80)}) {
        const QColor ink = tray_icons::ink(std::nullopt, paletteWithText(text));
        for (const QColor& panel : panels) {
            EXPECT_GE(tray_icons::contrast(ink, panel), 3.0)
                << text.name().toStdString() << " on " << panel.name().toStdString();
        }
        EXPECT_NEAR(ink.hue(), text.hue(), 2) << "the desktop's hue is kept";
        // A palette colour that already reads on every panel is taken as it is.
        EXPECT_EQ(tray_icons::ink(std::nullopt, paletteWithText(ink)), ink);
    }
    // The tray's own icon colour wins: it knows its background.
    EXPECT_EQ(tray_icons::ink(QColor(0xF0, 0xF0, 0xF0), paletteWithText(Qt::black)),
              QColor(0xF0, 0xF0, 0xF0));
    EXPECT_NEAR(tray_icons::contrast(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(tray_icons::contrast(Qt::white, Qt::white), 1.0, 1e-9);
}

TEST(TrayIcons, EveryStateHasASymbolicIconInTheThemeFolder) {
    QStringList names;
    for (const State& state : allStates) {
        const QString name = tray_icons::themedName(state);
        EXPECT_TRUE(name.startsWith("com.trelvanic.tavik-") && name.endsWith("-symbolic"));
        EXPECT_FALSE(names.contains(name));
        names << name;
        QFile svg(tray_icons::themeFolder() + "/hicolor/scalable/status/" + name + ".svg");
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly)) << svg.fileName().toStdString();
        const QByteArray text = svg.readAll();
        EXPECT_TRUE(text.startsWith("<svg")) << name.toStdString();
        // Panels recolour a symbolic icon by replacing its fills: strokes would stay grey.
        EXPECT_TRUE(text.contains("<path")) << name.toStdString();
        EXPECT_FALSE(text.contains("stroke")) << name.toStdString();
    }
}

TEST(TrayIcons, MissingArtworkFallsBackToTheWaveformGlyph) {
    QTemporaryDir empty;
    qputenv("TAVIK_RESOURCES_DIR", empty.path().toUtf8());
    const QColor ink(0x76, 0x76, 0x76);
    const QIcon resting = tray_icons::icon("menubarTemplate", ink);
    ASSERT_FALSE(resting.isNull());
    const QImage shown = resting.pixmap(22, 22).toImage();
    const QImage waveform = tray_icons::icon("waveform", ink).pixmap(22, 22).toImage();
    EXPECT_EQ(shown, waveform);
    // A name without a glyph of its own gets the artwork's stand-in too, never nothing.
    EXPECT_FALSE(tray_icons::icon("no.such.symbol", ink).isNull());
    EXPECT_TRUE(tray_icons::applicationIcon().isNull());
    qunsetenv("TAVIK_RESOURCES_DIR");
    EXPECT_FALSE(tray_icons::applicationIcon().isNull());
}

} // namespace
} // namespace tavik
