// Right Alt, the default shortcut key, released alone brings up Firefox's menu bar: the person
// dictated into the field, and the text goes there, or nowhere but the clipboard fallback, never
// into the menu.
#include "app/dictation/dictation_wiring.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"
#include "tests/support/fixtures.h"
#include "tests/support/hotkey_xtest_keyboard.h"
#include "tests/support/insertion_target_app.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(ShortcutMenuDesktop, AMenuTheShortcutKeyOpenedIsClosedOrTheTextIsKeptFromIt) {
    TAVIK_REQUIRE_DESKTOP();
    test::InsertionTargetApp target;
    ASSERT_TRUE(target.start()) << target.error().toStdString();
    ASSERT_TRUE(accessibilityTrusted());
    test::XTestKeyboard keyboard;
    ASSERT_TRUE(keyboard.isOpen());
    const auto focused = [&](platform::Editability editability) {
        return test::spinUntil(
            [&] {
                auto element = platform::Accessibility::system().focusedElement(target.pid());
                return element != nullptr && element->editability() == editability;
            },
            10000);
    };
    const auto inserter = dictation::makeTextInserter();
    // The key goes down with the field focused and comes up alone: the menu opens.
    const auto dictateWithRightAlt = [&](const QString& text) {
        EXPECT_TRUE(focused(platform::Editability::editable));
        inserter->recordingBegins(true);
        keyboard.press("RALT");
        keyboard.release("RALT");
        EXPECT_TRUE(test::spinUntil([&] { return target.command("menuopen") == "yes"; }, 5000));
        EXPECT_TRUE(focused(platform::Editability::menuFocused));
        target.keys();
        return inserter->insert(text, frontmostApp().bundleId);
    };
    ASSERT_TRUE(target.activate("field"));
    ASSERT_TRUE(target.setText(""));

    ASSERT_EQ(target.command("altmenu closes"), "ok");
    const auto closed = dictateWithRightAlt("Into the field.");
    EXPECT_TRUE(closed.succeeded) << closed.trace.toStdString();
    EXPECT_EQ(target.command("menuopen"), "no");
    EXPECT_EQ(target.command("field"), "text " + QByteArray("Into the field.").toBase64());

    // A menu that keeps the focus gets the Escape and not one key more.
    ASSERT_EQ(target.command("altmenu stays"), "ok");
    const auto kept = dictateWithRightAlt(" Not into a menu.");
    EXPECT_FALSE(kept.succeeded);
    EXPECT_EQ(kept.winner, "none");
    EXPECT_EQ(kept.trace, "a menu has the focus\n");
    EXPECT_TRUE(kept.untyped.isEmpty()); // the whole text goes to the clipboard fallback
    EXPECT_EQ(target.keys(), QStringList{"Esc"});
    EXPECT_EQ(target.command("field"), "text " + QByteArray("Into the field.").toBase64());

    // A menu the person had open before the key went down is theirs: no Escape, no text.
    inserter->recordingBegins(true);
    const auto own = inserter->insert("Still not.", frontmostApp().bundleId);
    EXPECT_EQ(own.trace, "a menu has the focus\n");
    EXPECT_TRUE(target.keys().isEmpty());
    EXPECT_EQ(target.command("menuopen"), "yes");
}

} // namespace
} // namespace tavik
