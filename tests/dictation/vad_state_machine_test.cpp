#include "app/dictation/vad_state_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavik {
namespace {

using Events = std::vector<VadEvent>;
constexpr auto Pause = VadEvent::SpeechPause;
constexpr auto Resumed = VadEvent::SpeechResumed;
constexpr auto End = VadEvent::SpeechEnd;

std::vector<float> windows(int count, float p) {
    return std::vector<float>(count, p);
}

std::vector<float> join(std::initializer_list<std::vector<float>> parts) {
    std::vector<float> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::vector<float> speech7 = windows(7, 0.9f);

struct MachineCase {
    const char* name;
    std::vector<float> probabilities;
    int silenceHoldMs;
    Events events;
    bool speaking;
    int totalSpeech;
    bool heard;
};

class VadMachineCases : public ::testing::TestWithParam<MachineCase> {};

TEST_P(VadMachineCases, CountsWindowsIntoEvents) {
    const MachineCase& c = GetParam();
    VadStateMachine machine;
    const VadCounts counts = VadCounts::fromDurations(c.silenceHoldMs, 300, 250);
    EXPECT_EQ(machine.consume(c.probabilities, 0.5f, counts), c.events);
    EXPECT_EQ(machine.speaking(), c.speaking);
    EXPECT_EQ(machine.totalSpeechFrames(), c.totalSpeech);
    EXPECT_EQ(machine.heardSpeech(), c.heard);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, VadMachineCases,
    ::testing::Values(
        MachineCase{"seven_speech_windows_start_speaking", speech7, 700, {}, true, 7, false},
        MachineCase{"decay_keeps_it_quiet",
                    join({windows(6, 0.9f), windows(1, 0.1f), windows(1, 0.9f)}),
                    700,
                    {},
                    false,
                    7,
                    false},
        MachineCase{"exactly_threshold_is_speech", windows(7, 0.5f), 700, {}, true, 7, false},
        MachineCase{
            "just_below_threshold_is_silence", windows(7, 0.4999f), 700, {}, false, 0, false},
        MachineCase{"ninth_silence_pauses_once",
                    join({speech7, windows(20, 0.0f)}),
                    700,
                    {Pause},
                    true,
                    7,
                    false},
        MachineCase{"twenty_first_silence_ends",
                    join({speech7, windows(21, 0.0f)}),
                    700,
                    {Pause, End},
                    false,
                    7,
                    false},
        MachineCase{"speech_after_pause_resumes",
                    join({speech7, windows(9, 0.0f), windows(1, 0.9f), windows(20, 0.0f)}),
                    700,
                    {Pause, Resumed, Pause},
                    true,
                    8,
                    false},
        MachineCase{"resume_restarts_the_silence_count",
                    join({speech7, windows(9, 0.0f), windows(1, 0.9f), windows(21, 0.0f)}),
                    700,
                    {Pause, Resumed, Pause, End},
                    false,
                    8,
                    false},
        MachineCase{"short_hold_ends_without_pause",
                    join({speech7, windows(9, 0.0f)}),
                    300,
                    {End},
                    false,
                    7,
                    false},
        MachineCase{"hold_of_319_ms_still_has_no_pause",
                    join({speech7, windows(9, 0.0f)}),
                    319,
                    {End},
                    false,
                    7,
                    false},
        MachineCase{"zero_hold_ends_on_first_silence",
                    join({speech7, windows(1, 0.0f)}),
                    0,
                    {End},
                    false,
                    7,
                    false},
        MachineCase{"negative_hold_ends_on_first_silence",
                    join({speech7, windows(1, 0.0f)}),
                    -100,
                    {End},
                    false,
                    7,
                    false},
        MachineCase{"end_skips_rest_of_batch",
                    join({speech7, windows(21, 0.0f), windows(5, 0.9f)}),
                    700,
                    {Pause, End},
                    false,
                    7,
                    false},
        MachineCase{"nine_speech_windows_are_not_heard",
                    join({speech7, windows(2, 0.9f)}),
                    700,
                    {},
                    true,
                    9,
                    false},
        MachineCase{"ten_speech_windows_are_heard",
                    join({speech7, windows(3, 0.9f)}),
                    700,
                    {},
                    true,
                    10,
                    true},
        MachineCase{"scattered_speech_is_not_heard",
                    join({windows(2, 0.9f), windows(2, 0.1f), windows(2, 0.9f), windows(2, 0.1f),
                          windows(2, 0.9f), windows(2, 0.1f), windows(2, 0.9f), windows(2, 0.1f),
                          windows(2, 0.9f)}),
                    700,
                    {},
                    false,
                    10,
                    false}),
    [](const ::testing::TestParamInfo<MachineCase>& info) { return std::string(info.param.name); });

TEST(VadMachine, CountsAreMillisecondsOverThirtyTwoTruncated) {
    const VadCounts defaults = VadCounts::fromDurations(700, 300, 250);
    EXPECT_EQ(defaults.end, 21);
    EXPECT_EQ(defaults.pause, 9);
    EXPECT_EQ(defaults.start, 7);
    const VadCounts edge = VadCounts::fromDurations(1200, 31, 32);
    EXPECT_EQ(edge.end, 37);
    EXPECT_EQ(edge.pause, 0);
    EXPECT_EQ(edge.start, 1);
}

TEST(VadMachine, EndInThirdWindowOfEightLeavesTheRestAndNextBatchStartsQuiet) {
    VadStateMachine machine;
    const VadCounts counts{3, 2, 2};
    ASSERT_TRUE(machine.consume(windows(2, 0.9f), 0.5f, counts).empty());
    ASSERT_TRUE(machine.speaking());
    const auto batch = join({windows(3, 0.0f), windows(5, 0.9f)});
    EXPECT_EQ(machine.consume(batch, 0.5f, counts), (Events{Pause, End}));
    EXPECT_FALSE(machine.speaking());
    EXPECT_EQ(machine.totalSpeechFrames(), 2) << "the five speech windows were not examined";

    // Quiet again with the speech count at zero: one speech window does not restart speaking.
    EXPECT_TRUE(machine.consume(windows(1, 0.9f), 0.5f, counts).empty());
    EXPECT_FALSE(machine.speaking());
    EXPECT_EQ(machine.totalSpeechFrames(), 3);
}

TEST(VadMachine, TotalsSurviveTheEndAndGoOnlyWithReset) {
    VadStateMachine machine;
    const VadCounts counts = VadCounts::fromDurations(700, 300, 250);
    machine.consume(join({windows(25, 0.9f), windows(21, 0.0f)}), 0.5f, counts);
    EXPECT_FALSE(machine.speaking());
    EXPECT_TRUE(machine.heardSpeech());
    EXPECT_DOUBLE_EQ(machine.speechSeconds(), 0.8);
    machine.reset();
    EXPECT_FALSE(machine.heardSpeech());
    EXPECT_EQ(machine.speechSeconds(), 0.0);
}

} // namespace
} // namespace tavik
