#include "platform/window_hints.h"

#include "platform/linux/xcb_reply.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavik::platform::window_hints {
namespace {

// EWMH client message actions.
constexpr std::uint32_t stateRemove = 0;
constexpr std::uint32_t stateAdd = 1;
constexpr std::uint32_t sourceApplication = 1;
constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

using xcb::Reply;

QNativeInterface::QX11Application* x11() {
    return qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                              : nullptr;
}

xcb_connection_t* connection() {
    auto* native = x11();
    return native != nullptr ? native->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    // Atoms never change for the life of the X server, so one round trip per name suffices.
    static std::map<std::string, xcb_atom_t> known;
    if (const auto found = known.find(name); found != known.end()) {
        return found->second;
    }
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    if (value != XCB_ATOM_NONE) {
        known.emplace(name, value);
    }
    return value;
}

const char* stateAtomName(WindowState state) {
    switch (state) {
    case WindowState::skipTaskbar:
        return "_NET_WM_STATE_SKIP_TASKBAR";
    case WindowState::skipPager:
        return "_NET_WM_STATE_SKIP_PAGER";
    case WindowState::above:
        return "_NET_WM_STATE_ABOVE";
    case WindowState::sticky:
        return "_NET_WM_STATE_STICKY";
    }
    return "_NET_WM_STATE_ABOVE";
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t window) {
    const Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    return reply ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
}

std::vector<xcb_atom_t> readAtoms(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32) {
        return {};
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<xcb_atom_t>(atoms, atoms + count);
}

std::optional<std::uint32_t> readCardinal(xcb_connection_t* c, xcb_window_t window,
                                          xcb_atom_t property, xcb_atom_t type) {
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1), nullptr));
    if (!reply || reply->type != type || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

// An EWMH window manager announces itself through a check window on the root.
bool managerRunning(xcb_connection_t* c, xcb_window_t root) {
    const auto check = readCardinal(c, root, atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    return check && *check != XCB_WINDOW_NONE;
}

void writeStateProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t state, bool on) {
    const xcb_atom_t property = atom(c, "_NET_WM_STATE");
    std::vector<xcb_atom_t> atoms = readAtoms(c, window, property);
    std::erase(atoms, state);
    if (on) {
        atoms.push_back(state);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(atoms.size()), atoms.data());
}

void writeDesktopProperty(xcb_connection_t* c, xcb_window_t window, xcb_window_t root, bool all) {
    const xcb_atom_t property = atom(c, "_NET_WM_DESKTOP");
    if (all) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_CARDINAL, 32, 1,
                            &allDesktops);
        return;
    }
    const auto current = readCardinal(c, root, atom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
    if (current) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_CARDINAL, 32, 1,
                            &*current);
    } else {
        xcb_delete_property(c, window, property);
    }
}

void sendToManager(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                   std::uint32_t d0, std::uint32_t d1, std::uint32_t d2) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    event.data.data32[3] = sourceApplication;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// The device pixels whose centres lie inside `shape` once it is scaled by `ratio`, one
// rectangle per run of a row, rows top to bottom. Drawn without antialiasing, a fill takes
// exactly the pixels whose centres it covers.
std::vector<XRectangle> devicePixels(const QPainterPath& shape, qreal ratio) {
    const QPainterPath scaled = QTransform::fromScale(ratio, ratio).map(shape);
    const QRect area = scaled.boundingRect().toAlignedRect().intersected(QRect(0, 0, 32767, 32767));
    std::vector<XRectangle> rectangles;
    if (area.isEmpty()) {
        return rectangles;
    }
    QImage coverage(area.size(), QImage::Format_Alpha8);
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.translate(-area.topLeft());
        painter.fillPath(scaled, Qt::black);
    }
    for (int y = 0; y < area.height(); ++y) {
        const uchar* row = coverage.constScanLine(y);
        for (int x = 0; x < area.width();) {
            if (row[x] == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < area.width() && row[x] != 0) {
                ++x;
            }
            rectangles.push_back({static_cast<short>(area.x() + start),
                                  static_cast<short>(area.y() + y),
                                  static_cast<unsigned short>(x - start), 1});
        }
    }
    return rectangles;
}

} // namespace

void set(QWindow* window, WindowState state, bool on) {
    xcb_connection_t* c = connection();
    if (window == nullptr || c == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t root = rootOf(c, id);
    if (root == XCB_WINDOW_NONE) {
        return;
    }
    const xcb_atom_t stateAtom = atom(c, stateAtomName(state));
    const bool sticky = state == WindowState::sticky;
    // Once mapped, the manager owns these properties and must be asked; before, or with no
    // manager at all, the window carries them itself.
    if (window->isVisible() && managerRunning(c, root)) {
        sendToManager(c, root, id, atom(c, "_NET_WM_STATE"), on ? stateAdd : stateRemove, stateAtom,
                      XCB_ATOM_NONE);
        if (sticky) {
            const auto current =
                readCardinal(c, root, atom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
            sendToManager(c, root, id, atom(c, "_NET_WM_DESKTOP"),
                          on ? allDesktops : current.value_or(0), sourceApplication, 0);
        }
    } else {
        writeStateProperty(c, id, stateAtom, on);
        if (sticky) {
            writeDesktopProperty(c, id, root, on);
        }
    }
    xcb_flush(c);
}

bool has(QWindow* window, WindowState state) {
    xcb_connection_t* c = connection();
    if (window == nullptr || c == nullptr) {
        return false;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const std::vector<xcb_atom_t> atoms = readAtoms(c, id, atom(c, "_NET_WM_STATE"));
    return std::find(atoms.begin(), atoms.end(), atom(c, stateAtomName(state))) != atoms.end();
}

void setDesktopEntry(QWindow* window, const QString& id) {
    xcb_connection_t* c = connection();
    if (window == nullptr || c == nullptr) {
        return;
    }
    const auto xid = static_cast<xcb_window_t>(window->winId());
    const QByteArray text = id.toUtf8();
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    for (const char* property : {"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"}) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, xid, atom(c, property), utf8, 8,
                            static_cast<std::uint32_t>(text.size()), text.constData());
    }
    xcb_flush(c);
}

bool compositorRunning() {
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return false;
    }
    // The manager of screen N owns the selection _NET_WM_CM_S<N>; Qt draws on the default one.
    const int screen = DefaultScreen(x11()->display());
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    const xcb_atom_t selection = atom(c, name.c_str());
    const Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

void setShape(QWindow* window, ShapeKind kind, const QPainterPath& shape) {
    auto* native = x11();
    if (window == nullptr || native == nullptr || native->display() == nullptr) {
        return;
    }
    Display* display = native->display();
    // Asked once: the server's extensions do not change while it runs (two round trips saved on
    // every shape, which follows the disc at the display's rate while it grows).
    static const std::optional<std::pair<int, int>> version =
        [display]() -> std::optional<std::pair<int, int>> {
        int eventBase = 0;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        if (!XShapeQueryExtension(display, &eventBase, &errorBase) ||
            !XShapeQueryVersion(display, &major, &minor)) {
            return std::nullopt;
        }
        return std::pair{major, minor};
    }();
    // Input shapes came with version 1.1 of the extension.
    if (!version || (kind == ShapeKind::input && *version < std::pair{1, 1})) {
        return;
    }
    const auto id = static_cast<Window>(window->winId());
    const int which = kind == ShapeKind::input ? ShapeInput : ShapeBounding;
    // Qt draws through its own XCB connection; Xlib's shares it, so flush both in order.
    xcb_flush(native->connection());
    if (shape.isEmpty()) {
        XShapeCombineMask(display, id, which, 0, 0, None, ShapeSet);
    } else {
        std::vector<XRectangle> rectangles = devicePixels(shape, window->devicePixelRatio());
        XShapeCombineRectangles(display, id, which, 0, 0, rectangles.data(),
                                static_cast<int>(rectangles.size()), ShapeSet, YXBanded);
    }
    XFlush(display);
}

} // namespace tavik::platform::window_hints
