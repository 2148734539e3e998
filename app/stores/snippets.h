#pragma once

#include "app/stores/snapshot_cell.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace tavik {
namespace platform {
class DefaultsStore;
}

// A spoken trigger phrase and the text that replaces it.
struct Snippet {
    QUuid id = QUuid::createUuid();
    QString trigger;
    QString expansion;
    bool enabled = true;

    friend bool operator==(const Snippet&, const Snippet&) = default;
};

namespace snippet_codec {
// Compact JSON array of {"id","trigger","expansion","enabled"}, ids in upper case.
QByteArray encode(const QList<Snippet>& snippets);
// All four members required with their JSON types; one bad element fails the whole list.
std::optional<QList<Snippet>> decode(const QByteArray& bytes);
} // namespace snippet_codec

// The user's snippets, kept in the user default "snippets". Edited on the main thread;
// apply() runs on the recognition thread and works on one whole version of the list.
class Snippets : public QObject {
    Q_OBJECT

public:
    using Snippet = tavik::Snippet;

    static Snippets& shared();

    explicit Snippets(platform::DefaultsStore& defaults, QObject* parent = nullptr);

    QList<Snippet> items() const { return *items_.load(); }
    // Every change writes the whole list through.
    void setItems(const QList<Snippet>& items);

    // `text` with each switched-on snippet's trigger, standing as whole words in any letter
    // case and with one following . , ! or ?, replaced by its expansion taken literally.
    // Longer triggers go first; each snippet works on the result of the one before.
    QString apply(const QString& text) const;

signals:
    void itemsChanged(const QList<Snippet>& items);

private:
    platform::DefaultsStore& defaults_;
    SnapshotCell<QList<Snippet>> items_;
    bool keepUnreadableValue_ = false;
};

} // namespace tavik
