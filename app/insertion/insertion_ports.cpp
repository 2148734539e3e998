#include "app/insertion/insertion_ports.h"

#include <optional>

namespace tavik {
namespace {

std::optional<InsertionPorts>& current() {
    static std::optional<InsertionPorts> ports;
    return ports;
}

std::uint64_t generation = 0;

} // namespace

std::uint64_t insertionPortsGeneration() {
    return generation;
}

InsertionPorts InsertionPorts::system() {
    InsertionPorts ports;
    ports.accessibility = &platform::Accessibility::system();
    ports.clipboard = &platform::Clipboard::system();
    ports.keys = &platform::KeySynth::system();
    ports.frontmost = &platform::Frontmost::system();
    ports.clock = &platform::Clock::system();
    ports.sleeper = &platform::Sleeper::system();
    ports.primary = &platform::Clipboard::primary();
    return ports;
}

const InsertionPorts& insertionPorts() {
    if (!current()) {
        current() = InsertionPorts::system();
    }
    return *current();
}

ScopedInsertionPorts::ScopedInsertionPorts(const InsertionPorts& ports)
    : previous_(current().value_or(InsertionPorts{})), hadPrevious_(current().has_value()) {
    current() = ports;
    ++generation;
}

ScopedInsertionPorts::~ScopedInsertionPorts() {
    if (hadPrevious_) {
        current() = previous_;
    } else {
        current().reset();
    }
    ++generation;
}

} // namespace tavik
