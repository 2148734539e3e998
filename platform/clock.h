#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>

namespace tavik::platform {

// Time and one-shot timers for the components whose behaviour depends on them (the dictation
// controller, the shortcut monitor). Tests drive a fake; the application uses Clock::system().
// Timers fire on the main thread.
class Clock {
public:
    using TimerId = std::uint64_t;
    static constexpr TimerId noTimer = 0;

    virtual ~Clock() = default;

    virtual std::int64_t monotonicNs() const = 0;
    virtual QDateTime utcNow() const = 0;
    virtual TimerId schedule(std::int64_t delayNs, std::function<void()> fire) = 0;
    virtual void cancel(TimerId id) = 0; // unknown or already fired ids are ignored

    static Clock& system();
};

constexpr std::int64_t msToNs(std::int64_t ms) {
    return ms * 1'000'000;
}

} // namespace tavik::platform
