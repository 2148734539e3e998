#pragma once

#include "app/stores/rewrite_service.h"
#include "app/stores/transform_kind.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace tavik {

namespace platform {
class DefaultsStore;
}

// The user's list of named transforms, kept in the user defaults under "transforms" as a compact
// JSON array, starting from three built-in local transforms. Every change is announced, then
// saved. Lives on the main thread.
class Transforms : public QObject {
    Q_OBJECT

public:
    using Kind = TransformKind;

    struct Transform {
        QUuid id;
        QString name;
        Kind kind = Kind::ai;
        QString instruction; // for the AI kind, sent to the rewrite service

        Transform(QString name_, Kind kind_, QString instruction_ = {})
            : Transform(QUuid::createUuid(), std::move(name_), kind_, std::move(instruction_)) {}
        Transform(QUuid id_, QString name_, Kind kind_, QString instruction_ = {})
            : id(id_), name(std::move(name_)), kind(kind_), instruction(std::move(instruction_)) {}

        bool operator==(const Transform&) const = default;
    };

    static inline const QString defaultsKey = QStringLiteral("transforms");
    // Where a stored list that could not be read is kept before the first save replaces it.
    static inline const QString unreadableKey = QStringLiteral("transforms.unreadable");

    // Reads the list once from `defaults`; writes nothing until the list changes.
    explicit Transforms(platform::DefaultsStore& defaults, QObject* parent = nullptr);

    // The application's list, on the shared user defaults; created on first use.
    static Transforms& shared();

    const QList<Transform>& items() const { return items_; }
    // Replaces the list; observers hear of it, then it is saved.
    void setItems(QList<Transform> items);
    // Changes the list in place; observers hear of it, then it is saved.
    void modifyItems(const std::function<void(QList<Transform>&)>& change);

    // Runs a local kind on `text`; the AI kind gives the text back unchanged. Any thread.
    static QString applyLocal(Kind kind, const QString& text);
    // Has the rewrite service rewrite `text` following `instruction`; `done` runs later on the
    // main thread, unless `receiver` is gone by then.
    static void applyAI(const QString& instruction, const QString& text, QObject* receiver,
                        RewriteService::Completion done);

    // "Bullet list", "Remove filler words", "Sentence case", each with a fresh id.
    static QList<Transform> defaultItems();
    // The list in its stored form, or none when `json` is not exactly such a list.
    static std::optional<QList<Transform>> decode(const QByteArray& json);
    static QByteArray encode(const QList<Transform>& items);

signals:
    void itemsAboutToChange();
    void itemsChanged(const QList<tavik::Transforms::Transform>& items);

private:
    void save();

    platform::DefaultsStore& defaults_;
    QList<Transform> items_;
    // Something is stored under the key that could not be read; it is kept aside before the
    // first save.
    bool keepUnreadableValue_ = false;
};

} // namespace tavik
