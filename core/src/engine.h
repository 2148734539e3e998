#pragma once

#include "profile.h"

#include <optional>
#include <string>
#include <vector>

namespace nalo::engine {

using strategy::Outcome;
using strategy::Strategy;

struct Attempt {
    Strategy strategy;
    Outcome outcome;
};

struct InsertReport {
    std::vector<Attempt> attempts;
    std::vector<Strategy> skipped;
    std::optional<Strategy> winner;
    bool succeeded = false;

    std::string trace() const;
};

// Runs one mechanism. The engine decides which and when; the executor does the inserting.
class Executor {
public:
    virtual ~Executor() = default;
    virtual Outcome execute(Strategy strategy, const std::string& text, std::uint32_t restore_ms,
                            bool ax_trusted) = 0;
};

class Engine {
public:
    Engine() = default;

    InsertReport insert(Executor& executor, const std::string& app, const std::string& text);
    std::size_t profile_count() const { return profiles_.size(); }

private:
    profile::ProfileStore profiles_;
};

} // namespace nalo::engine
