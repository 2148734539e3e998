// What the accessibility mechanism makes of an application on the test desktop that answers, of
// one that has stopped answering for a moment, of one whose menu holds the focus (where the
// paste is judged too), and of a window that shows its focus as LibreOffice Writer does.
#include "app/insertion/insertion_codes.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"
#include "platform/linux/atspi_accessibility.h"
#include "tests/support/fixtures.h"
#include "tests/support/insertion_target_app.h"

#include <gtest/gtest.h>

#include <QStringList>

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

// The names of the objects the accessibility bus announces as focused, in the order they come.
class FocusAnnouncements {
public:
    FocusAnnouncements() {
        listener_ = atspi_event_listener_new(&FocusAnnouncements::heard, this, nullptr);
        atspi_event_listener_register(listener_, "object:state-changed:focused", nullptr);
    }
    ~FocusAnnouncements() {
        atspi_event_listener_deregister(listener_, "object:state-changed:focused", nullptr);
        g_object_unref(listener_);
    }
    FocusAnnouncements(const FocusAnnouncements&) = delete;
    FocusAnnouncements& operator=(const FocusAnnouncements&) = delete;

    QStringList names;

private:
    static void heard(AtspiEvent* event, void* self) {
        if (event->source != nullptr && event->detail1 != 0) {
            gchar* name = atspi_accessible_get_name(event->source, nullptr);
            static_cast<FocusAnnouncements*>(self)->names << QString::fromUtf8(name);
            g_free(name);
        }
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }
    AtspiEventListener* listener_;
};

// The Qt target on the test desktop, its accessibility on.
class AccessibilityDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        ASSERT_TRUE(target.start()) << target.error().toStdString();
        ASSERT_TRUE(accessibilityTrusted());
    }
    // The field in front and empty.
    bool onEmptyField() { return target.activate("field") && target.setText(""); }

    test::InsertionTargetApp target;
};

TEST_F(AccessibilityDesktop, AnApplicationThatDoesNotAnswerFailsTheTryWithoutAVerdict) {

    // A widget that takes no text: the application's own answer.
    ASSERT_TRUE(target.activate("plain"));
    ASSERT_TRUE(
        test::spinUntil([&] { return runAccessibility("no") == OUTCOME_UNSUPPORTED; }, 10000));

    ASSERT_TRUE(onEmptyField());
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
TEST_F(AccessibilityDesktop, AFocusedMenuFailsAccessibilityAndPasteWithoutAVerdict) {
    ASSERT_TRUE(onEmptyField());
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

// LibreOffice Writer announces its paragraph focused and then its window, which does not say it
// is focused when asked; a pane around the paragraph says it is focused all along; its toolbars
// and sidebar put 1,690 objects ahead of the paragraph. The paragraph is the focus: for a reader
// that followed the announcements and for one that has heard none.
TEST_F(AccessibilityDesktop, TheFieldOfAWindowShownAsWritersIsTheFocus) {
    ASSERT_TRUE(onEmptyField());
    FocusAnnouncements announced;
    ASSERT_EQ(target.command("document 1690"), "ok");
    ASSERT_TRUE(test::spinUntil(
        [&] { return announced.names.endsWith(QStringLiteral("Insertion target")); }, 10000))
        << announced.names.join(QStringLiteral(", ")).toStdString();

    platform::atspi::AtspiAccessibility unaware;
    ASSERT_TRUE(unaware.trusted());
    for (platform::Accessibility* reader :
         {&platform::Accessibility::system(), static_cast<platform::Accessibility*>(&unaware)}) {
        const auto element = reader->focusedElement(target.pid());
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(element->editability(), platform::Editability::editable);
    }
    EXPECT_EQ(runAccessibility("words"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(target.command("field"), "text " + QByteArray("words").toBase64());
}

// The start of every dictation asks whether accessibility is still on without asking the buses
// again; switched off or on in the desktop's settings, it must not keep the old answer.
TEST(AccessibilitySwitchDesktop, ATrustSeenStandsOnlyUntilTheSwitchMoves) {
    TAVIK_REQUIRE_DESKTOP();
    struct Restore {
        ~Restore() { test::setAccessibilitySwitch(true); }
    } restore;
    platform::atspi::AtspiAccessibility accessibility;
    ASSERT_TRUE(accessibility.stillTrusted());
    ASSERT_TRUE(accessibility.stillTrusted());

    ASSERT_TRUE(test::setAccessibilitySwitch(false));
    EXPECT_TRUE(test::spinUntil([&] { return !accessibility.stillTrusted(); }, 5000));
    EXPECT_FALSE(accessibility.trusted());
    ASSERT_TRUE(test::setAccessibilitySwitch(true));
    EXPECT_TRUE(test::spinUntil([&] { return accessibility.stillTrusted(); }, 5000));
}

} // namespace
} // namespace tavik
