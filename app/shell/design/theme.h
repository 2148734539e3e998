#pragma once

#include <QColor>
#include <QFont>
#include <QGradientStops>
#include <QLinearGradient>
#include <QRectF>

#include <cstdint>

namespace tavik::design {

// The sRGB colour of 0xRRGGBB at full opacity; the top byte is ignored.
constexpr QColor colorFromHex(std::uint32_t rgb) {
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// White at an opacity, kept at the colour's full 16-bit precision so 0.07 stays 0.07.
constexpr QColor whiteAt(double opacity) {
    return QColor(QColor::Rgb, ushort(opacity * 0xFFFF + 0.5), 0xFFFF, 0xFFFF, 0xFFFF);
}

// The one source of Tavik's colours, gradients, hairlines, radii and fonts. Sizes are logical
// pixels: the design's point sizes sit on a 72-per-inch grid that Qt draws one to one. The
// colours are constant expressions, so no start-up order can ever read one unset.
struct Theme {
    static constexpr QColor deep = colorFromHex(0x011D1C);     // sidebar, fields, wells, tracks
    static constexpr QColor abyss = colorFromHex(0x012624);    // main window background
    static constexpr QColor kelp = colorFromHex(0x003734);     // cards, selected rows
    static constexpr QColor kelpHi = colorFromHex(0x004A46);   // kelp button while pressed
    static constexpr QColor platinum = colorFromHex(0xFFFFFF); // strongest text
    static constexpr QColor mist = colorFromHex(0xEDFFFE);     // primary light text
    static constexpr QColor silver = colorFromHex(0xBBC7C6);   // secondary text, section labels
    static constexpr QColor slate = colorFromHex(0x707777);    // tertiary text
    static constexpr QColor phosphor = colorFromHex(0xFDE9FF); // the accent

    static constexpr QColor hairline = whiteAt(0.07);       // card, well and divider strokes
    static constexpr QColor hairlineStrong = whiteAt(0.14); // quiet button, idle field borders

    // Label of the aurora button, the one literal colour of the buttons.
    static constexpr QColor auroraLabel = colorFromHex(0x222222);
    // The switch's knob while on.
    static constexpr QColor knobOn = colorFromHex(0x012624);

    // Colours the controls need beyond the palette above: the keyboard focus ring (every control
    // is reachable by keyboard, so the focused one must show it) and the text colours of the dark
    // appearance for texts that name no colour of their own.
    static constexpr QColor focusRing = colorFromHex(0x5FD6CE);
    static constexpr QColor label = whiteAt(0.85);
    static constexpr QColor secondaryLabel = whiteAt(0.55);
    static constexpr QColor placeholder = whiteAt(0.30);

    static constexpr qreal radiusCard = 16;
    static constexpr qreal radiusSmall = 6;

    // Gradient stops, evenly spaced, leading to trailing.
    static const QGradientStops auroraStops;
    static const QGradientStops bioluminescentStops;

    // The gradients laid across `rect` from its left middle to its right middle: a gradient
    // always spans the shape it fills, never the widget around it.
    static QLinearGradient aurora(const QRectF& rect);
    static QLinearGradient bioluminescent(const QRectF& rect);

    // The interface font (Inter) at a pixel size, weight and letter spacing in pixels.
    static QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal, qreal tracking = 0);
    static QFont mono(qreal pixelSize, QFont::Weight weight = QFont::Normal);
    static QFont body(); // 13 px regular

    static constexpr const char* fontFamily = "Inter";
    static constexpr const char* monoFontFamily = "DejaVu Sans Mono";
};

} // namespace tavik::design
