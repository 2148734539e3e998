#pragma once

#include <QString>

namespace tavik::platform {

// Why the X11 display Tavik is to run on cannot be reached ("Tavik needs an X11 display: …",
// naming the DISPLAY variable), or empty when it can or when Qt is told to draw elsewhere
// (QT_QPA_PLATFORM other than xcb, as the offscreen tests do). Asked before the application
// object exists: Qt itself would abort the process without a display.
QString whyNoDisplay();

} // namespace tavik::platform
