#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace tavik {

// The newest samples heard, at most Capacity of them, kept in a fixed ring so that a chunk
// never reallocates on the audio path.
template <std::size_t Capacity> class PrerollRing {
public:
    void push(const float* samples, std::size_t count) {
        if (count >= Capacity) { // only the newest Capacity survive
            samples += count - Capacity;
            count = Capacity;
        }
        for (std::size_t i = 0; i < count; ++i) {
            ring_[(start_ + size_ + i) % Capacity] = samples[i];
        }
        const std::size_t total = size_ + count;
        if (total > Capacity) {
            start_ = (start_ + total - Capacity) % Capacity;
            size_ = Capacity;
        } else {
            size_ = total;
        }
    }

    // Oldest first.
    std::vector<float> inOrder() const {
        std::vector<float> samples;
        samples.reserve(size_);
        const std::size_t firstRun = std::min(size_, Capacity - start_);
        samples.insert(samples.end(), ring_.begin() + std::ptrdiff_t(start_),
                       ring_.begin() + std::ptrdiff_t(start_ + firstRun));
        samples.insert(samples.end(), ring_.begin(),
                       ring_.begin() + std::ptrdiff_t(size_ - firstRun));
        return samples;
    }

    std::size_t size() const { return size_; }
    void clear() {
        start_ = 0;
        size_ = 0;
    }

private:
    std::array<float, Capacity> ring_{};
    std::size_t start_ = 0;
    std::size_t size_ = 0;
};

} // namespace tavik
