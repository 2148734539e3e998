#pragma once

#include <QDir>
#include <QPainterPath>

namespace brand_icons {

// Writes the tray's symbolic icons, one per dictation state, into RESOURCES_DIR/icons/hicolor/
// scalable/status/com.trelvanic.tavik-<state>-symbolic.svg, from the same drawings the tray's
// pixmaps use.
bool writeSymbolicIcons(const QDir& resources);

// The mark's strokes at rest (the monogram 2.6 units wide, the bars 2, round caps) as one
// outline on its 24-unit grid.
QPainterPath markOutline();

} // namespace brand_icons
