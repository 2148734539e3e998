#include "platform/linux/x11_frontmost.h"

#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>

#include <unistd.h>

namespace tavik::platform::x11 {
namespace {

// One property of `window`, or empty when absent, of another type or format, or unreadable.
QByteArray readProperty(Display* display, Window window, Atom property, Atom type, int format) {
    RequestTrap trap(display);
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 4096, False, type,
                                          &actualType, &actualFormat, &count, &remaining, &data);
    QByteArray result;
    if (status == Success && data != nullptr && actualType == type && actualFormat == format &&
        count > 0) {
        // Xlib hands 32-bit items over as longs.
        const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
        result =
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count * unit));
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (trap.failed()) {
        return {};
    }
    return result;
}

std::optional<long> readCardinal(Display* display, Window window, Atom property, Atom type) {
    const QByteArray bytes = readProperty(display, window, property, type, 32);
    if (bytes.size() < static_cast<qsizetype>(sizeof(long))) {
        return std::nullopt;
    }
    long value = 0;
    std::memcpy(&value, bytes.constData(), sizeof(long));
    return value;
}

QString textProperty(const QByteArray& bytes) {
    QByteArray text = bytes;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) {
        text.truncate(nul);
    }
    return QString::fromUtf8(text);
}

} // namespace

X11Frontmost::X11Frontmost() {
    if (!requests_) {
        return;
    }
    Display* display = requests_.get();
    activeWindowAtom_ = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    pidAtom_ = XInternAtom(display, "_NET_WM_PID", False);
    gtkAppIdAtom_ = XInternAtom(display, "_GTK_APPLICATION_ID", False);
    kdeDesktopFileAtom_ = XInternAtom(display, "_KDE_NET_WM_DESKTOP_FILE", False);
    utf8Atom_ = XInternAtom(display, "UTF8_STRING", False);
}

X11Frontmost::~X11Frontmost() = default;

std::optional<Window> X11Frontmost::activeWindow() {
    Display* display = requests_.get();
    const Window root = DefaultRootWindow(display);
    if (auto active = readCardinal(display, root, activeWindowAtom_, XA_WINDOW)) {
        if (*active == None) {
            return std::nullopt;
        }
        return static_cast<Window>(*active);
    }
    // No window manager keeps _NET_ACTIVE_WINDOW: climb from the focus to its top level.
    RequestTrap trap(display);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root) {
        return std::nullopt;
    }
    Window window = focus;
    for (int depth = 0; depth < 64; ++depth) {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int childCount = 0;
        if (XQueryTree(display, window, &rootReturn, &parent, &children, &childCount) == 0) {
            return std::nullopt;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root || parent == None) {
            break;
        }
        window = parent;
    }
    if (trap.failed()) {
        return std::nullopt;
    }
    return window;
}

RunningApp X11Frontmost::appForWindow(Window window) {
    Display* display = requests_.get();
    RunningApp app;
    app.window = static_cast<quint64>(window);
    if (auto pid = readCardinal(display, window, pidAtom_, XA_CARDINAL); pid && *pid > 0) {
        app.pid = static_cast<qint64>(*pid);
    }
    QString instance;
    {
        RequestTrap trap(display);
        XClassHint hint{nullptr, nullptr};
        if (XGetClassHint(display, window, &hint) != 0) {
            instance = hint.res_name != nullptr ? QString::fromUtf8(hint.res_name) : QString();
            app.windowClass =
                hint.res_class != nullptr ? QString::fromUtf8(hint.res_class) : QString();
        }
        if (hint.res_name != nullptr) {
            XFree(hint.res_name);
        }
        if (hint.res_class != nullptr) {
            XFree(hint.res_class);
        }
        if (trap.failed()) {
            app.windowClass.clear();
            instance.clear();
        }
    }
    if (app.pid == static_cast<qint64>(::getpid())) {
        app.name = QStringLiteral("Tavik");
        app.bundleId = QString::fromLatin1(ownBundleId);
        return app;
    }

    std::optional<DesktopEntry> entry;
    const QString gtkId = textProperty(readProperty(display, window, gtkAppIdAtom_, utf8Atom_, 8));
    if (!gtkId.isEmpty()) {
        entry = desktopFiles_.byId(gtkId);
        if (!entry) {
            entry = DesktopEntry{gtkId, QString()};
        }
    }
    if (!entry) {
        const QString kdeFile =
            textProperty(readProperty(display, window, kdeDesktopFileAtom_, utf8Atom_, 8));
        if (!kdeFile.isEmpty()) {
            const QString id = DesktopFiles::idFromFileName(kdeFile);
            entry = desktopFiles_.byId(id);
            if (!entry) {
                entry = DesktopEntry{id, QString()};
            }
        }
    }
    if (!entry) {
        entry = desktopFiles_.byWindowClass(app.windowClass, instance);
    }
    if (entry) {
        app.bundleId = entry->id;
        if (!entry->name.isEmpty()) {
            app.name = entry->name;
        }
    } else if (!app.windowClass.isEmpty()) {
        app.bundleId = app.windowClass;
    }
    if (!app.name && !app.windowClass.isEmpty()) {
        app.name = app.windowClass;
    }
    return app;
}

std::optional<RunningApp> X11Frontmost::current() {
    if (!requests_) {
        return std::nullopt;
    }
    const auto window = activeWindow();
    if (!window) {
        return std::nullopt;
    }
    return appForWindow(*window);
}

bool X11Frontmost::watch(Listener listener) {
    if (!events_ || !requests_) {
        return false;
    }
    listeners_.push_back(std::move(listener));
    if (notifier_ != nullptr) {
        return true;
    }
    Display* display = events_.get();
    {
        RequestTrap trap(display);
        XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
        if (trap.failed()) {
            return false;
        }
    }
    notifier_ = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11Frontmost::drainEvents);
    return true;
}

void X11Frontmost::drainEvents() {
    Display* display = events_.get();
    bool activeChanged = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == activeWindowAtom_) {
            activeChanged = true;
        }
    }
    if (!activeChanged) {
        return;
    }
    const std::optional<RunningApp> app = current();
    const auto listeners = listeners_; // a listener may add another
    for (const Listener& listener : listeners) {
        listener(app);
    }
}

} // namespace tavik::platform::x11

namespace tavik::platform {

Frontmost& Frontmost::system() {
    static auto* frontmost = new x11::X11Frontmost(); // lives to process end, like its listeners
    return *frontmost;
}

} // namespace tavik::platform
