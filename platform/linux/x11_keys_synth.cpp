#include "platform/linux/x11_keys_synth.h"

#include "platform/clipboard.h"
#include "platform/linux/x11_property_window.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace tavik::platform::x11 {

X11KeySynth::X11KeySynth(Clock& clock) : clock_(clock), hands_(connection_.get()) {
    if (!connection_) {
        return;
    }
    Display* display = connection_.get();
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    xtest_ = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) != 0;
    // Our synthetic keys must not be held up by another client's server grab.
    XTestGrabControl(display, True);
    // The marker requests of a run come back as property changes on this window.
    markerWindow_ = makePropertyWindow(display);
    markerAtom_ = XInternAtom(display, "_TAVIK_KEYS_PLAYED", False);
    XSync(display, False);
}

X11KeySynth::~X11KeySynth() {
    if (connection_) {
        finish();
    }
}

bool X11KeySynth::available() {
    return connection_ && xtest_;
}

KeySym X11KeySynth::keysymFor(char32_t cp) {
    if (cp == U'\n') {
        return XK_Return;
    }
    if (cp == U'\t') {
        return XK_Tab;
    }
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return NoSymbol;
    }
    if (cp <= 0xFF) {
        return static_cast<KeySym>(cp); // Latin-1 keysyms equal their code points
    }
    return static_cast<KeySym>(0x01000000 | cp);
}

bool X11KeySynth::postPasteChord(PasteChord chord) {
    switch (chord) {
    case PasteChord::controlV:
        return postChord(XK_v, true, false);
    case PasteChord::controlShiftV:
        return postChord(XK_v, true, true);
    case PasteChord::shiftInsert:
        return postChord(XK_Insert, false, true);
    }
    return false;
}

bool X11KeySynth::postEscape() {
    return postChord(XK_Escape, false, false);
}

bool X11KeySynth::postChord(KeySym keysym, bool withControl, bool withShift) {
    if (!available() || !startRun()) {
        return false;
    }
    const auto modifier = [this](KeySym first, KeySym second) -> KeyCode {
        for (KeySym keysym : {first, second}) {
            for (KeyCode code : keyboard_.modifierKeys) {
                if (keyboard_.symbols[static_cast<std::size_t>(
                        (code - keyboard_.minKeycode) * keyboard_.symbolsPerKeycode)] == keysym) {
                    return code;
                }
            }
        }
        return 0;
    };
    const KeyCode control = withControl ? modifier(XK_Control_L, XK_Control_R) : 0;
    const KeyCode shift = withShift ? modifier(XK_Shift_L, XK_Shift_R) : 0;
    if ((withControl && control == 0) || (withShift && shift == 0)) {
        abortRun();
        return false;
    }
    // "v" comes from its own key in the first group, or from a bound spare keycode when that
    // group has none (a layout without Latin letters) or the person holds it. Insert and Escape
    // are never bound: a keyboard without them has no such key to press.
    KeyCode key = 0;
    if (keysym < 0x100) {
        SegmentPlan plan;
        if (!planBatch(std::u32string(1, static_cast<char32_t>(keysym)), plan) ||
            !bindPlanned(plan)) {
            abortRun();
            return false;
        }
        key = plan.codes.at(keysym);
    } else {
        key = keyboard_.directKeycode(keysym, bound_);
        if (key == 0) {
            abortRun();
            return false;
        }
    }
    for (const KeyCode held : {control, shift}) {
        if (held != 0) {
            postKey(held, true);
        }
    }
    postKey(key, true);
    postKey(key, false);
    for (const KeyCode held : {shift, control}) {
        if (held != 0) {
            postKey(held, false);
        }
    }
    putLocksBack();
    postMarker(bound_.count(key) != 0 ? std::set<KeyCode>{key} : std::set<KeyCode>{});
    schedulePoll(msToNs(pollMs));
    return true;
}

int X11KeySynth::typingBatchCapacity() {
    if (!available()) {
        return 0;
    }
    const auto map = readKeyboardMap(connection_.get());
    return map ? static_cast<int>(map->spareKeycodes(bound_).size()) : 0;
}

bool X11KeySynth::canType(const std::u32string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char32_t cp) { return keysymFor(cp) != NoSymbol; });
}

std::size_t X11KeySynth::typeText(const std::vector<std::u32string>& batches, int pauseMs,
                                  std::function<bool()> stillWanted) {
    if (!available() || !std::all_of(batches.begin(), batches.end(),
                                     [this](const auto& b) { return canType(b); })) {
        return 0;
    }
    if (!startRun()) {
        return 0;
    }
    const std::size_t capacity = keyboard_.spareKeycodes(bound_).size();
    for (const auto& batch : batches) {
        if (std::set<char32_t>(batch.begin(), batch.end()).size() > capacity) {
            abortRun();
            return 0;
        }
    }
    run_->batches.assign(batches.begin(), batches.end());
    return typeRun(std::max(0, pauseMs), stillWanted);
}

bool X11KeySynth::busy() {
    return run_.has_value() || unbindTimer_ != Clock::noTimer;
}

void X11KeySynth::finish() {
    if (run_) {
        completeRun();
    }
    if (unbindTimer_ != Clock::noTimer) {
        clock_.cancel(unbindTimer_);
        unbindTimer_ = Clock::noTimer;
    }
    // An application reads a key it has not handled yet through the keycode's symbols of the
    // moment: unbound at once, the last characters typed would arrive as nothing. They get the
    // time the unbind timer would have given them (bounded: quitting waits at most that long).
    if (!bound_.empty() && lastTypedPlayedNs_ != 0) {
        const std::int64_t wait = lastTypedPlayedNs_ + msToNs(unbindDelayMs) - clock_.monotonicNs();
        if (wait > 0) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        }
    }
    unbindAll();
}

bool X11KeySynth::keyboardGrabbedElsewhere() {
    if (!probe_) {
        return false;
    }
    Display* display = probe_.get();
    RequestTrap trap(display);
    const int status = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    if (status == GrabSuccess) {
        XUngrabKeyboard(display, CurrentTime);
        XSync(display, False);
        return false;
    }
    return status == AlreadyGrabbed || status == GrabFrozen;
}

} // namespace tavik::platform::x11

namespace tavik::platform {

KeySynth& KeySynth::system() {
    static auto* synth = [] {
        auto* created = new x11::X11KeySynth(); // lives to process end
        // Keys still being played or set aside, and keycodes bound for typing, are put back
        // before the process ends.
        beforeHandOverAtQuit([created] { created->finish(); });
        return created;
    }();
    return *synth;
}

} // namespace tavik::platform
