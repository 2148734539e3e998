#pragma once

#include <QList>
#include <QMargins>
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
// `minimum` and the screen's available area (a screen smaller than `minimum` wins: a window
// larger than its screen cannot be reached whole), centred on the screen that holds the saved
// frame's centre, or on the primary screen (the first of `screens`, their available areas)
// when that screen is gone. No screens: the size at the origin.
QRect placement(const std::optional<QRect>& saved, QSize defaultSize, QSize minimum,
                const QList<QRect>& screens);

// The window's area once the window manager has framed it (its decorations `frame` around
// `client`) brought whole onto `available`: shrunk by what it overhangs, then moved so the
// title bar can be reached. Nothing when it is inside already.
std::optional<QRect> fitFramed(const QRect& client, const QMargins& frame, const QRect& available);

} // namespace tavik::window_frame
