// Paste and typing under a person's hands, on the test desktop with the real Qt target: keys
// held (and let go midway) by a person, Caps Lock, Num Lock and a second layout group. The
// person's keys come from XTest on a connection of the test's own (keys Tavik never noted), or
// from the server's own keyboard device, as a physical keyboard's would.
#include "app/insertion/insertion_codes.h"
#include "app/insertion/insertion_engine.h"
#include "app/insertion/mechanisms.h"
#include "platform/accessibility.h"
#include "platform/clipboard.h"
#include "platform/key_synth.h"
#include "tests/support/fixtures.h"
#include "tests/support/hotkey_xtest_keyboard.h"
#include "tests/support/insertion_target_app.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>
#include <vector>

namespace tavik {
namespace {

using test::InsertionTargetApp;
using test::spinUntil;
using test::XTestKeyboard;

// The person's view of the keyboard: what is down, what is locked.
class Keyboard {
public:
    Keyboard() : display_(XOpenDisplay(nullptr)) {}
    ~Keyboard() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    bool isDown(unsigned keycode) {
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        return (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
    }
    XkbStateRec state() {
        XkbStateRec state{};
        XkbGetState(display_, XkbUseCoreKbd, &state);
        return state;
    }
    unsigned numLockMask() { return XkbKeysymToModifiers(display_, XK_Num_Lock); }
    void lock(unsigned mask, bool on) {
        XkbLockModifiers(display_, XkbUseCoreKbd, mask, on ? mask : 0);
        XSync(display_, False);
    }
    void lockGroup(unsigned group) {
        XkbLockGroup(display_, XkbUseCoreKbd, group);
        XSync(display_, False);
    }
    std::vector<KeySym> map() {
        int min = 0;
        int max = 0;
        XDisplayKeycodes(display_, &min, &max);
        int per = 0;
        KeySym* syms =
            XGetKeyboardMapping(display_, static_cast<KeyCode>(min), max - min + 1, &per);
        std::vector<KeySym> all(syms, syms + (max - min + 1) * per);
        XFree(syms);
        return all;
    }
    std::vector<KeySym> row(unsigned keycode) {
        int per = 0;
        KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(keycode), 1, &per);
        std::vector<KeySym> row(syms, syms + per);
        XFree(syms);
        return row;
    }
    // Posts through the server's own keyboard device rather than an XTest one: what a key of a
    // physical keyboard does.
    bool physicalKey(unsigned keycode, bool pressed) {
        int count = 0;
        XDeviceInfo* devices = XListInputDevices(display_, &count);
        XID id = 0;
        for (int i = 0; i < count; ++i) {
            if (devices[i].use == IsXExtensionKeyboard && devices[i].name != nullptr &&
                std::strstr(devices[i].name, "XTEST") == nullptr) {
                id = devices[i].id;
            }
        }
        XFreeDeviceList(devices);
        XDevice* device = id != 0 ? XOpenDevice(display_, id) : nullptr;
        if (device == nullptr) {
            return false;
        }
        XTestFakeDeviceKeyEvent(display_, device, keycode, pressed ? True : False, nullptr, 0, 0);
        XCloseDevice(display_, device);
        XSync(display_, False);
        return true;
    }

private:
    Display* display_;
};

class HeldKeysDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_REQUIRE_DESKTOP();
        ASSERT_TRUE(hands.isOpen());
        ASSERT_TRUE(target.start()) << target.error().toStdString();
        ASSERT_TRUE(target.activate("field"));
        ASSERT_TRUE(spinUntil(
            [&] {
                auto element = platform::Accessibility::system().focusedElement(target.pid());
                return element != nullptr && element->writable();
            },
            10000));
    }

    bool settled() {
        return spinUntil([] { return !platform::KeySynth::system().busy(); }, 5000);
    }

    // The target's field ends up holding exactly `text`.
    bool fieldShows(const QString& text) {
        spinUntil([&] { return target.text() == text; }, 5000);
        return target.text() == text;
    }

    Keyboard keyboard;
    XTestKeyboard hands;
    InsertionTargetApp target;
};

const QString typed = QString::fromUtf8("Hello, World! Take 42 notes; ÜBER café (ok)?");

// The key presses that came with a modifier: Tavik's paste chord must be the only one. Typed
// characters arrive plain; a person's modifier key alone ("Alt") carries none.
QStringList chords(const QStringList& presses) {
    QStringList withModifier;
    for (const QString& press : presses) {
        if (press.size() > 1 && press.contains('+')) {
            withModifier << press;
        }
    }
    return withModifier;
}

TEST_F(HeldKeysDesktop, PasteAndTypingArriveExactlyWhateverModifierIsHeld) {
    for (const QByteArray key : {"RALT", "LFSH", "LCTL", "RCTL", "LWIN"}) {
        SCOPED_TRACE(key.constData());
        const unsigned code = hands.keycode(key);
        ASSERT_NE(code, 0u);
        ASSERT_TRUE(target.setText(""));
        ASSERT_TRUE(target.copyToClipboard("the user's own words"));
        target.keys();
        hands.press(key);
        EXPECT_EQ(runPaste("pasted ", 200, true), OUTCOME_SUCCEEDED);
        EXPECT_EQ(runType(typed), OUTCOME_SUCCEEDED);
        EXPECT_TRUE(fieldShows("pasted " + typed)) << target.text().toStdString();
        EXPECT_EQ(chords(target.keys()), QStringList{"Ctrl+V"});
        ASSERT_TRUE(settled());
        EXPECT_TRUE(keyboard.isDown(code)) << "a key still held must be down afterwards";
        EXPECT_EQ(keyboard.state().locked_mods, 0u);
        hands.release(key);
        EXPECT_FALSE(keyboard.isDown(code));
        ASSERT_TRUE(spinUntil(
            [&] {
                return target.clipboard()[QStringLiteral("text/plain")] == "the user's own words";
            },
            5000));
    }
}

TEST_F(HeldKeysDesktop, AKeyLetGoWhileTavikHadItAsideStaysUp) {
    const unsigned ralt = hands.keycode("RALT");
    ASSERT_TRUE(target.setText(""));
    hands.press("RALT");
    EXPECT_EQ(runPaste("one ", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    hands.release("RALT"); // before Tavik has given it back
    ASSERT_TRUE(settled());
    EXPECT_FALSE(keyboard.isDown(ralt)) << "a key let go must not be left down";

    const unsigned rctl = hands.keycode("RCTL");
    hands.press("RCTL");
    EXPECT_EQ(runType(typed), OUTCOME_SUCCEEDED);
    hands.release("RCTL");
    ASSERT_TRUE(settled());
    EXPECT_FALSE(keyboard.isDown(rctl));
    EXPECT_TRUE(fieldShows("one " + typed)) << target.text().toStdString();
    EXPECT_EQ(keyboard.state().mods & ~keyboard.numLockMask(), 0u);
}

TEST_F(HeldKeysDesktop, AKeyPressedWhileALongTextIsTypedIsSetAsideForTheRest) {
    // Right Ctrl goes down to start the next dictation while the last one is still being typed:
    // the person presses it once the field has the first part of the text. More different
    // characters than there are spare keycodes, so typing also pauses for keycodes to settle.
    const int spare = platform::KeySynth::system().typingBatchCapacity();
    ASSERT_GT(spare, 0);
    QString text;
    for (int i = 0; i < spare + 30; ++i) {
        text += QChar(0x0100 + i % 0x80); // Latin Extended-A: no key of its own in "us"
    }
    ASSERT_TRUE(target.setText(""));
    target.keys();
    ASSERT_EQ(target.command("pressat 25 " + QByteArray::number(hands.keycode("RCTL"))), "ok");
    EXPECT_EQ(runType(text), OUTCOME_SUCCEEDED);
    ASSERT_TRUE(settled());
    EXPECT_TRUE(fieldShows(text)) << target.text().toStdString();
    EXPECT_EQ(chords(target.keys()), QStringList{});
    EXPECT_TRUE(keyboard.isDown(hands.keycode("RCTL"))) << "a key still held must be down";
    hands.release("RCTL");
    EXPECT_FALSE(keyboard.isDown(hands.keycode("RCTL")));
}

TEST_F(HeldKeysDesktop, QuittingWhileTypingEndsTheTextAndGivesBackKeysAndKeycodes) {
    const std::vector<KeySym> before = keyboard.map();
    const int spare = platform::KeySynth::system().typingBatchCapacity();
    ASSERT_GT(spare, 0);
    // Longer than one part, every character on a bound spare keycode; as many different ones as
    // there are spare keycodes, so none is bound twice and only the end of typing unbinds them.
    QString text;
    for (int i = 0; i < 150; ++i) {
        text += QChar(0x0100 + i % spare);
    }
    ASSERT_TRUE(target.setText(""));
    target.keys();
    hands.press("RALT");
    EXPECT_EQ(runType(text), OUTCOME_SUCCEEDED);
    platform::handOverAtQuit(); // the last step of quitting, without a clipboard manager here
    // Nothing is left for a timer that will never fire.
    EXPECT_FALSE(platform::KeySynth::system().busy());
    EXPECT_EQ(keyboard.map(), before) << "a keycode bound for typing outlives Tavik";
    EXPECT_TRUE(keyboard.isDown(hands.keycode("RALT")));
    EXPECT_TRUE(fieldShows(text)) << target.text().toStdString();
    EXPECT_EQ(chords(target.keys()), QStringList{});
    hands.release("RALT");
}

TEST_F(HeldKeysDesktop, AKeyHeldOnAPhysicalKeyboardIsSetAsideAndGivenBack) {
    const unsigned lctl = hands.keycode("LCTL");
    ASSERT_TRUE(target.setText(""));
    if (!keyboard.physicalKey(lctl, true)) {
        GTEST_SKIP() << "the server has no keyboard device of its own";
    }
    EXPECT_EQ(runType("select nothing"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(runPaste(" and paste", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(fieldShows("select nothing and paste")) << target.text().toStdString();
    ASSERT_TRUE(settled());
    EXPECT_TRUE(keyboard.isDown(lctl));
    ASSERT_TRUE(keyboard.physicalKey(lctl, false));
    EXPECT_FALSE(keyboard.isDown(lctl));
    // Tavik pressed that key on its own XTest device when it gave it back; let go on the
    // physical keyboard, it must not keep Tavik's next press of it from counting.
    target.keys();
    EXPECT_EQ(runPaste(" again", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(fieldShows("select nothing and paste again")) << target.text().toStdString();
    EXPECT_EQ(chords(target.keys()), QStringList{"Ctrl+V"});
}

TEST_F(HeldKeysDesktop, KeysThatCannotArriveExactlyAreNotSentAndTheEngineMovesOn) {
    // A held Caps Lock key keeps Lock down however its lock is set: nothing would arrive as
    // meant, so paste and typing refuse and the engine runs out of mechanisms.
    ASSERT_TRUE(target.activate("plain"));
    ASSERT_TRUE(target.copyToClipboard("the user's own words"));
    target.keys();
    hands.press("CAPS");
    InsertionEngine engine;
    const auto result = engine.insert("dictated words", frontmostApp().bundleId);
    hands.release("CAPS");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.trace, "accessibility -> Unsupported\npaste -> Failed\ntype -> Failed\n"
                            "all mechanisms exhausted\n");
    EXPECT_EQ(target.keys(), QStringList{"CapsLock"});
    EXPECT_EQ(target.text(), "");
    EXPECT_EQ(target.clipboard()[QStringLiteral("text/plain")], "the user's own words");
    keyboard.lock(LockMask, false);

    // Typing returns once its last key is out, so the next text follows it, never inside it.
    ASSERT_TRUE(target.activate("field"));
    ASSERT_TRUE(target.setText(""));
    const QString longText = QString("Twenty characters,. ").repeated(15);
    EXPECT_EQ(runType(longText), OUTCOME_SUCCEEDED);
    EXPECT_EQ(runPaste("pasted", 200, false), OUTCOME_SUCCEEDED_UNVERIFIED);
    EXPECT_TRUE(fieldShows(longText + "pasted")) << target.text().toStdString();
}

TEST_F(HeldKeysDesktop, LocksAndASecondLayoutGroupLeaveTheTextAlone) {
    ASSERT_TRUE(target.setText(""));
    keyboard.lock(LockMask, true); // Caps Lock
    EXPECT_EQ(runType("Hello World"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(runPaste(" pasted", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(fieldShows("Hello World pasted")) << target.text().toStdString();
    EXPECT_EQ(chords(target.keys()), QStringList{"Ctrl+V"});
    ASSERT_TRUE(settled());
    EXPECT_EQ(keyboard.state().locked_mods & LockMask, static_cast<unsigned>(LockMask));
    keyboard.lock(LockMask, false);

    ASSERT_TRUE(target.setText(""));
    const unsigned numLock = keyboard.numLockMask();
    ASSERT_NE(numLock, 0u);
    keyboard.lock(numLock, true);
    EXPECT_EQ(runType("Num 123 Lock"), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(fieldShows("Num 123 Lock")) << target.text().toStdString();
    ASSERT_TRUE(settled());
    EXPECT_EQ(keyboard.state().locked_mods & numLock, numLock);
    keyboard.lock(numLock, false);

    ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", "us,ru"}), 0);
    keyboard.lockGroup(1);
    ASSERT_EQ(keyboard.state().locked_group, 1);
    ASSERT_TRUE(target.setText(""));
    EXPECT_EQ(runType("Hello World"), OUTCOME_SUCCEEDED);
    EXPECT_EQ(runPaste(" pasted", 200, true), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(fieldShows("Hello World pasted")) << target.text().toStdString();
    EXPECT_EQ(chords(target.keys()), QStringList{"Ctrl+V"});
    ASSERT_TRUE(settled());
    EXPECT_EQ(keyboard.state().locked_group, 1);
    keyboard.lockGroup(0);
    QProcess::execute("setxkbmap", {"-layout", "us"});
}

TEST_F(HeldKeysDesktop, TypingNeverTakesAKeyAPersonCanPressAndGivesBackWhatItBound) {
    const std::vector<KeySym> before = keyboard.map();
    std::vector<unsigned> triggers;
    for (const QByteArray name : {"FK13", "FK14", "FK15", "FK16", "FK17", "FK18", "FK19", "ESC"}) {
        triggers.push_back(hands.keycode(name));
    }
    std::vector<std::vector<KeySym>> triggerRows;
    for (unsigned code : triggers) {
        triggerRows.push_back(keyboard.row(code));
    }
    // More different characters than there are spare keycodes: keycodes are bound again midway.
    const QString many = QString::fromUtf8("ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ ßàáâãäåæçèéêë");
    ASSERT_TRUE(target.setText(""));
    EXPECT_EQ(runType(many), OUTCOME_SUCCEEDED);
    for (std::size_t i = 0; i < triggers.size(); ++i) {
        EXPECT_EQ(keyboard.row(triggers[i]), triggerRows[i]) << "keycode " << triggers[i];
    }
    EXPECT_TRUE(fieldShows(many)) << target.text().toStdString();
    ASSERT_TRUE(settled());
    EXPECT_EQ(keyboard.map(), before) << "every keycode bound for typing has no symbols again";

    // F19 is an offered shortcut key with no symbols of its own: pressing it types nothing. The
    // text typed after it shows that its key events have been handled.
    ASSERT_TRUE(target.setText("unchanged"));
    hands.press("FK19");
    hands.release("FK19");
    EXPECT_EQ(runType("."), OUTCOME_SUCCEEDED);
    EXPECT_TRUE(fieldShows("unchanged.")) << target.text().toStdString();
}

} // namespace
} // namespace tavik
