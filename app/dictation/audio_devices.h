#pragma once

#include "app/dictation/audio_input_device.h"
#include "platform/audio_sources.h"

#include <optional>
#include <vector>

namespace tavik::AudioDevices {

// The usable microphones: no monitor sources, none without channels; built-in devices first,
// virtual ones last, by name within each class (numbers by value, "Mic 2" before "Mic 10"),
// equal names in the server's order. Empty when the sound server cannot be read.
std::vector<AudioInputDevice> inputs();

// The device with this id, even a hidden (monitor) one; none when it has no channels or is gone.
std::optional<AudioInputDevice> device(std::uint32_t id);
// The first of inputs() with this uid.
std::optional<AudioInputDevice> device(const QString& uid);

// The server's default source; none when there is none, or when it is a monitor (recording it
// would capture what the speakers play, not the user).
std::optional<std::uint32_t> defaultInputID();

// The same three answers from one listing of the sources.
using Listing = platform::AudioSourcesApi::Listing;
std::optional<AudioInputDevice> device(const Listing& listing, std::uint32_t id);
std::optional<AudioInputDevice> device(const Listing& listing, const QString& uid);
std::optional<std::uint32_t> defaultInputID(const Listing& listing);

bool isAlive(std::uint32_t id);
std::optional<double> nominalSampleRate(std::uint32_t id);
int inputChannelCount(std::uint32_t id);

// Orders devices as inputs() does (stable).
void sortForDisplay(std::vector<AudioInputDevice>& devices);

// The source of every query: the desktop's sound server unless a test put in its own.
platform::AudioSourcesApi& api();
void setApiForTesting(platform::AudioSourcesApi* api); // null restores the real one

} // namespace tavik::AudioDevices
