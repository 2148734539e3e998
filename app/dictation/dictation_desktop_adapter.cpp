// The controller's view of the desktop: the application in front, accessibility, the
// clipboard, the feedback sounds, and text insertion.
#include "app/dictation/dictation_wiring.h"
#include "app/insertion/frontmost_tracker.h"
#include "app/insertion/insertion_engine.h"
#include "app/insertion/mechanisms.h"
#include "platform/audio_playback.h"
#include "platform/clipboard.h"
#include "platform/folders.h"
#include "platform/frontmost.h"

#include <map>

namespace tavik::dictation {
namespace {

QString soundsFolder() {
    QString resources = platform::resourcesFolder();
#ifdef TAVIK_BUILD_RESOURCES_DIR
    if (resources.isEmpty()) {
        resources = QString::fromUtf8(TAVIK_BUILD_RESOURCES_DIR);
    }
#endif
    return platform::joinPath(resources, QStringLiteral("sounds"));
}

class X11Desktop final : public Desktop {
public:
    TargetApp frontmostApp() override {
        const auto app = tavik::frontmostApp();
        return TargetApp{app.name, app.bundleId, app.pid};
    }
    std::optional<TargetApp> lastExternal() override {
        const auto& app = FrontmostTracker::shared().lastExternal();
        if (!app) {
            return std::nullopt;
        }
        return TargetApp{app->name.value_or(QString()), app->bundleId.value_or(QString()),
                         app->pid};
    }
    QString ownBundleId() const override { return QString::fromLatin1(platform::ownBundleId); }
    bool accessibilityTrusted() override { return tavik::accessibilityTrusted(); }
    void requestAccessibilityTrust() override { tavik::requestAccessibility(); }
    void setClipboardText(const QString& text) override {
        platform::Clipboard::system().setText(text);
    }
    // Feedback only: a sound that cannot play is skipped silently.
    void playSound(const QString& name) override {
        auto& sound = sounds_[name];
        if (!sound) {
            sound = platform::AudioPlayback::system().open(
                platform::joinPath(soundsFolder(), name + QStringLiteral(".wav")));
        }
        if (sound) {
            sound->stop();
            sound->play([] {});
        }
    }

private:
    std::map<QString, std::unique_ptr<platform::PlaybackSound>> sounds_;
};

class EngineInserter final : public TextInserter {
public:
    InsertOutcome insert(const QString& text, const QString& bundleId) override {
        const auto result = engine_.insert(text, bundleId);
        return InsertOutcome{result.succeeded, result.winner, result.trace};
    }

private:
    InsertionEngine engine_;
};

} // namespace

std::unique_ptr<Desktop> makeDesktop() {
    return std::make_unique<X11Desktop>();
}

std::unique_ptr<TextInserter> makeTextInserter() {
    return std::make_unique<EngineInserter>();
}

} // namespace tavik::dictation
