#include "app/panes/settings/settings_rules.h"

#include "app/shell/design/theme.h"

#include "platform/folders.h"

#include <QFileInfo>

#include <cmath>
#include <limits>

namespace tavik::panes::settings {

using design::Theme;
using Kind = dictation::State::Kind;

PillLook pillLook(const dictation::State& state) {
    switch (state.kind()) {
    case Kind::loading:
        return {QStringLiteral("Loading"), Theme::silver};
    case Kind::idle:
        return {QStringLiteral("Ready"), Theme::mist};
    case Kind::recording:
        return {QStringLiteral("Listening"), Theme::phosphor};
    case Kind::transcribing:
        return {QStringLiteral("Working"), Theme::mist};
    case Kind::failed:
        return {QStringLiteral("Problem"), Theme::phosphor};
    }
    return {QStringLiteral("Problem"), Theme::phosphor};
}

qint64 snappedDown(double value, qint64 step) {
    if (!std::isfinite(value) || step <= 0) {
        return 0;
    }
    const double steps = std::trunc(value / double(step));
    // Beyond what a qint64 holds the cast would be undefined; the sliders never get there.
    constexpr double limit = double(std::numeric_limits<qint64>::max() / 2);
    if (std::abs(steps) > limit / double(step)) {
        return 0;
    }
    return qint64(steps) * step;
}

QString usageLine(qint64 budgetMB, qint64 archiveBytes) {
    return QString::number(budgetMB) + QStringLiteral(" MB · using ") +
           QString::number(archiveBytes / 1000000) + QStringLiteral(" MB");
}

QString holdLabel(qint64 milliseconds) {
    return QString::number(milliseconds) + QStringLiteral(" ms");
}

bool isDownloaded(SpeechModel model, const QStringList& searchPaths) {
    // The same path the model loader opens, so a row marked downloaded is one it can find.
    const QString name = rawValue(model);
    for (const QString& folder : searchPaths) {
        if (QFileInfo::exists(platform::joinPath(folder, name))) {
            return true;
        }
    }
    return false;
}

TriggerBinding displayedBinding(const TriggerBindings& bindings, DictationAction action) {
    const auto found = bindings.find(action);
    if (found != bindings.end()) {
        return found->second;
    }
    return TriggerBinding{TriggerKey::rightOption, TriggerGesture::hold, false};
}

TriggerBinding rewrittenBinding(const std::optional<TriggerBinding>& stored,
                                const BindingChange& change) {
    TriggerBinding result =
        stored.value_or(TriggerBinding{TriggerKey::rightOption, TriggerGesture::hold, true});
    if (const bool* enabled = std::get_if<bool>(&change)) {
        result.enabled = *enabled;
    } else if (const auto* gesture = std::get_if<TriggerGesture>(&change)) {
        result.gesture = *gesture;
    } else if (const auto* key = std::get_if<TriggerKey>(&change)) {
        result.key = *key;
    }
    return result;
}

bool bindsUnheardKey(const TriggerBinding& binding) {
    return binding.enabled && binding.key == TriggerKey::fn;
}

} // namespace tavik::panes::settings
