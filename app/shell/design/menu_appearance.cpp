#include "app/shell/design/menu_appearance.h"

#include "app/shell/design/look.h"
#include "app/shell/design/theme.h"

#include <QMenu>

namespace tavik::design {

void applyTavikAppearance(QMenu* menu) {
    if (!menu) {
        return;
    }
    menu->setPalette(menuPalette());
    menu->setFont(Theme::font(13));
    // Menus made from a translucent-capable style would show the desktop through rounded
    // corners; an opaque rectangle is the honest equivalent of the dark chrome.
    menu->setAttribute(Qt::WA_TranslucentBackground, false);
}

} // namespace tavik::design
