#pragma once

#include "app/dictation/dictation_state.h"

#include <QIcon>
#include <QString>

namespace tavik::tray_icons {

// The tray icon's name for a dictation state: the application's own artwork "menubarTemplate"
// at rest, else the glyph of the state ("arrow.trianglehead.2.clockwise", "mic.fill",
// "waveform", "exclamationmark.triangle").
QString iconName(const dictation::State& state);

// The icon of that name, one colour like a panel's own icons. The artwork comes from the
// resources folder; when it is missing or unreadable, and for a name without a glyph, the
// "waveform" glyph stands in.
QIcon icon(const QString& name);

inline constexpr const char* restingArtwork = "menubarTemplate";

// Tavik's own icon for its windows and the window manager (the brand mark on a deep tile), from
// the resources folder's hicolor set; empty when the set is missing.
QIcon applicationIcon();

inline constexpr int applicationIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace tavik::tray_icons
