// tavik-drive: drives the running Tavik from outside, as a person would, and says how fast its
// pixels answer. Input goes in through XTest; the time to pixels is read from the X DAMAGE
// extension on the root window (the first drawing in the watched window after the input's
// XSync; a caret's blink, a rectangle at most 12 by 24, never counts); "quiet" is no drawing there
// and the main thread under 10 % busy for 500 ms. The main thread's CPU time comes from
// /proc/<pid>/task/<pid>/schedstat (utime+stime where that is missing), read every 5 ms; its
// longest stretch at 80 % or more of a processor is the "busiest" column. Controls are found by
// the names Tavik gives them on the accessibility bus.
//
// Normally bench/drive/run starts everything (a private desktop with a window manager and a
// tray host, a HOME with a history and a 20 MB scratchpad written by tavik-history-seed, Tavik
// itself) and calls this once per history:
//
//   bench/drive/run [--build DIR] [--reps N] [--histories "cyrillic mixed huge"]
//
// (TAVIK_DRIVE_VERBOSE=1 passes --verbose on; TAVIK_DRIVE_TRACE=1 also prints every drawn
// rectangle.) By hand, inside such a desktop with Tavik running:
//
//   tavik-drive --pid PID [--server-pid PID] [--open PROGRAM] [--word WORD] [--reps N]
//               [--title TEXT]
//               [--steps visits,resize,search,scroll,delete,tray,orb,pad] [--dump] [--verbose]
//
//   --open     starts PROGRAM (a second `tavik`, which shows the running one's main window) and
//              measures the window's opening; without it the main window must be showing
//   --word     a word the history holds, typed letter by letter into the search field
//   --dump     prints the accessible controls and ends
//   --server-pid  the X server's process, whose time until the first pixels --verbose prints
//   --verbose  also prints every single measurement on standard error, with what the main
//              thread spent on a processor and in the run queue until the first pixels
//
// It prints one table: per step the median and maximum of the time to the first pixels, the
// time until quiet, the main thread's CPU and its longest busy stretch, and how many answers
// were slower than the step's target. The machine's load counts: compare figures taken under
// a similar `uptime`. On a virtual machine the host may stop a processor for milliseconds while
// a thread of the answer runs on it; where perf events are allowed, the table also gives the
// longest such stall until the first pixels ("stalled", see host_stalls.h) and how many answers
// stay over the target with the stalls set aside ("net over").
#include "bench/drive/accessible.h"
#include "bench/drive/probe.h"
#include "bench/drive/results.h"
#include "bench/drive/x_desktop.h"

#include <X11/keysym.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tavik::drive {
namespace {

using namespace std::chrono_literals;
using Kind = AccessibleApp::Kind;

constexpr double keystrokeTarget = 30;
constexpr double frameTarget = 16;

struct Options {
    long pid = 0;
    long serverPid = 0;
    std::string open;
    std::string word = "meeting";
    std::string title = "Tavik";
    int reps = 12;
    std::set<std::string> steps{"visits", "resize", "search", "scroll",
                                "delete", "tray",   "orb",    "pad"};
    bool dump = false;
    bool verbose = false;
};

// The keysyms that type a UTF-8 word: Latin-1 letters are their own keysyms, the rest Unicode's.
std::vector<KeySym> keysymsOf(const std::string& word) {
    std::vector<KeySym> syms;
    for (size_t i = 0; i < word.size();) {
        const auto byte = static_cast<unsigned char>(word[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        unsigned long point = length == 1 ? byte : byte & (0x3Fu >> (length - 1));
        for (int k = 1; k < length && i + size_t(k) < word.size(); ++k) {
            point = (point << 6) | (static_cast<unsigned char>(word[i + size_t(k)]) & 0x3Fu);
        }
        syms.push_back(point < 0x100 ? KeySym(point) : KeySym(0x01000000 | point));
        i += size_t(length);
    }
    return syms;
}

class Driver {
public:
    Driver(const Options& options, XDesktop& desktop)
        : options_(options), desktop_(desktop), stalls_(threadsOnThePath(options)),
          probe_(desktop, options.pid, options.serverPid, &stalls_) {}

    bool run() {
        if (!stalls_.watching()) {
            std::fprintf(stderr, "tavik-drive: host stalls are not measured (%s)\n",
                         stalls_.why().c_str());
        }
        if (!openWindow()) {
            return false;
        }
        AccessibleApp app(options_.pid);
        if (!app.found()) {
            std::fprintf(stderr, "tavik-drive: Tavik is not on the accessibility bus\n");
            return false;
        }
        app_ = &app;
        // The first key from XTest's own keyboard makes the server switch the core keyboard to
        // it, and every client then reads the keymap again, waiting on the server for it (10 to
        // 20 ms here). Someone typing on their one keyboard never meets that, so it happens
        // here, before anything is measured.
        desktop_.key(XK_Shift_L);
        settle();
        if (options_.dump) {
            app.dump();
            return true;
        }
        const auto has = [&](const char* step) {
            return options_.steps.count(step) > 0;
        };
        bool ok = true;
        ok = (!has("visits") || visits()) && ok;
        ok = (!has("resize") || resizes()) && ok;
        ok = (!has("search") || search()) && ok;
        ok = (!has("scroll") || scroll()) && ok;
        ok = (!has("delete") || deletes()) && ok;
        ok = (!has("tray") || tray()) && ok;
        ok = (!has("orb") || orb()) && ok;
        ok = (!has("pad") || pad()) && ok;
        results_.print(options_.title);
        return ok;
    }

private:
    Rect mainArea() { return desktop_.geometry(mainWindow_).value_or(desktop_.screen()); }
    Watch onWindow() { return Watch{mainArea(), false, false, 500ms, 60000ms}; }
    void settle() { probe_.settle(Watch{desktop_.screen(), false, false, 500ms, 60000ms}); }

    bool missing(const char* what) {
        std::fprintf(stderr, "tavik-drive: %s not found\n", what);
        return false;
    }

    bool openWindow() {
        if (!options_.open.empty()) {
            pid_t child = 0;
            const Outcome opened = probe_.measure(
                [&] {
                    std::string program = options_.open;
                    char* argv[] = {program.data(), nullptr};
                    posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ);
                },
                // Only the window mapped after the start counts, not the tray or the button.
                Watch{Rect{}, true, true, 500ms, 120000ms});
            if (child > 0) {
                ::waitpid(child, nullptr, 0);
            }
            record("window opens on dictation", opened, 0);
        }
        for (int i = 0; i < 300; ++i) {
            if (const auto window = desktop_.largestWindowOf(options_.pid)) {
                const auto place = desktop_.geometry(*window);
                if (place && place->width >= 400 && place->height >= 300) {
                    mainWindow_ = *window;
                    settle();
                    return true;
                }
            }
            std::this_thread::sleep_for(100ms);
        }
        return missing("Tavik's main window");
    }

    bool clickOn(const std::string& name, Kind kind) {
        const auto place = app_->find(name, kind);
        if (!place) {
            return missing(name.c_str());
        }
        desktop_.click(place->centreX(), place->centreY());
        return true;
    }

    // Clicks the sidebar row `name` and records how the window answers as `step`.
    bool visit(const std::string& name, const std::string& step, double targetMs = 0) {
        const auto place = app_->find(name, Kind::button);
        if (!place) {
            return missing(name.c_str());
        }
        desktop_.moveTo(place->centreX(), place->centreY());
        settle();
        record(
            step,
            probe_.measure([&] { desktop_.click(place->centreX(), place->centreY()); }, onWindow()),
            targetMs);
        return true;
    }

    void record(const std::string& step, const Outcome& outcome, double targetMs) {
        if (options_.verbose) {
            std::fprintf(stderr,
                         "%-32s pixels %8.1f  quiet %8.1f  cpu %8.1f  busiest %8.1f  until pixels: "
                         "cpu %5.1f run queue %5.1f server %5.1f host stalls %5.1f%s\n",
                         step.c_str(), outcome.pixelsMs, outcome.quietMs, outcome.cpuMs,
                         outcome.longestBusyMs, outcome.untilPixels.cpuMs,
                         outcome.untilPixels.runQueueMs, outcome.untilPixels.serverCpuMs,
                         outcome.untilPixels.hostStalledMs,
                         outcome.timedOut ? "  never quiet" : "");
        }
        results_.add(step, outcome, targetMs);
    }

    Outcome key(KeySym sym, const std::vector<KeySym>& modifiers = {}) {
        return probe_.measure([&] { desktop_.key(sym, modifiers); }, onWindow());
    }

    // The part of the history list in the window: the list itself is as tall as all its rows.
    std::optional<Rect> shownList() {
        const auto list = app_->find("Dictation history", Kind::list);
        if (!list) {
            return std::nullopt;
        }
        const Rect shown = list->within(mainArea());
        return shown.empty() ? std::nullopt : std::optional<Rect>(shown);
    }

    bool visits() {
        for (int i = 0; i < options_.reps; ++i) {
            if (!visit("Snippets", "other pane (snippets)") ||
                !visit("Dictation", "dictation pane visit")) {
                return false;
            }
        }
        return true;
    }

    // Each resize, and each visit after one, meets a width the window never had before.
    bool resizes() {
        const Rect start = mainArea();
        // Towards the side with more room, in steps that fit every width the loop asks for.
        const int wider = desktop_.screen().width - start.x - start.width;
        const int narrower = start.width - desktop_.minimumWidth(mainWindow_);
        const int direction = wider >= narrower ? 1 : -1;
        const int step =
            std::clamp(std::max(wider, narrower) / (2 * options_.reps + 1), 1, 8) * direction;
        int width = start.width;
        for (int i = 0; i < options_.reps; ++i) {
            width += step;
            record("resize to a new width",
                   probe_.measure([&] { desktop_.resize(mainWindow_, width, start.height); },
                                  onWindow()),
                   0);
            if (!visit("Snippets", "other pane (snippets)")) {
                return false;
            }
            width += step;
            desktop_.resize(mainWindow_, width, start.height);
            settle();
            if (!visit("Dictation", "dictation pane visit, new width")) {
                return false;
            }
        }
        desktop_.resize(mainWindow_, start.width, start.height);
        settle();
        return true;
    }

    bool search() {
        const std::vector<KeySym> word = keysymsOf(options_.word);
        std::vector<KeySym> all = word;
        all.push_back(XK_z);
        if (!desktop_.bind(all)) {
            return missing("spare keycodes for the search word");
        }
        settle();
        if (!clickOn("Search what you have dictated", Kind::text)) {
            return false;
        }
        settle();
        int typed = 0;
        while (typed < options_.reps) {
            for (KeySym letter : word) {
                record("search keystroke (matches)", key(letter), keystrokeTarget);
                ++typed;
            }
            desktop_.key(XK_a, {XK_Control_L});
            settle();
            record("search cleared (after a match)", key(XK_BackSpace), keystrokeTarget);
        }
        for (int i = 0; i < options_.reps; ++i) {
            record("search keystroke (no match)", key(XK_z), keystrokeTarget);
            record("search cleared (after no match)", key(XK_BackSpace), keystrokeTarget);
            record("search keystroke after that", key(word.front()), keystrokeTarget);
            record("search cleared (after a match)", key(XK_BackSpace), keystrokeTarget);
        }
        return true;
    }

    bool scroll() {
        const auto list = shownList();
        if (!list) {
            return missing("the dictation history list");
        }
        const int x = list->x + list->width / 3;
        const int y = list->y + list->height / 2;
        desktop_.moveTo(x, y);
        settle();
        for (int i = 0; i < options_.reps * 2; ++i) {
            record("wheel step", probe_.measure([&] { desktop_.wheel(5); }, onWindow()),
                   frameTarget);
        }
        // A click on a row's text (not its buttons) makes it current and gives the list the keys.
        desktop_.click(list->x + 40, y);
        settle();
        for (int i = 0; i < options_.reps * 2; ++i) {
            record("Page Down", key(XK_Next), frameTarget);
        }
        return true;
    }

    // Deletes the second row again and again, the newest (the 5 MB one in that history) in view.
    bool deletes() {
        const auto list = shownList();
        if (!list) {
            return missing("the dictation history list");
        }
        desktop_.click(list->x + 40, list->y + list->height / 2);
        desktop_.moveTo(0, desktop_.screen().height - 1);
        settle();
        for (int i = 0; i < options_.reps; ++i) {
            key(XK_Home);
            key(XK_Down);
            record("delete (second row)", key(XK_Delete), keystrokeTarget);
        }
        return true;
    }

    bool tray() {
        const auto icon = desktop_.trayIconOf(options_.pid);
        const auto place = icon ? desktop_.geometry(*icon) : std::nullopt;
        if (!place) {
            return missing("Tavik's tray icon");
        }
        for (int i = 0; i < options_.reps; ++i) {
            desktop_.moveTo(place->centreX(), place->centreY());
            settle();
            // Only the menu's own window counts, mapped after the click.
            record("tray menu opens",
                   probe_.measure([&] { desktop_.click(place->centreX(), place->centreY()); },
                                  Watch{Rect{}, true, false, 500ms, 10000ms}),
                   frameTarget);
            desktop_.key(XK_Escape);
            settle();
        }
        return true;
    }

    bool orb() {
        const auto place = app_->find("Click to dictate");
        if (!place) {
            return missing("the floating button");
        }
        const Watch onOrb{*place, false, false, 300ms, 20000ms};
        for (int i = 0; i < options_.reps; ++i) {
            desktop_.moveTo(place->centreX(), place->centreY());
            settle();
            record(
                "dictation start (button)",
                probe_.measure([&] { desktop_.click(place->centreX(), place->centreY()); }, onOrb),
                frameTarget);
            record(
                "dictation stop (button)",
                probe_.measure([&] { desktop_.click(place->centreX(), place->centreY()); }, onOrb),
                frameTarget);
            settle();
        }
        return true;
    }

    bool pad() {
        if (!visit("Scratchpad", "scratchpad pane visit")) {
            return false;
        }
        if (!clickOn("Scratchpad", Kind::text)) {
            return false;
        }
        desktop_.moveTo(0, desktop_.screen().height - 1);
        settle();
        for (int i = 0; i < options_.reps; ++i) {
            record("pad Ctrl+End", key(XK_End, {XK_Control_L}), frameTarget);
            record("pad key after Ctrl+End", key(XK_a), frameTarget);
            record("pad key", key(XK_b), frameTarget);
            record("pad Ctrl+Home", key(XK_Home, {XK_Control_L}), frameTarget);
            record("pad key after Ctrl+Home", key(XK_c), frameTarget);
            record("pad key", key(XK_d), frameTarget);
        }
        return true;
    }

    // An answer passes through the X server, the program's thread that reads the server's
    // events, and its main thread.
    static std::vector<long> threadsOnThePath(const Options& options) {
        std::vector<long> tids{options.pid};
        for (const long tid : threadsNamed(options.pid, "QXcbEventQueue")) {
            tids.push_back(tid);
        }
        if (options.serverPid > 0) {
            tids.push_back(options.serverPid);
        }
        return tids;
    }

    const Options& options_;
    XDesktop& desktop_;
    HostStalls stalls_;
    Probe probe_;
    Results results_;
    AccessibleApp* app_ = nullptr;
    Window mainWindow_ = None;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--pid" && hasValue) {
            options.pid = std::atol(argv[++i]);
        } else if (argument == "--server-pid" && hasValue) {
            options.serverPid = std::atol(argv[++i]);
        } else if (argument == "--open" && hasValue) {
            options.open = argv[++i];
        } else if (argument == "--word" && hasValue) {
            options.word = argv[++i];
        } else if (argument == "--title" && hasValue) {
            options.title = argv[++i];
        } else if (argument == "--reps" && hasValue) {
            options.reps = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--steps" && hasValue) {
            options.steps.clear();
            std::istringstream list(argv[++i]);
            for (std::string step; std::getline(list, step, ',');) {
                options.steps.insert(step);
            }
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--dump") {
            options.dump = true;
        } else {
            return false;
        }
    }
    return options.pid > 0 && !options.word.empty();
}

} // namespace
} // namespace tavik::drive

int main(int argc, char** argv) {
    tavik::drive::Options options;
    if (!tavik::drive::parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: tavik-drive --pid PID [--server-pid PID] [--open PROGRAM] [--word "
                     "WORD] [--reps N] "
                     "[--title TEXT] [--steps visits,resize,search,scroll,delete,tray,orb,pad] "
                     "[--dump] [--verbose]\n");
        return 2;
    }
    tavik::drive::XDesktop desktop;
    std::string why;
    if (!desktop.open(why)) {
        std::fprintf(stderr, "tavik-drive: %s\n", why.c_str());
        return 1;
    }
    tavik::drive::Driver driver(options, desktop);
    return driver.run() ? 0 : 1;
}
