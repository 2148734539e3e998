#pragma once

#include <QColor>
#include <QFont>
#include <QGradientStops>
#include <QLinearGradient>
#include <QRectF>

#include <cstdint>

namespace tavik::design {

// The sRGB colour of 0xRRGGBB at full opacity; the top byte is ignored.
QColor colorFromHex(std::uint32_t rgb);

// The one source of Tavik's colours, gradients, hairlines, radii and fonts. Sizes are logical
// pixels: the design's point sizes sit on a 72-per-inch grid that Qt draws one to one.
struct Theme {
    static const QColor deep;     // darkest surface: sidebar, field and well fills, slider track
    static const QColor abyss;    // main window background
    static const QColor kelp;     // cards, selected rows, kelp buttons
    static const QColor kelpHi;   // kelp button while pressed
    static const QColor platinum; // strongest text
    static const QColor mist;     // primary light text
    static const QColor silver;   // secondary text, section labels
    static const QColor slate;    // tertiary text
    static const QColor phosphor; // the accent

    static const QColor hairline;       // white at 0.07: card, well and divider strokes
    static const QColor hairlineStrong; // white at 0.14: quiet button and idle field borders

    static constexpr qreal radiusCard = 16;
    static constexpr qreal radiusSmall = 6;

    // Gradient stops, evenly spaced, leading to trailing.
    static const QGradientStops auroraStops;
    static const QGradientStops bioluminescentStops;

    // The gradients laid across `rect` from its left middle to its right middle: a gradient
    // always spans the shape it fills, never the widget around it.
    static QLinearGradient aurora(const QRectF& rect);
    static QLinearGradient bioluminescent(const QRectF& rect);

    // The interface font at a pixel size, weight and letter spacing (absolute pixels).
    static QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal, qreal tracking = 0);
    static QFont mono(qreal pixelSize, QFont::Weight weight = QFont::Normal);
    static QFont body(); // 13 px regular
};

} // namespace tavik::design
