#include "app/stores/readable_text.h"

namespace tavik {

namespace {

bool isUnwanted(char16_t c) {
    if (c == u'\t' || c == u'\n' || c == u'\r') {
        return false;
    }
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool bidiOverride = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    return control || bidiOverride;
}

} // namespace

QString withoutControls(QStringView text) {
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        if (!isUnwanted(c.unicode())) {
            clean.append(c);
        }
    }
    return clean;
}

QString shortened(const QString& text, qsizetype maxLength) {
    if (text.size() <= maxLength || maxLength < 1) {
        return text.size() <= maxLength ? text : QString();
    }
    qsizetype keep = maxLength - 1;
    if (keep > 0 && text.at(keep - 1).isHighSurrogate()) {
        --keep;
    }
    return text.left(keep) + QChar(0x2026);
}

} // namespace tavik
