// The answers Preferences derives from its settings and the file system; never cached, so
// they follow both as they are at the moment of asking.
#include "app/stores/preferences.h"

#include "platform/defaults_store.h"

#include <QFileInfo>
#include <QSet>

namespace tavik {
namespace {

const QString vadModelFile = QStringLiteral("ggml-silero.bin");

// Files and folders both count, as the model loader finds out the rest itself.
bool somethingAt(const QString& path) {
    return QFileInfo::exists(path);
}

} // namespace

QStringList Preferences::searchPaths() const {
    QStringList paths;
    if (const auto configured = defaults_.string(QStringLiteral("modelDirectory"))) {
        paths.append(*configured);
    }
    paths.append(platform::joinPath(folders_.data, QStringLiteral("models")));
    if (!resourcesFolder_.isEmpty()) {
        paths.append(platform::joinPath(resourcesFolder_, QStringLiteral("models")));
    }
    paths.append(
        platform::joinPath(folders_.home, QStringLiteral("Documents/nalo/probes/asr/models")));
    return paths;
}

QString Preferences::modelDirectory() const {
    const QStringList paths = searchPaths();
    const QString file = rawValue(model_);
    for (const QString& folder : paths) {
        if (somethingAt(platform::joinPath(folder, file))) {
            return folder;
        }
    }
    return paths.first();
}

QString Preferences::modelPath() const {
    return platform::joinPath(modelDirectory(), rawValue(model_));
}

std::optional<QString> Preferences::vadModelPath() const {
    for (const QString& folder : searchPaths()) {
        const QString path = platform::joinPath(folder, vadModelFile);
        if (somethingAt(path)) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<TriggerBinding> Preferences::binding(DictationAction action) const {
    const auto found = bindings_.find(action);
    if (found == bindings_.end() || !found->second.enabled) {
        return std::nullopt;
    }
    return found->second;
}

QString Preferences::primaryLabel() const {
    auto primary = binding(DictationAction::pushToTalk);
    if (!primary) {
        primary = binding(DictationAction::handsFree);
    }
    return primary ? label(primary->key) : QStringLiteral(u"\u2014");
}

bool Preferences::conflictingActions() const {
    QSet<QString> combinations;
    int switchedOn = 0;
    for (const auto& [action, candidate] : bindings_) {
        if (candidate.enabled) {
            ++switchedOn;
            combinations.insert(rawValue(candidate.key) + '-' + rawValue(candidate.gesture));
        }
    }
    return switchedOn >= 2 && combinations.size() < switchedOn;
}

} // namespace tavik
