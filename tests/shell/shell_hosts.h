#pragma once

// The desktop around the shell's desktop tests: a window manager and a tray host, started for
// the test and stopped after it (the other desktop tests need the bare X server), and small
// questions to the X server about the windows on it.
#include "app/stores/diagnostic_log.h"
#include "tests/support/fixtures.h"

#include <QFile>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <functional>
#include <optional>

namespace tavik::test {

class ShellHosts {
public:
    // Starts openbox and trayer through tests/desktop-session; false when they did not come up.
    bool start() {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral(TAVIK_SOURCE_DIR "/tests/desktop-session"),
                       {QStringLiteral("--shell-hosts")});
        return process_.waitForStarted(5000) && spinUntil(
                                                    [this] {
                                                        output_ += process_.readAll();
                                                        return output_.contains("ready\n");
                                                    },
                                                    15000);
    }
    ~ShellHosts() { stop(); }
    // Stops the window manager and the tray host; the windows they managed stay on the screen.
    void stop() {
        if (process_.state() != QProcess::NotRunning) {
            const auto pid = static_cast<pid_t>(process_.processId());
            if (pid > 0) {
                ::kill(pid, SIGTERM);
            }
            process_.waitForFinished(5000);
        }
    }
    QByteArray output() const { return output_; }

private:
    QProcess process_;
    QByteArray output_;
};

// Whether Tavik's diagnostic log ends as the quit sequence ends it.
inline bool logEndsWithACleanExit() {
    QFile log(DiagnosticLog::url());
    return log.open(QIODevice::ReadOnly) && log.readAll().endsWith("[tavik] exited cleanly\n");
}

// Runs a command to its end; its exit code, or -1 when it failed to run in time.
inline int run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return -1;
    }
    return process.exitCode();
}

// The pointer and the keyboard as a person would use them (XTest through xdotool).
inline void clickAt(QPoint global, int button = 1) {
    // A synced move waits for the pointer to leave where it was, which it never does when an
    // earlier test left it on this very spot: step beside it first.
    run("xdotool", {"mousemove", QString::number(global.x() + 1), QString::number(global.y()),
                    "mousemove", "--sync", QString::number(global.x()), QString::number(global.y()),
                    "click", QString::number(button)});
}
inline void pressKeys(const QStringList& keys) {
    run("xdotool", QStringList{"key", "--delay", "60"} + keys);
}

// A connection of the test's own for reading what the X server says about other windows.
class XQuery {
public:
    XQuery() : display_(XOpenDisplay(nullptr)) {}
    ~XQuery() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    bool valid() const { return display_ != nullptr; }

    std::optional<unsigned long> cardinal(Window window, const char* property, Atom type) {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::optional<unsigned long> value;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, property, False), 0, 1,
                               False, type, &actual, &format, &count, &after, &data) == Success &&
            actual == type && format == 32 && count == 1) {
            value = *reinterpret_cast<unsigned long*>(data);
        }
        if (data != nullptr) {
            XFree(data);
        }
        return value;
    }

    // A property of any type: its length in items, and its bytes read as text.
    unsigned long propertyLength(Window window, const char* property) {
        return read(window, property).second;
    }
    QString text(Window window, const char* property) {
        QString value = QString::fromUtf8(read(window, property).first);
        while (value.endsWith(QChar(0))) {
            value.chop(1);
        }
        return value;
    }

    QString name(Window window) {
        char* text = nullptr;
        QString result;
        if (XFetchName(display_, window, &text) != 0 && text != nullptr) {
            result = QString::fromUtf8(text);
            XFree(text);
        }
        return result;
    }

    bool viewable(Window window) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) != 0 &&
               attributes.map_state == IsViewable;
    }

    QRect rootGeometry(Window window) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, window, &attributes) == 0) {
            return {};
        }
        int x = 0;
        int y = 0;
        Window child = None;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
        return QRect(x, y, attributes.width, attributes.height);
    }

    // Every window below `top` (itself included), depth first.
    void walk(Window top, const std::function<void(Window)>& visit) {
        visit(top);
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, top, &root, &parent, &children, &count) == 0) {
            return;
        }
        for (unsigned int i = 0; i < count; ++i) {
            walk(children[i], visit);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }

    // The windows of process `pid` below `top`.
    QList<Window> windowsOf(qint64 pid, Window top = None) {
        QList<Window> found;
        walk(top == None ? DefaultRootWindow(display_) : top, [&](Window window) {
            if (cardinal(window, "_NET_WM_PID", XA_CARDINAL) == static_cast<unsigned long>(pid)) {
                found << window;
            }
        });
        return found;
    }

    Window trayOwner() {
        return XGetSelectionOwner(display_, XInternAtom(display_,
                                                        QStringLiteral("_NET_SYSTEM_TRAY_S%1")
                                                            .arg(DefaultScreen(display_))
                                                            .toLatin1()
                                                            .constData(),
                                                        False));
    }

    // The visible window of `pid` docked in the tray host, if there is one.
    std::optional<Window> trayIconOf(qint64 pid) {
        const Window tray = trayOwner();
        if (tray == None) {
            return std::nullopt;
        }
        // The tray owner is the host's own window; icons are docked in the host's panel.
        for (Window window : windowsOf(pid)) {
            Window ancestor = window;
            while (ancestor != None && ancestor != DefaultRootWindow(display_)) {
                Window root = None;
                Window parent = None;
                Window* children = nullptr;
                unsigned int count = 0;
                if (XQueryTree(display_, ancestor, &root, &parent, &children, &count) == 0) {
                    break;
                }
                if (children != nullptr) {
                    XFree(children);
                }
                if (name(parent) == QLatin1String("panel") && viewable(window)) {
                    return window;
                }
                ancestor = parent;
            }
        }
        return std::nullopt;
    }

    // Where the icon of `pid` sits once the tray host has done laying it out: the host resizes
    // and moves its panel as icons dock, so a place is only taken when it held for a while.
    std::optional<QRect> settledTrayIcon(qint64 pid, int timeoutMs = 10000) {
        std::optional<QRect> last;
        int steady = 0;
        spinUntil(
            [&] {
                const auto icon = trayIconOf(pid);
                const std::optional<QRect> place =
                    icon ? std::optional<QRect>(rootGeometry(*icon)) : std::nullopt;
                steady = place && place == last ? steady + 1 : 0;
                last = place;
                if (steady >= 4) {
                    return true;
                }
                spinUntil([] { return false; }, 100);
                return false;
            },
            timeoutMs);
        return steady >= 4 ? last : std::nullopt;
    }

    Display* display() const { return display_; }

private:
    std::pair<QByteArray, unsigned long> read(Window window, const char* property) {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::pair<QByteArray, unsigned long> result;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, property, False), 0, 1 << 20,
                               False, AnyPropertyType, &actual, &format, &count, &after,
                               &data) == Success &&
            data != nullptr) {
            const int unit = format == 32 ? int(sizeof(long)) : format / 8;
            result = {QByteArray(reinterpret_cast<const char*>(data), int(count) * unit), count};
        }
        if (data != nullptr) {
            XFree(data);
        }
        return result;
    }

    Display* display_;
};

} // namespace tavik::test
