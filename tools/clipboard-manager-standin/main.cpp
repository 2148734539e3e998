// A small clipboard manager for the test desktop: it owns CLIPBOARD_MANAGER and, asked to
// SAVE_TARGETS, fetches the named targets from the clipboard's owner in one MULTIPLE request,
// takes the clipboard itself and serves them from then on, as a desktop's manager does when the
// application that owned the clipboard quits.
//   tavik-clipboard-manager-standin [--silent]
// Prints "ready" once it owns CLIPBOARD_MANAGER, then one line "saved <target> <base64>" per
// target kept and "answered" after each reply. With --silent it never answers a save request.
// It ends when its standard input closes.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace {

Display* display = nullptr;
Window window = None;
std::map<std::string, Atom> atoms;

Atom atom(const char* name) {
    auto found = atoms.find(name);
    if (found == atoms.end()) {
        found = atoms.emplace(name, XInternAtom(display, name, False)).first;
    }
    return found->second;
}

std::string nameOf(Atom value) {
    char* name = XGetAtomName(display, value);
    std::string text = name != nullptr ? name : "";
    XFree(name);
    return text;
}

std::string base64(const std::string& data) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t left = data.size() - i;
        unsigned value = static_cast<unsigned char>(data[i]) << 16;
        value |= left > 1 ? static_cast<unsigned char>(data[i + 1]) << 8 : 0;
        value |= left > 2 ? static_cast<unsigned char>(data[i + 2]) : 0;
        out += digits[(value >> 18) & 63];
        out += digits[(value >> 12) & 63];
        out += left > 1 ? digits[(value >> 6) & 63] : '=';
        out += left > 2 ? digits[value & 63] : '=';
    }
    return out;
}

struct Saved {
    Atom type;
    int format;
    std::string data;
};
std::map<Atom, Saved> kept;

bool readProperty(Window from, Atom property, Saved& out) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, from, property, 0, 0x1000000, True, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success ||
        type == None) {
        return false;
    }
    const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
    out = Saved{type, format, std::string(reinterpret_cast<char*>(data), count * unit)};
    XFree(data);
    return true;
}

// Fresh server time from a property change on our own window.
Time serverTime() {
    XChangeProperty(display, window, atom("_STANDIN_TIME"), XA_STRING, 8, PropModeAppend, nullptr,
                    0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    return event.xproperty.time;
}

bool waitForNotify(Atom selection, XEvent& out) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(display, window, SelectionNotify, &out) != 0 &&
            out.xselection.selection == selection) {
            return true;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, 20);
    }
    return false;
}

void reply(const XSelectionRequestEvent& request, Atom property) {
    XEvent event{};
    event.xselection.type = SelectionNotify;
    event.xselection.requestor = request.requestor;
    event.xselection.selection = request.selection;
    event.xselection.target = request.target;
    event.xselection.property = property;
    event.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &event);
    XFlush(display);
}

// Fetches the targets the quitting owner names (or all it offers) and keeps them.
bool save(const XSelectionRequestEvent& request) {
    std::vector<Atom> targets;
    Saved named;
    if (request.property != None && readProperty(request.requestor, request.property, named) &&
        named.format == 32) {
        const auto* list = reinterpret_cast<const long*>(named.data.data());
        targets.assign(list, list + named.data.size() / sizeof(long));
    }
    const Time now = serverTime();
    if (targets.empty()) {
        XConvertSelection(display, atom("CLIPBOARD"), atom("TARGETS"), atom("_STANDIN_TARGETS"),
                          window, now);
        XEvent notify;
        Saved offered;
        if (!waitForNotify(atom("CLIPBOARD"), notify) || notify.xselection.property == None ||
            !readProperty(window, notify.xselection.property, offered)) {
            return false;
        }
        const auto* list = reinterpret_cast<const long*>(offered.data.data());
        targets.assign(list, list + offered.data.size() / sizeof(long));
    }
    std::vector<long> pairs;
    for (Atom target : targets) {
        const std::string name = nameOf(target);
        if (name == "TARGETS" || name == "MULTIPLE" || name == "TIMESTAMP" ||
            name == "SAVE_TARGETS" || name == "DELETE") {
            continue;
        }
        pairs.push_back(static_cast<long>(target));
        pairs.push_back(static_cast<long>(atom(("_STANDIN_" + name).c_str())));
    }
    XChangeProperty(display, window, atom("_STANDIN_MULTIPLE"), atom("ATOM_PAIR"), 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(pairs.data()),
                    static_cast<int>(pairs.size()));
    XConvertSelection(display, atom("CLIPBOARD"), atom("MULTIPLE"), atom("_STANDIN_MULTIPLE"),
                      window, now);
    XEvent notify;
    Saved answered;
    if (!waitForNotify(atom("CLIPBOARD"), notify) || notify.xselection.property == None ||
        !readProperty(window, notify.xselection.property, answered)) {
        return false;
    }
    const auto* result = reinterpret_cast<const long*>(answered.data.data());
    for (std::size_t i = 0; i + 1 < answered.data.size() / sizeof(long); i += 2) {
        Saved value;
        if (result[i] == None || result[i + 1] == None ||
            !readProperty(window, static_cast<Atom>(result[i + 1]), value)) {
            continue;
        }
        kept[static_cast<Atom>(result[i])] = value;
        std::printf("saved %s %s\n", nameOf(static_cast<Atom>(result[i])).c_str(),
                    base64(value.data).c_str());
    }
    XSetSelectionOwner(display, atom("CLIPBOARD"), window, serverTime());
    return !kept.empty();
}

void serveClipboard(const XSelectionRequestEvent& request) {
    Atom property = request.property != None ? request.property : request.target;
    if (request.target == atom("TARGETS")) {
        std::vector<Atom> offered{atom("TARGETS")};
        for (const auto& entry : kept) {
            offered.push_back(entry.first);
        }
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered.data()),
                        static_cast<int>(offered.size()));
    } else if (const auto found = kept.find(request.target); found != kept.end()) {
        const Saved& value = found->second;
        const int unit = value.format == 32 ? static_cast<int>(sizeof(long)) : value.format / 8;
        XChangeProperty(display, request.requestor, property, value.type, value.format,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(value.data.data()),
                        static_cast<int>(value.data.size()) / unit);
    } else {
        property = None;
    }
    reply(request, property);
}

} // namespace

int main(int argc, char** argv) {
    const bool silent = argc > 1 && std::strcmp(argv[1], "--silent") == 0;
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    XSetSelectionOwner(display, atom("CLIPBOARD_MANAGER"), window, serverTime());
    if (XGetSelectionOwner(display, atom("CLIPBOARD_MANAGER")) != window) {
        std::fprintf(stderr, "CLIPBOARD_MANAGER is taken\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {0, POLLIN, 0}};
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionClear &&
                event.xselectionclear.selection == atom("CLIPBOARD")) {
                kept.clear();
            }
            if (event.type != SelectionRequest) {
                continue;
            }
            const XSelectionRequestEvent& request = event.xselectionrequest;
            if (request.selection == atom("CLIPBOARD")) {
                serveClipboard(request);
            } else if (request.target == atom("SAVE_TARGETS") && !silent) {
                const Atom property = request.property != None ? request.property : request.target;
                reply(request, save(request) ? property : None);
                std::printf("answered\n");
            } else if (request.target != atom("SAVE_TARGETS")) {
                reply(request, None);
            }
            std::fflush(stdout);
        }
        ::poll(fds, 2, 1000);
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[64];
            if (::read(0, buffer, sizeof buffer) <= 0) {
                break;
            }
        }
    }
    XCloseDisplay(display);
    return 0;
}
