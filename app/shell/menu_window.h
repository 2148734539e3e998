#pragma once

class QMenu;

namespace tavik {

// Makes the menu's native window now, hidden, and keeps it for the menu's whole life. Qt
// destroys a top-level window whenever it closes (Escape, a click elsewhere, a chosen item all
// close a menu) and makes it anew at the next opening, which costs that opening a frame or
// more; a kept window only has to be mapped.
void keepNativeWindow(QMenu& menu);

// Gives the closed menu's window, kept as above, its pixels at the size the menu now needs, and
// touches them, while nothing waits: the next opening otherwise sets up that memory with the X
// server and faults every page of it in between the click and the menu's first pixels.
void preparePixels(QMenu& menu);

} // namespace tavik
