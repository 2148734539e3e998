#pragma once

class QMenu;

namespace tavik {

// Makes the menu's native window now, hidden, and keeps it for the menu's whole life. Qt
// destroys a top-level window whenever it closes (Escape, a click elsewhere, a chosen item all
// close a menu) and makes it anew at the next opening, which costs that opening a frame or
// more; a kept window only has to be mapped.
void keepNativeWindow(QMenu& menu);

} // namespace tavik
