#pragma once

#include "platform/clipboard.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace tavik {

// The three ways text reaches another application. Each returns an OUTCOME_* code, runs
// synchronously on the main thread, logs nothing and throws nothing.
std::uint32_t runAccessibility(const QString& text);
std::uint32_t runPaste(const QString& text, std::uint32_t restoreMs, bool axTrusted);
std::uint32_t runType(const QString& text);
// What the last typing left untyped when it stopped part-way (the focus moved), and forgets
// it; empty when it typed everything or nothing was typed at all.
QString takeUntypedText();

// The application in front when an insertion begins is the one it is meant for: no mechanism
// acts once another is in front. Outside an insertion every application is fine.
void fixInsertionTarget();
void releaseInsertionTarget();
bool insertionTargetInFront();

// The application in front: (name, bundle id, process id). "?" stands in for a name or id the
// desktop does not give; with nothing in front the answer is ("<none>", "<none>", 0).
struct TargetApp {
    QString name;
    QString bundleId;
    std::int32_t pid = 0;
    quint64 window = 0; // 0 when unknown
};
TargetApp frontmostApp();

// The accessibility bus answers and accessibility is on. Only the accessibility mechanism
// depends on it: paste and typing need no permission on this desktop.
bool accessibilityTrusted();
// The same, asked again only once the desktop announced a change (Accessibility::stillTrusted).
bool accessibilityStillTrusted();
// The once-per-process request to switch accessibility on.
void requestAccessibility();
// Keyboard input is private right now: a password field has the focus, or another client holds
// the keyboard (a screen locker, a passphrase prompt).
bool secureInputActive();

// Whether a leading space goes before `text` when the character before the insertion point is
// `before` (empty when there is none).
bool needsLeadingSpace(const QString& text, const QString& before);

// Clipboard restores scheduled by pastes that have not run yet.
int pendingPasteRestores();

// Typing works in batches of at most this many UTF-16 units, with a pause between batches.
inline constexpr int typingChunkUnits = 20;
inline constexpr int typingPauseMs = 2;
// The text as typed: "\r\n" and "\r" become "\n"; other control characters are dropped.
std::u32string typeableText(const QString& text);
// Cuts typeable text into batches of at most typingChunkUnits UTF-16 units, never inside a
// character, each with at most `distinctLimit` different characters.
std::vector<std::u32string> typingChunks(const std::u32string& text, int distinctLimit);

// Paste: how often the clipboard and the target are looked at, how long the target has to
// fetch the text, and how long its character count is then watched.
inline constexpr int pasteCheckIntervalMs = 10;
inline constexpr int pasteFetchLimitMs = 400;
inline constexpr int pasteCheckLimitMs = 150;

} // namespace tavik
