#include "app/stores/preferences.h"

#include "app/stores/audio_store.h"
#include "app/stores/bindings_codec.h"
#include "platform/activation_policy.h"
#include "platform/defaults_store.h"
#include "platform/main_thread.h"

namespace tavik {
namespace {

// The defaults keys: each setting is stored under its own name.
namespace key {
const QString silenceHoldMs = QStringLiteral("silenceHoldMs");
const QString model = QStringLiteral("model");
const QString bindings = QStringLiteral("bindings");
const QString showInDock = QStringLiteral("showInDock");
const QString micAlwaysReady = QStringLiteral("micAlwaysReady");
const QString microphoneUID = QStringLiteral("microphoneUID");
const QString microphoneName = QStringLiteral("microphoneName");
const QString keepAudio = QStringLiteral("keepAudio");
const QString audioBudgetMB = QStringLiteral("audioBudgetMB");
const QString dictateToScratchpad = QStringLiteral("dictateToScratchpad");
const QString rewriteServiceURL = QStringLiteral("rewriteServiceURL");
const QString playSounds = QStringLiteral("playSounds");
const QString showOrb = QStringLiteral("showOrb");
const QString showHUD = QStringLiteral("showHUD");
} // namespace key

constexpr qint64 defaultSilenceHoldMs = 700;
constexpr qint64 defaultAudioBudgetMB = 250;

TriggerBindings readBindings(const platform::DefaultsStore& defaults) {
    const auto stored = defaults.data(key::bindings);
    const auto decoded = stored ? decodeBindings(*stored) : std::nullopt;
    return decoded.value_or(Preferences::defaultBindings());
}

} // namespace

Preferences::Preferences(const Environment& environment, QObject* parent)
    : QObject(parent), defaults_(environment.defaults), folders_(environment.folders),
      resourcesFolder_(environment.resourcesFolder),
      activationPolicy_(environment.activationPolicy), audioStore_(environment.audioStore),
      silenceHoldMs_(defaults_.exactInt(key::silenceHoldMs).value_or(defaultSilenceHoldMs)),
      model_(fromRawValue<Model>(defaults_.string(key::model).value_or(QString()))
                 .value_or(Model::base)),
      bindings_(readBindings(defaults_)),
      showInDock_(defaults_.exactBool(key::showInDock).value_or(false)),
      micAlwaysReady_(defaults_.exactBool(key::micAlwaysReady).value_or(true)),
      microphoneUID_(defaults_.string(key::microphoneUID)),
      microphoneName_(defaults_.string(key::microphoneName)),
      keepAudio_(defaults_.exactBool(key::keepAudio).value_or(true)),
      audioBudgetMB_(defaults_.exactInt(key::audioBudgetMB).value_or(defaultAudioBudgetMB)),
      dictateToScratchpad_(defaults_.boolean(key::dictateToScratchpad)),
      rewriteServiceURL_(
          defaults_.string(key::rewriteServiceURL).value_or(defaultRewriteServiceURL())),
      playSounds_(defaults_.exactBool(key::playSounds).value_or(true)),
      showOrb_(defaults_.exactBool(key::showOrb).value_or(true)),
      showHUD_(defaults_.exactBool(key::showHUD).value_or(true)) {}

Preferences& Preferences::shared() {
    static Preferences* const preferences = [] {
        auto* created = new Preferences(
            Environment{platform::DefaultsStore::shared(), platform::Folders::fromEnvironment(),
                        platform::resourcesFolder(), platform::ActivationPolicyHook::shared(),
                        AudioStore::shared()});
        // Its signals belong to the main thread even when a worker touched it first.
        if (QCoreApplication::instance() != nullptr && !platform::isMainThread()) {
            created->moveToThread(QCoreApplication::instance()->thread());
        }
        return created;
    }();
    return *preferences;
}

TriggerBindings Preferences::defaultBindings() {
    return {{DictationAction::pushToTalk, {TriggerKey::rightOption, TriggerGesture::hold}},
            {DictationAction::handsFree, {TriggerKey::rightCommand, TriggerGesture::doubleTap}}};
}

template <class T, class Signal>
void Preferences::announce(T& field, const T& value, Signal signal) {
    field = value;
    emit(this->*signal)(field);
    emit changed();
}

void Preferences::writeOptionalString(const QString& key, const std::optional<QString>& value) {
    if (value) {
        defaults_.setString(key, *value);
    } else {
        defaults_.remove(key);
    }
}

void Preferences::setSilenceHoldMs(qint64 milliseconds) {
    announce(silenceHoldMs_, milliseconds, &Preferences::silenceHoldMsChanged);
    defaults_.setInt(key::silenceHoldMs, silenceHoldMs_);
}

void Preferences::setModel(Model model) {
    announce(model_, model, &Preferences::modelChanged);
    defaults_.setString(key::model, rawValue(model_));
}

void Preferences::setBindings(const TriggerBindings& bindings) {
    announce(bindings_, bindings, &Preferences::bindingsChanged);
    defaults_.setData(key::bindings, encodeBindings(bindings_));
}

void Preferences::setBinding(DictationAction action, const TriggerBinding& binding) {
    TriggerBindings changedMap = bindings_;
    changedMap.insert_or_assign(action, binding);
    setBindings(changedMap);
}

void Preferences::setShowInDock(bool show) {
    announce(showInDock_, show, &Preferences::showInDockChanged);
    defaults_.setBool(key::showInDock, showInDock_);
    activationPolicy_.request(showInDock_ ? platform::ActivationPolicy::regular
                                          : platform::ActivationPolicy::accessory);
}

void Preferences::setMicAlwaysReady(bool ready) {
    announce(micAlwaysReady_, ready, &Preferences::micAlwaysReadyChanged);
    defaults_.setBool(key::micAlwaysReady, micAlwaysReady_);
}

void Preferences::setMicrophoneUID(const std::optional<QString>& uid) {
    announce(microphoneUID_, uid, &Preferences::microphoneUIDChanged);
    writeOptionalString(key::microphoneUID, microphoneUID_);
}

void Preferences::setMicrophoneName(const std::optional<QString>& name) {
    announce(microphoneName_, name, &Preferences::microphoneNameChanged);
    writeOptionalString(key::microphoneName, microphoneName_);
}

void Preferences::setKeepAudio(bool keep) {
    announce(keepAudio_, keep, &Preferences::keepAudioChanged);
    defaults_.setBool(key::keepAudio, keepAudio_);
    if (!keepAudio_) {
        audioStore_.deleteAll();
    }
}

void Preferences::setAudioBudgetMB(qint64 megabytes) {
    announce(audioBudgetMB_, megabytes, &Preferences::audioBudgetMBChanged);
    defaults_.setInt(key::audioBudgetMB, audioBudgetMB_);
}

void Preferences::setDictateToScratchpad(bool toScratchpad) {
    announce(dictateToScratchpad_, toScratchpad, &Preferences::dictateToScratchpadChanged);
    defaults_.setBool(key::dictateToScratchpad, dictateToScratchpad_);
}

void Preferences::setRewriteServiceURL(const QString& url) {
    announce(rewriteServiceURL_, url, &Preferences::rewriteServiceURLChanged);
    defaults_.setString(key::rewriteServiceURL, rewriteServiceURL_);
}

void Preferences::setPlaySounds(bool play) {
    announce(playSounds_, play, &Preferences::playSoundsChanged);
    defaults_.setBool(key::playSounds, playSounds_);
}

void Preferences::setShowOrb(bool show) {
    announce(showOrb_, show, &Preferences::showOrbChanged);
    defaults_.setBool(key::showOrb, showOrb_);
}

void Preferences::setShowHUD(bool show) {
    announce(showHUD_, show, &Preferences::showHUDChanged);
    defaults_.setBool(key::showHUD, showHUD_);
}

qint64 Preferences::audioBudgetBytes() const {
    return AudioStore::budgetBytes(audioBudgetMB_);
}

} // namespace tavik
