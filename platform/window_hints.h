#pragma once

class QPainterPath;
class QString;
class QWindow;

namespace tavik::platform {

// The window manager states a Tavik window asks for: kept out of the taskbar and the pager, kept
// above other windows, shown on every workspace (EWMH _NET_WM_STATE and _NET_WM_DESKTOP).
enum class WindowState { skipTaskbar, skipPager, above, sticky };

// Sets and reads those states on a top-level window. Before the window is mapped the states are
// written for the window manager to read when it maps it (call again before every show: a
// manager may drop them when a window is withdrawn); on a mapped window the request goes to the
// window manager, or straight to the window when no EWMH manager runs. Creates the native window
// when needed. On a platform other than X11 (offscreen tests) nothing happens and `has` is false.
namespace window_hints {

void set(QWindow* window, WindowState state, bool on);
bool has(QWindow* window, WindowState state);

// Names the desktop entry (without ".desktop") the window belongs to, so taskbars and docks
// show the entry's name and icon for it (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE).
void setDesktopEntry(QWindow* window, const QString& id);

// Whether a compositing manager runs, so a window's transparent pixels really show through.
bool compositorRunning();

// The two shapes of a window (the X Shape extension): the bounding shape is the part of the
// window that shows at all, the input shape the part that takes pointer input (a press
// elsewhere reaches whatever lies below).
enum class ShapeKind { bounding, input };

// Cuts one shape of the window to `shape`, given in the window's own coordinates in
// device-independent pixels as Qt lays them out. The X server counts device pixels, so the
// shape is laid onto the window's device pixels at its device pixel ratio: a device pixel
// belongs to it when its centre lies inside. An empty path gives the whole window back. Qt's
// painting is not clipped. Creates the native window when needed.
void setShape(QWindow* window, ShapeKind kind, const QPainterPath& shape);

} // namespace window_hints
} // namespace tavik::platform
