#pragma once

#include <string>

namespace tavik::platform {

// Synthetic keyboard input into whatever window has the keyboard focus.
class KeySynth {
public:
    enum class PasteChord { controlV, controlShiftV };

    virtual ~KeySynth() = default;

    // Synthetic input can be posted at all (display, extension, keys for the chord).
    virtual bool available() = 0;
    virtual bool postPasteChord(PasteChord chord) = 0;
    // How many distinct characters one typed batch may hold; 0 when typing is impossible.
    virtual int typingBatchCapacity() = 0;
    // Whether every character of `text` can be typed ("\n" is Return, "\t" is Tab).
    virtual bool canType(const std::u32string& text) = 0;
    // Types one batch of at most typingBatchCapacity() distinct characters.
    virtual bool typeBatch(const std::u32string& text) = 0;
    // Another client holds an active keyboard grab (a screen locker or a passphrase prompt).
    virtual bool keyboardGrabbedElsewhere() = 0;

    static KeySynth& system();
};

} // namespace tavik::platform
