#pragma once

#include <string_view>

namespace nalo::ffi {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated sequences.
bool isValidUtf8(std::string_view bytes);

} // namespace nalo::ffi
