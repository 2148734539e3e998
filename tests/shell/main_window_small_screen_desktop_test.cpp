// The main window on a screen smaller than the window's own size and minimum (1280x800 at
// 200 %: 640x400 logical, less the tray panel on top): it opens whole on the screen, title bar
// included, so it can be dragged and its sidebar's footer is seen.
#include "platform/defaults_store.h"
#include "tests/support/controller_app_process.h"

#include <gtest/gtest.h>

#include "tests/shell/shell_hosts.h" // last: Xlib's macros would clash with Qt's names

namespace tavik {
namespace {

// The window's decorations as the window manager gives them: left, right, top, bottom.
std::optional<QMargins> frameExtents(Display* display, Window window) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<QMargins> extents;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0, 4,
                           False, XA_CARDINAL, &actual, &format, &count, &after,
                           &data) == Success &&
        actual == XA_CARDINAL && format == 32 && count == 4) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        extents = QMargins(int(values[0]), int(values[2]), int(values[1]), int(values[3]));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return extents;
}

TEST(MainWindowOnASmallScreen, TheFirstLaunchWindowOpensWholeOnTheScreen) {
    TAVIK_REQUIRE_DESKTOP();
    test::ShellHosts hosts;
    ASSERT_TRUE(hosts.start()) << hosts.output().toStdString();
    test::XQuery x;
    ASSERT_TRUE(x.valid());
    Display* display = x.display();
    const QRect screen(0, 0, DisplayWidth(display, DefaultScreen(display)),
                       DisplayHeight(display, DefaultScreen(display)));

    // A first launch: the window opens by itself. Once the window manager and Tavik are done
    // placing it, its frame is on the screen below the tray panel's strut (24 high), where the
    // title bar can be grabbed, and it takes the screen's height, not needlessly smaller.
    QProcessEnvironment scaled;
    scaled.insert("QT_SCALE_FACTOR", "2");
    test::TavikProcess tavik;
    ASSERT_TRUE(tavik.start(scaled));
    QRect framed;
    const auto placedWhole = [&] {
        for (Window window : x.windowsOf(tavik.processId())) {
            const auto extents = frameExtents(display, window);
            if (x.name(window) == "Tavik" && x.viewable(window) && extents) {
                framed = x.rootGeometry(window).marginsAdded(*extents);
                return screen.contains(framed) && framed.top() >= 24 &&
                       framed.height() >= screen.height() - 24 - 3;
            }
        }
        return false;
    };
    EXPECT_TRUE(test::spinUntil(placedWhole, 20000))
        << "frame " << framed.x() << "," << framed.y() << " " << framed.width() << "x"
        << framed.height() << " on a " << screen.width() << "x" << screen.height() << " screen\n"
        << tavik.output().toStdString();
    EXPECT_EQ(tavik.terminate(), 0);
}

} // namespace
} // namespace tavik
