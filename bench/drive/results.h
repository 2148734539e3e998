#pragma once

// The outcomes of each measured step, by name, and the table they make.
#include "bench/drive/probe.h"

#include <string>
#include <vector>

namespace tavik::drive {

class Results {
public:
    // `targetMs` is the most the step's first pixels may take; 0 for a step with none.
    void add(const std::string& step, const Outcome& outcome, double targetMs = 0);
    // Medians and maxima, one line per step in the order first met, under `title`.
    void print(const std::string& title) const;

private:
    struct Step {
        std::string name;
        double targetMs = 0;
        std::vector<Outcome> outcomes;
    };
    std::vector<Step> steps_;
};

} // namespace tavik::drive
