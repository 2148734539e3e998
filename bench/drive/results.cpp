#include "bench/drive/results.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace tavik::drive {

namespace {

double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double maximum(const std::vector<double>& values) {
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

} // namespace

void Results::add(const std::string& step, const Outcome& outcome, double targetMs) {
    auto it =
        std::find_if(steps_.begin(), steps_.end(), [&](const Step& s) { return s.name == step; });
    if (it == steps_.end()) {
        steps_.push_back({step, targetMs, {}});
        it = steps_.end() - 1;
    }
    it->outcomes.push_back(outcome);
}

void Results::print(const std::string& title) const {
    std::printf("\n== %s (ms; median / max)\n", title.c_str());
    std::printf("%-30s %3s %17s %17s %17s %9s %8s %7s %8s %7s\n", "step", "n", "to pixels",
                "until quiet", "main-thread CPU", "busiest", "target", "over", "stalled",
                "net over");
    for (const Step& step : steps_) {
        const auto column = [&](const std::function<double(const Outcome&)>& of) {
            std::vector<double> values;
            for (const Outcome& outcome : step.outcomes) {
                if (of(outcome) >= 0) {
                    values.push_back(of(outcome));
                }
            }
            return values;
        };
        const auto pixels = column([](const Outcome& o) { return o.pixelsMs; });
        const auto quiet = column([](const Outcome& o) { return o.quietMs; });
        const auto cpu = column([](const Outcome& o) { return o.cpuMs; });
        const auto busy = column([](const Outcome& o) { return o.longestBusyMs; });
        const long over = step.targetMs > 0
                              ? std::count_if(pixels.begin(), pixels.end(),
                                              [&](double v) { return v > step.targetMs; })
                              : 0;
        // The host's stalls until the first pixels, and the answers still over the target
        // with that time set aside.
        const auto stalled = column([](const Outcome& o) { return o.untilPixels.hostStalledMs; });
        const long netOver =
            step.targetMs > 0
                ? std::count_if(step.outcomes.begin(), step.outcomes.end(),
                                [&](const Outcome& o) {
                                    return o.pixelsMs >= 0 &&
                                           o.pixelsMs - std::max(0.0, o.untilPixels.hostStalledMs) >
                                               step.targetMs;
                                })
                : 0;
        const long missing = long(step.outcomes.size() - pixels.size());
        const long timedOut = std::count_if(step.outcomes.begin(), step.outcomes.end(),
                                            [](const Outcome& o) { return o.timedOut; });
        std::printf("%-30s %3zu %8.1f /%7.1f %8.1f /%7.1f %8.1f /%7.1f %9.1f ", step.name.c_str(),
                    step.outcomes.size(), median(pixels), maximum(pixels), median(quiet),
                    maximum(quiet), median(cpu), maximum(cpu), maximum(busy));
        if (step.targetMs > 0) {
            std::printf("%8.0f %7ld", step.targetMs, over);
        } else {
            std::printf("%8s %7s", "-", "-");
        }
        if (stalled.empty()) {
            std::printf(" %8s %7s", "-", "-");
        } else if (step.targetMs > 0) {
            std::printf(" %8.1f %7ld", maximum(stalled), netOver);
        } else {
            std::printf(" %8.1f %7s", maximum(stalled), "-");
        }
        if (missing > 0) {
            std::printf("  (%ld drew nothing)", missing);
        }
        if (timedOut > 0) {
            std::printf("  (%ld never quiet)", timedOut);
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

} // namespace tavik::drive
