// The controller's view of the user's settings.
#include "app/dictation/dictation_wiring.h"
#include "app/stores/preferences.h"

namespace tavik::dictation {
namespace {

class PreferencesSettings final : public DictationSettings {
public:
    explicit PreferencesSettings(Preferences& preferences) : prefs_(preferences) {}

    int silenceHoldMs() const override { return static_cast<int>(prefs_.silenceHoldMs()); }
    bool micAlwaysReady() const override { return prefs_.micAlwaysReady(); }
    std::optional<QString> microphoneUID() const override { return prefs_.microphoneUID(); }
    void setMicrophone(const std::optional<QString>& uid,
                       const std::optional<QString>& name) override {
        prefs_.setMicrophoneUID(uid);
        prefs_.setMicrophoneName(name);
    }
    bool keepAudio() const override { return prefs_.keepAudio(); }
    qint64 audioBudgetBytes() const override { return prefs_.audioBudgetBytes(); }
    bool dictateToScratchpad() const override { return prefs_.dictateToScratchpad(); }
    bool playSounds() const override { return prefs_.playSounds(); }
    QString modelPath() const override { return prefs_.modelPath(); }
    std::optional<QString> vadModelPath() const override { return prefs_.vadModelPath(); }

    QStringList bindingSummaryParts() const override {
        QStringList parts;
        for (const auto& [action, binding] : prefs_.bindings()) {
            parts << QStringLiteral("%1=%2 %3")
                         .arg(rawValue(action), rawValue(binding.gesture), rawValue(binding.key));
        }
        return parts;
    }

    QString primaryLabel() const override { return prefs_.primaryLabel(); }

    QString modeDescription() const override {
        QStringList parts;
        if (const auto talk = prefs_.binding(DictationAction::pushToTalk)) {
            parts << label(talk->gesture).toLower() + QLatin1Char(' ') + label(talk->key) +
                         QStringLiteral(" to talk");
        }
        if (const auto free = prefs_.binding(DictationAction::handsFree)) {
            parts << label(free->gesture).toLower() + QLatin1Char(' ') + label(free->key) +
                         QStringLiteral(" for hands-free");
        }
        if (parts.isEmpty()) {
            return QStringLiteral("No shortcut set — choose one in Settings.");
        }
        return parts.join(QStringLiteral(" · "));
    }

private:
    Preferences& prefs_;
};

} // namespace

std::unique_ptr<DictationSettings> makePreferencesSettings(Preferences& preferences) {
    return std::make_unique<PreferencesSettings>(preferences);
}

} // namespace tavik::dictation
