#pragma once

#include <chrono>

namespace tavik {

class History;
class Scratchpad;
class StoreNotices;
namespace platform {
class DefaultsStore;
}

// Tells `notices` how the store's saves go: what it holds unsaved (in words), why, and how to
// try again. The store and the notices must outlive each other's use.
void watchSaves(StoreNotices& notices, platform::DefaultsStore& defaults);
void watchSaves(StoreNotices& notices, History& history);
void watchSaves(StoreNotices& notices, Scratchpad& scratchpad);

// Points the shared stores (the defaults, the history, the scratchpad) and every file moved
// aside at `notices`, loading the history and the scratchpad now so that what their loading
// finds is told too. Call once at start-up, after the single-instance claim.
void watchSharedStores(StoreNotices& notices);

// What a quit waits for at most before the process ends: time for the newest history of
// 5,000 long entries to reach a slow disk, plus the scratchpad.
constexpr std::chrono::milliseconds quitSaveLimit{10'000};

// The quit's last save: tries once more every shared store that holds unsaved changes, waits
// (at most `limit`) until the newest history and scratchpad are on disk, and logs what could
// not be saved. True when everything is on disk.
bool saveSharedStoresAtQuit(std::chrono::milliseconds limit);

} // namespace tavik
