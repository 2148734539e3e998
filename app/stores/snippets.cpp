#include "app/stores/snippets.h"

#include "app/stores/diagnostic_log.h"
#include "app/stores/uuid_text.h"
#include "platform/defaults_store.h"
#include "platform/main_thread.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace tavik {
namespace {

const QString key = QStringLiteral("snippets");
const QString backupKey = QStringLiteral("snippets.unreadable");

} // namespace

namespace snippet_codec {

QByteArray encode(const QList<Snippet>& snippets) {
    QJsonArray array;
    for (const Snippet& snippet : snippets) {
        array.append(QJsonObject{{"id", uuidText(snippet.id)},
                                 {"trigger", snippet.trigger},
                                 {"expansion", snippet.expansion},
                                 {"enabled", snippet.enabled}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Snippet>> decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<Snippet> snippets;
    for (const QJsonValue& element : document.array()) {
        const QJsonObject object = element.toObject();
        const QJsonValue id = object.value("id");
        const QJsonValue trigger = object.value("trigger");
        const QJsonValue expansion = object.value("expansion");
        const QJsonValue enabled = object.value("enabled");
        if (!element.isObject() || !id.isString() || !trigger.isString() || !expansion.isString() ||
            !enabled.isBool()) {
            return std::nullopt;
        }
        const std::optional<QUuid> uuid = parseUuidText(id.toString());
        if (!uuid) {
            return std::nullopt;
        }
        snippets.append(Snippet{*uuid, trigger.toString(), expansion.toString(), enabled.toBool()});
    }
    return snippets;
}

} // namespace snippet_codec

Snippets& Snippets::shared() {
    static Snippets* const instance = [] {
        auto* made = new Snippets(platform::DefaultsStore::shared());
        // The recognition worker may be the first to ask; the store still belongs to main.
        if (QCoreApplication::instance() != nullptr && !platform::isMainThread()) {
            made->moveToThread(QCoreApplication::instance()->thread());
        }
        return made;
    }();
    return *instance;
}

Snippets::Snippets(platform::DefaultsStore& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults) {
    const std::optional<QByteArray> stored = defaults_.data(key);
    std::optional<QList<Snippet>> decoded;
    if (stored) {
        decoded = snippet_codec::decode(*stored);
    }
    if (decoded) {
        items_.store(std::move(*decoded));
    } else {
        // Nothing usable: the list starts empty, but whatever is stored (hand-edited or from
        // another program) is kept under a backup key before the first change replaces it.
        keepUnreadableValue_ = defaults_.contains(key);
    }
}

void Snippets::setItems(const QList<Snippet>& items) {
    if (keepUnreadableValue_) {
        if (const auto kept = defaults_.copyValueToFreeKey(key, backupKey)) {
            slog("stored snippets could not be read — kept as " + *kept);
        }
        keepUnreadableValue_ = false;
    }
    items_.store(items);
    defaults_.setData(key, snippet_codec::encode(items));
    emit itemsChanged(items);
}

} // namespace tavik
