#pragma once

#include <QPalette>

class QApplication;

namespace tavik::design {

// Tavik's windows always wear the dark appearance. Its surfaces are fixed dark colours, so a text
// that followed a light desktop's palette would be dark grey on near-black: every colour role
// here is fixed to what the dark appearance gives.
QPalette tavikPalette();

// The dark menu chrome with mist titles (menus popped up from Tavik's own surfaces).
QPalette menuPalette();

// The application-wide look, called once at start-up before any window exists (the program, the
// screenshot tool and the gallery alike): the Fusion style (it honours palettes and draws the same
// on every desktop and offscreen) with Tavik's thin scroll bars, the dark palette, tooltips to
// match, and the body font, Inter at 13 px.
void applyTavikLook(QApplication& app);

// The palette the desktop's style offered before applyTavikLook replaced it, for surfaces that
// keep the system look (the tray menu). Equal to the style's standard palette before the call.
QPalette desktopPalette();

} // namespace tavik::design
