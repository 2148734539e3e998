#pragma once

#include "platform/clock.h"
#include "platform/key_synth.h"
#include "platform/linux/x11_keys_error_trap.h"

#include <X11/Xlib.h>

#include <array>
#include <map>
#include <vector>

namespace tavik::platform::x11 {

// Synthetic keys through XTest. Characters the keyboard map has unshifted in the first group
// use their own keys; every other character is typed by binding a spare keycode (one with no
// symbols) to its keysym, a batch at a time. Keys the user holds are never pressed or released.
class X11KeySynth final : public KeySynth {
public:
    // Time for clients to handle typed keys before the keys they used are bound to new symbols;
    // a client that reads the new map first would turn earlier keys into the wrong characters.
    static constexpr int settleMs = 20;
    // How long typing waits for the user to let go of Control, Alt or Super.
    static constexpr int modifierReleaseWaitMs = 1000;

    X11KeySynth();
    ~X11KeySynth() override;

    bool available() override;
    bool postPasteChord(PasteChord chord) override;
    int typingBatchCapacity() override;
    bool canType(const std::u32string& text) override;
    bool typeBatch(const std::u32string& text) override;
    bool keyboardGrabbedElsewhere() override;

    // The keysym typing uses for a character; NoSymbol when it cannot be typed.
    static KeySym keysymFor(char32_t codePoint);

private:
    using KeyBits = std::array<char, 32>;

    bool loadKeyboardMap();
    std::vector<KeyCode> spareKeycodes() const;
    KeyCode unshiftedKeycode(KeySym keysym) const;
    bool bindSpare(const std::vector<KeySym>& needed, std::map<KeySym, KeyCode>& codes);
    void setKeycodeSymbol(KeyCode code, KeySym keysym);
    void unbindAll();
    KeyBits heldKeys();
    unsigned int modifierState(int* group);
    void waitForModifierRelease();
    void tap(KeyCode code);

    DisplayConnection connection_;
    bool xtest_ = false;
    int minKeycode_ = 0;
    int maxKeycode_ = 0;
    int symsPerKeycode_ = 0;
    std::vector<KeySym> keyboardMap_;
    std::map<KeyCode, KeySym> bound_;             // spare keycodes we bound, and to what
    std::map<KeyCode, std::uint64_t> bindingAge_; // when each was bound (a running number)
    std::uint64_t bindings_ = 0;
    bool typedSinceBinding_ = false;
    Clock::TimerId unbindTimer_ = Clock::noTimer;
};

} // namespace tavik::platform::x11
