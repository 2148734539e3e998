#include "app/shell/tray_presence.h"

namespace tavik {

TrayPresence& TrayPresence::shared() {
    static TrayPresence instance;
    return instance;
}

void TrayPresence::setShown(bool shown) {
    if (shown != shown_) {
        shown_ = shown;
        emit shownChanged(shown);
    }
}

} // namespace tavik
