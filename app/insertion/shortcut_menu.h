#pragma once

namespace tavik {

// A modifier key pressed and released alone opens the menu bar of some applications (Firefox on
// Alt), so the shortcut's own key can put a menu in front of the field the person dictates
// into. What was focused when the key went down tells that menu from one the person opened.
// Main thread only; works through the insertion ports.
class ShortcutMenuGuard {
public:
    enum class Verdict { noMenu, closed, stillOpen };

    // When a recording begins: whether its shortcut key is a modifier key (false for a start by
    // any other means), and so whether a menu focused by then was the person's own.
    void recordingBegins(bool byModifierKey);
    // Before delivery of a recording a modifier key began: a menu that took the focus of the
    // application in front since the key went down gets one Escape. stillOpen when a menu keeps
    // the focus after it, or was focused before the key went down: nothing may be typed into it.
    Verdict clearBeforeDelivery();

private:
    bool byModifierKey_ = false;
    bool menuAtStart_ = false;
};

// How long the application has to take its menu down after the Escape.
inline constexpr int menuCloseLimitMs = 300;

} // namespace tavik
