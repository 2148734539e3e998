#pragma once

#include "app/stores/speech_model.h"
#include "app/stores/trigger.h"
#include "platform/folders.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavik {

class AudioStore;
namespace platform {
class ActivationPolicyHook;
class DefaultsStore;
} // namespace platform

// Every user setting in one observable object. Each setting is read from the defaults store
// once, at creation (a missing or mistyped value gives its default, which is not written
// back); every assignment, changed or not, stores the value, announces it through the
// setting's own signal and `changed()`, then writes it through under the setting's key and
// runs its side effect. Beside the settings it answers where the model files lie and how the
// trigger bindings stand. Used on the main thread.
class Preferences : public QObject {
    Q_OBJECT

public:
    using Model = SpeechModel;

    // What the settings are read from and act on; the application passes the real ones,
    // tests their own.
    struct Environment {
        platform::DefaultsStore& defaults;
        platform::Folders folders; // data: the models folder below it; home: the developer one
        QString resourcesFolder;   // empty when there is none
        platform::ActivationPolicyHook& activationPolicy;
        AudioStore& audioStore;
    };

    explicit Preferences(const Environment& environment, QObject* parent = nullptr);

    // The application's settings, created on first use (on the main thread's side).
    static Preferences& shared();

    // A reserved name that never resolves: no text leaves the machine until a service is set.
    static QString defaultRewriteServiceURL() { return QStringLiteral("https://rewrite.invalid/"); }
    static TriggerBindings defaultBindings();

    qint64 silenceHoldMs() const { return silenceHoldMs_; }
    Model model() const { return model_; }
    const TriggerBindings& bindings() const { return bindings_; }
    bool showInDock() const { return showInDock_; }
    bool micAlwaysReady() const { return micAlwaysReady_; }
    const std::optional<QString>& microphoneUID() const { return microphoneUID_; }
    const std::optional<QString>& microphoneName() const { return microphoneName_; }
    bool keepAudio() const { return keepAudio_; }
    qint64 audioBudgetMB() const { return audioBudgetMB_; }
    bool dictateToScratchpad() const { return dictateToScratchpad_; }
    const QString& rewriteServiceURL() const { return rewriteServiceURL_; }
    bool playSounds() const { return playSounds_; }
    bool showOrb() const { return showOrb_; }
    bool showHUD() const { return showHUD_; }

    void setSilenceHoldMs(qint64 milliseconds);
    void setModel(Model model);
    void setBindings(const TriggerBindings& bindings);
    // Changes one action's binding: one assignment of the whole new map.
    void setBinding(DictationAction action, const TriggerBinding& binding);
    void setShowInDock(bool show); // also sets the activation policy
    void setMicAlwaysReady(bool ready);
    void setMicrophoneUID(const std::optional<QString>& uid);   // none removes the key
    void setMicrophoneName(const std::optional<QString>& name); // none removes the key
    void setKeepAudio(bool keep); // false empties the audio archive, every time
    void setAudioBudgetMB(qint64 megabytes);
    void setDictateToScratchpad(bool toScratchpad);
    void setRewriteServiceURL(const QString& url);
    void setPlaySounds(bool play);
    void setShowOrb(bool show);
    void setShowHUD(bool show);

    // The archive budget in bytes: audioBudgetMB × 1,000,000, saturating, never below 0.
    qint64 audioBudgetBytes() const;

    // The folders searched for model files, in order: the "modelDirectory" setting when it
    // holds a string (used exactly as stored), <data>/models, <resources>/models when there
    // are resources, ~/Documents/nalo/probes/asr/models. Rebuilt on every call.
    QStringList searchPaths() const;
    // The first search folder holding the selected model, else the first search folder.
    QString modelDirectory() const;
    // modelDirectory() joined with the model's file name; a path even when nothing is there.
    QString modelPath() const;
    // The first "ggml-silero.bin" in search order, or none.
    std::optional<QString> vadModelPath() const;

    // The action's binding when there is one and it is switched on.
    std::optional<TriggerBinding> binding(DictationAction action) const;
    // The key label of push-to-talk, else of hands-free, else "—".
    QString primaryLabel() const;
    // Whether two switched-on bindings use the same key with the same gesture.
    bool conflictingActions() const;

signals:
    void silenceHoldMsChanged(qint64 milliseconds);
    void modelChanged(tavik::SpeechModel model);
    void bindingsChanged(const tavik::TriggerBindings& bindings);
    void showInDockChanged(bool show);
    void micAlwaysReadyChanged(bool ready);
    void microphoneUIDChanged(const std::optional<QString>& uid);
    void microphoneNameChanged(const std::optional<QString>& name);
    void keepAudioChanged(bool keep);
    void audioBudgetMBChanged(qint64 megabytes);
    void dictateToScratchpadChanged(bool toScratchpad);
    void rewriteServiceURLChanged(const QString& url);
    void playSoundsChanged(bool play);
    void showOrbChanged(bool show);
    void showHUDChanged(bool show);
    // After any setting's own signal.
    void changed();

private:
    template <class T, class Signal> void announce(T& field, const T& value, Signal signal);
    void writeOptionalString(const QString& key, const std::optional<QString>& value);

    platform::DefaultsStore& defaults_;
    platform::Folders folders_;
    QString resourcesFolder_;
    platform::ActivationPolicyHook& activationPolicy_;
    AudioStore& audioStore_;

    qint64 silenceHoldMs_;
    Model model_;
    TriggerBindings bindings_;
    bool showInDock_;
    bool micAlwaysReady_;
    std::optional<QString> microphoneUID_;
    std::optional<QString> microphoneName_;
    bool keepAudio_;
    qint64 audioBudgetMB_;
    bool dictateToScratchpad_;
    QString rewriteServiceURL_;
    bool playSounds_;
    bool showOrb_;
    bool showHUD_;
};

} // namespace tavik
