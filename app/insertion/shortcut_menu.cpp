#include "app/insertion/shortcut_menu.h"

#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"

#include <optional>

namespace tavik {
namespace {

std::optional<platform::Editability> focusedEditability() {
    const InsertionPorts& ports = insertionPorts();
    const auto front = ports.frontmost->current();
    if (!front || !ports.accessibility->trusted()) {
        return std::nullopt;
    }
    const auto element = ports.accessibility->focusedElement(front->pid);
    if (!element) {
        return std::nullopt;
    }
    return element->editability();
}

bool menuFocused() {
    return focusedEditability() == platform::Editability::menuFocused;
}

} // namespace

void ShortcutMenuGuard::recordingBegins(bool byModifierKey) {
    byModifierKey_ = byModifierKey;
    menuAtStart_ = byModifierKey && menuFocused();
}

ShortcutMenuGuard::Verdict ShortcutMenuGuard::clearBeforeDelivery() {
    const bool byModifierKey = byModifierKey_;
    byModifierKey_ = false; // one delivery per recording
    if (!byModifierKey || !menuFocused()) {
        return Verdict::noMenu;
    }
    if (menuAtStart_) {
        return Verdict::stillOpen; // the person's own menu: left open, and nothing typed into it
    }
    const InsertionPorts& ports = insertionPorts();
    if (!ports.keys->available() || !ports.keys->postEscape()) {
        return Verdict::stillOpen;
    }
    // The application takes its menu down when it handles the key, a moment after it is sent.
    // Only an element that answers and is no menu counts: a focus not known may be the menu.
    for (int waited = 0; waited < menuCloseLimitMs; waited += pasteCheckIntervalMs) {
        ports.sleeper->sleepMs(pasteCheckIntervalMs);
        const auto now = focusedEditability();
        if (now && *now != platform::Editability::menuFocused &&
            *now != platform::Editability::noAnswer) {
            return Verdict::closed;
        }
    }
    return Verdict::stillOpen;
}

} // namespace tavik
