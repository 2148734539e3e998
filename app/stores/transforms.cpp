#include "app/stores/transforms.h"

#include "app/stores/diagnostic_log.h"
#include "app/stores/local_transforms.h"
#include "app/stores/uuid_text.h"
#include "platform/defaults_store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavik {

namespace {

std::optional<Transforms::Transform> decodeOne(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue name = object.value(QStringLiteral("name"));
    const QJsonValue kind = object.value(QStringLiteral("kind"));
    const QJsonValue instruction = object.value(QStringLiteral("instruction"));
    if (!id.isString() || !name.isString() || !kind.isString() || !instruction.isString()) {
        return std::nullopt;
    }
    const std::optional<QUuid> uuid = parseUuidText(id.toString());
    const std::optional<TransformKind> decodedKind = transform_kind::fromRawValue(kind.toString());
    if (!uuid || !decodedKind) {
        return std::nullopt;
    }
    return Transforms::Transform(*uuid, name.toString(), *decodedKind, instruction.toString());
}

} // namespace

Transforms::Transforms(platform::DefaultsStore& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults) {
    const std::optional<QByteArray> stored = defaults_.data(defaultsKey);
    std::optional<QList<Transform>> decoded = stored ? decode(*stored) : std::nullopt;
    if (decoded) {
        items_ = std::move(*decoded);
        return;
    }
    items_ = defaultItems();
    // A value that is there but unreadable (a newer version's kind, a hand edit that left a plain
    // JSON array or bad base64) is the user's work: whatever its kind, it is kept under the
    // backup key before the next save replaces it.
    keepUnreadableValue_ = defaults_.contains(defaultsKey);
}

Transforms& Transforms::shared() {
    static Transforms* instance = new Transforms(platform::DefaultsStore::shared());
    return *instance;
}

void Transforms::setItems(QList<Transform> items) {
    emit itemsAboutToChange();
    items_ = std::move(items);
    emit itemsChanged(items_);
    save();
}

void Transforms::modifyItems(const std::function<void(QList<Transform>&)>& change) {
    emit itemsAboutToChange();
    change(items_);
    emit itemsChanged(items_);
    save();
}

QString Transforms::applyLocal(Kind kind, const QString& text) {
    return local_transforms::apply(kind, text);
}

QList<Transforms::Transform> Transforms::defaultItems() {
    return {
        Transform(QStringLiteral("Bullet list"), Kind::bulletList),
        Transform(QStringLiteral("Remove filler words"), Kind::removeFillers),
        Transform(QStringLiteral("Sentence case"), Kind::sentenceCase),
    };
}

std::optional<QList<Transforms::Transform>> Transforms::decode(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<Transform> items;
    for (const QJsonValue& element : document.array()) {
        std::optional<Transform> item = decodeOne(element);
        if (!item) {
            return std::nullopt; // one bad element spoils the list
        }
        items.append(std::move(*item));
    }
    return items;
}

QByteArray Transforms::encode(const QList<Transform>& items) {
    QJsonArray array;
    for (const Transform& item : items) {
        array.append(QJsonObject{
            {QStringLiteral("id"), uuidText(item.id)},
            {QStringLiteral("name"), item.name},
            {QStringLiteral("kind"), transform_kind::rawValue(item.kind)},
            {QStringLiteral("instruction"), item.instruction},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void Transforms::save() {
    if (keepUnreadableValue_) {
        keepUnreadableValue_ = false;
        if (const auto kept = defaults_.copyValueToFreeKey(defaultsKey, unreadableKey)) {
            slog(QStringLiteral("transforms: stored list unreadable — kept under \"%1\"")
                     .arg(*kept));
        }
    }
    defaults_.setData(defaultsKey, encode(items_));
}

} // namespace tavik
