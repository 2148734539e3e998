#include "app/insertion/frontmost_tracker.h"

#include "platform/main_thread.h"

#include <QPointer>

namespace tavik {
namespace {

bool isOwn(const platform::RunningApp& app) {
    return app.bundleId == QString::fromLatin1(platform::ownBundleId);
}

} // namespace

FrontmostTracker& FrontmostTracker::shared() {
    static auto* tracker =
        new FrontmostTracker(platform::Frontmost::system(), &platform::Accessibility::system());
    return *tracker;
}

FrontmostTracker::FrontmostTracker(platform::Frontmost& frontmost,
                                   platform::Accessibility* accessibility)
    : accessibility_(accessibility), lastExternal_(frontmost.current()) {
    if (lastExternal_) {
        expose(*lastExternal_);
    }
    QPointer<FrontmostTracker> self(this);
    frontmost.watch([self](const std::optional<platform::RunningApp>& app) {
        if (self) {
            self->activated(app);
        }
    });
}

void FrontmostTracker::expose(const platform::RunningApp& app) {
    if (accessibility_ != nullptr && !isOwn(app)) {
        accessibility_->exposeContent(app.pid);
    }
}

void FrontmostTracker::activated(const std::optional<platform::RunningApp>& app) {
    if (!app || isOwn(*app)) {
        return; // nothing active (the desktop itself), or one of Tavik's own windows
    }
    // One event-loop turn later, as activations are handed on elsewhere too.
    platform::postToMain(this, [this, app = *app] {
        lastExternal_ = app;
        expose(app);
    });
}

} // namespace tavik
