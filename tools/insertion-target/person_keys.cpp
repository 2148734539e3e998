#include "person_keys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

void pressAsAPersonWould(unsigned keycode) {
    static Display* display = XOpenDisplay(nullptr); // kept: the key stays held
    if (display == nullptr) {
        return;
    }
    XTestFakeKeyEvent(display, keycode, True, 0);
    XFlush(display);
}
