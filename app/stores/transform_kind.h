#pragma once

#include <QString>

#include <array>
#include <optional>

namespace tavik {

// What a transform does: six kinds computed on this machine and the rewrite through the rewrite
// service. The raw value is the stored form and the identity; it never changes.
enum class TransformKind {
    bulletList,
    removeFillers,
    sentenceCase,
    titleCase,
    upperCase,
    lowerCase,
    ai,
};

namespace transform_kind {

// Every kind, in the order the panes list them.
inline constexpr std::array<TransformKind, 7> allCases = {
    TransformKind::bulletList, TransformKind::removeFillers, TransformKind::sentenceCase,
    TransformKind::titleCase,  TransformKind::upperCase,     TransformKind::lowerCase,
    TransformKind::ai,
};

QString rawValue(TransformKind kind);
inline QString id(TransformKind kind) {
    return rawValue(kind);
}
QString label(TransformKind kind);
bool isLocal(TransformKind kind);

// The kind whose raw value is exactly `raw` (case-sensitive), or none.
std::optional<TransformKind> fromRawValue(const QString& raw);

} // namespace transform_kind
} // namespace tavik
