// The signal hooks with real signals and the real event loop.
#include "app/dictation/signal_hooks.h"
#include "platform/main_thread.h"
#include "tests/support/fixtures.h"

#include <csignal>
#include <vector>

namespace tavik::test {
namespace {

TEST(ControllerSignals, SignalsArriveOnTheMainThreadInOrder) {
    dictation::PosixSignalSource source;
    std::vector<int> received;
    bool onMain = true;
    source.install([&](int signalNumber) {
        onMain = onMain && platform::isMainThread();
        received.push_back(signalNumber);
    });
    ASSERT_EQ(::raise(SIGUSR1), 0);
    ASSERT_EQ(::raise(SIGUSR2), 0);
    ASSERT_EQ(::raise(SIGHUP), 0); // would end the process without the hook
    ASSERT_TRUE(spinUntil([&] { return received.size() == 3; }, 5000));
    EXPECT_EQ(received, std::vector<int>({SIGUSR1, SIGUSR2, SIGHUP}));
    EXPECT_TRUE(onMain);
}

} // namespace
} // namespace tavik::test
