#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tavik::platform {

// The application that owns the active window. Fields the desktop does not say stay empty.
struct RunningApp {
    std::optional<QString> name;
    std::optional<QString> bundleId; // desktop-file id, else the window class
    qint64 pid = 0;
    QString windowClass; // WM_CLASS class, "" when absent
    quint64 window = 0;  // the active window itself; 0 when unknown

    bool operator==(const RunningApp&) const = default;
};

inline constexpr char ownBundleId[] = "com.trelvanic.tavik";

// Reads and watches the active window. Main thread only.
class Frontmost {
public:
    using Listener = std::function<void(const std::optional<RunningApp>&)>;

    virtual ~Frontmost() = default;

    // None when no window is active.
    virtual std::optional<RunningApp> current() = 0;
    // Called on the main thread each time the active window changes (none: nothing active).
    // Returns false when changes cannot be watched.
    virtual bool watch(Listener listener) = 0;

    static Frontmost& system();
};

} // namespace tavik::platform
