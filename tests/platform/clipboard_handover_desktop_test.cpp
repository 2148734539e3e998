// The clipboard outliving Tavik: what it holds goes to the desktop's clipboard manager at quit.
#include "platform/clipboard.h"
#include "platform/log_sink.h"
#include "tests/support/clipboard_manager_standin.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using test::ClipboardManagerStandIn;

QStringList capturedLog;

class ClipboardHandOverDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        capturedLog.clear();
        platform::setLogSink([](const QString& line) { capturedLog << line; });
    }
    void TearDown() override { platform::setLogSink(nullptr); }

    // Tavik holds the user's clipboard, as after a paste put it back.
    void holdTheUsersClipboard() {
        platform::Clipboard::system().restore(
            {{{QStringLiteral("text/plain"), "the user's own words"},
              {QStringLiteral("text/html"), "<p>the user's <b>own</b> words</p>"}}});
    }
};

TEST_F(ClipboardHandOverDesktop, TheManagerKeepsEveryFormatAndServesItAfterwards) {
    ClipboardManagerStandIn manager;
    ASSERT_TRUE(manager.start());
    holdTheUsersClipboard();
    EXPECT_TRUE(platform::handOverAtQuit());
    EXPECT_TRUE(test::spinUntil([&] { return manager.answers() == 1; }, 5000));
    auto saved = manager.saved();
    EXPECT_EQ(saved[QStringLiteral("text/plain")], "the user's own words");
    EXPECT_EQ(saved[QStringLiteral("text/html")], "<p>the user's <b>own</b> words</p>");
    EXPECT_EQ(saved[QStringLiteral("UTF8_STRING")], "the user's own words");
    EXPECT_TRUE(capturedLog.isEmpty()) << capturedLog.join('\n').toStdString();

    // Another application pastes what the manager now serves.
    test::InsertionTargetApp reader;
    ASSERT_TRUE(reader.start()) << reader.error().toStdString();
    EXPECT_EQ(reader.clipboard()[QStringLiteral("text/plain")], "the user's own words");
}

TEST_F(ClipboardHandOverDesktop, WithoutAManagerTheLossIsLoggedOnce) {
    holdTheUsersClipboard();
    EXPECT_FALSE(platform::handOverAtQuit());
    EXPECT_FALSE(platform::handOverAtQuit());
    ASSERT_EQ(capturedLog.size(), 1) << capturedLog.join('\n').toStdString();
    EXPECT_EQ(capturedLog[0], "clipboard: no clipboard manager is running — what Tavik holds on "
                              "the clipboard ends with it");
}

TEST_F(ClipboardHandOverDesktop, AManagerThatNeverAnswersOnlyHoldsQuittingForTheBound) {
    ClipboardManagerStandIn manager;
    ASSERT_TRUE(manager.start(/*silent=*/true));
    holdTheUsersClipboard();
    EXPECT_FALSE(platform::handOverAtQuit());
    EXPECT_EQ(capturedLog, QStringList{"clipboard: the clipboard manager did not answer in time"});
}

} // namespace
} // namespace tavik
