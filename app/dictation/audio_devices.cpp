#include "app/dictation/audio_devices.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace tavik::AudioDevices {
namespace {

std::atomic<platform::AudioSourcesApi*> testingApi{nullptr};

AudioInputDevice toDevice(const platform::AudioSource& source) {
    AudioInputDevice device;
    device.id = source.index;
    device.uid = source.name;
    device.name =
        source.description.isEmpty() ? QStringLiteral("Unknown microphone") : source.description;
    device.channels = source.channels;
    device.transport = source.transport;
    return device;
}

// A source with channels to record, even a hidden (monitor) one.
std::optional<AudioInputDevice> recordable(const platform::AudioSource* source) {
    if (source == nullptr || source->channels <= 0) {
        return std::nullopt;
    }
    return toDevice(*source);
}

// A microphone: recordable, and no loopback of an output.
std::optional<AudioInputDevice> microphone(const platform::AudioSource* source) {
    return source != nullptr && !source->monitor ? recordable(source) : std::nullopt;
}

// The source that is the default, unless it is a monitor (recording it would capture what the
// speakers play, not the user).
std::optional<std::uint32_t> defaultIndex(const platform::AudioSource* source) {
    if (source == nullptr || source->monitor) {
        return std::nullopt;
    }
    return source->index;
}

int sortClass(const AudioInputDevice& device) {
    if (device.isBuiltIn()) {
        return 0;
    }
    return device.isVirtual() ? 2 : 1;
}

// The file-name order people know from file managers: case and accents ignored, digit runs
// compared by value.
std::unique_ptr<icu::Collator> makeCollator() {
    // The POSIX locale's tailoring orders by code point (every capital before every small
    // letter), which is not how people sort names; the root order is.
    icu::Locale locale = icu::Locale::getDefault();
    if (std::strcmp(locale.getVariant(), "POSIX") == 0) {
        locale = icu::Locale::getRoot();
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || collator == nullptr) {
        return nullptr;
    }
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    return U_SUCCESS(status) ? std::move(collator) : nullptr;
}

} // namespace

platform::AudioSourcesApi& api() {
    if (auto* replaced = testingApi.load()) {
        return *replaced;
    }
    return platform::AudioSourcesApi::system();
}

void setApiForTesting(platform::AudioSourcesApi* replacement) {
    testingApi.store(replacement);
}

void sortForDisplay(std::vector<AudioInputDevice>& devices) {
    const auto collator = makeCollator();
    auto nameLess = [&](const QString& a, const QString& b) {
        if (collator == nullptr) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        }
        UErrorCode status = U_ZERO_ERROR;
        const auto order = collator->compare(
            reinterpret_cast<const char16_t*>(a.utf16()), int32_t(a.size()),
            reinterpret_cast<const char16_t*>(b.utf16()), int32_t(b.size()), status);
        return U_SUCCESS(status) && order == UCOL_LESS;
    };
    std::stable_sort(devices.begin(), devices.end(),
                     [&](const AudioInputDevice& a, const AudioInputDevice& b) {
                         const int classA = sortClass(a);
                         const int classB = sortClass(b);
                         if (classA != classB) {
                             return classA < classB;
                         }
                         return nameLess(a.name, b.name);
                     });
}

std::vector<AudioInputDevice> inputs() {
    std::vector<AudioInputDevice> devices;
    for (const auto& source : api().sources()) {
        if (auto device = microphone(&source)) {
            devices.push_back(std::move(*device));
        }
    }
    sortForDisplay(devices);
    return devices;
}

std::optional<AudioInputDevice> device(std::uint32_t id) {
    const auto source = api().source(id);
    return recordable(source ? &*source : nullptr);
}

std::optional<AudioInputDevice> device(const QString& uid) {
    for (auto& candidate : inputs()) {
        if (candidate.uid == uid) {
            return std::move(candidate);
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> defaultInputID() {
    const auto name = api().defaultSourceName();
    if (!name) {
        return std::nullopt;
    }
    const auto source = api().source(*name);
    return defaultIndex(source ? &*source : nullptr);
}

std::optional<AudioInputDevice> device(const Listing& listing, std::uint32_t id) {
    return recordable(listing.find(id));
}

std::optional<AudioInputDevice> device(const Listing& listing, const QString& uid) {
    return microphone(listing.find(uid));
}

std::optional<std::uint32_t> defaultInputID(const Listing& listing) {
    return listing.defaultSourceName ? defaultIndex(listing.find(*listing.defaultSourceName))
                                     : std::nullopt;
}

bool isAlive(std::uint32_t id) {
    return api().source(id).has_value();
}

std::optional<double> nominalSampleRate(std::uint32_t id) {
    const auto source = api().source(id);
    if (!source) {
        return std::nullopt;
    }
    return double(source->sampleRate);
}

int inputChannelCount(std::uint32_t id) {
    const auto source = api().source(id);
    return source ? std::max(0, source->channels) : 0;
}

} // namespace tavik::AudioDevices
