#pragma once

// Finds the program's controls by the names it gives them on the accessibility bus, and where
// they are on the screen.
#include "bench/drive/x_desktop.h"

#include <optional>
#include <string>

typedef struct _AtspiAccessible AtspiAccessible;

namespace tavik::drive {

class AccessibleApp {
public:
    // The application of process `pid` on the accessibility bus, waiting up to `timeoutMs`.
    explicit AccessibleApp(long pid, int timeoutMs = 20000);
    ~AccessibleApp();
    AccessibleApp(const AccessibleApp&) = delete;
    AccessibleApp& operator=(const AccessibleApp&) = delete;

    bool found() const { return app_ != nullptr; }

    enum class Kind { any, button, text, list };
    // The screen rectangle of the first showing control named `name` of that kind.
    std::optional<Rect> find(const std::string& name, Kind kind = Kind::any);
    // Every showing control, indented by depth, for finding names when the layout changes.
    void dump();

private:
    AtspiAccessible* app_ = nullptr;
};

} // namespace tavik::drive
