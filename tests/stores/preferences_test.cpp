#include "tests/stores/preferences_test_support.h"

#include <QFileInfo>
#include <QSignalSpy>

namespace tavik {
namespace {

using test::PreferencesTest;

TEST_F(PreferencesTest, AFreshStoreGivesEveryDefaultAndStaysUnwritten) {
    const auto settings = open();
    EXPECT_EQ(settings->silenceHoldMs(), 700);
    EXPECT_EQ(settings->model(), SpeechModel::base);
    EXPECT_EQ(settings->bindings(),
              (TriggerBindings{{DictationAction::pushToTalk,
                                {TriggerKey::rightOption, TriggerGesture::hold, true}},
                               {DictationAction::handsFree,
                                {TriggerKey::rightCommand, TriggerGesture::doubleTap, true}}}));
    EXPECT_FALSE(settings->showInDock());
    EXPECT_TRUE(settings->micAlwaysReady());
    EXPECT_EQ(settings->microphoneUID(), std::nullopt);
    EXPECT_EQ(settings->microphoneName(), std::nullopt);
    EXPECT_TRUE(settings->keepAudio());
    EXPECT_EQ(settings->audioBudgetMB(), 250);
    EXPECT_FALSE(settings->dictateToScratchpad());
    EXPECT_EQ(settings->rewriteServiceURL(), "https://rewrite.invalid/");
    EXPECT_TRUE(settings->playSounds());
    EXPECT_TRUE(settings->showOrb());
    EXPECT_TRUE(settings->showHUD());

    EXPECT_FALSE(QFileInfo::exists(defaultsPath));
    EXPECT_EQ(activationPolicy.requested(), std::nullopt); // creation applies nothing
}

TEST_F(PreferencesTest, ExactReadsTakeOnlyValuesOfTheSettingsType) {
    writeDefaults(R"({"silenceHoldMs":"1200","audioBudgetMB":2.5,"showOrb":"no","showHUD":0,
                      "playSounds":2,"keepAudio":1,"micAlwaysReady":false,"showInDock":1.0})");
    auto settings = open();
    EXPECT_EQ(settings->silenceHoldMs(), 700);
    EXPECT_EQ(settings->audioBudgetMB(), 250);
    EXPECT_TRUE(settings->showOrb());
    EXPECT_FALSE(settings->showHUD());
    EXPECT_TRUE(settings->playSounds());
    EXPECT_TRUE(settings->keepAudio());
    EXPECT_FALSE(settings->micAlwaysReady());
    EXPECT_TRUE(settings->showInDock());

    writeDefaults(R"({"silenceHoldMs":1200,"audioBudgetMB":1000.0})");
    settings = open();
    EXPECT_EQ(settings->silenceHoldMs(), 1200);
    EXPECT_EQ(settings->audioBudgetMB(), 1000);
}

TEST_F(PreferencesTest, StringAndBooleanReadsFollowTheStoresRules) {
    writeDefaults(R"({"model":"ggml-small.en.bin","microphoneUID":5,"microphoneName":["x"],
                      "dictateToScratchpad":"YES","rewriteServiceURL":"https://example.test/"})");
    auto settings = open();
    EXPECT_EQ(settings->model(), SpeechModel::small);
    EXPECT_EQ(settings->microphoneUID(), "5");
    EXPECT_EQ(settings->microphoneName(), std::nullopt);
    EXPECT_TRUE(settings->dictateToScratchpad());
    EXPECT_EQ(settings->rewriteServiceURL(), "https://example.test/");

    for (const QByteArray model : {R"("ggml-tiny.bin")", R"("")", "5", R"("GGML-SMALL.EN.BIN")"}) {
        writeDefaults(R"({"model":)" + model + R"(,"dictateToScratchpad":"abc"})");
        settings = open();
        EXPECT_EQ(settings->model(), SpeechModel::base) << model.toStdString();
        EXPECT_FALSE(settings->dictateToScratchpad());
    }
    writeDefaults(R"({"dictateToScratchpad":1,"rewriteServiceURL":true})");
    settings = open();
    EXPECT_TRUE(settings->dictateToScratchpad());
    EXPECT_EQ(settings->rewriteServiceURL(), "https://rewrite.invalid/");
}

TEST_F(PreferencesTest, EveryAssignmentIsAnnouncedWithTheNewValueBeforeItIsWritten) {
    const auto settings = open();
    QSignalSpy own(settings.get(), &Preferences::silenceHoldMsChanged);
    QSignalSpy any(settings.get(), &Preferences::changed);
    std::optional<qint64> storedWhenAnnounced = -1;
    qint64 heldWhenAnnounced = -1;
    QObject::connect(settings.get(), &Preferences::silenceHoldMsChanged, [&](qint64) {
        heldWhenAnnounced = settings->silenceHoldMs();
        storedWhenAnnounced = defaults.exactInt("silenceHoldMs");
    });

    settings->setSilenceHoldMs(900);
    EXPECT_EQ(heldWhenAnnounced, 900);
    EXPECT_EQ(storedWhenAnnounced, std::nullopt);
    EXPECT_EQ(defaults.exactInt("silenceHoldMs"), 900);

    settings->setSilenceHoldMs(900); // unchanged still counts
    ASSERT_EQ(own.count(), 2);
    EXPECT_EQ(own.at(1).at(0).toLongLong(), 900);
    EXPECT_EQ(any.count(), 2);
}

TEST_F(PreferencesTest, EverySettingIsWrittenUnderItsOwnKeyAndReadBack) {
    {
        const auto settings = open();
        settings->setSilenceHoldMs(1500);
        settings->setModel(SpeechModel::small);
        settings->setShowInDock(true);
        settings->setMicAlwaysReady(false);
        settings->setMicrophoneUID(QString("alsa_input.usb-mic"));
        settings->setMicrophoneName(QString("USB Mic"));
        settings->setKeepAudio(true);
        settings->setAudioBudgetMB(500);
        settings->setDictateToScratchpad(true);
        settings->setRewriteServiceURL("https://rewrite.example.test/");
        settings->setPlaySounds(false);
        settings->setShowOrb(false);
        settings->setShowHUD(false);
        settings->setBinding(DictationAction::handsFree,
                             {TriggerKey::f13, TriggerGesture::hold, false});
    }
    const QJsonObject stored = storedObject();
    EXPECT_EQ(stored.value("silenceHoldMs"), 1500);
    EXPECT_EQ(stored.value("model"), "ggml-small.en.bin");
    EXPECT_EQ(stored.value("showInDock"), true);
    EXPECT_EQ(stored.value("micAlwaysReady"), false);
    EXPECT_EQ(stored.value("microphoneUID"), "alsa_input.usb-mic");
    EXPECT_EQ(stored.value("microphoneName"), "USB Mic");
    EXPECT_EQ(stored.value("keepAudio"), true);
    EXPECT_EQ(stored.value("audioBudgetMB"), 500);
    EXPECT_EQ(stored.value("dictateToScratchpad"), true);
    EXPECT_EQ(stored.value("rewriteServiceURL"), "https://rewrite.example.test/");
    EXPECT_EQ(stored.value("playSounds"), false);
    EXPECT_EQ(stored.value("showOrb"), false);
    EXPECT_EQ(stored.value("showHUD"), false);
    EXPECT_EQ(stored.size(), 14);

    const auto reopened = open();
    EXPECT_EQ(reopened->silenceHoldMs(), 1500);
    EXPECT_EQ(reopened->model(), SpeechModel::small);
    EXPECT_TRUE(reopened->showInDock());
    EXPECT_EQ(reopened->microphoneName(), "USB Mic");
    EXPECT_EQ(reopened->audioBudgetMB(), 500);
    EXPECT_TRUE(reopened->dictateToScratchpad());
    EXPECT_FALSE(reopened->showHUD());
    EXPECT_EQ(reopened->bindings().at(DictationAction::handsFree),
              (TriggerBinding{TriggerKey::f13, TriggerGesture::hold, false}));
}

TEST_F(PreferencesTest, ClearingTheMicrophoneRemovesItsKeys) {
    open()->setMicrophoneUID(QString("gone"));
    ASSERT_TRUE(defaults.contains("microphoneUID"));
    const auto settings = open();
    EXPECT_EQ(settings->microphoneUID(), "gone");
    settings->setMicrophoneUID(std::nullopt);
    settings->setMicrophoneName(std::nullopt);
    EXPECT_FALSE(storedObject().contains("microphoneUID"));
    EXPECT_FALSE(storedObject().contains("microphoneName"));
    EXPECT_EQ(open()->microphoneUID(), std::nullopt);
}

TEST_F(PreferencesTest, TurningKeepAudioOffEmptiesTheArchiveEveryTime) {
    const auto settings = open();
    const QUuid first = QUuid::createUuid();
    ASSERT_TRUE(audioStore.save(std::vector<float>(160, 0.1f), first));
    settings->setKeepAudio(true);
    EXPECT_TRUE(audioStore.exists(first));

    settings->setKeepAudio(false);
    EXPECT_FALSE(audioStore.exists(first));

    const QUuid second = QUuid::createUuid();
    ASSERT_TRUE(audioStore.save(std::vector<float>(160, 0.1f), second));
    settings->setKeepAudio(false); // already off: still empties
    EXPECT_FALSE(audioStore.exists(second));
    EXPECT_EQ(audioStore.totalBytes(), 0);
}

TEST_F(PreferencesTest, ShowInDockSetsTheActivationPolicyOnEveryAssignment) {
    const auto settings = open();
    std::vector<platform::ActivationPolicy> applied;
    activationPolicy.setApplier([&](platform::ActivationPolicy p) { applied.push_back(p); });
    settings->setShowInDock(true);
    settings->setShowInDock(false);
    settings->setShowInDock(false);
    EXPECT_EQ(applied, (std::vector{platform::ActivationPolicy::regular,
                                    platform::ActivationPolicy::accessory,
                                    platform::ActivationPolicy::accessory}));
}

TEST_F(PreferencesTest, AHugeOrNegativeBudgetGivesASafeByteLimit) {
    writeDefaults(R"({"audioBudgetMB":9223372036854775807})");
    auto settings = open();
    EXPECT_EQ(settings->audioBudgetMB(), std::numeric_limits<qint64>::max()); // kept as stored
    EXPECT_EQ(settings->audioBudgetBytes(), std::numeric_limits<qint64>::max());
    settings->setAudioBudgetMB(-3);
    EXPECT_EQ(settings->audioBudgetBytes(), 0);
    settings->setAudioBudgetMB(250);
    EXPECT_EQ(settings->audioBudgetBytes(), 250'000'000);
}

TEST(SpeechModels, NameTheirFilesAndDescribeThemselves) {
    ASSERT_EQ(allCases<SpeechModel>().size(), 2u);
    EXPECT_EQ(allCases<SpeechModel>()[0], SpeechModel::base);
    EXPECT_EQ(rawValue(SpeechModel::base), "ggml-base.en.bin");
    EXPECT_EQ(label(SpeechModel::base), QString::fromUtf8("Fast — base.en"));
    EXPECT_EQ(detail(SpeechModel::base), QString::fromUtf8("~46ms · 21.8% WER · 141 MB"));
    EXPECT_EQ(rawValue(SpeechModel::small), "ggml-small.en.bin");
    EXPECT_EQ(label(SpeechModel::small), QString::fromUtf8("Accurate — small.en"));
    EXPECT_EQ(detail(SpeechModel::small), QString::fromUtf8("~94ms · 22.1% WER · 465 MB"));
    EXPECT_EQ(fromRawValue<SpeechModel>(u"ggml-small.en.bin"), SpeechModel::small);
    EXPECT_EQ(fromRawValue<SpeechModel>(u"small"), std::nullopt);
}

} // namespace
} // namespace tavik
