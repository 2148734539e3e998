// Text reaching another process on the test desktop through each mechanism and the engine.
#include "app/insertion/insertion_codes.h"
#include "app/insertion/insertion_engine.h"
#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

namespace tavik {
namespace {

using test::InsertionTargetApp;

class InsertionDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::desktopSessionRunning()) {
            GTEST_SKIP() << "needs the test desktop session (run through scripts/test)";
        }
        ASSERT_TRUE(target.start()) << target.error().toStdString();
    }

    // The field focused and visible to the accessibility bus as the focused element.
    void focusField(const QByteArray& widget = "field") {
        ASSERT_TRUE(target.activate(widget));
        platform::Accessibility& accessibility = platform::Accessibility::system();
        ASSERT_TRUE(test::spinUntil(
            [&] {
                auto element = accessibility.focusedElement(target.pid());
                return element != nullptr && (widget != "field" || element->writable());
            },
            10000))
            << "the target's " << widget.constData() << " never showed up as focused";
    }

    std::uint64_t clipboardCount() { return insertionPorts().clipboard->changeCount(); }

    InsertionTargetApp target;
};

TEST_F(InsertionDesktop, AccessibilityWritesIntoTheFieldWithASmartSpace) {
    ASSERT_TRUE(accessibilityTrusted());
    focusField();
    ASSERT_TRUE(target.setText("Hello"));
    EXPECT_EQ(runAccessibility("world"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(target.text(), "Hello world");
}

TEST_F(InsertionDesktop, AccessibilityReplacesTheSelection) {
    focusField();
    ASSERT_TRUE(target.setText("say hello"));
    ASSERT_EQ(target.command("select 4 9"), "ok");
    EXPECT_EQ(runAccessibility("world"), OUTCOME_SUCCEEDED); // same length: not a discard
    EXPECT_EQ(target.text(), "say world");
}

TEST_F(InsertionDesktop, TheEngineDeliversThroughAccessibility) {
    focusField();
    ASSERT_TRUE(target.setText(""));
    InsertionEngine engine;
    const auto result =
        engine.insert(QString::fromUtf8("Grüße aus Tavik"), frontmostApp().bundleId);
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.winner, "accessibility");
    EXPECT_EQ(target.text(), QString::fromUtf8("Grüße aus Tavik"));
}

TEST_F(InsertionDesktop, APasswordFieldRefuses) {
    focusField("password");
    EXPECT_TRUE(secureInputActive());
    InsertionEngine engine;
    const auto result = engine.insert("hunter2", frontmostApp().bundleId);
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.trace, "accessibility -> Refused\nall mechanisms exhausted\n");
    EXPECT_EQ(target.text(), "");
}

TEST_F(InsertionDesktop, AKeyboardGrabElsewhereRefuses) {
    focusField();
    EXPECT_FALSE(secureInputActive());
    Display* locker = XOpenDisplay(nullptr); // a screen locker holding the keyboard
    ASSERT_NE(locker, nullptr);
    ASSERT_EQ(XGrabKeyboard(locker, DefaultRootWindow(locker), False, GrabModeAsync, GrabModeAsync,
                            CurrentTime),
              GrabSuccess);
    XSync(locker, False);
    EXPECT_TRUE(secureInputActive());
    XUngrabKeyboard(locker, CurrentTime);
    XCloseDisplay(locker);
    EXPECT_FALSE(secureInputActive());
}

TEST_F(InsertionDesktop, PasteIsVerifiedAndTheClipboardComesBack) {
    focusField();
    ASSERT_TRUE(target.setText("pasted:"));
    ASSERT_TRUE(target.copyToClipboard("the user's own words"));
    EXPECT_EQ(runPaste("dictated text", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_EQ(target.text(), "pasted:dictated text");
    ASSERT_TRUE(test::spinUntil(
        [&] { return target.clipboard()[QStringLiteral("text/plain")] == "the user's own words"; },
        5000))
        << "clipboard holds: " << target.clipboard()[QStringLiteral("text/plain")].constData()
        << "; restores pending: " << pendingPasteRestores();
}

TEST_F(InsertionDesktop, EveryClipboardFormatIsRestoredExactly) {
    focusField();
    const QByteArray html = "<p>rich <b>text</b></p>";
    const QByteArray png =
        QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwA"
                               "EhQGAhKmMIQAAAABJRU5ErkJggg==");
    ASSERT_TRUE(target.copyRich("plain words", html, png));
    const std::uint64_t before = clipboardCount();
    EXPECT_EQ(runPaste("x", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    EXPECT_GT(clipboardCount(), before);
    ASSERT_TRUE(test::spinUntil([&] { return pendingPasteRestores() == 0; }, 5000));
    // The target learns of the new owner from an event of its own; ask until it has.
    std::map<QString, QByteArray> formats;
    test::spinUntil(
        [&] {
            formats = target.clipboard();
            return formats[QStringLiteral("image/png")] == png;
        },
        5000);
    EXPECT_EQ(formats[QStringLiteral("text/plain")], "plain words");
    EXPECT_EQ(formats[QStringLiteral("text/html")], html);
    EXPECT_EQ(formats[QStringLiteral("image/png")], png);
}

TEST_F(InsertionDesktop, ACopyMadeBeforeTheRestoreIsKept) {
    focusField();
    ASSERT_TRUE(target.copyToClipboard("old"));
    EXPECT_EQ(runPaste("dictated", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    ASSERT_TRUE(target.copyToClipboard("copied meanwhile"));
    ASSERT_TRUE(test::spinUntil([&] { return pendingPasteRestores() == 0; }, 5000));
    EXPECT_EQ(target.clipboard()[QStringLiteral("text/plain")], "copied meanwhile");
}

TEST_F(InsertionDesktop, WithoutAccessibleTextPasteTakesOverAndIsLearned) {
    focusField("plain");
    ASSERT_TRUE(target.copyToClipboard("before"));
    InsertionEngine engine;
    const QString app = frontmostApp().bundleId;
    const auto first = engine.insert("first words", app);
    EXPECT_TRUE(first.succeeded);
    EXPECT_EQ(first.winner, "paste");
    EXPECT_EQ(first.trace, "accessibility -> Unsupported\npaste -> SucceededUnverified\n"
                           "inserted via paste\n");
    ASSERT_TRUE(test::spinUntil([&] { return target.text() == "first words"; }, 5000));
    const auto second = engine.insert(" and more", app);
    EXPECT_EQ(second.winner, "paste");
    EXPECT_TRUE(second.trace.startsWith("skip accessibility (profile)\n"));
    ASSERT_TRUE(test::spinUntil([&] { return target.text() == "first words and more"; }, 5000));
    ASSERT_TRUE(test::spinUntil([&] { return pendingPasteRestores() == 0; }, 5000));
    EXPECT_EQ(target.clipboard()[QStringLiteral("text/plain")], "before");
}

TEST_F(InsertionDesktop, TypingDeliversAccentsSymbolsAndEmoji) {
    focusField();
    ASSERT_TRUE(target.setText(""));
    const QString text = QString::fromUtf8("é ñ ü ß € 🎉");
    EXPECT_EQ(runType(text), OUTCOME_SUCCEEDED);
    ASSERT_TRUE(test::spinUntil([&] { return target.text() == text; }, 5000))
        << target.text().toStdString();
}

TEST_F(InsertionDesktop, TypingDeliversASentenceExactly) {
    focusField();
    ASSERT_TRUE(target.setText(""));
    const QString text = "The quick brown fox jumps over the lazy dog; 0123456789 (OK)? Yes!";
    EXPECT_EQ(runType(text), OUTCOME_SUCCEEDED);
    ASSERT_TRUE(test::spinUntil([&] { return target.text() == text; }, 5000))
        << target.text().toStdString();
}

TEST_F(InsertionDesktop, TypingTurnsLineBreaksIntoReturn) {
    focusField("plain");
    EXPECT_EQ(runType("one\r\ntwo\nthree"), OUTCOME_SUCCEEDED);
    ASSERT_TRUE(test::spinUntil([&] { return target.text() == "one\ntwo\nthree"; }, 5000))
        << target.text().toStdString();
}

} // namespace
} // namespace tavik
