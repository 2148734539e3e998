#include "app/insertion/insertion_codes.h"
#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"

#include <QStringList>

#include <algorithm>
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

// The user's clipboard (or PRIMARY selection) as the latest paste through it found it, while its
// restore is still to come. A paste that starts before then finds our own text there; the user's
// content is this.
struct AwaitedRestore {
    platform::ClipboardSnapshot snapshot;
    std::uint64_t changeCount = 0;
    std::uint64_t portsGeneration = 0;
};
std::map<platform::Clipboard*, AwaitedRestore> awaited;

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
// block selection): the chord would act, never paste.
bool pastesOnlyItsOwnWay(const QString& windowClass) {
    static const QStringList classes = {"XTerm", "UXTerm", "URxvt", "Rxvt", "Emacs", "Gvim"};
    return classes.contains(windowClass, Qt::CaseInsensitive);
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// Of those, the terminals whose own paste, Shift+Insert, reads the PRIMARY selection. Emacs's and
// gvim's paste keys depend on a mode the person may be in. urxvt as shipped holds a paste with a
// control character (a line break, a tab) until the person answers a question, and takes their
// next keys as the answer: such a text is typed there.
bool pastesPrimaryOnShiftInsert(const QString& windowClass, const QString& text) {
    static const QStringList xterms = {"XTerm", "UXTerm"};
    static const QStringList rxvts = {"URxvt", "Rxvt"};
    return xterms.contains(windowClass, Qt::CaseInsensitive) ||
           (rxvts.contains(windowClass, Qt::CaseInsensitive) && !hasControlCharacter(text));
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
    if (const auto before = awaited.find(restore.clipboard);
        before != awaited.end() && before->second.changeCount == restore.ours) {
        awaited.erase(before);
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
    const auto front = ports.frontmost->current();
    const QString windowClass = front ? front->windowClass : QString();
    const bool viaPrimary =
        ports.primary != nullptr && pastesPrimaryOnShiftInsert(windowClass, text);
    if (!viaPrimary && pastesOnlyItsOwnWay(windowClass)) {
        // A text urxvt would hold back says nothing about the next one: nothing is learned.
        return pastesPrimaryOnShiftInsert(windowClass, QString()) ? OUTCOME_FAILED
                                                                  : OUTCOME_UNSUPPORTED;
    }
    // The selection the chord pastes is saved and put back the same way, whichever it is.
    platform::Clipboard& clipboard = viaPrimary ? *ports.primary : *ports.clipboard;
    std::optional<platform::ClipboardSnapshot> snapshot;
    if (const auto found = awaited.find(&clipboard);
        found != awaited.end() && found->second.changeCount == clipboard.changeCount() &&
        found->second.portsGeneration == insertionPortsGeneration()) {
        snapshot = found->second.snapshot;
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
    using Chord = platform::KeySynth::PasteChord;
    const Chord chord = viaPrimary                ? Chord::shiftInsert
                        : isTerminal(windowClass) ? Chord::controlShiftV
                                                  : Chord::controlV;
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
    awaited[&clipboard] = AwaitedRestore{*snapshot, ours, insertionPortsGeneration()};
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
