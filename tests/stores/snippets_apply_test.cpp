#include "app/stores/snippets.h"
#include "platform/defaults_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavik {
namespace {

class SnippetsApply : public ::testing::Test {
protected:
    QString apply(const QList<Snippet>& list, const QString& text) {
        snippets.setItems(list);
        return snippets.apply(text);
    }

    platform::DefaultsStore defaults{
        qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tavik-" +
        ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/defaults.json"};
    Snippets snippets{defaults};
};

Snippet snippet(const QString& trigger, const QString& expansion, bool enabled = true) {
    return Snippet{QUuid::createUuid(), trigger, expansion, enabled};
}

TEST_F(SnippetsApply, WholeWordsInAnyCaseTakeOneFollowingMark) {
    const QList<Snippet> brb = {snippet("brb", "be right back")};
    EXPECT_EQ(apply(brb, "BRB, see you"), "be right back see you");
    EXPECT_EQ(apply(brb, "ok brb! brb? brb. brb"), "ok be right back be right back be right back "
                                                   "be right back");
    EXPECT_EQ(apply(brb, "brb..."), "be right back..");
    EXPECT_EQ(apply(brb, "brbs and abrb and brb_x and brb2"), "brbs and abrb and brb_x and brb2");
    EXPECT_EQ(apply(brb, "brb-now"), "be right back-now");
}

TEST_F(SnippetsApply, NothingToApplyLeavesTheTextAlone) {
    const QString text = "brb, see you";
    EXPECT_EQ(apply({}, text), text);
    EXPECT_EQ(apply({snippet("brb", "be right back", false)}, text), text);
    EXPECT_EQ(apply({snippet("", "never")}, text), text);
}

TEST_F(SnippetsApply, LongerTriggersFirstAndEqualLengthsInListOrder) {
    const QList<Snippet> list = {snippet("sig", "SIGNATURE"),
                                 snippet("my sig", "Kind regards, sig")};
    // "my sig" goes first; its expansion then meets "sig".
    EXPECT_EQ(apply(list, "my sig"), "Kind regards, SIGNATURE");
    EXPECT_EQ(apply(list, "the sig"), "the SIGNATURE");

    const QList<Snippet> same = {snippet("abc", "x"), snippet("xyz", "abc")};
    EXPECT_EQ(apply(same, "abc xyz"), "x abc");
    const QList<Snippet> swapped = {snippet("xyz", "abc"), snippet("abc", "x")};
    EXPECT_EQ(apply(swapped, "abc xyz"), "x x");
    // Length is counted in characters: "ñ" written as n + tilde is one.
    const QList<Snippet> accents = {snippet("an\u0303o", "year"), snippet("anos", "years")};
    EXPECT_EQ(apply(accents, "an\u0303o anos"), "year years");
}

TEST_F(SnippetsApply, ExpansionsAndTriggersAreTakenLiterally) {
    EXPECT_EQ(apply({snippet("price", "$1 \\0 \\ $")}, "the price."), "the $1 \\0 \\ $");
    EXPECT_EQ(apply({snippet("a.b", "dot")}, "a.b axb"), "dot axb");
    EXPECT_EQ(apply({snippet("C++", "cee plus plus")}, "I like C++ code"), "I like C++ code")
        << "ends in a non-word character, so the closing boundary needs a word after it";
    EXPECT_EQ(apply({snippet("C++", "cpp")}, "C++x"), "cppx");
    EXPECT_EQ(apply({snippet("(x)\\E[", "ok")}, "(x)\\E[y"), "(x)\\E[y");
    EXPECT_EQ(apply({snippet("x)\\E[y", "ok")}, "x)\\E[y"), "ok");
}

TEST_F(SnippetsApply, TriggersEndingInNonWordCharactersNeedAWordAfterThem) {
    const QList<Snippet> percent = {snippet("50%", "half")};
    EXPECT_EQ(apply(percent, "50% off"), "50% off");
    EXPECT_EQ(apply(percent, "50%"), "50%");
    EXPECT_EQ(apply(percent, "50%x"), "halfx");
    const QList<Snippet> hash = {snippet("#tag", "tagged")};
    EXPECT_EQ(apply(hash, "a #tag"), "a #tag");
    EXPECT_EQ(apply(hash, "a#tag"), "atagged");
}

TEST_F(SnippetsApply, SpacesOnlyTriggerReplacesSpacesBetweenWords) {
    EXPECT_EQ(apply({snippet(" ", "_")}, "one two  three"), "one_two  three");
}

TEST_F(SnippetsApply, CaselessMatchingFollowsIcu) {
    EXPECT_EQ(apply({snippet("straße", "street")}, "STRASSE and Straße"), "street and street");
    EXPECT_EQ(apply({snippet("ÉTÉ", "summer")}, "un été chaud"), "un summer chaud");
}

TEST_F(SnippetsApply, AWorkerExpandsOneWholeListWhileMainReplacesIt) {
    const QList<Snippet> first = {snippet("alpha", "A1"), snippet("beta", "B1")};
    const QList<Snippet> second = {snippet("alpha", "A2"), snippet("beta", "B2")};
    snippets.setItems(first);
    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0};
    std::atomic<int> runs{0};
    std::thread worker([&] {
        while (!stop.load()) {
            const QString out = snippets.apply("alpha beta");
            mixed += (out == "A1 B1" || out == "A2 B2") ? 0 : 1;
            ++runs;
        }
    });
    for (int i = 0; i < 400 || runs.load() < 50; ++i) {
        snippets.setItems(i % 2 == 0 ? second : first);
    }
    stop = true;
    worker.join();
    EXPECT_EQ(mixed.load(), 0);
}

} // namespace
} // namespace tavik
