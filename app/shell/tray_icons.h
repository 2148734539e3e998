#pragma once

#include "app/dictation/dictation_state.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPalette>
#include <QString>

#include <optional>

namespace tavik::tray_icons {

// The tray icon's name for a dictation state: the application's own artwork "menubarTemplate"
// at rest, else the glyph of the state ("arrow.trianglehead.2.clockwise", "mic.fill",
// "waveform", "exclamationmark.triangle").
QString iconName(const dictation::State& state);

// The same drawing as a themed symbolic icon that panels recolour to their own text colour:
// "com.trelvanic.tavik-idle-symbolic", "-loading-", "-recording-", "-transcribing-",
// "-failed-symbolic". `cmake --install` puts them in the hicolor theme; themeFolder() holds them
// too, from the build tree or the install.
QString themedName(const dictation::State& state);
QString themeFolder();

// The sizes panels draw tray icons at (16 to 24 on most, 32 and 48 on scaled screens); each is
// drawn, not scaled.
inline constexpr int pixmapSizes[] = {16, 22, 24, 32, 48};

// WCAG contrast ratio of two colours, from 1 (none) to 21.
double contrast(const QColor& a, const QColor& b);

// Whether `ink` reads at least minimumContrast on white, on black and on the greys of common
// light and dark panels alike (which panel the icon lands on is not known).
bool readsOnEveryPanel(const QColor& ink);
// The ink of the icon's pixmaps, for panels that draw pixmaps as they are: the tray's own icon
// colour when it gives one. Otherwise the desktop palette's text colour when it reads on every
// panel, else that colour brought to the lightness that reads equally on the darkest light
// panel and the lightest dark one.
QColor ink(const std::optional<QColor>& trayForeground, const QPalette& desktop);
inline constexpr double minimumContrast = 3.0;

// The icon of that name in `ink`, at every size of pixmapSizes. The artwork comes from the
// resources folder; when it is missing or unreadable, and for a name without a glyph, the
// "waveform" glyph stands in.
QIcon icon(const QString& name, const QColor& ink);
QList<QImage> images(const QString& name, const QColor& ink);
// An icon of images already drawn (by images()), one pixmap per size.
QIcon icon(const QList<QImage>& images);

inline constexpr const char* restingArtwork = "menubarTemplate";

// Tavik's own icon for its windows and the window manager (the brand mark on a deep tile), from
// the resources folder's hicolor set; empty when the set is missing.
QIcon applicationIcon();

inline constexpr int applicationIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace tavik::tray_icons
