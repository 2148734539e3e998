#include "bench/drive/probe.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>

namespace tavik::drive {

namespace {

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A caret blinking in a field draws a rectangle a few pixels wide and a line high (the search
// field's is 7 to 10 wide with its margins); it never answers an input.
bool isCaret(const Rect& area) {
    return area.width <= 12 && area.height <= 24;
}

// The scheduler's figures for a thread, in milliseconds: on a processor and waiting for one.
struct Scheduled {
    double runningMs = 0;
    double waitingMs = 0;
};

Scheduled scheduled(const std::string& task) {
    std::ifstream schedstat(task + "/schedstat");
    double running = 0;
    double waiting = 0;
    schedstat >> running >> waiting;
    return {running / 1e6, waiting / 1e6};
}

std::string taskOf(long pid) {
    return "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid);
}

} // namespace

double mainThreadCpuMs(long pid) {
    const std::string task = taskOf(pid);
    if (std::ifstream(task + "/schedstat").good()) {
        return scheduled(task).runningMs;
    }
    std::ifstream stat(task + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which may hold spaces, end at the last ')'.
    const auto close = line.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    double utime = 0;
    double stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stod(field);
        } else if (index == 15) {
            stime = std::stod(field);
            break;
        }
    }
    return (utime + stime) * 1e3 / double(::sysconf(_SC_CLK_TCK));
}

Outcome Probe::measure(const std::function<void()>& input, const Watch& watch) {
    using namespace std::chrono_literals;
    desktop_.read(0ms); // what was drawn before the input is no answer to it
    std::vector<Rect> areas{watch.area};
    input();
    const auto start = Clock::now();
    const double startCpu = mainThreadCpuMs(pid_);
    const Scheduled mainAtStart = scheduled(taskOf(pid_));
    const Scheduled serverAtStart = serverPid_ > 0 ? scheduled(taskOf(serverPid_)) : Scheduled{};

    Outcome outcome;
    auto lastDrawn = start;
    auto lastBusy = start;
    struct Sample {
        Clock::time_point at;
        double cpu;
    };
    std::deque<Sample> samples{{start, startCpu}};
    double busyStretch = 0;
    for (;;) {
        for (const ServerEvent& event : desktop_.read(5ms)) {
            if (event.kind == ServerEvent::Kind::mapped) {
                if (watch.newWindows) {
                    areas.push_back(event.area);
                }
                continue;
            }
            if (std::getenv("TAVIK_DRIVE_TRACE") != nullptr) {
                std::fprintf(stderr, "  %8.1f damage %d,%d %dx%d\n", msBetween(start, event.at),
                             event.area.x, event.area.y, event.area.width, event.area.height);
            }
            if (isCaret(event.area)) {
                continue;
            }
            for (const Rect& area : areas) {
                if (area.intersects(event.area)) {
                    if (outcome.pixelsMs < 0) {
                        outcome.pixelsMs = msBetween(start, event.at);
                        const Scheduled main = scheduled(taskOf(pid_));
                        outcome.untilPixels.cpuMs = main.runningMs - mainAtStart.runningMs;
                        outcome.untilPixels.runQueueMs = main.waitingMs - mainAtStart.waitingMs;
                        if (serverPid_ > 0) {
                            outcome.untilPixels.serverCpuMs =
                                scheduled(taskOf(serverPid_)).runningMs - serverAtStart.runningMs;
                        }
                        if (stalls_ != nullptr && stalls_->watching()) {
                            outcome.untilPixels.hostStalledMs = stalls_->stalledMs(start, event.at);
                        }
                    }
                    lastDrawn = event.at;
                    break;
                }
            }
        }
        if (stalls_ != nullptr) {
            stalls_->read();
        }
        const auto now = Clock::now();
        const double cpu = mainThreadCpuMs(pid_);
        const double wall = msBetween(samples.back().at, now);
        if (wall >= 4) {
            const double load = (cpu - samples.back().cpu) / wall;
            busyStretch = load >= 0.8 ? busyStretch + wall : 0;
            outcome.longestBusyMs = std::max(outcome.longestBusyMs, busyStretch);
            // A timer's few milliseconds are no busy time; a stretch of 20 ms or more is.
            if (busyStretch >= 20) {
                lastBusy = now;
            }
            samples.push_back({now, cpu});
        }
        while (samples.size() > 2 && now - samples[1].at >= watch.quiet) {
            samples.pop_front();
        }
        const bool idle = now - samples.front().at >= watch.quiet &&
                          cpu - samples.front().cpu < 0.1 * double(watch.quiet.count());
        const bool answered = outcome.pixelsMs >= 0 || !watch.awaitPixels;
        if (now - lastDrawn >= watch.quiet && idle && answered) {
            outcome.quietMs = msBetween(start, std::max(lastDrawn, lastBusy));
            outcome.cpuMs = cpu - startCpu;
            return outcome;
        }
        if (now - start >= watch.cap) {
            outcome.timedOut = true;
            outcome.quietMs = msBetween(start, now);
            outcome.cpuMs = cpu - startCpu;
            return outcome;
        }
    }
}

} // namespace tavik::drive
