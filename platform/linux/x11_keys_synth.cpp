#include "platform/linux/x11_keys_synth.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace tavik::platform::x11 {
namespace {

// Bound symbols go back to nothing a while after the last typing, once clients have caught up.
constexpr std::int64_t unbindDelayNs = msToNs(1000);

bool isDown(const std::array<char, 32>& bits, KeyCode code) {
    return (bits[code / 8] & (1 << (code % 8))) != 0;
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

X11KeySynth::X11KeySynth() {
    if (!connection_) {
        return;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    xtest_ = XTestQueryExtension(connection_.get(), &eventBase, &errorBase, &major, &minor) != 0;
    // Our synthetic keys must not be held up by another client's server grab.
    XTestGrabControl(connection_.get(), True);
}

X11KeySynth::~X11KeySynth() {
    if (unbindTimer_ != Clock::noTimer) {
        Clock::system().cancel(unbindTimer_);
    }
    if (connection_) {
        unbindAll();
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

X11KeySynth::KeyBits X11KeySynth::heldKeys() {
    KeyBits bits{};
    XQueryKeymap(connection_.get(), bits.data());
    return bits;
}

bool X11KeySynth::postPasteChord(PasteChord chord) {
    if (!available()) {
        return false;
    }
    Display* display = connection_.get();
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode v = XKeysymToKeycode(display, XK_v);
    const bool withShift = chord == PasteChord::controlShiftV;
    if (control == 0 || v == 0 || (withShift && shift == 0)) {
        return false;
    }
    const KeyBits held = heldKeys();
    RequestTrap trap(display);
    std::vector<KeyCode> modifiers{control};
    if (withShift) {
        modifiers.push_back(shift);
    }
    for (KeyCode modifier : modifiers) {
        if (!isDown(held, modifier)) {
            XTestFakeKeyEvent(display, modifier, True, CurrentTime);
        }
    }
    XTestFakeKeyEvent(display, v, True, CurrentTime);
    XTestFakeKeyEvent(display, v, False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        if (!isDown(held, *it)) {
            XTestFakeKeyEvent(display, *it, False, CurrentTime);
        }
    }
    return !trap.failed();
}

bool X11KeySynth::loadKeyboardMap() {
    Display* display = connection_.get();
    XDisplayKeycodes(display, &minKeycode_, &maxKeycode_);
    int perKeycode = 0;
    KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode_),
                                       maxKeycode_ - minKeycode_ + 1, &perKeycode);
    if (syms == nullptr || perKeycode <= 0) {
        return false;
    }
    symsPerKeycode_ = perKeycode;
    keyboardMap_.assign(syms, syms + (maxKeycode_ - minKeycode_ + 1) * perKeycode);
    XFree(syms);
    return true;
}

std::vector<KeyCode> X11KeySynth::spareKeycodes() const {
    std::vector<KeyCode> spare;
    for (int code = minKeycode_; code <= maxKeycode_; ++code) {
        if (bound_.count(static_cast<KeyCode>(code)) != 0) {
            spare.push_back(static_cast<KeyCode>(code));
            continue;
        }
        const auto first = keyboardMap_.begin() + (code - minKeycode_) * symsPerKeycode_;
        if (std::all_of(first, first + symsPerKeycode_, [](KeySym s) { return s == NoSymbol; })) {
            spare.push_back(static_cast<KeyCode>(code));
        }
    }
    return spare;
}

KeyCode X11KeySynth::unshiftedKeycode(KeySym keysym) const {
    for (int code = minKeycode_; code <= maxKeycode_; ++code) {
        if (bound_.count(static_cast<KeyCode>(code)) != 0) {
            continue;
        }
        if (keyboardMap_[static_cast<std::size_t>((code - minKeycode_) * symsPerKeycode_)] ==
            keysym) {
            return static_cast<KeyCode>(code);
        }
    }
    return 0;
}

int X11KeySynth::typingBatchCapacity() {
    if (!available() || !loadKeyboardMap()) {
        return 0;
    }
    return static_cast<int>(spareKeycodes().size());
}

bool X11KeySynth::canType(const std::u32string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char32_t cp) { return keysymFor(cp) != NoSymbol; });
}

void X11KeySynth::setKeycodeSymbol(KeyCode code, KeySym keysym) {
    // The same symbol at every level: Shift, Lock or a level switch cannot change what arrives.
    std::vector<KeySym> row(static_cast<std::size_t>(symsPerKeycode_), keysym);
    XChangeKeyboardMapping(connection_.get(), code, symsPerKeycode_, row.data(), 1);
}

bool X11KeySynth::bindSpare(const std::vector<KeySym>& needed, std::map<KeySym, KeyCode>& codes) {
    std::vector<KeySym> missing;
    std::set<KeyCode> inUse;
    for (KeySym keysym : needed) {
        auto it = std::find_if(bound_.begin(), bound_.end(),
                               [keysym](const auto& entry) { return entry.second == keysym; });
        if (it != bound_.end()) {
            codes[keysym] = it->first;
            inUse.insert(it->first);
        } else {
            missing.push_back(keysym);
        }
    }
    if (missing.empty()) {
        return true;
    }
    // Never-bound keys first, then those bound longest ago: a key bound again is the one race
    // left (a client still handling its earlier presses would read the new symbol).
    std::vector<KeyCode> free;
    for (KeyCode code : spareKeycodes()) {
        if (inUse.count(code) == 0) {
            free.push_back(code);
        }
    }
    std::stable_sort(free.begin(), free.end(), [this](KeyCode a, KeyCode b) {
        const auto boundA = bindingAge_.find(a);
        const auto boundB = bindingAge_.find(b);
        const std::uint64_t ageA = boundA == bindingAge_.end() ? 0 : boundA->second;
        const std::uint64_t ageB = boundB == bindingAge_.end() ? 0 : boundB->second;
        return ageA < ageB;
    });
    const bool rebinding = std::any_of(
        free.begin(),
        free.begin() + static_cast<std::ptrdiff_t>(std::min(free.size(), missing.size())),
        [this](KeyCode code) { return bound_.count(code) != 0; });
    if (free.size() < missing.size()) {
        return false;
    }
    Display* display = connection_.get();
    if (rebinding && typedSinceBinding_) {
        XSync(display, False);
        sleepMs(settleMs);
        typedSinceBinding_ = false;
    }
    RequestTrap trap(display);
    for (std::size_t i = 0; i < missing.size(); ++i) {
        setKeycodeSymbol(free[i], missing[i]);
        bound_[free[i]] = missing[i];
        bindingAge_[free[i]] = ++bindings_;
        codes[missing[i]] = free[i];
    }
    return !trap.failed();
}

void X11KeySynth::unbindAll() {
    if (bound_.empty()) {
        return;
    }
    RequestTrap trap(connection_.get());
    for (const auto& [code, keysym] : bound_) {
        setKeycodeSymbol(code, NoSymbol);
    }
    bound_.clear();
    bindingAge_.clear();
    typedSinceBinding_ = false;
    XSync(connection_.get(), False);
}

unsigned int X11KeySynth::modifierState(int* group) {
    XkbStateRec state{};
    if (XkbGetState(connection_.get(), XkbUseCoreKbd, &state) != Success) {
        *group = 0;
        return 0;
    }
    *group = state.group;
    return state.mods;
}

void X11KeySynth::waitForModifierRelease() {
    constexpr unsigned int textBreaking = ControlMask | Mod1Mask | Mod3Mask | Mod4Mask | Mod5Mask;
    int group = 0;
    for (int waited = 0; waited < modifierReleaseWaitMs; waited += 10) {
        if ((modifierState(&group) & textBreaking) == 0) {
            return;
        }
        sleepMs(10);
    }
}

void X11KeySynth::tap(KeyCode code) {
    XTestFakeKeyEvent(connection_.get(), code, True, CurrentTime);
    XTestFakeKeyEvent(connection_.get(), code, False, CurrentTime);
}

bool X11KeySynth::typeBatch(const std::u32string& text) {
    if (!available() || !canType(text)) {
        return false;
    }
    if (text.empty()) {
        return true;
    }
    if (unbindTimer_ != Clock::noTimer) {
        Clock::system().cancel(unbindTimer_);
        unbindTimer_ = Clock::noTimer;
    }
    waitForModifierRelease();
    if (!loadKeyboardMap()) {
        return false;
    }
    int group = 0;
    const unsigned int mods = modifierState(&group);
    // With Shift or Caps Lock on, or another layout active, the map's first column is not what a
    // key gives, so every character then goes through a bound key.
    const bool directKeysUsable = (mods & (ShiftMask | LockMask)) == 0 && group == 0;
    const KeyBits held = heldKeys();

    std::map<KeySym, KeyCode> codes;
    std::vector<KeySym> needSpare;
    for (char32_t cp : text) {
        const KeySym keysym = keysymFor(cp);
        if (codes.count(keysym) != 0 ||
            std::find(needSpare.begin(), needSpare.end(), keysym) != needSpare.end()) {
            continue;
        }
        const KeyCode direct = directKeysUsable ? unshiftedKeycode(keysym) : 0;
        if (direct != 0 && !isDown(held, direct)) {
            codes[keysym] = direct;
        } else {
            needSpare.push_back(keysym);
        }
    }
    if (!bindSpare(needSpare, codes)) {
        return false;
    }
    Display* display = connection_.get();
    RequestTrap trap(display);
    for (char32_t cp : text) {
        tap(codes.at(keysymFor(cp)));
    }
    typedSinceBinding_ = typedSinceBinding_ || !bound_.empty();
    const bool ok = !trap.failed();
    unbindTimer_ = Clock::system().schedule(unbindDelayNs, [this] {
        unbindTimer_ = Clock::noTimer;
        unbindAll();
    });
    return ok;
}

bool X11KeySynth::keyboardGrabbedElsewhere() {
    if (!connection_) {
        return false;
    }
    Display* display = connection_.get();
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
    static auto* synth = new x11::X11KeySynth(); // lives to process end
    return *synth;
}

} // namespace tavik::platform
