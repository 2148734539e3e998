#include "profile.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace nalo::profile {
namespace {

constexpr std::array<std::string_view, 6> seededIdentifiers = {
    "com.microsoft.VSCode", "com.tinyspeck.slackmacgap", "notion.id",
    "com.hnc.Discord",      "com.figma.Desktop",         "com.anthropic.claudefordesktop",
};

// Executable names are matched without regard to ASCII letter case.
constexpr std::array<std::string_view, 6> seededExecutables = {
    "code.exe", "slack.exe", "notion.exe", "discord.exe", "figma.exe", "claude.exe",
};

std::string asciiLowered(std::string_view key) {
    std::string lowered(key);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lowered;
}

bool contains(const std::vector<Strategy>& list, Strategy strategy) {
    return std::find(list.begin(), list.end(), strategy) != list.end();
}

void appendOnce(std::vector<Strategy>& list, Strategy strategy) {
    if (!contains(list, strategy)) {
        list.push_back(strategy);
    }
}

} // namespace

bool isSeededKey(const std::string& key) {
    if (std::find(seededIdentifiers.begin(), seededIdentifiers.end(), key) !=
        seededIdentifiers.end()) {
        return true;
    }
    const std::string lowered = asciiLowered(key);
    return std::find(seededExecutables.begin(), seededExecutables.end(), lowered) !=
           seededExecutables.end();
}

AppProfile AppProfile::make(std::string key) {
    AppProfile profile;
    profile.key = std::move(key);
    return profile;
}

bool AppProfile::ruledOut(Strategy strategy) const {
    return contains(discards, strategy) || contains(unsupported, strategy);
}

std::vector<Strategy> AppProfile::order() const {
    std::vector<Strategy> result;
    for (Strategy strategy : strategy::ALL) {
        if (!ruledOut(strategy)) {
            result.push_back(strategy);
        }
    }
    return result;
}

bool AppProfile::ax_verification_trusted() const {
    return !ruledOut(Strategy::Accessibility);
}

void AppProfile::record(Strategy strategy, Outcome outcome) {
    switch (outcome) {
    case Outcome::Unsupported:
        appendOnce(unsupported, strategy);
        break;
    case Outcome::Discarded:
        appendOnce(discards, strategy);
        break;
    case Outcome::Succeeded:
    case Outcome::SucceededUnverified:
    case Outcome::Failed:
    case Outcome::Refused:
        break;
    }
}

AppProfile& ProfileStore::get_or_create(const std::string& key) {
    auto found = profiles_.find(key);
    if (found != profiles_.end()) {
        return found->second;
    }
    AppProfile profile = AppProfile::make(key);
    if (isSeededKey(key)) {
        profile.discards.push_back(Strategy::Accessibility);
    }
    return profiles_.emplace(key, std::move(profile)).first->second;
}

} // namespace nalo::profile
