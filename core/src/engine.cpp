#include "engine.h"

#include <algorithm>

namespace nalo::engine {

InsertReport Engine::insert(Executor& executor, const std::string& app, const std::string& text) {
    InsertReport report;

    // Fixed before the first try: what this insertion learns only shapes the next one.
    const profile::AppProfile& profile = profiles_.get_or_create(app);
    const std::vector<Strategy> order = profile.order();
    const bool ax_trusted = profile.ax_verification_trusted();
    const std::uint32_t restore_ms = profile.restore_ms;
    for (Strategy strategy : strategy::ALL) {
        if (std::find(order.begin(), order.end(), strategy) == order.end()) {
            report.skipped.push_back(strategy);
        }
    }

    for (Strategy strategy : order) {
        const Outcome outcome = executor.execute(strategy, text, restore_ms, ax_trusted);
        report.attempts.push_back(Attempt{strategy, outcome});
        profiles_.get_or_create(app).record(strategy, outcome);
        if (outcome == Outcome::Succeeded || outcome == Outcome::SucceededUnverified) {
            report.winner = strategy;
            break;
        }
        if (outcome == Outcome::Refused) {
            break;
        }
    }
    report.succeeded = report.winner.has_value();
    return report;
}

std::string InsertReport::trace() const {
    std::string out;
    for (Strategy strategy : skipped) {
        out += "skip ";
        out += strategy::display(strategy);
        out += " (profile)\n";
    }
    for (const Attempt& attempt : attempts) {
        out += strategy::display(attempt.strategy);
        out += " -> ";
        out += strategy::debugName(attempt.outcome);
        out += '\n';
    }
    if (succeeded && winner) {
        out += "inserted via ";
        out += strategy::display(*winner);
        out += '\n';
    } else {
        out += "all mechanisms exhausted\n";
    }
    return out;
}

} // namespace nalo::engine
