// Every symbol name the windows ask for has a drawing of its own, painted in the asked colour.
#include "app/shell/design/glyphs.h"
#include "app/shell/design/theme.h"
#include "tests/design/design_test_support.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace tavik::design {
namespace {

const QStringList& namesTheWindowsUse() {
    static const QStringList names = {"arrow.down.circle",
                                      "arrow.right",
                                      "arrow.trianglehead.2.clockwise",
                                      "arrow.up.right.square",
                                      "bolt.fill",
                                      "character.book.closed",
                                      "chart.bar",
                                      "checkmark",
                                      "chevron.down",
                                      "circle",
                                      "doc.on.doc",
                                      "exclamationmark.triangle",
                                      "exclamationmark.triangle.fill",
                                      "flame",
                                      "gauge.with.needle",
                                      "gearshape",
                                      "largecircle.fill.circle",
                                      "lock.shield",
                                      "magnifyingglass",
                                      "mic",
                                      "mic.fill",
                                      "note.text",
                                      "play.fill",
                                      "stop.fill",
                                      "text.alignleft",
                                      "text.badge.plus",
                                      "trash",
                                      "wand.and.stars",
                                      "waveform",
                                      "waveform.circle.fill",
                                      "xmark.circle.fill"};
    return names;
}

// Share of the image's pixels that carry ink, and whether all ink is the one colour.
struct Coverage {
    double inked = 0;
    bool oneColour = true;
};

Coverage coverage(const QImage& image, const QColor& colour) {
    Coverage result;
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() == 0) {
                continue;
            }
            ++inked;
            if (c.alpha() > 200 && !test::near(QColor(c.rgb()), colour, 8)) {
                result.oneColour = false;
            }
        }
    }
    result.inked = double(inked) / (image.width() * image.height());
    return result;
}

TEST(Glyphs, EveryNameTheWindowsUseHasADrawingThatInksInItsColour) {
    for (const QString& name : namesTheWindowsUse()) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(hasGlyph(name));
        for (int size : {10, 16, 20}) {
            const QImage image = glyphPixmap(name, Theme::phosphor, size)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(image.size(), QSize(size, size));
            const Coverage ink = coverage(image, Theme::phosphor);
            EXPECT_GT(ink.inked, 0.04) << size << " px draws something";
            EXPECT_LT(ink.inked, 0.95) << size << " px is a drawing, not a block";
            EXPECT_TRUE(ink.oneColour) << size;
        }
    }
    EXPECT_EQ(glyphNames().size(), namesTheWindowsUse().size()) << "no glyph nobody uses";
}

TEST(Glyphs, DrawingsDifferFromEachOther) {
    QStringList seen;
    QList<QImage> images;
    for (const QString& name : glyphNames()) {
        const QImage image = glyphPixmap(name, Theme::mist, 20).toImage();
        for (int i = 0; i < images.size(); ++i) {
            EXPECT_NE(image, images[i])
                << name.toStdString() << " looks like " << seen[i].toStdString();
        }
        images.append(image);
        seen.append(name);
    }
}

TEST(Glyphs, FilledAndOutlinedVariantsShowTheirDifferenceAtTheCentre) {
    auto centreAlpha = [](const QString& name) {
        return glyphPixmap(name, Theme::mist, 24).toImage().pixelColor(12, 12).alpha();
    };
    EXPECT_EQ(centreAlpha("circle"), 0);
    EXPECT_GT(centreAlpha("largecircle.fill.circle"), 200);
    EXPECT_EQ(centreAlpha("xmark.circle.fill"), 0) << "the cross is cut out of the disc";
    EXPECT_GT(glyphPixmap("xmark.circle.fill", Theme::mist, 24).toImage().pixelColor(12, 4).alpha(),
              200);
    EXPECT_GT(centreAlpha("stop.fill"), 200);
}

TEST(Glyphs, PixmapsAreCachedAndFollowTheDevicePixelRatio) {
    const QPixmap first = glyphPixmap("trash", Theme::silver, 11);
    const QPixmap again = glyphPixmap("trash", Theme::silver, 11);
    EXPECT_EQ(first.cacheKey(), again.cacheKey());
    EXPECT_NE(glyphPixmap("trash", Theme::mist, 11).cacheKey(), first.cacheKey());
    const QPixmap sharp = glyphPixmap("trash", Theme::silver, 11, 2);
    EXPECT_EQ(sharp.size(), QSize(22, 22));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2);
    EXPECT_TRUE(glyphPixmap("trash", Theme::silver, 0).isNull());
}

TEST(Glyphs, AnUnknownNameStillShowsSomething) {
    EXPECT_FALSE(hasGlyph("no.such.symbol"));
    const QImage image = glyphPixmap("no.such.symbol", Theme::mist, 16).toImage();
    EXPECT_GT(coverage(image, Theme::mist).inked, 0.05);
}

TEST(GlyphView, IsItsSizeAndPaintsCentred) {
    GlyphView view("stop.fill", 12, Theme::mist);
    EXPECT_EQ(view.sizeHint(), QSize(12, 12));
    view.resize(16, 16);
    const QImage image = test::render(view);
    EXPECT_TRUE(test::near(test::pixel(image, 8, 8), Theme::mist, 2));
    view.setColor(Theme::phosphor);
    EXPECT_TRUE(test::near(test::pixel(test::render(view), 8, 8), Theme::phosphor, 2));
}

} // namespace
} // namespace tavik::design
