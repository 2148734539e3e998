#pragma once

// Stretches in which a watched thread counted as running but its processor did not run: on a
// virtual machine whose host shares its processors out, the host ran something else. The
// guest's clock goes on meanwhile, so the thread's own CPU figures (schedstat) count those
// stretches as its work, and nothing in /proc tells them apart.
//
// They are found with a software timer that samples each thread every 0.5 ms while it runs (a
// perf event): a sample that comes late, with no switch away between, marks a stall from when it
// was due until it came.
#include "bench/drive/x_desktop.h"

#include <string>
#include <vector>

namespace tavik::drive {

class HostStalls {
public:
    // Watches the threads `tids`. Threads that cannot be watched (no perf events here, or not
    // allowed) are left out; `watching()` says whether any is watched.
    explicit HostStalls(const std::vector<long>& tids);
    ~HostStalls();
    HostStalls(const HostStalls&) = delete;
    HostStalls& operator=(const HostStalls&) = delete;

    bool watching() const { return !threads_.empty(); }
    // Why nothing is watched, when nothing is.
    const std::string& why() const { return why_; }

    // Reads what the samplers noted so far. Call it often enough (every few milliseconds while
    // measuring) that their buffers do not fill.
    void read();
    // How long, between `from` and `to`, at least one watched thread was stalled.
    double stalledMs(Clock::time_point from, Clock::time_point to);

private:
    struct Stall {
        double from = 0; // seconds on the monotonic clock
        double to = 0;
    };
    struct Thread {
        int fd = -1;
        void* ring = nullptr;
        size_t ringBytes = 0;
        bool running = false;
        double lastTick = 0;
    };
    void readThread(Thread& thread);
    void note(Thread& thread, double at, bool switchedOut, bool switchedIn);

    std::vector<Thread> threads_;
    std::vector<Stall> stalls_;
    std::string why_;
};

// The threads of `pid` whose name is `name` (as /proc/<pid>/task/<tid>/comm has it).
std::vector<long> threadsNamed(long pid, const std::string& name);

} // namespace tavik::drive
