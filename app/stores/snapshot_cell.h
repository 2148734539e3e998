#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace tavik {

// Hands a whole immutable value from the thread that replaces it (the main thread) to threads
// that read it (recognition): a reader takes one pointer and works on that version alone,
// however often the value is replaced meanwhile.
template <typename T> class SnapshotCell {
public:
    explicit SnapshotCell(T initial = T())
        : value_(std::make_shared<const T>(std::move(initial))) {}

    std::shared_ptr<const T> load() const {
        std::lock_guard lock(mutex_);
        return value_;
    }

    void store(T value) {
        auto fresh = std::make_shared<const T>(std::move(value));
        std::lock_guard lock(mutex_);
        value_.swap(fresh);
        // The old version is released outside the lock, when `fresh` goes.
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const T> value_;
};

} // namespace tavik
