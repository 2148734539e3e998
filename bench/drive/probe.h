#pragma once

// Watches the program after one input: when its pixels answer, when it falls quiet, and what its
// main thread spent meanwhile.
#include "bench/drive/host_stalls.h"
#include "bench/drive/x_desktop.h"

#include <functional>

namespace tavik::drive {

// Time the main thread of `pid` has been on a processor, in milliseconds: the scheduler's own
// count (nanoseconds), or utime+stime in clock ticks where that is missing.
double mainThreadCpuMs(long pid);

// Until the first pixels: what the main thread spent on a processor and waiting for one (the
// scheduler's run queue), and what the X server spent. An answer slower than that work was held
// up outside the program.
struct UntilPixels {
    double cpuMs = 0;
    double runQueueMs = 0;
    double serverCpuMs = 0;
    // How long the program's and the server's threads were stalled by the host meanwhile
    // (-1: not watched).
    double hostStalledMs = -1;
};

struct Outcome {
    double pixelsMs = -1;     // input → first drawing in the watched area; -1 for none
    double quietMs = 0;       // input → the last drawing or busy moment before the quiet
    double cpuMs = 0;         // main thread on a processor from the input to the quiet
    double longestBusyMs = 0; // longest stretch with the main thread ≥ 80 % on a processor
    UntilPixels untilPixels;
    bool timedOut = false;
};

struct Watch {
    Rect area;                // drawing here counts
    bool newWindows = false;  // and drawing in windows mapped after the input (menus)
    bool awaitPixels = false; // no quiet before the first drawing (a window still to come)
    std::chrono::milliseconds quiet{500};
    std::chrono::milliseconds cap{60000};
};

class Probe {
public:
    // `serverPid` is the X server's process, or 0 when unknown. `stalls`, when given, watches
    // the threads an answer passes through for stalls on the host.
    Probe(XDesktop& desktop, long pid, long serverPid = 0, HostStalls* stalls = nullptr)
        : desktop_(desktop), pid_(pid), serverPid_(serverPid), stalls_(stalls) {}

    // Sends `input` (which returns once the server has it) and watches what follows until
    // nothing is drawn in the area and the main thread stays idle for `quiet`.
    Outcome measure(const std::function<void()>& input, const Watch& watch);
    // Waits, without an input, until the program is quiet as above.
    Outcome settle(const Watch& watch) {
        return measure([] {}, watch);
    }

private:
    XDesktop& desktop_;
    long pid_;
    long serverPid_;
    HostStalls* stalls_;
};

} // namespace tavik::drive
