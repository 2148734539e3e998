#pragma once

#include "platform/accessibility.h"
#include "platform/linux/atspi_text_element.h"

#include <atspi/atspi.h>

typedef struct DBusConnection DBusConnection;

namespace tavik::platform::atspi {

// The accessibility interface through AT-SPI 2. AT-SPI has no "focused element of the desktop"
// query: focus events are cached as they arrive, and a cached object is used only while it is
// still focused and belongs to the frontmost process; otherwise that application's active
// window is searched. Every call is a synchronous round trip bounded by callTimeoutMs.
class AtspiAccessibility final : public Accessibility {
public:
    static constexpr int callTimeoutMs = atspi::callTimeoutMs;
    // How many objects the search for the focused one may visit.
    static constexpr int searchLimit = 2000;

    AtspiAccessibility();
    ~AtspiAccessibility() override;

    bool trusted() override;
    void requestEnabled() override;
    std::unique_ptr<AccessibleText> focusedElement(qint64 frontmostPid) override;
    void exposeContent(qint64 pid) override;

private:
    static void onFocusEvent(AtspiEvent* event, void* self);
    bool connect();
    std::optional<bool> busStatusEnabled();
    AtspiAccessible* applicationOf(qint64 pid);
    AtspiAccessible* searchFocused(qint64 pid);
    void forgetFocus();

    bool initialised_ = false;
    AtspiEventListener* listener_ = nullptr;
    AtspiAccessible* lastFocused_ = nullptr;
    DBusConnection* sessionBus_ = nullptr;
};

} // namespace tavik::platform::atspi
