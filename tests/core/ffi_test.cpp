#include "nalo_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

extern "C" int nalo_c_caller_inserts(void);

namespace {

// Scripted answers per strategy, and a record of every call the engine made.
struct Script {
    std::uint32_t answers[3] = {3, 3, 3};
    std::vector<std::uint32_t> strategies;
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    std::vector<bool> axTrusted;
    NaloEngine* reenterInto = nullptr;
    NaloInsertResult nested{};
};

std::uint32_t scripted(std::uint32_t strategy, const char* text, std::uint32_t, bool axTrusted,
                       void* context) {
    auto* script = static_cast<Script*>(context);
    script->strategies.push_back(strategy);
    script->texts.emplace_back(text);
    script->pointers.push_back(text);
    script->axTrusted.push_back(axTrusted);
    if (script->reenterInto != nullptr) {
        script->nested = nalo_engine_insert(script->reenterInto, "nested", "x", &scripted, nullptr);
    }
    return script->answers[strategy];
}

struct EngineHandle {
    NaloEngine* engine = nalo_engine_new();
    ~EngineHandle() { nalo_engine_free(engine); }
};

struct Result {
    NaloInsertResult raw;
    explicit Result(NaloInsertResult r) : raw(r) {}
    ~Result() { nalo_string_free(raw.trace); }
    std::string trace() const { return raw.trace ? raw.trace : "<null>"; }
};

void expectRejected(const NaloInsertResult& result) {
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.winner, NALO_WINNER_NONE);
    EXPECT_EQ(result.attempts, 0u);
    EXPECT_EQ(result.skipped, 0u);
    EXPECT_EQ(result.trace, nullptr);
}

TEST(InsertionLibrary, RejectsMissingArgumentsWithoutSideEffects) {
    EngineHandle h;
    Script script;
    expectRejected(nalo_engine_insert(nullptr, "app", "text", &scripted, &script));
    expectRejected(nalo_engine_insert(h.engine, nullptr, "text", &scripted, &script));
    expectRejected(nalo_engine_insert(h.engine, "app", nullptr, &scripted, &script));
    expectRejected(nalo_engine_insert(h.engine, "app", "text", nullptr, &script));
    EXPECT_TRUE(script.strategies.empty());
    EXPECT_EQ(nalo_engine_profile_count(h.engine), 0u);
    EXPECT_EQ(nalo_engine_profile_count(nullptr), 0u);
    nalo_engine_free(nullptr);
    nalo_string_free(nullptr);
}

TEST(InsertionLibrary, RejectsInvalidUtf8InKeyOrText) {
    EngineHandle h;
    Script script;
    for (const char* bad : {"\xC3\x28", "\xED\xA0\x80", "\xC0\xAF", "\xE0\x80\xAF",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xE2\x82", "ok\xFF"}) {
        expectRejected(nalo_engine_insert(h.engine, bad, "text", &scripted, &script));
        expectRejected(nalo_engine_insert(h.engine, "app", bad, &scripted, &script));
    }
    EXPECT_TRUE(script.strategies.empty());
    EXPECT_EQ(nalo_engine_profile_count(h.engine), 0u);

    Result fine(nalo_engine_insert(h.engine, "\xF0\x9F\x8E\x99 app", "caf\xC3\xA9 \xE2\x82\xAC",
                                   &scripted, &script));
    EXPECT_NE(fine.raw.trace, nullptr);
    EXPECT_EQ(script.texts.front(), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(InsertionLibrary, EachTryGetsItsOwnCopyOfTheWholeText) {
    EngineHandle h;
    Script script;
    const char* text = "the words";
    Result r(nalo_engine_insert(h.engine, "app", text, &scripted, &script));
    ASSERT_EQ(script.pointers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NE(script.pointers[i], text);
        EXPECT_EQ(script.texts[i], "the words");
    }
    Result empty(nalo_engine_insert(h.engine, "app", "", &scripted, &script));
    EXPECT_EQ(script.texts.back(), "");
}

TEST(InsertionLibrary, UnknownOutcomeCodesCountAsFailedAndTeachNothing) {
    EngineHandle h;
    Script script;
    script.answers[0] = 7;
    script.answers[1] = 0xFFFFFFFF;
    script.answers[2] = 0;
    Result first(nalo_engine_insert(h.engine, "app", "x", &scripted, &script));
    EXPECT_EQ(first.trace(), "accessibility -> Failed\npaste -> Failed\ntype -> Succeeded\n"
                             "inserted via type\n");
    EXPECT_TRUE(first.raw.succeeded);
    EXPECT_EQ(first.raw.winner, 2u);
    EXPECT_EQ(first.raw.attempts, 3u);
    EXPECT_EQ(first.raw.skipped, 0u);

    Result second(nalo_engine_insert(h.engine, "app", "x", &scripted, &script));
    EXPECT_EQ(second.raw.skipped, 0u);
    EXPECT_EQ(second.raw.attempts, 3u);
}

TEST(InsertionLibrary, ReportsSkipsAndCountsProfilesByExactKey) {
    EngineHandle h;
    Script script;
    script.answers[1] = 5;
    Result seeded(nalo_engine_insert(h.engine, "Code.EXE", "x", &scripted, &script));
    EXPECT_EQ(seeded.raw.skipped, 1u);
    EXPECT_EQ(seeded.raw.attempts, 1u);
    EXPECT_EQ(seeded.raw.winner, 1u);
    EXPECT_FALSE(script.axTrusted.front());

    Result lower(nalo_engine_insert(h.engine, "code.exe", "x", &scripted, &script));
    EXPECT_EQ(nalo_engine_profile_count(h.engine), 2u);
}

TEST(InsertionLibrary, AnInsertFromInsideTheCallbackIsRejected) {
    EngineHandle h;
    Script script;
    script.answers[0] = 0;
    script.reenterInto = h.engine;
    Result outer(nalo_engine_insert(h.engine, "outer", "x", &scripted, &script));
    EXPECT_TRUE(outer.raw.succeeded);
    expectRejected(script.nested);
    EXPECT_EQ(nalo_engine_profile_count(h.engine), 1u);
}

TEST(InsertionLibrary, WorksFromCWithTheHeaderAlone) {
    EXPECT_EQ(nalo_c_caller_inserts(), 1);
}

} // namespace
