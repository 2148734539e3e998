#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tavik::platform {

// Synthetic keyboard input into whatever window has the keyboard focus.
//
// What arrives is exactly what is asked for, whatever the person at the keyboard holds or has
// locked: their modifier keys are set aside for the moment, Caps Lock and a second layout group
// are lifted, and afterwards every key is back in the state of their hands (a key still held is
// down, a key let go meanwhile is up) and every lock as it was. When that cannot be promised, or
// an earlier text is still being typed, a call refuses and sends nothing. The keys are handed to
// the display server in order before a call returns; putting the person's keys back happens once
// the server has played them, on the main loop, without waiting there.
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
    // Types the batches in order, each of at most typingBatchCapacity() distinct characters,
    // with a pause of `pauseMs` between two batches. A long text reaches the server in parts;
    // before each part after the first `stillWanted` (when given) is asked, and a false answer
    // (another window came to the front) ends the typing there.
    virtual bool typeText(const std::vector<std::u32string>& batches, int pauseMs,
                          std::function<bool()> stillWanted = {}) = 0;
    // Another client holds an active keyboard grab (a screen locker or a passphrase prompt).
    virtual bool keyboardGrabbedElsewhere() = 0;
    // Keys handed over are still being played, or the person's keys and the keyboard map are
    // still to be put back.
    virtual bool busy() = 0;
    // Plays out and puts back everything at once (bounded), e.g. before the process ends.
    virtual void finish() = 0;

    static KeySynth& system();
};

} // namespace tavik::platform
