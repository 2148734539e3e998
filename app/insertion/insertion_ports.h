#pragma once

#include "platform/accessibility.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/frontmost.h"
#include "platform/key_synth.h"
#include "platform/sleeper.h"

#include <cstdint>

namespace tavik {

// The desktop pieces the insertion mechanisms work through. The engine's callback is a plain
// function with no context, so they are reached through one process-wide set; tests put fakes
// in with ScopedInsertionPorts.
struct InsertionPorts {
    platform::Accessibility* accessibility = nullptr;
    platform::Clipboard* clipboard = nullptr;
    platform::KeySynth* keys = nullptr;
    platform::Frontmost* frontmost = nullptr;
    platform::Clock* clock = nullptr;
    platform::Sleeper* sleeper = nullptr;
    platform::Clipboard* primary = nullptr; // the PRIMARY selection

    static InsertionPorts system();
};

// The set in use; the desktop's own pieces unless a test replaced them. Main thread only.
const InsertionPorts& insertionPorts();

// Changes whenever the set is replaced, so state kept for one set is not applied to another.
std::uint64_t insertionPortsGeneration();

class ScopedInsertionPorts {
public:
    explicit ScopedInsertionPorts(const InsertionPorts& ports);
    ~ScopedInsertionPorts();
    ScopedInsertionPorts(const ScopedInsertionPorts&) = delete;
    ScopedInsertionPorts& operator=(const ScopedInsertionPorts&) = delete;

private:
    InsertionPorts previous_;
    bool hadPrevious_;
};

} // namespace tavik
