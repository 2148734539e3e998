#include "app/insertion/insertion_ports.h"
#include "app/insertion/mechanisms.h"

#include <optional>

namespace tavik {
namespace {
// Set while an insertion runs: the application then in front (none: nothing was).
std::optional<std::optional<platform::RunningApp>> fixedTarget;
} // namespace

void fixInsertionTarget() {
    fixedTarget = insertionPorts().frontmost->current();
}

void releaseInsertionTarget() {
    fixedTarget.reset();
}

bool insertionTargetInFront() {
    return !fixedTarget || insertionPorts().frontmost->current() == *fixedTarget;
}

TargetApp frontmostApp() {
    const auto app = insertionPorts().frontmost->current();
    if (!app) {
        return TargetApp{QStringLiteral("<none>"), QStringLiteral("<none>"), 0};
    }
    return TargetApp{app->name.value_or(QStringLiteral("?")),
                     app->bundleId.value_or(QStringLiteral("?")),
                     static_cast<std::int32_t>(app->pid), app->window};
}

bool accessibilityTrusted() {
    return insertionPorts().accessibility->trusted();
}

bool accessibilityStillTrusted() {
    return insertionPorts().accessibility->stillTrusted();
}

void requestAccessibility() {
    insertionPorts().accessibility->requestEnabled();
}

bool secureInputActive() {
    const InsertionPorts& ports = insertionPorts();
    if (ports.keys->keyboardGrabbedElsewhere()) {
        return true;
    }
    const auto front = ports.frontmost->current();
    if (!front || front->pid <= 0) {
        return false;
    }
    const auto element = ports.accessibility->focusedElement(front->pid);
    return element && element->isPassword();
}

} // namespace tavik
