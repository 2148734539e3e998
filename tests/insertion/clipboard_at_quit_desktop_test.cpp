// The user's clipboard survives Tavik: after a paste Tavik holds the user's restored content,
// and quitting hands it to the desktop's clipboard manager instead of taking it along.
#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "platform/clipboard.h"
#include "platform/defaults_store.h"
#include "tests/support/clipboard_manager_standin.h"
#include "tests/support/controller_app_process.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"
#include "tests/support/recognition_fixtures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

namespace tavik::test {
namespace {

const QString usersWords = QStringLiteral("the user's own words");

QByteArray clipboardText(InsertionTargetApp& app) {
    return app.clipboard()[QStringLiteral("text/plain")];
}

TEST(ClipboardAtQuitDesktop, APasteJustBeforeQuittingStillLeavesTheUsersClipboard) {
    TAVIK_REQUIRE_DESKTOP();
    ClipboardManagerStandIn manager;
    ASSERT_TRUE(manager.start());
    InsertionTargetApp target;
    ASSERT_TRUE(target.start()) << target.error().toStdString();
    ASSERT_TRUE(target.activate("plain"));
    ASSERT_TRUE(target.copyToClipboard(usersWords));
    EXPECT_EQ(runPaste("dictated", 60000, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    ASSERT_TRUE(spinUntil([&] { return target.text() == "dictated"; }, 5000));
    // Quitting now, before the restore is due: the user's words go to the manager, not ours.
    EXPECT_TRUE(platform::handOverAtQuit());
    EXPECT_TRUE(spinUntil([&] { return manager.answers() == 1; }, 5000));
    EXPECT_EQ(manager.saved()[QStringLiteral("text/plain")], usersWords.toUtf8());
    EXPECT_EQ(pendingPasteRestores(), 0);
}

TEST(ClipboardAtQuitDesktop, QuittingTavikHandsTheUsersClipboardToTheManager) {
    TAVIK_REQUIRE_DESKTOP();
    TAVIK_REQUIRE_FIXTURE(speechFile, "audio/jfk.wav");
    ASSERT_TRUE(QFile::exists(TavikProcess::program())) << "build the tavik program first";
    std::vector<float> speech = readSamples(speechFile);
    ASSERT_GT(speech.size(), 48000u);
    speech.resize(48000); // "And so my fellow Americans": three seconds are enough

    ASSERT_NO_FATAL_FAILURE(installModelsHearing(QStringLiteral("Dictated words")));
    // Not the first launch: the main window would open by itself and take the keyboard.
    auto& defaults = platform::DefaultsStore::shared();
    defaults.setBool(QStringLiteral("hasLaunchedBefore"), true);
    ASSERT_TRUE(defaults.flush());

    ClipboardManagerStandIn manager;
    ASSERT_TRUE(manager.start());
    InsertionTargetApp target;
    ASSERT_TRUE(target.start()) << target.error().toStdString();
    // The area without accessible text: Tavik pastes there, through the clipboard.
    ASSERT_TRUE(target.activate("plain"));
    ASSERT_TRUE(target.copyToClipboard(usersWords));

    TavikProcess tavik;
    ASSERT_TRUE(tavik.start());
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("model ready"), 60000))
        << tavik.output().toStdString();
    tavik.signal(SIGUSR1);
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("recording (preroll"), 10000));
    { PacedMicrophone microphone(withSilenceAfter(speech, 0.5)); }
    tavik.signal(SIGUSR2);
    ASSERT_TRUE(tavik.waitForLine(QStringLiteral("insert -> OK via paste"), 60000))
        << tavik.output().toStdString();
    ASSERT_TRUE(spinUntil([&] { return target.text().contains("Dictated words"); }, 10000));
    // Tavik now holds the user's words again, put back after the paste.
    ASSERT_TRUE(spinUntil([&] { return clipboardText(target) == usersWords.toUtf8(); }, 5000));

    EXPECT_EQ(tavik.terminate(), 0) << tavik.output().toStdString();
    EXPECT_TRUE(spinUntil([&] { return manager.answers() == 1; }, 5000));
    EXPECT_EQ(manager.saved()[QStringLiteral("text/plain")], usersWords.toUtf8());
    EXPECT_EQ(clipboardText(target), usersWords.toUtf8()) << "the clipboard ended with Tavik";
}

} // namespace
} // namespace tavik::test
