#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace nalo::strategy {

// The three insertion mechanisms, with the codes that cross the C interface.
enum class Strategy : std::uint32_t { Accessibility = 0, Paste = 1, Type = 2 };

// The only order in which strategies are ever tried, skipped or listed.
inline constexpr std::array<Strategy, 3> ALL = {Strategy::Accessibility, Strategy::Paste,
                                                Strategy::Type};

// What one try gave.
enum class Outcome : std::uint32_t {
    Succeeded = 0,
    Unsupported = 1,
    Discarded = 2,
    Failed = 3,
    Refused = 4,
    SucceededUnverified = 5,
};

std::string_view display(Strategy strategy);
std::string_view debugName(Outcome outcome);

// Callers outside the library speak in raw codes; anything unknown counts as a failed try.
Outcome outcomeFromCode(std::uint32_t code);

} // namespace nalo::strategy
