#pragma once

#include "platform/clock.h"
#include "platform/key_synth.h"
#include "platform/linux/x11_keys_error_trap.h"
#include "platform/linux/x11_keys_hands.h"
#include "platform/linux/x11_keys_keyboard.h"

#include <X11/Xlib.h>

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace tavik::platform::x11 {

// Synthetic keys through XTest, in runs. A run sets the person's modifier keys aside (they are
// released for the moment, never pressed over), lifts locked modifiers other than Num Lock and
// locks the first layout group, checks that the keyboard is neutral, and only then posts its
// keys. Characters the first group has on a key of their own, unshifted, use that key; every
// other character is typed by binding a spare keycode (no symbols, not a key a person can press)
// to its keysym. Keys are posted in segments: the display server plays a segment with its pauses
// itself (XTest delays), so the main thread never sleeps. A marker request after each segment
// tells when the server has played it; then the next segment follows, and after the last one the
// locks come back and each key set aside ends as the person's hands have it.
class X11KeySynth final : public KeySynth {
public:
    // Time for clients to handle typed keys before the keycodes they used get other symbols.
    // Toolkits do not translate keys in order with map changes: Qt turns keys it has not handled
    // yet into the newest symbols, or into nothing once a keycode is unbound. Only time protects
    // them: an idle Qt client needs about 5 ms, one on a loaded machine, just after focus and
    // accessibility work, more than 50 ms. Rebinding is rare (it takes more different
    // characters than spare keycodes), so the wait is generous.
    static constexpr int settleMs = 150;
    // After the last typed key has been played, bound keycodes go back to no symbols this much
    // later (keycodes still bound are reused by typing that follows at once).
    static constexpr int unbindDelayMs = 300;
    // How often a run the server is still playing is looked at.
    static constexpr int pollMs = 2;
    // The most text handed to the server at once, in UTF-16 units: about 15 ms of play, the
    // longest anything else on this connection waits behind a run.
    static constexpr int segmentUnits = 100;

    explicit X11KeySynth(Clock& clock = Clock::system());
    ~X11KeySynth() override;

    bool available() override;
    bool postPasteChord(PasteChord chord) override;
    bool postEscape() override;
    int typingBatchCapacity() override;
    bool canType(const std::u32string& text) override;
    std::size_t typeText(const std::vector<std::u32string>& batches, int pauseMs,
                         std::function<bool()> stillWanted) override;
    bool keyboardGrabbedElsewhere() override;
    bool busy() override;
    void finish() override;

    // The keysym typing uses for a character; NoSymbol when it cannot be typed.
    static KeySym keysymFor(char32_t codePoint);

private:
    struct Run {
        std::set<KeyCode> setAside;     // the person's keys released for the run
        unsigned liftedMods = 0;        // locked modifiers lifted for the run
        std::optional<int> liftedGroup; // the locked group to put back
        bool locksBack = false;
        std::deque<std::u32string> batches; // typing still to hand to the server
        int pauseMs = 0;
        std::function<bool()> stillWanted;
        bool typedAny = false;
        std::int64_t nextSegmentAtNs = 0;
    };
    struct SegmentPlan {
        std::map<KeySym, KeyCode> codes;
        std::map<KeyCode, KeySym> toBind;
        std::set<KeyCode> claimed;
    };
    struct Marker {
        std::uint64_t number;
        std::set<KeyCode> typedCodes;
    };

    // `keysym` with the modifiers asked for; a character from its own key or a bound spare
    // keycode, any other key only from a key of its own.
    bool postChord(KeySym keysym, bool withControl, bool withShift);
    bool startRun();
    void abortRun();
    void completeRun();
    void poll();
    void schedulePoll(std::int64_t delayNs);
    void drain();
    void postKey(KeyCode code, bool pressed, unsigned long delayMs = 0);
    void postMarker(std::set<KeyCode> typedCodes);
    void setAsideKeysPressedMeanwhile();
    void putLocksBack();
    void putKeysBack();
    bool planBatch(const std::u32string& batch, SegmentPlan& plan);
    bool bindPlanned(const SegmentPlan& plan);
    // Hands the next batches, up to `unitLimit` UTF-16 units (at least one batch), to the server.
    bool postSegment(int unitLimit);
    void closeRun();
    Window inputFocus();
    std::size_t typeRun(int pauseMs, const std::function<bool()>& stillWanted);
    std::int64_t segmentWaitNs() const;
    void setKeycodeSymbol(KeyCode code, KeySym keysym);
    void unbindAll();

    Clock& clock_;
    DisplayConnection connection_;
    DisplayConnection probe_; // keyboard-grab checks, never held up by a run being played
    bool xtest_ = false;
    KeyboardHands hands_;
    Window markerWindow_ = None;
    Atom markerAtom_ = None;
    std::uint64_t markersPosted_ = 0;
    std::deque<Marker> markersAwaited_;

    KeyboardMap keyboard_;
    std::optional<Run> run_;
    std::map<KeyCode, KeySym> bound_;              // spare keycodes we bound, and to what
    std::map<KeyCode, std::uint64_t> bindingAge_;  // when each was bound (a running number)
    std::map<KeyCode, std::int64_t> rebindableAt_; // when a typed keycode may change symbol
    std::int64_t lastTypedPlayedNs_ = 0;           // when the server played the last bound key
    std::uint64_t bindings_ = 0;
    Clock::TimerId pollTimer_ = Clock::noTimer;
    Clock::TimerId unbindTimer_ = Clock::noTimer;
};

} // namespace tavik::platform::x11
