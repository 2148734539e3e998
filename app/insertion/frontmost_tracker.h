#pragma once

#include "platform/accessibility.h"
#include "platform/frontmost.h"

#include <QObject>

#include <optional>

namespace tavik {

// Remembers the last application other than Tavik that came to the front, so a dictation
// started from Tavik's own window or floating button still goes where the user was working.
class FrontmostTracker final : public QObject {
public:
    // The process-wide tracker, created (and watching) on first use; it lives to process end.
    static FrontmostTracker& shared();

    // Starts from whatever is in front now (possibly Tavik itself) and follows activations.
    // Each other application that comes to the front is asked through `accessibility` (when
    // given) to show what its window holds, so its fields are known by the time a dictation
    // into it ends.
    explicit FrontmostTracker(platform::Frontmost& frontmost,
                              platform::Accessibility* accessibility = nullptr);

    const std::optional<platform::RunningApp>& lastExternal() const { return lastExternal_; }
    void setLastExternal(std::optional<platform::RunningApp> app) {
        lastExternal_ = std::move(app);
    }

private:
    void activated(const std::optional<platform::RunningApp>& app);

    void expose(const platform::RunningApp& app);

    platform::Accessibility* accessibility_;
    std::optional<platform::RunningApp> lastExternal_;
};

} // namespace tavik
