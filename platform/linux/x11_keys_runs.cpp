// The run behind every paste chord and every typed text: setting the person's keys and locks
// aside, handing keys to the server in segments, and putting everything back once it has
// played them.
#include "platform/linux/x11_keys_synth.h"

#include "platform/log_sink.h"
#include "platform/synthetic_key_ledger.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace tavik::platform::x11 {
namespace {

bool isDown(const char (&keys)[32], KeyCode code) {
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}

int utf16Units(const std::u32string& text) {
    int units = 0;
    for (char32_t cp : text) {
        units += cp > 0xFFFF ? 2 : 1;
    }
    return units;
}

constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();

} // namespace

void X11KeySynth::postKey(KeyCode code, bool pressed, unsigned long delayMs) {
    // Our own keys come back to every raw-key listener; noting each one first lets the
    // shortcut listener and the hands drop exactly these.
    SyntheticKeyLedger::shared().willPost(code, pressed);
    hands_.willPost(code, pressed);
    XTestFakeKeyEvent(connection_.get(), code, pressed ? True : False, delayMs);
}

void X11KeySynth::postMarker(std::set<KeyCode> typedCodes) {
    const long number = static_cast<long>(++markersPosted_);
    XChangeProperty(connection_.get(), markerWindow_, markerAtom_, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&number), 1);
    XFlush(connection_.get());
    for (KeyCode code : typedCodes) {
        rebindableAt_[code] = never;
    }
    markersAwaited_.push_back(Marker{markersPosted_, std::move(typedCodes)});
}

void X11KeySynth::drain() {
    Display* display = connection_.get();
    // Never blocks: XPending only reads what has already arrived.
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (hands_.handle(event)) {
            continue;
        }
        if (event.type == PropertyNotify && event.xproperty.window == markerWindow_ &&
            event.xproperty.atom == markerAtom_ && !markersAwaited_.empty()) {
            const std::int64_t settled = clock_.monotonicNs() + msToNs(settleMs);
            for (KeyCode code : markersAwaited_.front().typedCodes) {
                rebindableAt_[code] = settled;
                lastTypedPlayedNs_ = clock_.monotonicNs();
            }
            markersAwaited_.pop_front();
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        }
    }
}

bool X11KeySynth::startRun() {
    if (run_) {
        if (!run_->batches.empty()) {
            // Text of an earlier insertion is still being handed over: keys sent now would land
            // in the middle of it, and waiting for it here would hold the application.
            logLine(QStringLiteral("keys: still typing the previous text — these keys are not "
                                   "sent"));
            return false;
        }
        completeRun(); // what is left is the server playing its last segment: moments
    }
    if (unbindTimer_ != Clock::noTimer) {
        clock_.cancel(unbindTimer_); // this run reuses what is bound and unbinds after itself
        unbindTimer_ = Clock::noTimer;
    }
    Display* display = connection_.get();
    drain();
    auto map = readKeyboardMap(display);
    if (!map) {
        return false;
    }
    keyboard_ = std::move(*map);
    XkbStateRec before{};
    if (XkbGetState(display, XkbUseCoreKbd, &before) != Success) {
        return false;
    }
    run_.emplace();
    const bool following = hands_.begin();
    const std::set<KeyCode> held = hands_.heldAmong(keyboard_.modifierKeys);
    if (!following && !held.empty()) {
        // Without raw key events a key set aside could not be told from one let go.
        run_.reset();
        return false;
    }
    for (KeyCode code : hands_.staleXTestKeys()) {
        postKey(code, false); // the keyboard has it up already: nothing reaches an application
    }
    for (KeyCode code : held) {
        postKey(code, false);
        run_->setAside.insert(code);
    }
    run_->liftedMods = before.locked_mods & ~keyboard_.numLockMask;
    if (run_->liftedMods != 0) {
        XkbLockModifiers(display, XkbUseCoreKbd, run_->liftedMods, 0);
    }
    if (before.locked_group != 0) {
        run_->liftedGroup = before.locked_group;
        XkbLockGroup(display, XkbUseCoreKbd, 0);
    }
    // A latch would apply to our first key: it is spent here instead.
    if (before.latched_mods != 0) {
        XkbLatchModifiers(display, XkbUseCoreKbd, before.latched_mods, 0);
    }
    if (before.latched_group != 0) {
        XkbLatchGroup(display, XkbUseCoreKbd, 0);
    }
    XkbStateRec now{};
    const bool neutral = XkbGetState(display, XkbUseCoreKbd, &now) == Success &&
                         (now.mods & ~keyboard_.numLockMask) == 0 && now.group == 0;
    if (!neutral) {
        // A modifier held on a key we do not know, or a lock we cannot lift: the keys would not
        // arrive as meant.
        abortRun();
        return false;
    }
    return true;
}

// A modifier the person presses while a long text is under way (Right Alt or Right Ctrl for the
// next dictation) would turn every key still to come into a shortcut: it is set aside like one
// held at the start, before the next segment goes out. Keys the server already has are beyond
// recall; at most two segments are, about 30 ms of typing.
void X11KeySynth::setAsideKeysPressedMeanwhile() {
    for (KeyCode code : hands_.takePressedAmong(keyboard_.modifierKeys)) {
        postKey(code, false);
        run_->setAside.insert(code);
    }
}

void X11KeySynth::putLocksBack() {
    Display* display = connection_.get();
    if (run_->liftedMods != 0) {
        XkbLockModifiers(display, XkbUseCoreKbd, run_->liftedMods, run_->liftedMods);
    }
    if (run_->liftedGroup) {
        XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(*run_->liftedGroup));
    }
    run_->locksBack = true;
}

void X11KeySynth::putKeysBack() {
    Display* display = connection_.get();
    // A key let go between our look and our press would stay down: look again after pressing.
    for (int round = 0; round < 3 && !run_->setAside.empty(); ++round) {
        XSync(display, False);
        drain();
        char keys[32] = {};
        XQueryKeymap(display, keys);
        bool changed = false;
        for (KeyCode code : run_->setAside) {
            const bool held = hands_.holds(code);
            if (held != isDown(keys, code)) {
                postKey(code, held);
                changed = true;
            }
        }
        if (!changed) {
            return;
        }
    }
    XSync(display, False);
}

void X11KeySynth::abortRun() {
    if (!run_) {
        return;
    }
    putLocksBack();
    putKeysBack();
    hands_.end();
    run_.reset();
}

void X11KeySynth::completeRun() {
    if (pollTimer_ != Clock::noTimer) {
        clock_.cancel(pollTimer_);
        pollTimer_ = Clock::noTimer;
    }
    Display* display = connection_.get();
    XSync(display, False); // waits for the server to play what it was given (one segment)
    drain();
    while (!run_->batches.empty()) {
        if (const std::int64_t wait = segmentWaitNs(); wait > 0) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
            drain();
        }
        setAsideKeysPressedMeanwhile();
        if (!postSegment(segmentUnits)) {
            logLine(QStringLiteral("typing: a key could not be bound — the rest of the text "
                                   "was not typed"));
            run_->batches.clear();
            break;
        }
        XSync(display, False);
        drain();
    }
    closeRun();
}

void X11KeySynth::closeRun() {
    if (!run_->locksBack) {
        putLocksBack();
    }
    putKeysBack();
    hands_.end();
    run_.reset();
    if (!bound_.empty()) {
        unbindTimer_ = clock_.schedule(msToNs(unbindDelayMs), [this] {
            unbindTimer_ = Clock::noTimer;
            unbindAll();
        });
    }
}

Window X11KeySynth::inputFocus() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(connection_.get(), &focus, &revert);
    return focus;
}

// One batch at a time, each under a server grab: between the look at the keyboard focus and
// the last key of the batch no other client can move the focus, so a batch lands whole in the
// window that had it, and once the focus has moved nothing more is sent.
std::size_t X11KeySynth::typeRun(int pauseMs, const std::function<bool()>& stillWanted) {
    Display* display = connection_.get();
    const Window focus = inputFocus();
    std::size_t typed = 0;
    while (!run_->batches.empty()) {
        if (typed > 0 && pauseMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
        if (const std::int64_t wait = segmentWaitNs(); wait > 0) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        }
        drain();
        setAsideKeysPressedMeanwhile();
        if (stillWanted && !stillWanted()) {
            logLine(QStringLiteral("typing: another window came to the front — the rest of the "
                                   "text was not typed"));
            break;
        }
        const std::size_t left = run_->batches.size();
        XGrabServer(display);
        const bool focusKept = inputFocus() == focus;
        const bool posted = focusKept && postSegment(0);
        XSync(display, False); // the server has played the batch before anyone else is heard
        XUngrabServer(display);
        XFlush(display);
        if (!focusKept) {
            logLine(QStringLiteral("typing: the keyboard focus moved — the rest of the text was "
                                   "not typed"));
            break;
        }
        if (!posted) {
            logLine(QStringLiteral("typing: a key could not be bound — the rest of the text "
                                   "was not typed"));
            break;
        }
        typed += left - run_->batches.size();
        drain();
    }
    run_->batches.clear();
    closeRun();
    return typed;
}

void X11KeySynth::schedulePoll(std::int64_t delayNs) {
    pollTimer_ = clock_.schedule(std::max<std::int64_t>(delayNs, 0), [this] { poll(); });
}

void X11KeySynth::poll() {
    pollTimer_ = Clock::noTimer;
    if (!run_) {
        return;
    }
    drain();
    // The next segment goes out while the server still plays the one before, so the server
    // never waits for this loop; two at most, which bounds how long anything else sent on this
    // connection waits behind them.
    if (!run_->batches.empty() && markersAwaited_.size() < 2) {
        if (const std::int64_t wait = segmentWaitNs(); wait > 0) {
            schedulePoll(markersAwaited_.empty() ? wait : msToNs(pollMs));
            return;
        }
        if (run_->stillWanted && !run_->stillWanted()) {
            logLine(QStringLiteral("typing: another window came to the front — the rest of the "
                                   "text was not typed"));
            run_->batches.clear();
        } else {
            setAsideKeysPressedMeanwhile();
            if (!postSegment(segmentUnits)) {
                logLine(QStringLiteral("typing: a key could not be bound — the rest of the text "
                                       "was not typed"));
                run_->batches.clear();
            }
        }
    }
    if (!markersAwaited_.empty() || !run_->batches.empty()) {
        schedulePoll(msToNs(pollMs));
        return;
    }
    completeRun(); // everything played: nothing left to wait for
}

std::int64_t X11KeySynth::segmentWaitNs() const {
    if (!run_ || run_->nextSegmentAtNs == 0) {
        return 0;
    }
    return run_->nextSegmentAtNs - clock_.monotonicNs();
}

bool X11KeySynth::planBatch(const std::u32string& batch, SegmentPlan& plan) {
    const std::int64_t now = clock_.monotonicNs();
    std::vector<KeyCode> spare = keyboard_.spareKeycodes(bound_);
    // Never-bound keycodes first, then those bound longest ago.
    std::stable_sort(spare.begin(), spare.end(), [this](KeyCode a, KeyCode b) {
        const auto ageA = bindingAge_.find(a);
        const auto ageB = bindingAge_.find(b);
        return (ageA == bindingAge_.end() ? 0 : ageA->second) <
               (ageB == bindingAge_.end() ? 0 : ageB->second);
    });
    for (char32_t cp : batch) {
        const KeySym keysym = keysymFor(cp);
        if (plan.codes.count(keysym) != 0) {
            continue;
        }
        const KeyCode direct = keyboard_.directKeycode(keysym, bound_);
        if (direct != 0 && !hands_.holds(direct)) {
            plan.codes[keysym] = direct;
            continue;
        }
        const auto boundTo = std::find_if(bound_.begin(), bound_.end(), [&](const auto& entry) {
            return entry.second == keysym && plan.claimed.count(entry.first) == 0;
        });
        if (boundTo != bound_.end() && !hands_.holds(boundTo->first)) {
            plan.codes[keysym] = boundTo->first;
            plan.claimed.insert(boundTo->first);
            continue;
        }
        const auto free = std::find_if(spare.begin(), spare.end(), [&](KeyCode code) {
            const auto settled = rebindableAt_.find(code);
            return plan.claimed.count(code) == 0 && !hands_.holds(code) &&
                   (settled == rebindableAt_.end() || settled->second <= now);
        });
        if (free == spare.end()) {
            return false;
        }
        plan.codes[keysym] = *free;
        plan.toBind[*free] = keysym;
        plan.claimed.insert(*free);
    }
    return true;
}

bool X11KeySynth::bindPlanned(const SegmentPlan& plan) {
    if (plan.toBind.empty()) {
        return true; // nothing to ask the server, nothing to wait for
    }
    // The trap waits for the server's answer, so it must close before any delayed key is sent.
    RequestTrap trap(connection_.get());
    for (const auto& [code, keysym] : plan.toBind) {
        setKeycodeSymbol(code, keysym);
        bound_[code] = keysym;
        bindingAge_[code] = ++bindings_;
    }
    return !trap.failed();
}

bool X11KeySynth::postSegment(int unitLimit) {
    SegmentPlan plan;
    std::vector<std::u32string> planned;
    int units = 0;
    while (!run_->batches.empty()) {
        const std::u32string& batch = run_->batches.front();
        const int batchUnits = utf16Units(batch);
        if (!planned.empty() && units + batchUnits > unitLimit) {
            break;
        }
        SegmentPlan trial = plan;
        if (!planBatch(batch, trial)) {
            break;
        }
        plan = std::move(trial);
        planned.push_back(batch);
        run_->batches.pop_front();
        units += batchUnits;
    }
    if (planned.empty()) {
        // Every free keycode was typed a moment ago: wait until the first one has settled, or
        // until the server has played a segment still in flight.
        std::int64_t soonest = never;
        bool inFlight = false;
        for (const auto& [code, at] : rebindableAt_) {
            inFlight = inFlight || at == never;
            if (at > clock_.monotonicNs() && at != never) {
                soonest = std::min(soonest, at);
            }
        }
        if (soonest == never && !inFlight) {
            return false; // not a batch of its size fits the keyboard at all
        }
        run_->nextSegmentAtNs = soonest == never ? 0 : soonest;
        return true;
    }
    run_->nextSegmentAtNs = 0;
    if (!plan.toBind.empty() && !markersAwaited_.empty()) {
        // Binding waits for the server's answer, and the server answers this connection only
        // once it has played what it was given: the segment still in flight comes first, so the
        // main loop never waits behind its pauses.
        for (auto batch = planned.rbegin(); batch != planned.rend(); ++batch) {
            run_->batches.push_front(std::move(*batch));
        }
        return true;
    }
    if (!bindPlanned(plan)) {
        return false;
    }
    std::set<KeyCode> typedSpares;
    for (const std::u32string& batch : planned) {
        // The pause between two batches is the server's to keep: it plays the first key of the
        // next batch that much later, and the main thread goes on meanwhile.
        unsigned long delay = run_->typedAny ? static_cast<unsigned long>(run_->pauseMs) : 0;
        for (char32_t cp : batch) {
            const KeyCode code = plan.codes.at(keysymFor(cp));
            postKey(code, true, delay);
            postKey(code, false);
            delay = 0;
            if (bound_.count(code) != 0) {
                typedSpares.insert(code);
            }
        }
        run_->typedAny = true;
    }
    if (run_->batches.empty()) {
        putLocksBack();
    }
    postMarker(std::move(typedSpares));
    return true;
}

void X11KeySynth::setKeycodeSymbol(KeyCode code, KeySym keysym) {
    // The same symbol at every level and group: no modifier or group can change what arrives.
    std::vector<KeySym> row(static_cast<std::size_t>(keyboard_.symbolsPerKeycode), keysym);
    XChangeKeyboardMapping(connection_.get(), code, keyboard_.symbolsPerKeycode, row.data(), 1);
}

void X11KeySynth::unbindAll() {
    if (bound_.empty()) {
        return;
    }
    RequestTrap trap(connection_.get());
    for (const auto& entry : bound_) {
        setKeycodeSymbol(entry.first, NoSymbol);
    }
    bound_.clear();
    bindingAge_.clear();
    rebindableAt_.clear();
}

} // namespace tavik::platform::x11
