#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace tavik::window_frame {

// The frame as the defaults store keeps it: "x y w h" in whole pixels.
QString format(const QRect& frame);
// Four integers separated by spaces, with a positive size; anything else is no frame.
std::optional<QRect> parse(const QString& text);

// Where the main window opens: the saved size, or `defaultSize` without one, kept between
// `minimum` and the screen's available area, centred on the screen that holds the saved
// frame's centre, or on the primary screen (the first of `screens`, their available areas)
// when that screen is gone. No screens: the size at the origin.
QRect placement(const std::optional<QRect>& saved, QSize defaultSize, QSize minimum,
                const QList<QRect>& screens);

} // namespace tavik::window_frame
