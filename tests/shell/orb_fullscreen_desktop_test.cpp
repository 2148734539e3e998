// The floating button over a full-screen application under a real window manager (openbox): it
// stays in sight over the focused full-screen window, a click on it dictates into that window,
// which keeps the keyboard, and a window raised over it later is followed back on top.
#include "tests/shell/orb_desktop_support.h"

namespace tavik {
namespace {

// The window's ancestor that is a child of the root: what the X server stacks.
Window topLevel(test::XQuery& x, Window window) {
    Window at = window;
    for (;;) {
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(x.display(), at, &root, &parent, &children, &count) == 0) {
            return at;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root || parent == None) {
            return at;
        }
        at = parent;
    }
}

// Whether `upper` stands above `lower` in the root window's stacking order.
bool stackedAbove(test::XQuery& x, Window upper, Window lower) {
    const Window a = topLevel(x, upper);
    const Window b = topLevel(x, lower);
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x.display(), DefaultRootWindow(x.display()), &root, &parent, &children,
                   &count) == 0) {
        return false;
    }
    int indexA = -1;
    int indexB = -1;
    for (unsigned int i = 0; i < count; ++i) {
        indexA = children[i] == a ? int(i) : indexA;
        indexB = children[i] == b ? int(i) : indexB;
    }
    XFree(children);
    return indexA >= 0 && indexB >= 0 && indexA > indexB;
}

// Asks the window manager to make `window` full-screen, as an application does.
void requestFullScreen(test::XQuery& x, Window window) {
    Display* d = x.display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // add
    event.xclient.data.l[1] = long(XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False));
    event.xclient.data.l[3] = 1; // from an application
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XSync(d, False);
}

TEST(OrbOverFullScreen, StaysInSightWithoutTakingTheFocusAndComesBackWhenCovered) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(speechFile, "audio/jfk.wav");
    const std::vector<float> speech = test::threeSecondsOf(speechFile);
    test::OrbDesktop desk;
    ASSERT_NO_FATAL_FAILURE(desk.start());
    test::XQuery& x = desk.x;
    const Window orb = desk.orb;
    const Window app = Window(desk.target.windowId());

    // The focused application goes full screen: the manager stacks it over every "above"
    // window, yet the button stays over it.
    requestFullScreen(x, app);
    ASSERT_TRUE(test::spinUntil(
        [&] { return x.rootGeometry(topLevel(x, app)).size() == QSize(1280, 800); }, 10000))
        << "the application did not go full screen";
    EXPECT_TRUE(test::spinUntil([&] { return stackedAbove(x, orb, app); }, 5000))
        << "the full-screen window covers the button";
    const QPoint centre = x.rootGeometry(orb).center();
    EXPECT_EQ(test::windowUnderPointer(x, centre), orb);

    // A click on it dictates into the full-screen application, which keeps the keyboard (and
    // with it its place over the other windows).
    test::dictateByClicking(x, desk.tavik, desk.target, orb, speech);
    EXPECT_EQ(x.rootGeometry(topLevel(x, app)).size(), QSize(1280, 800));
    EXPECT_TRUE(stackedAbove(x, orb, app));

    // Without a manager to keep order, a window raised over the button is followed.
    desk.hosts.stop();
    ASSERT_TRUE(test::spinUntil([&] { return topLevel(x, app) == app; }, 5000))
        << "the window manager did not let go of the application's window";
    // The application's window moved over the button and raised on top of the screen.
    const QRect button = x.rootGeometry(orb);
    XMoveResizeWindow(x.display(), app, button.x() - 40, button.y() - 30, 300, 200);
    XRaiseWindow(x.display(), app);
    XSync(x.display(), False);
    EXPECT_TRUE(test::spinUntil([&] { return stackedAbove(x, orb, app); }, 5000))
        << "the button stays under the window raised over it";
    EXPECT_EQ(test::windowUnderPointer(x, button.center()), orb);
    EXPECT_FALSE(x.windowsOf(desk.tavik.processId()).contains(test::focusedWindow(x)))
        << "the keyboard focus went to Tavik";
    EXPECT_EQ(desk.tavik.terminate(), 0);
}

} // namespace
} // namespace tavik
