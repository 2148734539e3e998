#include "app/panes/snippets/snippet_rules.h"

#include "app/stores/text_graphemes.h"

namespace tavik::panes::snippets {

bool canAdd(const QString& trigger, const QString& expansion) {
    return !expansion.isEmpty() && !text::trimSpacesAndTabs(trigger).isEmpty();
}

QList<Snippet> withAdded(const QList<Snippet>& items, const QString& trigger,
                         const QString& expansion) {
    QList<Snippet> next = items;
    next.append(Snippet{QUuid::createUuid(), text::trimSpacesAndTabs(trigger), expansion, true});
    return next;
}

std::optional<QList<Snippet>> withEnabled(const QList<Snippet>& items, const QUuid& id,
                                          bool enabled) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].id == id) {
            QList<Snippet> next = items;
            next[i].enabled = enabled;
            return next;
        }
    }
    return std::nullopt;
}

QList<Snippet> without(const QList<Snippet>& items, const QUuid& id) {
    QList<Snippet> kept;
    kept.reserve(items.size());
    for (const Snippet& snippet : items) {
        if (snippet.id != id) {
            kept.append(snippet);
        }
    }
    return kept;
}

} // namespace tavik::panes::snippets
