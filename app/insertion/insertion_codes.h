#pragma once

#include <cstdint>

namespace tavik {

// The insertion library's outcome and strategy codes, mirrored on the application side.
inline constexpr std::uint32_t OUTCOME_SUCCEEDED = 0;
inline constexpr std::uint32_t OUTCOME_UNSUPPORTED = 1;
inline constexpr std::uint32_t OUTCOME_DISCARDED = 2;
inline constexpr std::uint32_t OUTCOME_FAILED = 3;
inline constexpr std::uint32_t OUTCOME_REFUSED = 4;
inline constexpr std::uint32_t OUTCOME_SUCCEEDED_UNVERIFIED = 5;

inline constexpr std::uint32_t STRATEGY_ACCESSIBILITY = 0;
inline constexpr std::uint32_t STRATEGY_PASTE = 1;
inline constexpr std::uint32_t STRATEGY_TYPE = 2;

} // namespace tavik
