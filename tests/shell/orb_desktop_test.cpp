// The floating button of the real Tavik on a desktop with a window manager: its window's
// states, a dictation started and ended by clicking it while another application keeps the
// keyboard, and a drag that moves it and is remembered.
#include "app/shell/orb_placement.h"
#include "tests/shell/orb_desktop_support.h"

#include <X11/extensions/shape.h>

namespace tavik {
namespace {

QStringList stateNames(test::XQuery& x, Window window) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    QStringList names;
    if (XGetWindowProperty(x.display(), window, XInternAtom(x.display(), "_NET_WM_STATE", False), 0,
                           64, False, XA_ATOM, &actual, &format, &count, &after,
                           &data) == Success &&
        actual == XA_ATOM && data != nullptr) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(x.display(), atoms[i]);
            names << QString::fromLatin1(name);
            XFree(name);
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return names;
}

// _NET_WM_DESKTOP 0xFFFFFFFF (Xlib hands 32-bit items over as longs, sign-extended).
bool onAllDesktops(test::XQuery& x, Window window) {
    const auto desktop = x.cardinal(window, "_NET_WM_DESKTOP", XA_CARDINAL);
    return desktop && (*desktop & 0xFFFFFFFFul) == 0xFFFFFFFFul;
}

// Whether the window takes pointer input at `point` (window coordinates).
bool takesInputAt(test::XQuery& x, Window window, QPoint point) {
    int count = 0;
    int ordering = 0;
    XRectangle* rectangles =
        XShapeGetRectangles(x.display(), window, ShapeInput, &count, &ordering);
    bool inside = false;
    for (int i = 0; i < count; ++i) {
        inside = inside ||
                 QRect(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height)
                     .contains(point);
    }
    if (rectangles != nullptr) {
        XFree(rectangles);
    }
    return inside;
}

// A panel along the bottom edge that keeps `height` px of the screen for itself, as a dock
// does: the window manager shrinks the work area around it.
Window mapBottomPanel(test::XQuery& x, int height) {
    Display* d = x.display();
    const int width = DisplayWidth(d, DefaultScreen(d));
    const int screenHeight = DisplayHeight(d, DefaultScreen(d));
    const Window panel = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, screenHeight - height,
                                             unsigned(width), unsigned(height), 0, 0, 0);
    const Atom dock = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(d, panel, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
    const long strut[12] = {0, 0, 0, height, 0, 0, 0, 0, 0, 0, 0, width - 1};
    XChangeProperty(d, panel, XInternAtom(d, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
    XMapWindow(d, panel);
    XSync(d, False);
    return panel;
}

TEST(OrbOnTheDesktop, ClickingDictatesIntoTheFocusedApplicationAndADragIsRemembered) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(speechFile, "audio/jfk.wav");
    const std::vector<float> speech = test::threeSecondsOf(speechFile);
    test::OrbDesktop desk;
    ASSERT_NO_FATAL_FAILURE(desk.start());
    test::XQuery& x = desk.x;
    test::TavikProcess& tavik = desk.tavik;
    // The button: Tavik's one 74 × 74 window on show.
    const Window orb = desk.orb;
    QStringList states;
    test::spinUntil(
        [&] {
            states = stateNames(x, orb);
            return states.contains("_NET_WM_STATE_STICKY") || onAllDesktops(x, orb);
        },
        3000);
    for (const char* wanted :
         {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        EXPECT_TRUE(states.contains(wanted)) << wanted << " in " << states.join(' ').toStdString();
    }
    // On every workspace: a manager keeps that as the sticky state or as the desktop "all".
    EXPECT_TRUE(states.contains("_NET_WM_STATE_STICKY") || onAllDesktops(x, orb))
        << states.join(' ').toStdString();
    // Round to the pointer: the corners of its square let clicks through to what lies below.
    EXPECT_TRUE(takesInputAt(x, orb, QPoint(37, 37)));
    EXPECT_TRUE(takesInputAt(x, orb, QPoint(37, 1)));
    EXPECT_FALSE(takesInputAt(x, orb, QPoint(3, 3)));
    EXPECT_FALSE(takesInputAt(x, orb, QPoint(71, 70)));
    // The default place on the 1280 × 800 screen whose top 24 px the tray panel keeps: 36 px in
    // from the right and 96 px up from the bottom, as an origin from the bottom-left.
    EXPECT_TRUE(test::spinUntil(
        [&] { return x.rootGeometry(orb).topLeft() == QPoint(1280 - 74 - 36, 800 - 96 - 74); },
        5000))
        << x.rootGeometry(orb).x() << "," << x.rootGeometry(orb).y();

    // A dock appears along the bottom: the button moves up with the work area's bottom edge,
    // and says so in the log.
    const Window dock = mapBottomPanel(x, 100);
    EXPECT_TRUE(tavik.waitForLine(
        QStringLiteral("orb: moved to 1170,196 for 1 connected screen(s)"), 10000))
        << tavik.output().toStdString();
    EXPECT_TRUE(test::spinUntil(
        [&] { return x.rootGeometry(orb).topLeft() == QPoint(1170, 800 - 196 - 74); }, 5000));
    XDestroyWindow(x.display(), dock);
    XSync(x.display(), False);
    EXPECT_TRUE(test::spinUntil(
        [&] { return x.rootGeometry(orb).topLeft() == QPoint(1170, 800 - 96 - 74); }, 5000));
    EXPECT_TRUE(
        tavik.waitForLine(QStringLiteral("orb: moved to 1170,96 for 1 connected screen(s)"), 5000));

    // Two clicks: a hands-free dictation begins and ends, and its text reaches the application
    // that kept the keyboard all along.
    const QPoint centre = x.rootGeometry(orb).center();
    test::dictateByClicking(x, tavik, desk.target, orb, speech);

    // A drag moves it; the place it is left at is kept, from the screen's bottom-left corner.
    const QPoint to = centre - QPoint(400, 300);
    test::run("xdotool",
              {"mousedown", "1", "mousemove", "--sync", QString::number(centre.x() - 200),
               QString::number(centre.y() - 150), "mousemove", "--sync", QString::number(to.x()),
               QString::number(to.y()), "mouseup", "1"});
    ASSERT_TRUE(test::spinUntil([&] { return x.rootGeometry(orb).center() == to; }, 5000))
        << x.rootGeometry(orb).x() << "," << x.rootGeometry(orb).y();
    const QPoint left = x.rootGeometry(orb).topLeft();
    const QString kept = orb_placement::format(QPointF(left.x(), 800 - left.y() - 74));
    EXPECT_TRUE(test::spinUntil(
        [&] { return platform::DefaultsStore::shared().string("orbOrigin") == kept; }, 5000))
        << kept.toStdString();
    EXPECT_EQ(tavik.output().count(QStringLiteral("] recording (preroll")), 1)
        << "the drag started a dictation";
    EXPECT_EQ(tavik.terminate(), 0);
}

} // namespace
} // namespace tavik
