#include "app/insertion/insertion_codes.h"
#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"

#include <QStringList>

#include <map>
#include <optional>

namespace tavik {
namespace {

// Restores not yet made, by number. Each is also made at once when the process quits, so the
// user's content (not our dictated text) is what goes to the clipboard manager.
struct PendingRestore {
    platform::Clipboard* clipboard;
    platform::Clock* clock;
    platform::Clock::TimerId timer;
    platform::ClipboardSnapshot snapshot;
    std::uint64_t ours;
};
std::map<std::uint64_t, PendingRestore> pending;
std::uint64_t restoresMade = 0;

// The user's clipboard as the latest paste found it, while its restore is still to come. A
// paste that starts before then finds our own text on the clipboard; the user's content is this.
struct AwaitedRestore {
    platform::ClipboardSnapshot snapshot;
    std::uint64_t changeCount = 0;
    std::uint64_t portsGeneration = 0;
};
std::optional<AwaitedRestore> awaited;

// Terminal emulators take Control+V as a literal key; they paste with Control+Shift+V.
bool isTerminal(const QString& windowClass) {
    static const QStringList terminals = {"gnome-terminal",
                                          "gnome-terminal-server",
                                          "org.gnome.Console",
                                          "kgx",
                                          "org.gnome.Ptyxis",
                                          "konsole",
                                          "xfce4-terminal",
                                          "mate-terminal",
                                          "lxterminal",
                                          "qterminal",
                                          "terminator",
                                          "tilix",
                                          "alacritty",
                                          "kitty",
                                          "foot",
                                          "org.wezfurlong.wezterm",
                                          "wezterm",
                                          "terminology",
                                          "sakura",
                                          "guake",
                                          "yakuake",
                                          "deepin-terminal",
                                          "io.elementary.terminal",
                                          "st-256color"};
    for (const QString& terminal : terminals) {
        if (windowClass.compare(terminal, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// Programs whose Control+V is a key of their own (a literal-next character, a scroll, a
// block selection) and whose paste reads the PRIMARY selection or a kill ring: the chord would
// act, never paste.
bool pastesOnlyItsOwnWay(const QString& windowClass) {
    static const QStringList classes = {"XTerm", "UXTerm", "URxvt", "Rxvt", "Emacs", "Gvim"};
    return classes.contains(windowClass, Qt::CaseInsensitive);
}

void makeRestore(std::uint64_t number) {
    const auto found = pending.find(number);
    if (found == pending.end()) {
        return;
    }
    const PendingRestore restore = std::move(found->second);
    pending.erase(found);
    if (restore.clipboard->changeCount() == restore.ours) {
        restore.clipboard->restore(restore.snapshot);
    }
    if (awaited && awaited->changeCount == restore.ours) {
        awaited.reset();
    }
}

void makeEveryRestoreNow() {
    while (!pending.empty()) {
        const auto first = pending.begin();
        first->second.clock->cancel(first->second.timer);
        makeRestore(first->first);
    }
}

} // namespace

int pendingPasteRestores() {
    return static_cast<int>(pending.size());
}

std::uint32_t runPaste(const QString& text, std::uint32_t restoreMs, bool axTrusted) {
    const InsertionPorts& ports = insertionPorts();
    platform::Clipboard& clipboard = *ports.clipboard;

    const auto front = ports.frontmost->current();
    if (front && pastesOnlyItsOwnWay(front->windowClass)) {
        return OUTCOME_UNSUPPORTED;
    }
    std::optional<platform::ClipboardSnapshot> snapshot;
    if (awaited && awaited->changeCount == clipboard.changeCount() &&
        awaited->portsGeneration == insertionPortsGeneration()) {
        snapshot = awaited->snapshot;
    } else {
        snapshot = clipboard.snapshot();
    }
    if (!snapshot) {
        // The person's clipboard could not be read in time, so it could not be put back: it
        // stays with its owner, and the text goes in another way.
        return OUTCOME_FAILED;
    }
    const qint64 pid = front ? front->pid : 0;
    std::unique_ptr<platform::AccessibleText> element;
    std::optional<int> before;
    bool menuInFront = false;
    if (axTrusted) {
        element = ports.accessibility->focusedElement(pid);
        if (element) {
            before = element->characterCount();
            menuInFront = element->editability() == platform::Editability::menuFocused;
        }
    }

    if (!clipboard.setText(text)) {
        clipboard.restore(*snapshot);
        return OUTCOME_FAILED;
    }
    const std::uint64_t ours = clipboard.changeCount();
    const auto chord = front && isTerminal(front->windowClass)
                           ? platform::KeySynth::PasteChord::controlShiftV
                           : platform::KeySynth::PasteChord::controlV;
    if (!ports.keys->available() || !ports.keys->postPasteChord(chord)) {
        clipboard.restore(*snapshot);
        return OUTCOME_FAILED;
    }

    // Put the user's clipboard back later, unless someone wrote to it meanwhile. The timer
    // fires on the main thread: the clipboard may only be touched there.
    static const bool madeAtQuit = [] {
        platform::beforeHandOverAtQuit(&makeEveryRestoreNow);
        return true;
    }();
    (void)madeAtQuit;
    awaited = AwaitedRestore{*snapshot, ours, insertionPortsGeneration()};
    const std::uint64_t number = ++restoresMade;
    const platform::Clock::TimerId timer =
        ports.clock->schedule(platform::msToNs(restoreMs), [number] { makeRestore(number); });
    pending.emplace(number, PendingRestore{&clipboard, ports.clock, timer, *snapshot, ours});

    // A program pastes by asking the clipboard's owner for the text. One that never asks did
    // not paste (its Control+V is something else), whatever it shows: the person's clipboard
    // comes back at once, so a late request cannot bring the text a second time.
    const std::uint64_t window = front ? front->window : 0;
    bool fetched = clipboard.fetchedBy(window);
    for (int waited = 0; !fetched && waited < pasteFetchLimitMs; waited += pasteCheckIntervalMs) {
        ports.sleeper->sleepMs(pasteCheckIntervalMs);
        fetched = clipboard.fetchedBy(window);
    }
    if (!fetched) {
        ports.clock->cancel(timer);
        makeRestore(number);
        // With another window in front by now, or a menu in front of the field, what this
        // application does with a paste is still unknown.
        return ports.frontmost->current() == front && !menuInFront ? OUTCOME_DISCARDED
                                                                   : OUTCOME_FAILED;
    }
    // Fetched means received: a program that shows nothing yet (no echo, a late redraw) has the
    // text all the same, and it must never be sent twice.
    if (!axTrusted || !before) {
        return OUTCOME_SUCCEEDED_UNVERIFIED;
    }
    for (int waited = 0; waited < pasteCheckLimitMs; waited += pasteCheckIntervalMs) {
        auto now = ports.accessibility->focusedElement(pid);
        if (!now || !now->sameElement(*element)) {
            return OUTCOME_SUCCEEDED_UNVERIFIED; // focus moved on: nothing left to compare
        }
        if (const auto after = now->characterCount(); !after || *after != *before) {
            return OUTCOME_SUCCEEDED;
        }
        ports.sleeper->sleepMs(pasteCheckIntervalMs);
    }
    return OUTCOME_SUCCEEDED_UNVERIFIED;
}

} // namespace tavik
