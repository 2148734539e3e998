#pragma once

#include <cstdlib>
#include <memory>

namespace tavik::platform::xcb {

// An XCB reply (or error, or event), which the caller owns and must free with free().
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

} // namespace tavik::platform::xcb
