#pragma once

// The X server as the driver meets it: input through XTest, every window's drawing through one
// DAMAGE object on the root window, and the windows of the program under test.
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tavik::drive {

using Clock = std::chrono::steady_clock;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool intersects(const Rect& other) const {
        return !empty() && !other.empty() && x < other.x + other.width && other.x < x + width &&
               y < other.y + height && other.y < y + height;
    }
    Rect within(const Rect& other) const {
        const int left = std::max(x, other.x);
        const int top = std::max(y, other.y);
        return {left, top, std::min(x + width, other.x + other.width) - left,
                std::min(y + height, other.y + other.height) - top};
    }
    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
};

// What happened on the server since the last look: drawn rectangles (root coordinates) and
// windows mapped on the root, each with the moment the driver read it.
struct ServerEvent {
    enum class Kind { damage, mapped } kind = Kind::damage;
    Rect area;
    Window window = None;
    Clock::time_point at;
};

class XDesktop {
public:
    XDesktop() = default;
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    // Opens $DISPLAY and starts watching; false with `why` when XTest or DAMAGE is missing.
    bool open(std::string& why);

    // Input. Each call returns once the server has taken the events in (XSync).
    void moveTo(int x, int y);
    void click(int x, int y, int button = 1);
    void wheel(int button);
    // A key by keysym, with modifiers (keysyms too) held around it.
    bool key(KeySym sym, const std::vector<KeySym>& modifiers = {});
    // Gives every keysym the keyboard lacks a spare keycode of its own, so key() can type it.
    bool bind(const std::vector<KeySym>& syms);

    // Reads what the server said, waiting at most `timeout` for the first of it.
    std::vector<ServerEvent> read(std::chrono::milliseconds timeout);

    // The viewable windows of process `pid` (by _NET_WM_PID), and one's place on the screen.
    std::vector<Window> windowsOf(long pid);
    std::optional<Rect> geometry(Window window);
    // The biggest viewable window of `pid`: its main window once shown.
    std::optional<Window> largestWindowOf(long pid);
    // The icon of `pid` docked in the tray host (trayer's window is named "panel").
    std::optional<Window> trayIconOf(long pid);
    void resize(Window window, int width, int height);
    // The narrowest the window asks to be (WM_NORMAL_HINTS), 0 when it says nothing.
    int minimumWidth(Window window);
    Rect screen() const;

private:
    std::optional<long> cardinal(Window window, Atom property);
    void walk(Window top, std::vector<Window>& out);
    KeyCode codeOf(KeySym sym);

    Display* display_ = nullptr;
    int damageEvent_ = 0;
    unsigned long damage_ = 0;
    Atom pidAtom_ = None;
};

} // namespace tavik::drive
