// Tavik as the user runs it, on the test desktop: the real microphone path, the voice-activity
// model, a scripted recognition model, the shortcut through XTest, insertion into another
// application, the history file and the audio archive.
#include "platform/defaults_store.h"
#include "platform/folders.h"
#include "tests/support/dictation_end_to_end.h"
#include "tests/support/fixtures.h"
#include "tests/support/hotkey_xtest_keyboard.h"

#include <QFile>
#include <QJsonObject>

#include <csignal>

namespace tavik::test {
namespace {

class ControllerEndToEnd : public DictationEndToEnd {
protected:
    void SetUp() override {
        prepare();
        if (!IsSkipped() && !HasFatalFailure()) {
            startTavik(tavik);
        }
    }
    void TearDown() override { quitTavik(tavik); }

    TavikProcess tavik;
};

TEST_F(ControllerEndToEnd, SignalsDriveADictationIntoTheFocusedApplication) {
    tavik.signal(SIGUSR1);
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("recording (preroll"), 10000));
    { PacedMicrophone microphone(withSilenceAfter(speech, 0.5)); }
    tavik.signal(SIGUSR2);
    ASSERT_TRUE(targetShows(deliveredText)) << tavik.output().toStdString();
    EXPECT_EQ(target.text(), deliveredText);
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("insert -> OK via accessibility"), 10000));

    ASSERT_TRUE(spinUntil([&] { return history().size() == 1; }, 10000));
    const QJsonObject entry = history().at(0).toObject();
    EXPECT_EQ(entry.value(QStringLiteral("text")).toString(), deliveredText);
    EXPECT_EQ(entry.value(QStringLiteral("via")).toString(), QStringLiteral("accessibility"));
    EXPECT_TRUE(entry.value(QStringLiteral("inserted")).toBool());
    EXPECT_FALSE(entry.value(QStringLiteral("app")).toString().isEmpty());
    EXPECT_FALSE(entry.value(QStringLiteral("bundleId")).toString().isEmpty());
    EXPECT_GT(entry.value(QStringLiteral("duration")).toDouble(), 11.0);
    const QString id = entry.value(QStringLiteral("id")).toString();
    EXPECT_TRUE(QFile::exists(
        platform::joinPath(dataFolder, QStringLiteral("audio/") + id + QStringLiteral(".wav"))))
        << id.toStdString();
}

TEST_F(ControllerEndToEnd, HoldingTheShortcutIsPushToTalk) {
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    keyboard.press("RALT");
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("started pushToTalk"), 10000));
    { PacedMicrophone microphone(speech); }
    keyboard.release("RALT");
    ASSERT_TRUE(targetShows(deliveredText)) << tavik.output().toStdString();
    EXPECT_TRUE(tavik.output().contains(QStringLiteral("end of utterance (state=recording)")));
}

TEST_F(ControllerEndToEnd, ADoubleTapIsHandsFreeAndEndsWithTheSpeech) {
    XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    keyboard.press("RWIN");
    keyboard.release("RWIN");
    keyboard.press("RWIN");
    keyboard.release("RWIN");
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("started handsFree"), 10000));
    { PacedMicrophone microphone(withSilenceAfter(speech, 2.0)); }
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("VAD: end of speech"), 10000))
        << tavik.output().toStdString();
    ASSERT_TRUE(targetShows(deliveredText)) << tavik.output().toStdString();
}

TEST_F(ControllerEndToEnd, ScratchpadModeKeepsTheTextInTavik) {
    // The setting is read when Tavik starts, so restart it with the scratchpad chosen.
    EXPECT_EQ(tavik.terminate(), 0);
    platform::DefaultsStore::shared().setBool(QStringLiteral("dictateToScratchpad"), true);
    ASSERT_TRUE(platform::DefaultsStore::shared().flush());
    TavikProcess scratch;
    ASSERT_TRUE(scratch.start());
    ASSERT_TRUE(scratch.waitForLine(QStringLiteral("model ready"), 60000));
    scratch.signal(SIGUSR1);
    ASSERT_TRUE(scratch.waitForLine(QStringLiteral("recording (preroll"), 10000));
    { PacedMicrophone microphone(speech); }
    scratch.signal(SIGUSR2);
    ASSERT_TRUE(spinUntil([&] { return history().size() == 1; }, 30000))
        << scratch.output().toStdString();
    EXPECT_EQ(history().at(0).toObject().value(QStringLiteral("via")).toString(),
              QStringLiteral("scratchpad"));
    QFile pad(platform::joinPath(dataFolder, QStringLiteral("scratchpad.txt")));
    ASSERT_TRUE(spinUntil([&] { return pad.exists(); }, 5000));
    ASSERT_TRUE(pad.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(pad.readAll()).contains(deliveredText));
    EXPECT_TRUE(target.text().isEmpty());
    EXPECT_EQ(scratch.terminate(), 0);
}

} // namespace
} // namespace tavik::test
