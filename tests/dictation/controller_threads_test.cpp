// One dictation across real threads: recognition and model loading on worker threads, every
// result handed back through the Qt event loop. Built with ThreadSanitizer in CI.
#include "tests/support/controller_harness.h"
#include "tests/support/fixtures.h"

namespace tavik::test {
namespace {

using dictation::Action;
using dictation::State;

TEST(ControllerThreads, PushToTalkWithSpeculationAcrossRealQueues) {
    ControllerStage stage;
    stage.realQueues = true;
    stage.start(false);
    ASSERT_TRUE(spinUntil([&] { return stage.state() == State::idle(); }, 10000))
        << stage.log().join(QLatin1Char('\n')).toStdString();

    stage.shortcut->onStart(Action::pushToTalk);
    ASSERT_TRUE(spinUntil([&] { return stage.state() == State::recording(); }, 5000));
    stage.speak(1.0);
    stage.detector->onPause(); // the detector reports on the main thread
    stage.speak(0.2, 0.0f);
    stage.shortcut->onHoldEnd(Action::pushToTalk, 1.0);
    ASSERT_TRUE(spinUntil([&] { return !stage.record->history.empty(); }, 10000));

    EXPECT_EQ(stage.state(), State::idle());
    EXPECT_EQ(stage.record->history[0].text, QStringLiteral("hello world"));
    EXPECT_TRUE(stage.log().contains(QStringLiteral("using speculation (22400 of 25600 samples)")));
    EXPECT_EQ(stage.recogniser->calls, std::vector<std::size_t>({22400}));
}

} // namespace
} // namespace tavik::test
