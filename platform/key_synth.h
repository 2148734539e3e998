#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tavik::platform {

// Synthetic keyboard input into whatever window has the keyboard focus.
//
// What arrives is exactly what is asked for, whatever the person at the keyboard holds or has
// locked: their modifier keys are set aside for the moment, Caps Lock and a second layout group
// are lifted, and afterwards every key is back in the state of their hands (a key still held is
// down, a key let go meanwhile is up) and every lock as it was. When that cannot be promised, a
// call refuses and sends nothing. A paste chord is handed to the display server before the call
// returns, and the person's keys come back once the server has played it, on the main loop;
// typing returns only once its last key has been played.
class KeySynth {
public:
    // Shift+Insert is the paste of programs that read the PRIMARY selection (xterm, urxvt).
    enum class PasteChord { controlV, controlShiftV, shiftInsert };

    virtual ~KeySynth() = default;

    // Synthetic input can be posted at all (display, extension, keys for the chord).
    virtual bool available() = 0;
    virtual bool postPasteChord(PasteChord chord) = 0;
    // Escape, pressed and released alone (it closes a menu), handed over as the chord is.
    virtual bool postEscape() = 0;
    // How many distinct characters one typed batch may hold; 0 when typing is impossible.
    virtual int typingBatchCapacity() = 0;
    // Whether every character of `text` can be typed ("\n" is Return, "\t" is Tab).
    virtual bool canType(const std::u32string& text) = 0;
    // Types the batches in order, each of at most typingBatchCapacity() distinct characters,
    // with a pause of `pauseMs` between two batches, and returns once the server has played the
    // last key: how many batches were typed, all of them when nothing stopped it. Each batch
    // lands whole in the window that had the keyboard focus when typing began; before each batch
    // after the first that focus must still be there and `stillWanted` (when given) must answer
    // true, else typing ends there and nothing more is sent.
    virtual std::size_t typeText(const std::vector<std::u32string>& batches, int pauseMs,
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
