// The controller's view of the desktop: the application in front, accessibility, the
// clipboard, the feedback sounds, and text insertion.
#include "app/dictation/dictation_wiring.h"
#include "app/insertion/frontmost_tracker.h"
#include "app/insertion/insertion_engine.h"
#include "app/insertion/mechanisms.h"
#include "app/insertion/shortcut_menu.h"
#include "app/stores/feedback_sounds.h"
#include "platform/clipboard.h"
#include "platform/folders.h"
#include "platform/frontmost.h"

namespace tavik::dictation {
namespace {

class X11Desktop final : public Desktop {
public:
    TargetApp frontmostApp() override {
        const auto app = tavik::frontmostApp();
        return TargetApp{app.name, app.bundleId, app.pid, app.window};
    }
    std::optional<TargetApp> lastExternal() override {
        const auto& app = FrontmostTracker::shared().lastExternal();
        if (!app) {
            return std::nullopt;
        }
        return TargetApp{app->name.value_or(QString()), app->bundleId.value_or(QString()), app->pid,
                         app->window};
    }
    QString ownBundleId() const override { return QString::fromLatin1(platform::ownBundleId); }
    bool accessibilityTrusted() override { return tavik::accessibilityTrusted(); }
    bool accessibilityStillTrusted() override { return tavik::accessibilityStillTrusted(); }
    void requestAccessibilityTrust() override { tavik::requestAccessibility(); }
    void setClipboardText(const QString& text) override {
        platform::Clipboard::system().setText(text);
    }
    void playSound(const QString& name) override { FeedbackSounds::shared().play(name); }
};

class EngineInserter final : public TextInserter {
public:
    InsertOutcome insert(const QString& text, const QString& bundleId) override {
        if (menuGuard_.clearBeforeDelivery() == ShortcutMenuGuard::Verdict::stillOpen) {
            // Keys would go into the menu, not the field: the text goes nowhere, and nothing
            // is learned about the application.
            return InsertOutcome{false, QStringLiteral("none"),
                                 QStringLiteral("a menu has the focus\n"), QString()};
        }
        const auto result = engine_.insert(text, bundleId);
        return InsertOutcome{result.succeeded, result.winner, result.trace, result.untyped};
    }
    void recordingBegins(bool byModifierKey) override { menuGuard_.recordingBegins(byModifierKey); }

private:
    InsertionEngine engine_;
    ShortcutMenuGuard menuGuard_;
};

} // namespace

std::unique_ptr<Desktop> makeDesktop() {
    return std::make_unique<X11Desktop>();
}

std::unique_ptr<TextInserter> makeTextInserter() {
    return std::make_unique<EngineInserter>();
}

} // namespace tavik::dictation
