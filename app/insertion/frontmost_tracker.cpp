#include "app/insertion/frontmost_tracker.h"

#include "platform/main_thread.h"

#include <QPointer>

namespace tavik {

FrontmostTracker& FrontmostTracker::shared() {
    static auto* tracker = new FrontmostTracker(platform::Frontmost::system());
    return *tracker;
}

FrontmostTracker::FrontmostTracker(platform::Frontmost& frontmost)
    : lastExternal_(frontmost.current()) {
    QPointer<FrontmostTracker> self(this);
    frontmost.watch([self](const std::optional<platform::RunningApp>& app) {
        if (self) {
            self->activated(app);
        }
    });
}

void FrontmostTracker::activated(const std::optional<platform::RunningApp>& app) {
    if (!app) {
        return; // nothing active (the desktop itself)
    }
    const std::optional<QString> ours = QString::fromLatin1(platform::ownBundleId);
    if (app->bundleId == ours) {
        return;
    }
    // One event-loop turn later, as activations are handed on elsewhere too.
    platform::postToMain(this, [this, app = *app] { lastExternal_ = app; });
}

} // namespace tavik
