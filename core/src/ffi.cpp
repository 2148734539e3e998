#include "ffi_executor.h"
#include "nalo_core.h"
#include "utf8.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

// The handle the C side holds: one engine, plus a guard against an executor that calls back
// into the same engine while an insertion is running.
struct NaloEngine {
    nalo::engine::Engine engine;
    bool busy = false;
};

static_assert(sizeof(bool) == 1);
static_assert(sizeof(NaloInsertResult) == 24 && alignof(NaloInsertResult) == 8);
static_assert(offsetof(NaloInsertResult, succeeded) == 0);
static_assert(offsetof(NaloInsertResult, winner) == 4);
static_assert(offsetof(NaloInsertResult, attempts) == 8);
static_assert(offsetof(NaloInsertResult, skipped) == 12);
static_assert(offsetof(NaloInsertResult, trace) == 16);

namespace nalo::ffi {

strategy::Outcome FfiExecutor::execute(strategy::Strategy strategy, const std::string& text,
                                       std::uint32_t restore_ms, bool ax_trusted) {
    if (text.find('\0') != std::string::npos) {
        return strategy::Outcome::Failed; // cannot be handed over as a C string
    }
    // A fresh copy per try, so a callback that scribbles on its text cannot affect the next one.
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    const std::uint32_t code = callback_(static_cast<std::uint32_t>(strategy), copy.get(),
                                         restore_ms, ax_trusted, context_);
    return strategy::outcomeFromCode(code);
}

namespace {

char* copyTrace(const std::string& trace) {
    auto* out = static_cast<char*>(std::malloc(trace.size() + 1));
    if (out == nullptr) {
        std::abort(); // out of memory ends the process; nothing unwinds through the interface
    }
    std::memcpy(out, trace.c_str(), trace.size() + 1);
    return out;
}

} // namespace
} // namespace nalo::ffi

extern "C" {

NaloEngine* nalo_engine_new(void) noexcept {
    return new NaloEngine();
}

NaloInsertResult nalo_engine_insert(NaloEngine* engine, const char* app, const char* text,
                                    NaloExecutorFn executor, void* context) noexcept {
    NaloInsertResult result{false, NALO_WINNER_NONE, 0, 0, nullptr};
    if (engine == nullptr || app == nullptr || text == nullptr || executor == nullptr ||
        engine->busy) {
        return result;
    }
    const std::string_view appBytes(app);
    const std::string_view textBytes(text);
    if (!nalo::ffi::isValidUtf8(appBytes) || !nalo::ffi::isValidUtf8(textBytes)) {
        return result;
    }

    nalo::ffi::FfiExecutor ffiExecutor(executor, context);
    engine->busy = true;
    const nalo::engine::InsertReport report =
        engine->engine.insert(ffiExecutor, std::string(appBytes), std::string(textBytes));
    engine->busy = false;

    result.succeeded = report.succeeded;
    result.winner = report.winner ? static_cast<std::uint32_t>(*report.winner) : NALO_WINNER_NONE;
    result.attempts = static_cast<std::uint32_t>(report.attempts.size());
    result.skipped = static_cast<std::uint32_t>(report.skipped.size());
    result.trace = nalo::ffi::copyTrace(report.trace());
    return result;
}

void nalo_engine_free(NaloEngine* engine) noexcept {
    delete engine;
}

size_t nalo_engine_profile_count(const NaloEngine* engine) noexcept {
    return engine == nullptr ? 0 : engine->engine.profile_count();
}

void nalo_string_free(char* s) noexcept {
    std::free(s);
}

} // extern "C"
