#pragma once

#include <cstdint>

namespace tavik::platform {

// Transport kinds of an input device as four-character codes (the big-endian value of the four
// ASCII characters), so that the kinds read the same wherever they are stored or logged.
constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
    return (std::uint32_t(std::uint8_t(code[0])) << 24) |
           (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

namespace transport {
constexpr std::uint32_t unknown = 0;
constexpr std::uint32_t builtIn = fourCharCode("bltn");
constexpr std::uint32_t bluetooth = fourCharCode("blue");
constexpr std::uint32_t bluetoothLE = fourCharCode("blea");
constexpr std::uint32_t virtualDevice = fourCharCode("virt");
constexpr std::uint32_t aggregate = fourCharCode("grup");
constexpr std::uint32_t usb = fourCharCode("usb ");
} // namespace transport

} // namespace tavik::platform
