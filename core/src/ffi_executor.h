#pragma once

#include "engine.h"
#include "nalo_core.h"

namespace nalo::ffi {

// The engine's executor over a C callback: each try gets its own NUL-terminated copy of the text.
class FfiExecutor final : public engine::Executor {
public:
    FfiExecutor(NaloExecutorFn callback, void* context) : callback_(callback), context_(context) {}

    strategy::Outcome execute(strategy::Strategy strategy, const std::string& text,
                              std::uint32_t restore_ms, bool ax_trusted) override;

private:
    NaloExecutorFn callback_;
    void* context_;
};

} // namespace nalo::ffi
