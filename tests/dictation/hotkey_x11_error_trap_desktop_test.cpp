// X errors on the shortcut monitor's connection are seen by the code that caused them, instead of
// being silenced (Qt's handler) or ending the process (Xlib's default handler).
#include "platform/linux/x11_raw_keys_source.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

// Xlib after every Qt header: its macros clash with Qt's names.
#include "platform/linux/x11_raw_keys_error_trap.h"

#include <X11/extensions/XInput2.h>

namespace tavik::platform::x11 {
namespace {

int otherDisplayErrors = 0;
int countOtherDisplayErrors(Display*, XErrorEvent*) {
    ++otherDisplayErrors;
    return 0;
}

struct Connection {
    Connection() : display(XOpenDisplay(nullptr)) {}
    ~Connection() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
    Display* display;
};

void selectRawKeysOnAWindowThatDoesNotExist(Display* display) {
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(mask, XI_RawKeyPress);
    XIEventMask events{XIAllMasterDevices, sizeof mask, mask};
    XISelectEvents(display, 0x1fffffff, &events, 1);
}

TEST(HotkeyX11ErrorTrap, ARefusedRequestIsReportedAndTheEarlierHandlerComesBack) {
    TAVIK_REQUIRE_DESKTOP();
    Connection ours;
    Connection theirs;
    ASSERT_NE(ours.display, nullptr);
    ASSERT_NE(theirs.display, nullptr);
    const XErrorHandler before = XSetErrorHandler(&countOtherDisplayErrors);
    otherDisplayErrors = 0;
    {
        ErrorTrap trap(ours.display);
        selectRawKeysOnAWindowThatDoesNotExist(ours.display);
        // Another connection's error while the trap is set still reaches its own handler.
        selectRawKeysOnAWindowThatDoesNotExist(theirs.display);
        XSync(theirs.display, False);
        EXPECT_EQ(trap.finish(), BadWindow);
        EXPECT_EQ(otherDisplayErrors, 1);
    }
    EXPECT_EQ(XSetErrorHandler(before), &countOtherDisplayErrors);

    ErrorTrap clean(ours.display);
    XSync(ours.display, False);
    EXPECT_EQ(clean.finish(), 0);
}

TEST(HotkeyX11ErrorTrap, NestedTrapsEachSeeOnlyTheirOwnConnection) {
    TAVIK_REQUIRE_DESKTOP();
    Connection outer;
    Connection inner;
    ErrorTrap outerTrap(outer.display);
    {
        ErrorTrap innerTrap(inner.display);
        selectRawKeysOnAWindowThatDoesNotExist(outer.display);
        XSync(outer.display, False);
        EXPECT_EQ(innerTrap.finish(), 0);
    }
    EXPECT_EQ(outerTrap.finish(), BadWindow);
}

TEST(HotkeyX11RawKeys, UnderWaylandTheSelectionStandsButOtherApplicationsAreNotHeard) {
    TAVIK_REQUIRE_DESKTOP();
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-tavik-test");
    RawKeys source;
    const bool started = source.start({"RALT"}, [](const RawKeyEvent&) {});
    const bool hears = source.hearsOtherApplications();
    if (saved.isNull()) {
        qunsetenv("WAYLAND_DISPLAY");
    } else {
        qputenv("WAYLAND_DISPLAY", saved);
    }
    EXPECT_TRUE(started);
    EXPECT_TRUE(source.isRunning());
    EXPECT_FALSE(hears);

    RawKeys plain;
    ASSERT_TRUE(plain.start({"RALT"}, [](const RawKeyEvent&) {}));
    EXPECT_EQ(plain.hearsOtherApplications(),
              qEnvironmentVariable("XDG_SESSION_TYPE") != QLatin1String("wayland"));
}

} // namespace
} // namespace tavik::platform::x11
