#include "app/stores/bindings_codec.h"
#include "tests/stores/preferences_test_support.h"

namespace tavik {
namespace {

using test::PreferencesTest;

const TriggerBinding pushToTalkDefault{TriggerKey::rightOption, TriggerGesture::hold, true};
const TriggerBinding handsFreeDefault{TriggerKey::rightCommand, TriggerGesture::doubleTap, true};

TEST_F(PreferencesTest, StoredBindingsAreUsedAsTheyAreWithoutDefaultsMerged) {
    writeBindings("[]");
    auto settings = open();
    EXPECT_TRUE(settings->bindings().empty());
    EXPECT_EQ(settings->primaryLabel(), QString::fromUtf8("—"));
    EXPECT_FALSE(settings->conflictingActions());

    writeBindings(R"(["pushToTalk",{"key":"f5","gesture":"doubleTap","enabled":true}])");
    settings = open();
    EXPECT_EQ(settings->bindings(),
              (TriggerBindings{{DictationAction::pushToTalk,
                                {TriggerKey::f5, TriggerGesture::doubleTap, true}}}));
    EXPECT_EQ(settings->binding(DictationAction::handsFree), std::nullopt);

    writeBindings(R"(["handsFree",{"key":"f5","gesture":"hold","enabled":true},
                      "handsFree",{"key":"f19","gesture":"hold","enabled":false}])");
    EXPECT_EQ(open()->bindings(),
              (TriggerBindings{
                  {DictationAction::handsFree, {TriggerKey::f19, TriggerGesture::hold, false}}}));
}

TEST_F(PreferencesTest, AnyFlawInTheStoredBindingsGivesTheWholeDefaultPair) {
    const char* flawed[] = {
        R"({"pushToTalk":{"key":"f5","gesture":"hold","enabled":true}})", // keyed object
        R"(["pushToTalk"])",                                              // odd length
        R"(["pushToTalk",{"key":"f5","gesture":"hold"}])",                // no enabled
        R"(["pushToTalk",{"key":"f5","gesture":"Hold","enabled":true}])", // label
        R"(["pushToTalk",{"key":"F5","gesture":"hold","enabled":true}])", // letter case
        R"(["toggle",{"key":"f5","gesture":"hold","enabled":true}])",     // unknown action
        R"(["pushToTalk",{"key":"f5","gesture":"hold","enabled":true},
            "handsFree",null])", // one good pair does not rescue the rest
        R"([{"key":"f5","gesture":"hold","enabled":true},"pushToTalk"])", // swapped
        R"("pushToTalk")",
        "not json",
    };
    for (const char* text : flawed) {
        writeBindings(text);
        EXPECT_EQ(open()->bindings(), Preferences::defaultBindings()) << text;
    }
    // A hand-written array where data belongs is not data.
    writeDefaults(R"({"bindings":["pushToTalk",{"key":"f5","gesture":"hold","enabled":true}]})");
    EXPECT_EQ(open()->bindings(), Preferences::defaultBindings());
}

TEST_F(PreferencesTest, BindingsAreStoredAsCompactJsonData) {
    const TriggerBindings chosen{
        {DictationAction::pushToTalk, {TriggerKey::leftCommand, TriggerGesture::hold, false}},
        {DictationAction::handsFree, {TriggerKey::f16, TriggerGesture::doubleTap, true}}};
    open()->setBindings(chosen);
    const auto stored = defaults.data("bindings");
    ASSERT_TRUE(stored);
    EXPECT_FALSE(stored->contains(' '));
    EXPECT_EQ(decodeBindings(*stored), chosen);
    EXPECT_EQ(encodeBindings(Preferences::defaultBindings()),
              R"(["pushToTalk",{"key":"rightOption","gesture":"hold","enabled":true},)"
              R"("handsFree",{"key":"rightCommand","gesture":"doubleTap","enabled":true}])");
    EXPECT_EQ(open()->bindings(), chosen);
}

TEST_F(PreferencesTest, BindingQueriesSkipSwitchedOffBindings) {
    const auto settings = open();
    EXPECT_EQ(settings->binding(DictationAction::pushToTalk), pushToTalkDefault);
    EXPECT_EQ(settings->primaryLabel(), "Right Alt");
    EXPECT_FALSE(settings->conflictingActions());

    settings->setBinding(DictationAction::pushToTalk,
                         {TriggerKey::rightOption, TriggerGesture::hold, false});
    EXPECT_EQ(settings->binding(DictationAction::pushToTalk), std::nullopt);
    EXPECT_EQ(settings->bindings().size(), 2u); // still held, only switched off
    EXPECT_EQ(settings->primaryLabel(), "Right Super");
}

TEST_F(PreferencesTest, OnlySwitchedOnBindingsWithKeyAndGestureAlikeConflict) {
    const auto settings = open();
    const TriggerBinding f13hold{TriggerKey::f13, TriggerGesture::hold, true};
    settings->setBindings(
        {{DictationAction::pushToTalk, f13hold}, {DictationAction::handsFree, f13hold}});
    EXPECT_TRUE(settings->conflictingActions());

    settings->setBinding(DictationAction::handsFree,
                         {TriggerKey::f13, TriggerGesture::hold, false});
    EXPECT_FALSE(settings->conflictingActions());

    settings->setBinding(DictationAction::handsFree,
                         {TriggerKey::f13, TriggerGesture::doubleTap, true});
    EXPECT_FALSE(settings->conflictingActions());
}

TEST_F(PreferencesTest, ModelSearchOrderAndTheFolderThatHoldsTheModel) {
    const QString dataModels = folders.data + "/models";
    const QString bundleModels = resources + "/models";
    const QString developer = folders.home + "/Documents/nalo/probes/asr/models";
    const auto settings = open();
    EXPECT_EQ(settings->searchPaths(), (QStringList{dataModels, bundleModels, developer}));
    // Nothing anywhere: the first folder, and still a path.
    EXPECT_EQ(settings->modelDirectory(), dataModels);
    EXPECT_EQ(settings->modelPath(), dataModels + "/ggml-base.en.bin");

    touch(bundleModels + "/ggml-base.en.bin");
    EXPECT_EQ(settings->modelDirectory(), bundleModels);

    touch(developer + "/ggml-small.en.bin");
    settings->setModel(SpeechModel::small);
    EXPECT_EQ(settings->modelPath(), developer + "/ggml-small.en.bin");

    // A folder under the model's name counts as present.
    ASSERT_TRUE(QDir().mkpath(dataModels + "/ggml-small.en.bin"));
    EXPECT_EQ(settings->modelDirectory(), dataModels);
}

TEST_F(PreferencesTest, TheModelDirectorySettingComesFirstExactlyAsStored) {
    const QString custom = root.path() + "/custom";
    writeDefaults(R"({"modelDirectory":")" + custom.toUtf8() + R"("})");
    const auto settings = open();
    EXPECT_EQ(settings->searchPaths().first(), custom);
    EXPECT_EQ(settings->modelDirectory(), custom); // none found anywhere: still the first

    touch(folders.data + "/models/ggml-base.en.bin");
    EXPECT_EQ(settings->modelDirectory(), folders.data + "/models");
    touch(custom + "/ggml-base.en.bin");
    EXPECT_EQ(settings->modelDirectory(), custom);

    // Read on every call, and a tilde is not expanded.
    writeDefaults(R"({"modelDirectory":"~/models"})");
    EXPECT_EQ(settings->searchPaths().first(), "~/models");
    EXPECT_EQ(settings->searchPaths().size(), 4);
}

TEST_F(PreferencesTest, VoiceActivityModelIsTheFirstFoundOrNone) {
    const auto settings = open();
    EXPECT_EQ(settings->vadModelPath(), std::nullopt);
    const QString late = folders.home + "/Documents/nalo/probes/asr/models/ggml-silero.bin";
    const QString early = resources + "/models/ggml-silero.bin";
    touch(late);
    EXPECT_EQ(settings->vadModelPath(), late);
    touch(early);
    EXPECT_EQ(settings->vadModelPath(), early);
}

} // namespace
} // namespace tavik
