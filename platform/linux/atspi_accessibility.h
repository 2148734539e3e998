#pragma once

#include "platform/accessibility.h"
#include "platform/linux/atspi_text_element.h"

#include <atspi/atspi.h>

#include <deque>

typedef struct DBusConnection DBusConnection;

namespace tavik::platform::atspi {

// The accessibility interface through AT-SPI 2. AT-SPI has no "focused element of the desktop"
// query: the objects named by the latest focus events are kept, and the newest of them that
// still says it is focused and belongs to the frontmost process is the answer. Without one, the
// application's active window is asked to find its focused objects itself, and only an
// application that cannot is searched object by object. Where several objects say they are
// focused (a document window and the paragraph in it), the innermost is the focus. Every call is
// a synchronous round trip bounded by callTimeoutMs.
class AtspiAccessibility final : public Accessibility {
public:
    static constexpr int callTimeoutMs = atspi::callTimeoutMs;
    // How many objects the search for the focused one may visit.
    static constexpr int searchLimit = 2000;
    // How many of the latest focus events are kept.
    static constexpr int focusHistory = 8;

    AtspiAccessibility();
    ~AtspiAccessibility() override;

    bool trusted() override;
    bool stillTrusted() override;
    void requestEnabled() override;
    std::unique_ptr<AccessibleText> focusedElement(qint64 frontmostPid) override;
    void exposeContent(qint64 pid) override;

private:
    static void onFocusEvent(AtspiEvent* event, void* self);
    bool connect();
    std::optional<bool> busStatusEnabled();
    // Whether the accessibility bus announced a change of its switch, or went or came, since
    // the last look; reads only what has already arrived.
    bool switchAnnounced();
    AtspiAccessible* applicationOf(qint64 pid);
    void remember(AtspiAccessible* focused);
    AtspiAccessible* recentlyFocused(qint64 pid);
    AtspiAccessible* searchFocused(qint64 pid);
    void forgetFocus();

    bool initialised_ = false;
    AtspiEventListener* listener_ = nullptr;
    // Named by the latest focus events or found by a search; newest first, a reference each.
    std::deque<AtspiAccessible*> focusEvents_;
    DBusConnection* sessionBus_ = nullptr;
    bool trustSeen_ = false; // the last answer stillTrusted() asked for was true
};

} // namespace tavik::platform::atspi
