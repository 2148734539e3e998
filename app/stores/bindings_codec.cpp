#include "app/stores/bindings_codec.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tavik {

QByteArray encodeBindings(const TriggerBindings& bindings) {
    QByteArray text = "[";
    for (const auto& [action, binding] : bindings) {
        if (text.size() > 1) {
            text += ',';
        }
        text += '"' + rawValue(action).toUtf8() + "\"," + binding.toJsonText();
    }
    return text + ']';
}

std::optional<TriggerBindings> decodeBindings(const QByteArray& stored) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(stored, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    const QJsonArray elements = document.array();
    if (elements.size() % 2 != 0) {
        return std::nullopt;
    }
    TriggerBindings bindings;
    for (qsizetype i = 0; i < elements.size(); i += 2) {
        const auto action = fromJson<DictationAction>(elements.at(i));
        const auto binding = TriggerBinding::fromJson(elements.at(i + 1));
        if (!action || !binding) {
            return std::nullopt;
        }
        bindings.insert_or_assign(*action, *binding);
    }
    return bindings;
}

} // namespace tavik
