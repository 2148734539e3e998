// Drives the insertion library with arbitrary keys, texts and callback answers. The input is cut
// into: a few keys, a text, and a stream of outcome codes the callback hands back in turn.
#include "nalo_core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Answers {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t next = 0;
    std::size_t calls = 0;
};

std::uint32_t answer(std::uint32_t strategy, const char* text, std::uint32_t restore_ms,
                     bool ax_trusted, void* context) {
    auto* answers = static_cast<Answers*>(context);
    if (strategy > 2 || text == nullptr || restore_ms != 200 || answers->calls >= 3) {
        std::abort();
    }
    (void)ax_trusted;
    (void)std::strlen(text); // the copy must be NUL-terminated
    ++answers->calls;
    if (answers->size == 0) {
        return 3;
    }
    const std::uint8_t code = answers->data[answers->next++ % answers->size];
    return code < 16 ? code % 7 : code; // mostly valid codes, sometimes wild ones
}

std::string take(const std::uint8_t*& data, std::size_t& size) {
    if (size == 0) {
        return {};
    }
    std::size_t length = data[0] % 24;
    ++data;
    --size;
    length = length > size ? size : length;
    std::string out(reinterpret_cast<const char*>(data), length);
    data += length;
    size -= length;
    return out; // may hold NULs: the C side then sees only the part before the first one
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NaloEngine* engine = nalo_engine_new();
    const std::string keys[2] = {take(data, size), take(data, size)};
    const std::string text = take(data, size);
    Answers answers{data, size};
    for (int round = 0; round < 6; ++round) {
        answers.calls = 0;
        NaloInsertResult result =
            nalo_engine_insert(engine, keys[round % 2].c_str(), text.c_str(), &answer, &answers);
        if (result.attempts + result.skipped > 3 || (result.succeeded != (result.winner < 3)) ||
            (result.trace == nullptr && (result.attempts != 0 || result.skipped != 0))) {
            std::abort();
        }
        nalo_string_free(result.trace);
    }
    if (nalo_engine_profile_count(engine) > 2) {
        std::abort();
    }
    nalo_engine_free(engine);
    return 0;
}
