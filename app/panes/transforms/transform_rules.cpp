#include "app/panes/transforms/transform_rules.h"

namespace tavik::panes::transforms {

QList<TransformKind> localKinds() {
    QList<TransformKind> kinds;
    for (const TransformKind kind : transform_kind::allCases) {
        if (transform_kind::isLocal(kind)) {
            kinds.append(kind);
        }
    }
    return kinds;
}

bool canAdd(const QString& name, const QString& instruction) {
    return !name.isEmpty() && !instruction.isEmpty();
}

QList<Transform> withAdded(const QList<Transform>& items, const QString& name,
                           const QString& instruction) {
    QList<Transform> next = items;
    next.append(Transform(QUuid::createUuid(), name, TransformKind::ai, instruction));
    return next;
}

QList<Transform> aiItems(const QList<Transform>& items) {
    QList<Transform> ai;
    for (const Transform& item : items) {
        if (item.kind == TransformKind::ai) {
            ai.append(item);
        }
    }
    return ai;
}

QList<Transform> without(const QList<Transform>& items, const QUuid& id) {
    QList<Transform> kept;
    kept.reserve(items.size());
    for (const Transform& item : items) {
        if (item.id != id) {
            kept.append(item);
        }
    }
    return kept;
}

} // namespace tavik::panes::transforms
