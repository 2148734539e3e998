// What the accessibility mechanism makes of an application on the test desktop that answers, of
// one that has stopped answering for a moment, and of one whose menu holds the focus (where the
// paste is judged too).
#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"

#include <gtest/gtest.h>

#include <csignal>

namespace tavik {
namespace {

// Stops a process for the life of the object, as a machine under load or a busy main loop
// would hold it; it always runs on again.
class Paused {
public:
    explicit Paused(qint64 pid) : pid_(pid) { stopped_ = ::kill(pid_t(pid_), SIGSTOP) == 0; }
    ~Paused() { resume(); }
    Paused(const Paused&) = delete;
    Paused& operator=(const Paused&) = delete;

    bool stopped() const { return stopped_; }
    void resume() {
        if (stopped_) {
            ::kill(pid_t(pid_), SIGCONT);
            stopped_ = false;
        }
    }

private:
    qint64 pid_;
    bool stopped_ = false;
};

TEST(AccessibilityDesktop, AnApplicationThatDoesNotAnswerFailsTheTryWithoutAVerdict) {
    TAVIK_REQUIRE_DESKTOP();
    test::InsertionTargetApp target;
    ASSERT_TRUE(target.start()) << target.error().toStdString();
    ASSERT_TRUE(accessibilityTrusted());

    // A widget that takes no text: the application's own answer.
    ASSERT_TRUE(target.activate("plain"));
    ASSERT_TRUE(
        test::spinUntil([&] { return runAccessibility("no") == OUTCOME_UNSUPPORTED; }, 10000));

    ASSERT_TRUE(target.activate("field"));
    ASSERT_TRUE(target.setText(""));
    ASSERT_TRUE(test::spinUntil(
        [&] {
            auto element = platform::Accessibility::system().focusedElement(target.pid());
            return element != nullptr && element->writable();
        },
        10000));
    {
        Paused paused(target.pid());
        ASSERT_TRUE(paused.stopped());
        EXPECT_EQ(runAccessibility("late"), OUTCOME_FAILED);
    }
    // Running again, the same field takes the text.
    ASSERT_TRUE(test::spinUntil([&] { return target.text().isEmpty(); }, 10000));
    EXPECT_EQ(runAccessibility("words"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(target.text(), "words");
}

// Right Alt released alone opens the menu bar of many applications (Firefox's among them): the
// menu that then holds the focus was brought up by the shortcut's own key and says nothing about
// the application's fields.
TEST(AccessibilityDesktop, AFocusedMenuFailsAccessibilityAndPasteWithoutAVerdict) {
    TAVIK_REQUIRE_DESKTOP();
    test::InsertionTargetApp target;
    ASSERT_TRUE(target.start()) << target.error().toStdString();
    ASSERT_TRUE(accessibilityTrusted());
    ASSERT_TRUE(target.activate("field"));
    ASSERT_TRUE(target.setText(""));
    const auto focused = [&](platform::Editability editability) {
        return test::spinUntil(
            [&] {
                auto element = platform::Accessibility::system().focusedElement(target.pid());
                return element != nullptr && element->editability() == editability;
            },
            10000);
    };
    ASSERT_TRUE(focused(platform::Editability::editable));

    ASSERT_EQ(target.command("menu"), "ok");
    ASSERT_TRUE(focused(platform::Editability::menuFocused));
    EXPECT_EQ(runAccessibility("words"), OUTCOME_FAILED);
    // The menu takes no paste either; that is not the application declining one.
    EXPECT_EQ(runPaste("words", 200, true), OUTCOME_FAILED);
    EXPECT_EQ(target.command("field"), "text ");
}

} // namespace
} // namespace tavik
