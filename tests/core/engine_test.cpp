#include "engine.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace nalo::engine {
namespace {

// Answers each strategy with a scripted outcome and records what it was asked.
struct ScriptedExecutor final : Executor {
    std::map<Strategy, Outcome> answers;
    struct Call {
        Strategy strategy;
        std::string text;
        std::uint32_t restore_ms;
        bool ax_trusted;
    };
    std::vector<Call> calls;

    Outcome execute(Strategy strategy, const std::string& text, std::uint32_t restore_ms,
                    bool ax_trusted) override {
        calls.push_back({strategy, text, restore_ms, ax_trusted});
        auto it = answers.find(strategy);
        return it == answers.end() ? Outcome::Failed : it->second;
    }
};

TEST(EngineTrace, FirstInsertionIntoASeededApplicationSkipsAccessibility) {
    Engine engine;
    ScriptedExecutor executor;
    executor.answers[Strategy::Paste] = Outcome::SucceededUnverified;

    const InsertReport report = engine.insert(executor, "com.tinyspeck.slackmacgap", "hello");

    EXPECT_EQ(report.trace(),
              "skip accessibility (profile)\npaste -> SucceededUnverified\ninserted via paste\n");
    ASSERT_EQ(executor.calls.size(), 1u);
    EXPECT_EQ(executor.calls[0].text, "hello");
    EXPECT_EQ(executor.calls[0].restore_ms, 200u);
    EXPECT_FALSE(executor.calls[0].ax_trusted);
    EXPECT_TRUE(report.succeeded);
    EXPECT_EQ(report.winner, Strategy::Paste);
}

TEST(EngineTrace, RefusalStopsAtOnceLearnsNothingAndReadsAsExhausted) {
    Engine engine;
    ScriptedExecutor executor;
    executor.answers[Strategy::Accessibility] = Outcome::Refused;

    const InsertReport report = engine.insert(executor, "org.example.editor", "x");
    EXPECT_EQ(report.trace(), "accessibility -> Refused\nall mechanisms exhausted\n");
    EXPECT_FALSE(report.succeeded);
    EXPECT_FALSE(report.winner.has_value());

    executor.calls.clear();
    engine.insert(executor, "org.example.editor", "x");
    ASSERT_FALSE(executor.calls.empty());
    EXPECT_EQ(executor.calls[0].strategy, Strategy::Accessibility);
}

TEST(EngineLearning, UnsupportedAndDiscardedAreLearnedFailedIsNot) {
    Engine engine;
    ScriptedExecutor executor;
    executor.answers[Strategy::Accessibility] = Outcome::Unsupported;
    executor.answers[Strategy::Paste] = Outcome::Failed;
    executor.answers[Strategy::Type] = Outcome::Discarded;

    const InsertReport first = engine.insert(executor, "app", "t");
    EXPECT_EQ(first.trace(), "accessibility -> Unsupported\npaste -> Failed\ntype -> Discarded\n"
                             "all mechanisms exhausted\n");

    executor.calls.clear();
    const InsertReport second = engine.insert(executor, "app", "t");
    EXPECT_EQ(second.trace(), "skip accessibility (profile)\nskip type (profile)\n"
                              "paste -> Failed\nall mechanisms exhausted\n");
    ASSERT_EQ(executor.calls.size(), 1u);
    EXPECT_FALSE(executor.calls[0].ax_trusted);
}

TEST(EngineLearning, VerificationFlagIsFixedBeforeTheFirstTry) {
    Engine engine;
    ScriptedExecutor executor;
    executor.answers[Strategy::Accessibility] = Outcome::Discarded;
    executor.answers[Strategy::Paste] = Outcome::Succeeded;

    engine.insert(executor, "com.example.chat", "hi");
    ASSERT_EQ(executor.calls.size(), 2u);
    EXPECT_TRUE(executor.calls[1].ax_trusted) << "learning must not change this insertion's tries";

    executor.calls.clear();
    const InsertReport next = engine.insert(executor, "com.example.chat", "hi");
    EXPECT_EQ(next.trace().substr(0, 29), "skip accessibility (profile)\n");
    ASSERT_EQ(executor.calls.size(), 1u);
    EXPECT_FALSE(executor.calls[0].ax_trusted);
}

TEST(EngineLearning, PasteUnsupportedKeepsAccessibilityTrusted) {
    Engine engine;
    ScriptedExecutor executor;
    executor.answers[Strategy::Accessibility] = Outcome::Failed;
    executor.answers[Strategy::Paste] = Outcome::Unsupported;
    executor.answers[Strategy::Type] = Outcome::Succeeded;
    engine.insert(executor, "term", "ls");

    executor.calls.clear();
    engine.insert(executor, "term", "ls");
    ASSERT_EQ(executor.calls.size(), 2u);
    EXPECT_EQ(executor.calls[0].strategy, Strategy::Accessibility);
    EXPECT_EQ(executor.calls[1].strategy, Strategy::Type);
    EXPECT_TRUE(executor.calls[1].ax_trusted);
}

TEST(EngineLearning, AStrategyInBothListsIsRecordedOnceInEach) {
    profile::AppProfile profile = profile::AppProfile::make("k");
    profile.record(Strategy::Paste, Outcome::Discarded);
    profile.record(Strategy::Paste, Outcome::Discarded);
    profile.record(Strategy::Paste, Outcome::Unsupported);
    profile.record(Strategy::Paste, Outcome::Unsupported);
    profile.record(Strategy::Type, Outcome::Refused);
    profile.record(Strategy::Type, Outcome::Succeeded);
    EXPECT_EQ(profile.discards, std::vector<Strategy>{Strategy::Paste});
    EXPECT_EQ(profile.unsupported, std::vector<Strategy>{Strategy::Paste});
    EXPECT_EQ(profile.order(), (std::vector<Strategy>{Strategy::Accessibility, Strategy::Type}));
}

TEST(EngineLearning, EverythingLearnedAwayCallsNoExecutor) {
    Engine engine;
    ScriptedExecutor executor;
    executor.answers[Strategy::Accessibility] = Outcome::Discarded;
    executor.answers[Strategy::Paste] = Outcome::Unsupported;
    executor.answers[Strategy::Type] = Outcome::Unsupported;
    engine.insert(executor, "gone", "a");

    executor.calls.clear();
    const InsertReport report = engine.insert(executor, "gone", "a");
    EXPECT_TRUE(executor.calls.empty());
    EXPECT_TRUE(report.attempts.empty());
    EXPECT_EQ(report.trace(), "skip accessibility (profile)\nskip paste (profile)\n"
                              "skip type (profile)\nall mechanisms exhausted\n");
}

TEST(SeededProfiles, MatchBundleIdentifiersExactlyAndExecutablesWithoutAsciiCase) {
    for (const char* key :
         {"com.microsoft.VSCode", "com.tinyspeck.slackmacgap", "notion.id", "com.hnc.Discord",
          "com.figma.Desktop", "com.anthropic.claudefordesktop", "code.exe", "Code.EXE",
          "SLACK.EXE", "notion.exe", "Discord.exe", "FIGMA.exe", "claude.EXE"}) {
        EXPECT_TRUE(profile::isSeededKey(key)) << key;
    }
    for (const char* key :
         {"com.microsoft.vscode", "com.Figma.Desktop", "", "code.ex", "code.exe ", "slack",
          "\xC4\xB0"
          "code.exe",
          "NOTION.ID"}) {
        EXPECT_FALSE(profile::isSeededKey(key)) << key;
    }
}

TEST(SeededProfiles, AreStoredUnderTheKeyAsPassedAndSeparately) {
    profile::ProfileStore store;
    profile::AppProfile& upper = store.get_or_create("SLACK.EXE");
    EXPECT_EQ(upper.key, "SLACK.EXE");
    EXPECT_EQ(upper.discards, std::vector<Strategy>{Strategy::Accessibility});
    EXPECT_EQ(upper.restore_ms, 200u);
    store.get_or_create("slack.exe");
    EXPECT_EQ(store.size(), 2u);

    profile::AppProfile& plain = store.get_or_create("com.Figma.Desktop");
    EXPECT_TRUE(plain.ax_verification_trusted());
    EXPECT_EQ(plain.order().size(), 3u);
    EXPECT_EQ(store.get_or_create("").order().size(), 3u);
}

} // namespace
} // namespace nalo::engine
