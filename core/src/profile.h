#pragma once

#include "strategy.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace nalo::profile {

using strategy::Outcome;
using strategy::Strategy;

// What the engine has learned about one application, for the engine's lifetime.
struct AppProfile {
    std::string key;
    std::vector<Strategy> discards;    // text silently dropped; first-recorded order, no duplicates
    std::vector<Strategy> unsupported; // mechanism cannot work here; same rules
    std::uint32_t restore_ms = 200;    // how long paste waits before restoring the clipboard

    static AppProfile make(std::string key);

    std::vector<Strategy> order() const;
    bool ax_verification_trusted() const;
    void record(Strategy strategy, Outcome outcome);

private:
    bool ruledOut(Strategy strategy) const;
};

// Profiles by exact (byte-for-byte, case-sensitive) key; never removed or replaced.
class ProfileStore {
public:
    AppProfile& get_or_create(const std::string& key);
    std::size_t size() const { return profiles_.size(); }

private:
    std::unordered_map<std::string, AppProfile> profiles_;
};

// Whether a key belongs to an application known to drop accessibility writes.
bool isSeededKey(const std::string& key);

} // namespace nalo::profile
