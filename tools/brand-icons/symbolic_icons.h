#pragma once

#include <QDir>

namespace brand_icons {

// Writes the tray's symbolic icons, one per dictation state, into RESOURCES_DIR/icons/hicolor/
// scalable/status/com.trelvanic.tavik-<state>-symbolic.svg, from the same drawings the tray's
// pixmaps use.
bool writeSymbolicIcons(const QDir& resources);

} // namespace brand_icons
