#include "app/dictation/audio_preroll.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tavik {
namespace {

std::vector<float> numbers(float from, std::size_t count) {
    std::vector<float> values(count);
    std::iota(values.begin(), values.end(), from);
    return values;
}

TEST(PrerollRing, KeepsTheNewestSamplesInOrderAcrossTheWrap) {
    PrerollRing<8> ring;
    EXPECT_TRUE(ring.inOrder().empty());
    const auto first = numbers(0, 5);
    ring.push(first.data(), first.size());
    EXPECT_EQ(ring.inOrder(), first);

    const auto second = numbers(5, 6); // 11 in all: the oldest 3 fall out, the ring wraps
    ring.push(second.data(), second.size());
    EXPECT_EQ(ring.size(), 8u);
    EXPECT_EQ(ring.inOrder(), numbers(3, 8));

    const auto huge = numbers(100, 20); // one chunk larger than the ring
    ring.push(huge.data(), huge.size());
    EXPECT_EQ(ring.inOrder(), numbers(112, 8));

    ring.clear();
    EXPECT_EQ(ring.size(), 0u);
    const auto after = numbers(7, 3);
    ring.push(after.data(), after.size());
    EXPECT_EQ(ring.inOrder(), after);
}

} // namespace
} // namespace tavik
