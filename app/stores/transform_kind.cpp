#include "app/stores/transform_kind.h"

namespace tavik::transform_kind {

namespace {

struct KindRow {
    TransformKind kind;
    const char* raw;
    const char* label;
};

// One row per kind; the raw value and the label are shown or stored exactly as written here.
constexpr std::array<KindRow, 7> kindTable = {{
    {TransformKind::bulletList, "bulletList", "Bullet list"},
    {TransformKind::removeFillers, "removeFillers", "Remove filler words"},
    {TransformKind::sentenceCase, "sentenceCase", "Sentence case"},
    {TransformKind::titleCase, "titleCase", "Title Case"},
    {TransformKind::upperCase, "upperCase", "UPPERCASE"},
    {TransformKind::lowerCase, "lowerCase", "lowercase"},
    {TransformKind::ai, "ai", "AI rewrite"},
}};

const KindRow& rowFor(TransformKind kind) {
    for (const KindRow& row : kindTable) {
        if (row.kind == kind) {
            return row;
        }
    }
    return kindTable.back(); // unreachable for a valid enumerator
}

} // namespace

QString rawValue(TransformKind kind) {
    return QString::fromLatin1(rowFor(kind).raw);
}

QString label(TransformKind kind) {
    return QString::fromUtf8(rowFor(kind).label);
}

bool isLocal(TransformKind kind) {
    return kind != TransformKind::ai;
}

std::optional<TransformKind> fromRawValue(const QString& raw) {
    for (const KindRow& row : kindTable) {
        if (raw == QLatin1String(row.raw)) {
            return row.kind;
        }
    }
    return std::nullopt;
}

} // namespace tavik::transform_kind
