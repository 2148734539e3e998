// The tray icon for each dictation state, and what stands in when the artwork is missing.
#include "app/shell/design/glyphs.h"
#include "app/shell/design/theme.h"
#include "app/shell/tray_icons.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using dictation::State;

// The share of pixels that carry ink.
double inked(const QIcon& icon, int size) {
    const QImage image = icon.pixmap(size, size).toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
        }
    }
    return double(count) / (image.width() * image.height());
}

TEST(TrayIcons, EachStateHasItsOwnDrawingInThePanelsInk) {
    EXPECT_EQ(tray_icons::iconName(State::idle()), "menubarTemplate");
    EXPECT_EQ(tray_icons::iconName(State::loading()), "arrow.trianglehead.2.clockwise");
    EXPECT_EQ(tray_icons::iconName(State::recording()), "mic.fill");
    EXPECT_EQ(tray_icons::iconName(State::transcribing()), "waveform");
    EXPECT_EQ(tray_icons::iconName(State::failed("x")), "exclamationmark.triangle");
    for (const State& state :
         {State::loading(), State::recording(), State::transcribing(), State::failed("x")}) {
        EXPECT_TRUE(design::hasGlyph(tray_icons::iconName(state)));
    }

    // The resting artwork is a one-colour template tinted like the panel's own icons.
    const QIcon resting = tray_icons::icon("menubarTemplate");
    ASSERT_FALSE(resting.isNull());
    const QImage image = resting.pixmap(36, 36).toImage();
    bool sawInk = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                sawInk = true;
                EXPECT_EQ(pixel.rgb(), design::Theme::mist.rgb());
            }
        }
    }
    EXPECT_TRUE(sawInk);
    EXPECT_GT(inked(tray_icons::icon("mic.fill"), 22), 0.05);
}

TEST(TrayIcons, MissingArtworkFallsBackToTheWaveformGlyph) {
    QTemporaryDir empty;
    qputenv("TAVIK_RESOURCES_DIR", empty.path().toUtf8());
    const QIcon resting = tray_icons::icon("menubarTemplate");
    ASSERT_FALSE(resting.isNull());
    const QImage shown = resting.pixmap(22, 22).toImage();
    const QImage waveform = tray_icons::icon("waveform").pixmap(22, 22).toImage();
    EXPECT_EQ(shown, waveform);
    // A name without a glyph of its own gets the artwork's stand-in too, never nothing.
    EXPECT_FALSE(tray_icons::icon("no.such.symbol").isNull());
    EXPECT_TRUE(tray_icons::applicationIcon().isNull());
    qunsetenv("TAVIK_RESOURCES_DIR");
    EXPECT_FALSE(tray_icons::applicationIcon().isNull());
}

} // namespace
} // namespace tavik
